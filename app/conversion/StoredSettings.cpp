#include "app/conversion/StoredSettings.h"

#include <algorithm>

namespace conv {

namespace {

constexpr const char* kSection = "SET1";

// A key and the size of its list.
struct ListKey {
    const char* key;
    int PictureSettings::*field;
    int entries;
};
constexpr ListKey kLists[] = {
    {"FORMAT", &PictureSettings::outputFormat, 5}, {"QUALLITY", &PictureSettings::jpegQuality, 10},
    {"INTER", &PictureSettings::saveForm, 2},      {"COLOR", &PictureSettings::colorDepth, 5},
    {"BRIGHT", &PictureSettings::brightness, 21},  {"ROTATE", &PictureSettings::rotation, 4},
    {"SIZE", &PictureSettings::resizeMode, 4},
};

int Side(int value) { return std::clamp(value, 1, 9999); }

} // namespace

PictureSettings ResetPictureSettings()
{
    PictureSettings p;
    p.outputFormat = 0; // BMP
    p.jpegQuality = 3;
    p.saveForm = 0;
    p.colorDepth = 4; // full colour
    p.brightness = 10; // unchanged
    p.rotation = 0;
    p.resizeMode = 0;
    p.resizeWidth = 320;
    p.resizeHeight = 240;
    p.scalePercent = 100;
    p.brightnessText = BrightnessText(0);
    return p;
}

PictureSettings ReadPictureSettings(const fw::TIniFile& ini, const PictureSettings& current)
{
    PictureSettings p = ResetPictureSettings();
    p.resizeWidth = current.resizeWidth;
    p.resizeHeight = current.resizeHeight;
    for (const ListKey& list : kLists) {
        const int stored = ini.ReadInteger(kSection, list.key, -1);
        if (stored >= 0 && stored < list.entries)
            p.*list.field = stored;
    }
    p.resizeWidth = Side(ini.ReadInteger(kSection, "WIDTH", p.resizeWidth));
    p.resizeHeight = Side(ini.ReadInteger(kSection, "HEIGHT", p.resizeHeight));
    p.brightnessText = BrightnessText(10 - p.brightness);
    return p;
}

std::string ReadOutputFolder(const fw::TIniFile& ini, const std::string& fallback)
{
    return ini.ReadString(kSection, "PATH", fallback);
}

std::vector<fw::IniEntry> PictureSettingsEntries(const PictureSettings& s, const std::string& outputFolder)
{
    std::vector<fw::IniEntry> entries = {{kSection, "PATH", outputFolder}};
    for (const ListKey& list : kLists)
        entries.push_back({kSection, list.key, std::to_string(s.*list.field)});
    entries.push_back({kSection, "WIDTH", std::to_string(s.resizeWidth)});
    entries.push_back({kSection, "HEIGHT", std::to_string(s.resizeHeight)});
    return entries;
}

std::string BrightnessText(int step)
{
    if (step == 0)
        return "そのまま";
    return (step > 0 ? "+" : "") + std::to_string(step);
}

} // namespace conv
