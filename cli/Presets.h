#pragma once
// Named sets of options: a few built in (web, archive, thumbs) and those the user
// saves (--save-preset) in $XDG_CONFIG_HOME/pomi-pomira-avi/presets.ini, one section
// a preset and one "--option=value" line an option ("--strip=" for a switch), in the
// order they were given.
#include "cli/Options.h"

#include <string>
#include <utility>
#include <vector>

namespace cli {

struct PresetOption {
    std::string option, value;
    int line = 0; // in the presets file; 0 for a built-in preset's
};

struct Preset {
    std::string name;
    std::vector<PresetOption> options;
    bool builtIn = false;
};

// $XDG_CONFIG_HOME (else ~/.config) /pomi-pomira-avi/presets.ini.
std::string PresetsFilePath();

// The built-in presets and those of the file at `path` (a missing file holds none), a
// saved one in place of a built-in of its name. A file that cannot be read is a
// UsageError naming it and the line at fault.
std::vector<Preset> ReadPresets(const std::string& path);

// Applies the preset `name` over `o`; a value it cannot give is a UsageError naming the
// presets file and the line.
void ApplyPreset(const std::string& path, const std::string& name, Options& o);

// Stores the settings of `o` (the picture settings in full, as given or saved, and
// the other options given on the line, but for those of one run: inputs, output
// folder, record, lists, shards, jobs) under its savePreset name; false with the reason.
bool SavePreset(const std::string& path, const Options& o, std::string& error);

// The arguments read as ParseOptions reads them, over the --preset they name (if any)
// applied over `defaults` first: the line's own options win.
Options ParseOptionsWithPreset(const std::vector<std::string>& args, Options defaults);

// The presets, one a line with their options, for --presets.
std::string PresetsText(const std::string& path);

} // namespace cli
