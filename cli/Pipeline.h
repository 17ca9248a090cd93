#pragma once
// The command line's run: its options as the engine's run request (the pipeline
// itself is the engine's, shared with the main window).
#include "engine/Pipeline.h"
#include "cli/Options.h"

namespace cli {

using conv::Outcome;
using conv::Report;
using conv::RunTotals;

inline conv::RunRequest RequestOf(const Options& o)
{
    conv::RunRequest request;
    request.inputs = o.inputs;
    request.picture = o.picture;
    request.outputFolder = o.outputFolder;
    request.picks = o.picks;
    request.stillNames = o.stillNames;
    request.existing = o.existing;
    request.storedSize = o.storedSize;
    request.deinterlace = o.deinterlace;
    request.jobs = o.jobs;
    return request;
}

// False, with the failure's English words, when the run failed as a whole.
inline bool ConvertMovie(const Options& o, const Report& report, RunTotals& totals, std::string& error)
{
    const media::Result<void> run = conv::ConvertMovie(RequestOf(o), report, totals);
    error = run.Message();
    return bool(run);
}

inline bool ConvertPictures(const Options& o, const Report& report, RunTotals& totals, std::string* error = nullptr)
{
    const media::Result<void> run = conv::ConvertPictures(RequestOf(o), report, totals);
    if (error)
        *error = run.Message();
    return bool(run);
}

} // namespace cli
