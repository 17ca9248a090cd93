#pragma once
// The conversion settings as the settings file keeps them, for the window and the
// command line alike: their keys, their reset values, and how a stored value is
// brought back into range.
#include "app/conversion/Conversion.h"
#include "framework/IniFile.h"

#include <string>
#include <vector>

namespace conv {

// What the リセット button gives and a first run starts with.
PictureSettings ResetPictureSettings();

// The conversion settings stored in `ini`: a list value that is absent or outside
// its list is its reset value; an absent size is the one of `current`, a stored one
// is kept within 1..9999. The brightness entry's text is the one its list shows.
PictureSettings ReadPictureSettings(const fw::TIniFile& ini, const PictureSettings& current = ResetPictureSettings());

// The stored output folder, or `fallback` when none is stored.
std::string ReadOutputFolder(const fw::TIniFile& ini, const std::string& fallback);

// The entries that store `s` and the output folder, in the file's order.
std::vector<fw::IniEntry> PictureSettingsEntries(const PictureSettings& s, const std::string& outputFolder);

// The brightness list entry for a step of -10..+10 ("+3", "そのまま", "-2").
std::string BrightnessText(int step);

} // namespace conv
