#pragma once
// Runs a conversion on every core: for a movie, one thread decodes the frames in
// order while the others put each through the picture chain and save it; pictures
// are converted side by side. Results are reported in the order a one-at-a-time
// run would produce them, and the files are exactly the ones it would write.
#include "engine/ContactSheets.h"
#include "engine/Conversion.h"
#include "engine/MoviePicks.h"
#include "engine/SmartPicks.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace media {
class MovieFile;
}

namespace conv {

// What a run does where a file it is to write exists already: writes over it, passes
// the picture over (a run that was cut off goes on where it stopped), or writes
// name-1.ext, name-2.ext ... instead.
enum class Existing { Overwrite, Skip, Number };

// What a run converts, and how.
struct RunRequest {
    std::vector<std::string> inputs; // one movie, or pictures
    // For pictures: the sub-folder of the output folder each one is written into
    // (mirroring the tree it was found in); empty, all into the output folder.
    std::vector<std::string> within;
    // The movie already open (the window's), read through its descriptor; else the
    // movie is opened by its name.
    std::shared_ptr<const media::MovieFile> movieFile;
    PictureSettings picture;
    std::string outputFolder;
    MoviePicks picks; // which of the movie's pictures
    // A movie's stills laid out on contact sheets and sprite sheets (with a WebVTT
    // track) besides their files, or, with sheetOnly, instead of them.
    SheetGrid sheet, sprite;
    bool sheetOnly = false;
    std::string stillNames; // a template for the stills' names (see StillNames); empty: the default
    Existing existing = Existing::Overwrite;  // the window always writes over
    bool storedSize = false;                  // a movie's pictures as stored, not as players shape them
    bool deinterlace = false;                 // a movie's frames deinterlaced, one picture a frame
    bool fitRange = false;                    // a range beyond the movie's end brought inside it (and said)
    int jobs = 0;                             // 0: one a core
    const std::atomic<bool>* cancel = nullptr; // set by the user to stop after the pictures in flight
    // Told, on a reading thread, how far looking at a movie's pictures before its run
    // has come (--sharpest, --dedup): done of total pictures.
    std::function<void(int done, int total)> looking;
};

struct Outcome {
    int index = 0;       // place in the run's order
    std::string source;  // the picture or frame ("clip.avi#12")
    std::string target;  // the file it is written to
    std::string written; // the file written, empty when it failed
    std::string error;
    // Said beside a file written: what of the photo's metadata was left out for its size.
    std::string warning;
    // The output folder cannot be written, the run stops here: the folder (the
    // failure's place) and the reason.
    std::optional<media::Failure> stop;
    bool skipped = false;  // not tried, since the run had stopped
    bool existed = false;  // passed over: its file was there already (Existing::Skip)
    // A movie's still: its position, presentation time (seconds after the first
    // picture's) and whether it is a key picture.
    std::optional<int> frame;
    double seconds = 0;
    bool key = false;
    int width = 0, height = 0; // the picture written
    bool onSheet = false;      // made for the sheets alone (sheetOnly): no file of its own
    // Picked by looking (see SmartPicks): the stride's own pick and the picture's
    // focus measure (--sharpest); a picture passed over, the earlier position it looks
    // the same as (--dedup).
    std::optional<int> nominal;
    std::optional<double> score;
    std::optional<int> repeats;
    // With --scenes: the shot the still stands for (see SmartPicks' ShotSpan).
    std::optional<ShotSpan> shot;
    // With --at: the place as it was asked ("1.5s", "120").
    std::optional<std::string> asked;
};

struct RunTotals {
    int converted = 0;
    int failed = 0;
    int existed = 0; // passed over, their files there already
    int repeats = 0; // passed over, looking the same as the picture written before
    int onSheets = 0; // made for the sheets alone
    std::vector<std::string> sheets; // the contact sheets, sprite sheets and tracks written
    std::string sheetsFailed;        // why a movie's sheets could not be written
    std::vector<std::string> beyond; // places asked for (--at) beyond a movie's end, each named
    int untried = 0; // not tried, the run having stopped (they are not reported one by one)
    int moviesUnread = 0; // of several movies, those that could not be read at all
    // A movie whose pixels are not square: "720 x 480 stored, shown 640 x 480".
    std::string shape;
    // A range brought inside a movie too short for it: what was changed.
    std::string fitted;
    std::vector<std::pair<std::string, std::string>> written; // (source, file), in the run's order
};

using Report = std::function<void(const Outcome&, int total)>;

// A file that cannot be written (no space, no permission ...) stops the run at once:
// one outcome says so, the pictures not yet done are skipped. Whatever goes wrong in
// a worker (memory running out included) fails that picture with its reason. A run
// fails as a whole when the output folder cannot be made (a FolderFailure), or the
// movie cannot be opened at all, or its reading broke off.
media::Result<void> ConvertMovie(const RunRequest& request, const Report& report, RunTotals& totals);
media::Result<void> ConvertPictures(const RunRequest& request, const Report& report, RunTotals& totals);

// Each of the request's movies cut in turn with the same settings, each range brought
// inside its movie when there are several (and said in `fitted`, movie by movie); a
// movie that cannot be read is named with its reason in `failures` and the others go
// on. `beforeMovie` is told each movie's start, `afterMovie` the end of each read.
using MovieStep = std::function<void(const std::string& movie)>;
void ConvertMovies(const RunRequest& request, const Report& report, RunTotals& totals,
                   std::vector<std::string>& failures, const MovieStep& beforeMovie = nullptr,
                   const MovieStep& afterMovie = nullptr);

} // namespace conv
