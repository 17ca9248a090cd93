#pragma once
// The command line: options that mirror the main window, and the files to convert.
#include "cli/InputList.h"
#include "cli/UsageError.h"
#include "engine/Conversion.h"
#include "engine/MoviePicks.h"
#include "engine/Pipeline.h"
#include "engine/RunOptions.h"

#include <atomic>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

struct Options {
    conv::PictureSettings picture;
    std::string outputFolder = ".";
    conv::MoviePicks picks; // which pictures of a movie
    conv::SheetGrid sheet, sprite; // a movie's contact sheets and sprite sheets
    bool sheetOnly = false;        // the sheets instead of the stills' own files
    std::string stillNames; // how a movie's stills are named: a template, empty for the default
    conv::Existing existing = conv::Existing::Overwrite; // where a file is there already
    std::string manifest; // the run's record (.csv or .json), or none
    // The record the window's options ask for, where --manifest names none: beside the
    // pictures, one a movie (see conv::ManifestPath).
    conv::ManifestKind savedManifest = conv::ManifestKind::None;
    bool storedSize = false; // a movie's pictures as stored
    bool deinterlace = false; // a movie's frames deinterlaced
    int jobs = 0; // 0: one a core
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool movieMode = false;
    bool subFolders = false; // -r: folders' pictures taken with their sub-folders'
    bool flat = false;       // --flat: a tree's pictures all into the output folder
    std::vector<std::string> inputs;
    std::vector<std::string> within; // each input's sub-folder of the output (see TakeFolders)
    // Each input as its list or folder names it, which shards go by (see InputList).
    std::vector<std::string> inputKeys;
    std::string filesFrom; // a list of inputs, one a line ("-": standard input)
    Shard shard;
    bool resume = false; // movies the --manifest .jsonl record has done are passed over
    std::string preset;     // the named set of options applied first (see Presets)
    std::string savePreset; // the name to store this line's settings under
    bool listPresets = false;
    // The options the line gave, in its order: (--name, value).
    std::vector<std::pair<std::string, std::string>> lineOptions;
    const std::atomic<bool>* cancel = nullptr; // set (Ctrl+C) to stop after the pictures in flight
    std::function<void(int done, int total)> looking; // how far looking at a movie's pictures has come
};

// The defaults: the settings file the main window writes (when there is one: its
// picture settings and its [OPTIONS]), else the main window's reset values; the output
// folder is the file's PATH, else ".".
Options DefaultOptions(const std::string& settingsFile);

// Reads the arguments (without the program name) over `defaults` (see Presets for
// --preset, applied before). Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args, Options defaults);

// One option (--name or -n) with its value ("" for a switch) applied over `o`, as the
// line applies it. Throws UsageError.
void ApplyOption(Options& o, const std::string& name, const std::string& value);

std::string HelpText();

} // namespace cli
