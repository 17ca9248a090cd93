#include "engine/StoredSettings.h"

namespace conv {

namespace {

constexpr const char* kSection = "SET1";
constexpr const char* kFormat = "FORMAT";
constexpr const char* kQuality = "QUALLITY";
constexpr const char* kSaveForm = "INTER";
constexpr const char* kColourDepth = "COLOR";
constexpr const char* kBrightness = "BRIGHT";
constexpr const char* kRotation = "ROTATE";
constexpr const char* kResizeMode = "SIZE";
constexpr const char* kWidth = "WIDTH";
constexpr const char* kHeight = "HEIGHT";

// The stored list position under `key`, when it lies within a list of `entries`.
std::optional<int> Position(const fw::TIniFile& ini, const char* key, int entries)
{
    const int stored = ini.ReadInteger(kSection, key, -1);
    if (stored < 0 || stored >= entries)
        return std::nullopt;
    return stored;
}

// The stored value of a choice, the reset value when there is none in its list.
template <std::size_t N, class Entry>
auto Choice(const fw::TIniFile& ini, const char* key, const Entry (&table)[N], decltype(Entry::value) reset)
{
    return ValueAt(table, Position(ini, key, int(N)).value_or(-1)).value_or(reset);
}

} // namespace

PictureSettings ReadPictureSettings(const fw::TIniFile& ini, const PictureSettings& current)
{
    const PictureSettings reset;
    PictureSettings p;
    p.format = Choice(ini, kFormat, kOutputFormats, reset.format);
    p.jpegQuality.step = Position(ini, kQuality, std::size(kJpegQualityCaptions)).value_or(reset.jpegQuality.step);
    p.progressive = Position(ini, kSaveForm, std::size(kSaveFormCaptions)).value_or(reset.progressive) == 1;
    p.colourDepth = Choice(ini, kColourDepth, kColourDepths, *reset.colourDepth);
    if (const auto position = Position(ini, kBrightness, kBrightnessPositions))
        p.brightness = BrightnessAt(*position);
    p.rotation = Choice(ini, kRotation, kRotations, reset.rotation);
    p.resize.mode = Choice(ini, kResizeMode, kResizeModes, reset.resize.mode);
    p.resize.width = kSideRange.Clamp(ini.ReadInteger(kSection, kWidth, current.resize.width));
    p.resize.height = kSideRange.Clamp(ini.ReadInteger(kSection, kHeight, current.resize.height));
    p.resize.scalePercent = current.resize.scalePercent;
    return p;
}

std::string ReadOutputFolder(const fw::TIniFile& ini, const std::string& fallback)
{
    return ini.ReadString(kSection, "PATH", fallback);
}

std::vector<fw::IniEntry> PictureSettingsEntries(const PictureSettings& s, const std::string& outputFolder)
{
    const auto entry = [](const char* key, int value) { return fw::IniEntry{kSection, key, std::to_string(value)}; };
    const ColourDepth depth = s.colourDepth.value_or(*PictureSettings().colourDepth);
    return {
        {kSection, "PATH", outputFolder},
        entry(kFormat, PositionOf(s.format)),
        entry(kQuality, s.jpegQuality.step),
        entry(kSaveForm, s.progressive ? 1 : 0),
        entry(kColourDepth, PositionOf(depth)),
        entry(kBrightness, BrightnessPosition(s.brightness)),
        entry(kRotation, PositionOf(s.rotation)),
        entry(kResizeMode, PositionOf(s.resize.mode)),
        entry(kWidth, s.resize.width),
        entry(kHeight, s.resize.height),
    };
}

} // namespace conv
