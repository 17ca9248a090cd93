#pragma once
// The conversion engine both the main window's run and the command-line converter
// drive: the save settings, the picture chain in its fixed order (colour depth,
// brightness, rotation, resize), the output names and the output folder. No Qt.
#include "engine/PictureSettings.h"
#include "media/editor/ImageEditor.h"

#include <optional>
#include <string>
#include <vector>

namespace conv {

// Number of frames a run cuts from start to end, every step-th one (the formula as
// it stands: not above 0 when end lies before start). A step below 1 (the window's
// field may hold 0 while it is being typed) counts as 1.
inline int FrameTotal(int start, int end, int step)
{
    if (step < 1)
        step = 1;
    return (end - start) / step + 1;
}

// The sources a run takes: pictures and movies by their extensions (letter case
// ignored; the movies' are the container rows', media/movie/Containers.h); other
// files are passed over.
bool IsPictureFileName(const std::string& path);
bool IsMovieFileName(const std::string& path);

// The extension of the files a run writes.
std::string OutputExtension(const PictureSettings& s);

// How the settings ask pictures to be encoded.
media::SaveOptions SaveOptionsOf(const PictureSettings& s);

// Colour depth, brightness, rotation and resize, in that order, as the settings ask.
// `loaded` is the picture's size as its file holds it (it may have been decoded
// smaller). Stops at the first step that cannot be done, the failure naming it ("1%
// of 40 × 30 is less than one pixel", "cannot rotate").
media::Result<void> ApplyPictureChain(media::Image& img, media::Size loaded, const PictureSettings& s);

// How much smaller a picture may be decoded for the chain `s`: where the chain makes
// it at least three times as small as the reduced picture still is, and every step
// before the resize works pixel by pixel. Nothing (decode whole) otherwise.
media::Reduction LoadReduction(const PictureSettings& s);

// folder + "/" + the movie's name with "_" + the frame (at least five digits) + ext
// in place of its extension: clip.avi, frame 12, ".jpg" → clip_00012.jpg.
std::string MovieOutputPath(const std::string& folder, const std::string& movie, int frame, const std::string& ext);
// folder + "/" + the source's name with ext in place of its extension.
std::string ImageOutputPath(const std::string& folder, const std::string& source, const std::string& ext);

// A run that cannot write into its output folder (no space, no permission, a
// read-only disk ...): it stops at once. The failure's place is the folder (empty
// when none was given) and its cause the system's reason; its message words them in
// English for the command line, the window words them its own way.
media::Failure FolderFailure(const std::string& folder, const std::string& reason);

// Creates the folder with every missing parent, checks that files can be made in
// it, and removes the temporary files a killed run left there. An empty folder text
// or a folder that cannot be made or written is a FolderFailure with the real reason.
media::Result<void> CreateOutputFolder(const std::string& folder);

// What became of one picture of a run.
struct PictureOutcome {
    enum class Happened {
        Written,
        SourceFailed,   // the picture could not be loaded or decoded
        StepFailed,     // a step of the chain could not be done
        NotSaved,       // it could not be encoded
        FolderUnusable, // its file could not be written: the run stops here
    };
    Happened happened = Happened::Written;
    std::string reason;                 // why not, when not written
    std::optional<media::Failure> stop; // with FolderUnusable: the folder and the system's reason

    bool Written() const { return happened == Happened::Written; }
};

// The step every picture of a run goes through, in the window and on the command
// line alike, once the editor holds its picture: the chain, the save under `target`,
// and what came of it. `notTaken` is the reason the editor did not get its picture (a
// failed load, a frame that cannot be decoded), nothing when it did; then, or when a
// step of the chain cannot be done, nothing is written.
PictureOutcome ConvertPicture(media::ImageEditor& editor, const PictureSettings& s,
                              const std::optional<std::string>& notTaken, const std::string& target,
                              const std::string& folder);
// Its two halves: the chain, which leaves the picture as it will be saved (nothing, or
// why it cannot be), and the save.
std::optional<PictureOutcome> ChainPicture(media::ImageEditor& editor, const PictureSettings& s,
                                           const std::optional<std::string>& notTaken);
PictureOutcome SavePicture(media::ImageEditor& editor, const PictureSettings& s, const std::string& target,
                           const std::string& folder);

// A file made already (a JPEG rewritten from its coefficients) saved under `target`,
// with ConvertPicture's outcomes.
PictureOutcome SaveMadeFile(const media::Bytes& bytes, const std::string& target, const std::string& folder);

// Whether the chain leaves a picture's pixels as they are (full colour, brightness
// and size kept; a rotation moves them but changes none).
bool LeavesPixelsAlone(const PictureSettings& s);

// The reason for a frame the movie control or engine could not deliver.
inline constexpr const char* kFrameNotDecoded = "the frame cannot be decoded";

// "<name>: <reason>", the reason without the name when it already begins with it.
std::string NamedFailure(const std::string& name, const std::string& reason);

// A file a run wrote more than once: two sources with one name (two camera cards'
// IMG_0001.png). The last source is what the file holds.
struct NameClash {
    std::string target;
    std::vector<std::string> sources; // in the run's order
};

// The clashes among the files a run wrote, given as (source, file written) in the
// run's order; in the order of their first source.
std::vector<NameClash> NameClashes(const std::vector<std::pair<std::string, std::string>>& written);

// The pictures of a run that could not be converted.
struct RunReport {
    int total = 0;
    std::vector<std::string> failed; // source files (or frames) and why, in the order met
    std::vector<NameClash> clashes;  // files written over by a later source
    bool stopped = false;            // the user stopped the run (Esc)
    int skipped = 0;                 // pictures not tried, the run having stopped
    int movies = 1;                  // movies cut one after another
    std::vector<std::string> moviesNotRead; // of several movies, each not read and why
};

} // namespace conv
