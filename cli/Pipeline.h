#pragma once
// Runs a conversion on every core: for a movie, one thread decodes the frames in
// order while the others put each through the picture chain and save it; pictures
// are converted side by side. Results are reported in the order a one-at-a-time
// run would produce them, and the files are exactly the ones it would write.
#include "cli/Options.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace cli {

struct Outcome {
    int index = 0;       // place in the run's order
    std::string source;  // the picture or frame ("clip.avi#12")
    std::string written; // the file written, empty when it failed
    std::string error;
    bool stopsRun = false; // the output folder cannot be written: the run stops here
    bool skipped = false;  // not tried, since the run had stopped
};

struct RunTotals {
    int converted = 0;
    int failed = 0;
    std::vector<std::pair<std::string, std::string>> written; // (source, file), in the run's order
};

using Report = std::function<void(const Outcome&, int total)>;

// A file that cannot be written (no space, no permission ...) stops the run at once:
// one outcome says so, the pictures not yet done are skipped. Whatever goes wrong in
// a worker (memory running out included) fails that picture with its reason. Returns
// false (with `error`) when the movie cannot be opened at all, or its reading broke
// off; raises conv::WriteError when the output folder cannot be made.
bool ConvertMovie(const Options& options, const Report& report, RunTotals& totals, std::string& error);
void ConvertPictures(const Options& options, const Report& report, RunTotals& totals);

} // namespace cli
