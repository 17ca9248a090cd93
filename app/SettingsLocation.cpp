#include "app/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace app {

namespace {
std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}
} // namespace

std::string SettingsFilePath(const std::string& programFolder, const std::string& configHome, const std::string& home)
{
    const std::string beside = Join(programFolder, kSettingsFileName);
    std::error_code ec;
    if (std::filesystem::exists(beside, ec) || ::access(programFolder.empty() ? "." : programFolder.c_str(), W_OK) == 0)
        return beside;
    std::string base = configHome;
    if (base.empty() || base.front() != '/')
        base = Join(home.empty() ? std::string("/tmp") : home, ".config");
    const std::string folder = Join(base, "pomi-pomira-avi");
    std::filesystem::create_directories(folder, ec);
    return Join(folder, kSettingsFileName);
}

std::string SettingsFilePath(const std::string& programFolder)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return SettingsFilePath(programFolder, config ? config : "", home ? home : "");
}

} // namespace app
