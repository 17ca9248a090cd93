#pragma once
// The conversion settings as the settings file keeps them, for the window and the
// command line alike: their keys, and how a stored value is brought back into range.
// The file holds each choice as its list position.
#include "engine/PictureSettings.h"
#include "framework/IniFile.h"

#include <string>
#include <vector>

namespace conv {

// The conversion settings stored in `ini`: a choice that is absent or outside its list
// is its reset value; an absent size is the one of `current`, a stored one is kept
// within kSideRange. The scale is not stored: it is the one of `current`.
PictureSettings ReadPictureSettings(const fw::TIniFile& ini, const PictureSettings& current = {});

// The stored output folder, or `fallback` when none is stored.
std::string ReadOutputFolder(const fw::TIniFile& ini, const std::string& fallback);

// The entries that store `s` and the output folder, in the file's order.
std::vector<fw::IniEntry> PictureSettingsEntries(const PictureSettings& s, const std::string& outputFolder);

} // namespace conv
