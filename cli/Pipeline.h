#pragma once
// The command line's run: its options as the engine's run request (the pipeline
// itself is the engine's, shared with the main window).
#include "engine/Pipeline.h"
#include "cli/Options.h"
#include "engine/PictureTree.h"

#include <filesystem>

#include <functional>

namespace cli {

using conv::Outcome;
using conv::Report;
using conv::RunTotals;

// Folder arguments, with -r, replaced by the pictures in them and their sub-folders,
// each to be written into the sub-folder it was found in (with --flat, into the
// output folder itself); what is passed over inside them, with the reason.
inline std::vector<std::string> TakeFolders(Options& o)
{
    if (!o.subFolders)
        return {};
    std::vector<std::string> inputs, within, keys, passedOver;
    for (std::size_t i = 0; i < o.inputs.size(); ++i) {
        const std::string& input = o.inputs[i];
        std::error_code ec;
        if (!std::filesystem::is_directory(input, ec)) {
            inputs.push_back(input);
            within.emplace_back();
            keys.push_back(i < o.inputKeys.size() ? o.inputKeys[i] : input);
            continue;
        }
        conv::FolderWalk walk = conv::PicturesInFolder(input, true, o.outputFolder);
        for (conv::FolderPicture& picture : walk.pictures) {
            // Its shard goes by its path inside the folder.
            const std::string name = std::filesystem::path(picture.path).filename().string();
            keys.push_back(picture.within.empty() ? name : picture.within + "/" + name);
            inputs.push_back(std::move(picture.path));
            within.push_back(o.flat ? std::string() : std::move(picture.within));
        }
        passedOver.insert(passedOver.end(), walk.passedOver.begin(), walk.passedOver.end());
    }
    o.inputs = std::move(inputs);
    o.within = std::move(within);
    o.inputKeys = std::move(keys);
    return passedOver;
}

inline conv::RunRequest RequestOf(const Options& o)
{
    conv::RunRequest request;
    request.inputs = o.inputs;
    request.within = o.within;
    request.picture = o.picture;
    request.outputFolder = o.outputFolder;
    request.picks = o.picks;
    request.sheet = o.sheet;
    request.sprite = o.sprite;
    request.sheetOnly = o.sheetOnly;
    request.stillNames = o.stillNames;
    request.existing = o.existing;
    request.storedSize = o.storedSize;
    request.deinterlace = o.deinterlace;
    request.jobs = o.jobs;
    request.cancel = o.cancel;
    request.looking = o.looking;
    return request;
}

// False, with the failure's English words, when the run failed as a whole.
inline bool ConvertMovie(const Options& o, const Report& report, RunTotals& totals, std::string& error)
{
    const media::Result<void> run = conv::ConvertMovie(RequestOf(o), report, totals);
    error = run.Message();
    return bool(run);
}

// Each movie cut in turn with the same settings (see conv::ConvertMovies).
inline void ConvertMovies(const Options& o, const Report& report, RunTotals& totals,
                          std::vector<std::string>& failures, const conv::MovieStep& beforeMovie = nullptr,
                          const conv::MovieStep& afterMovie = nullptr)
{
    conv::ConvertMovies(RequestOf(o), report, totals, failures, beforeMovie, afterMovie);
}

inline bool ConvertPictures(const Options& o, const Report& report, RunTotals& totals, std::string* error = nullptr)
{
    const media::Result<void> run = conv::ConvertPictures(RequestOf(o), report, totals);
    if (error)
        *error = run.Message();
    return bool(run);
}

} // namespace cli
