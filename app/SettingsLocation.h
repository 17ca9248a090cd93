#pragma once
// Where the settings file "Pomi_Pomira.ini" lives: beside the program when that
// folder is writable or the file already exists there; otherwise in the user's
// configuration folder, since an installed program's folder cannot be written.
#include <string>

namespace app {

inline constexpr const char* kSettingsFileName = "Pomi_Pomira.ini";

// `programFolder` without a trailing "/"; `configHome` is $XDG_CONFIG_HOME (may be
// empty) and `home` is $HOME. The user folder is created when it is chosen.
std::string SettingsFilePath(const std::string& programFolder, const std::string& configHome, const std::string& home);

// The same, from the process environment.
std::string SettingsFilePath(const std::string& programFolder);

} // namespace app
