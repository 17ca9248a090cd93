#include "engine/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#ifndef POMI_DATA_FROM_BIN
#define POMI_DATA_FROM_BIN "../share/pomi-pomira-avi"
#endif

namespace conv {

namespace {

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace

std::string InstalledDataFolder(const std::string& programFolder)
{
    return Join(programFolder.empty() ? "." : programFolder, POMI_DATA_FROM_BIN);
}

bool RunsInstalled(const std::string& programFolder)
{
    std::error_code ec;
    return std::filesystem::is_directory(InstalledDataFolder(programFolder), ec);
}

std::string SettingsFilePath(const std::string& programFolder, const std::string& configHome, const std::string& home)
{
    const std::string beside = Join(programFolder, kSettingsFileName);
    // Even where an installed program's folder can be written (by root), settings do
    // not belong there.
    if (Exists(beside) ||
        (!RunsInstalled(programFolder) && ::access(programFolder.empty() ? "." : programFolder.c_str(), W_OK) == 0))
        return beside;
    return Join(ConfigFolder(configHome, home), kSettingsFileName);
}

std::string ConfigFolder(const std::string& configHome, const std::string& home)
{
    std::string base = configHome;
    if (base.empty() || base.front() != '/')
        base = Join(home.empty() ? std::string("/tmp") : home, ".config");
    return Join(base, "pomi-pomira-avi");
}

std::string ConfigFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return ConfigFolder(config ? config : "", home ? home : "");
}

std::string SettingsFilePath(const std::string& programFolder)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return SettingsFilePath(programFolder, config ? config : "", home ? home : "");
}

std::string GuidePath(const std::string& programFolder)
{
    const std::string beside = Join(programFolder, "Readme.txt");
    const std::string installed = Join(InstalledDataFolder(programFolder), "Readme.txt");
    return !Exists(beside) && Exists(installed) ? installed : beside;
}

} // namespace conv
