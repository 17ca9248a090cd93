#pragma once
// The command line's run: its options as the engine's run request (the pipeline
// itself is the engine's, shared with the main window).
#include "app/conversion/Pipeline.h"
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
    request.start = o.start;
    request.end = o.end;
    request.step = o.step;
    request.jobs = o.jobs;
    return request;
}

inline bool ConvertMovie(const Options& o, const Report& report, RunTotals& totals, std::string& error)
{
    return conv::ConvertMovie(RequestOf(o), report, totals, error);
}

inline void ConvertPictures(const Options& o, const Report& report, RunTotals& totals)
{
    conv::ConvertPictures(RequestOf(o), report, totals);
}

} // namespace cli
