#pragma once
// Where the program's files are. A program run from its build or unpacked folder
// keeps everything beside itself; an installed one (<prefix>/bin, with its data in
// <prefix>/share/pomi-pomira-avi) reads its guide from the data folder and keeps the
// settings file "Pomi_Pomira.ini" in the user's configuration folder.
#include <string>

namespace conv {

inline constexpr const char* kSettingsFileName = "Pomi_Pomira.ini";

// The data folder of an installed program, from its program folder.
std::string InstalledDataFolder(const std::string& programFolder);

// True when the program runs from an installed layout (its data folder exists).
bool RunsInstalled(const std::string& programFolder);

// The settings file: beside the program when it is already there, or when the
// program is not installed and its folder can be written; otherwise
// <configHome or home/.config>/pomi-pomira-avi/. Nothing is created: the folder is
// made when the file is written. `programFolder` without a trailing "/";
// `configHome` is $XDG_CONFIG_HOME (may be empty), `home` is $HOME.
std::string SettingsFilePath(const std::string& programFolder, const std::string& configHome, const std::string& home);

// The same, from the process environment.
std::string SettingsFilePath(const std::string& programFolder);

// The user's configuration folder for the program: <configHome (absolute) or
// home/.config>/pomi-pomira-avi; and the same from the process environment.
std::string ConfigFolder(const std::string& configHome, const std::string& home);
std::string ConfigFolder();

// The user's guide: beside the program first, then in the installed data folder;
// the path beside the program when neither exists.
std::string GuidePath(const std::string& programFolder);

} // namespace conv
