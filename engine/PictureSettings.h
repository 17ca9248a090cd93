#pragma once
// What a conversion does to every picture, in the engine's own terms. The main window's
// lists and the command line's words are both translated into these. Each choice has
// one table, in the order the window lists it (which is also the position the settings
// file stores): its command-line name and its list caption. The member defaults are
// the reset values.
#include "media/codecs/Formats.h"
#include "media/image/Processing.h"

#include <cstddef>
#include <optional>
#include <string>

namespace conv {

// The output formats are the picture formats written, in the registry's order.
using OutputFormat = media::ImageFormat;
using ColourDepth = media::ColourDepth;
enum class Rotation { None, Clockwise90, Clockwise180, Clockwise270 };
// The window's four, then the command line's geometries, each keeping the aspect
// ratio without margins: fit inside W × H only to shrink (WxH>) or only to enlarge
// (WxH<), fill W × H and crop the middle (WxH^), the long side N (NL, NL> only to
// shrink), the short side N (NS).
enum class ResizeMode { None, Fit, Stretch, Scale, Shrink, Enlarge, Fill, LongSide, LongSideShrink, ShortSide };

struct OutputFormatEntry {
    OutputFormat value;
    const char* name;    // on the command line
    const char* ext;     // of the files written
    const char* caption; // in the window's list
};
struct OutputFormatTable {
    OutputFormatEntry rows[media::kWritableFormatCount];
};
constexpr OutputFormatTable MakeOutputFormats()
{
    OutputFormatTable table{};
    for (std::size_t i = 0; i < media::kWritableFormatCount; ++i) {
        const media::FormatRow& row = media::kFormatRows[i];
        table.rows[i] = {row.format, row.option, row.extension, row.caption};
    }
    return table;
}
inline constexpr OutputFormatTable kOutputFormatTable = MakeOutputFormats();
inline constexpr const auto& kOutputFormats = kOutputFormatTable.rows;

struct ColourDepthEntry {
    ColourDepth value;
    const char* name;
    const char* caption;
};
inline constexpr ColourDepthEntry kColourDepths[] = {
    {ColourDepth::Two, "2", "2色"},           {ColourDepth::Sixteen, "16", "16色"},
    {ColourDepth::Colours256, "256", "256色"}, {ColourDepth::Grey, "gray", "ｸﾞﾚｰｽｹｰﾙ"},
    {ColourDepth::Full, "full", "ﾌﾙｶﾗｰ"},
};

struct RotationEntry {
    Rotation value;
    int clockwise; // degrees; the name on the command line
    const char* caption;
};
inline constexpr RotationEntry kRotations[] = {
    {Rotation::None, 0, "そのまま"},
    {Rotation::Clockwise90, 90, "90度"},
    {Rotation::Clockwise180, 180, "180度"},
    {Rotation::Clockwise270, 270, "270度"},
};

struct ResizeModeEntry {
    ResizeMode value;
    const char* caption;
};
inline constexpr ResizeModeEntry kResizeModes[] = {
    {ResizeMode::None, "そのまま"},
    {ResizeMode::Fit, "ﾋﾟｸｾﾙ指定"},
    {ResizeMode::Stretch, "ﾋﾟｸｾﾙ指定-余白伸し"},
    {ResizeMode::Scale, "倍率指定"},
};

// The save form's list: plain (baseline JPEG, non-interlaced PNG), then progressive.
inline constexpr const char* kSaveFormCaptions[] = {"ﾍﾞｰｽﾗｲﾝ/ﾉﾝｲﾝﾀｰﾚｰｽ", "ﾌﾟﾛｸﾞﾚｯｼﾌﾞ/ｲﾝﾀｰﾚｰｽ"};

inline constexpr const char* kJpegQualityCaptions[] = {
    "0-低画質(高圧縮率)", "1-低画質(高圧縮率)", "2-低画質(高圧縮率)", "3-標準",           "4-標準",
    "5-標準",             "6-高画質",           "7-高画質",           "8-最高画質(低圧縮率)", "9-最高画質(低圧縮率)",
};

// The allowed values of a number setting, checked in this one place.
struct Range {
    int low, high;
    constexpr bool Holds(int v) const { return v >= low && v <= high; }
    constexpr int Clamp(int v) const { return v < low ? low : v > high ? high : v; }
};
inline constexpr Range kJpegQualityRange{media::JpegQuality::kLowest, media::JpegQuality::kHighest};
inline constexpr Range kBrightnessRange{-10, 10};
inline constexpr Range kSideRange{1, 9999};   // a resize's width and height, in pixels
inline constexpr Range kScaleRange{1, 1000};  // a resize's scale, in percent

struct Resize {
    ResizeMode mode = ResizeMode::None;
    int width = 320; // Fit and Stretch (and the geometries'; N for the sides)
    int height = 240;
    int scalePercent = 100; // Scale
    bool operator==(const Resize&) const = default;
};

struct PictureSettings {
    OutputFormat format = OutputFormat::Bmp;
    media::JpegQuality jpegQuality{3}; // a step of kJpegQualityRange
    bool progressive = false; // progressive JPEG, interlaced PNG
    // Nothing: every picture keeps the depth it has.
    std::optional<ColourDepth> colourDepth = ColourDepth::Full;
    int brightness = 0; // a step of kBrightnessRange; 0 leaves the picture
    Rotation rotation = Rotation::None;
    Resize resize;
    // A photo's EXIF, XMP, IPTC and colour profile go with it into formats that hold them (not a
    // list of the window: it always keeps them).
    bool keepMetadata = true;
    bool operator==(const PictureSettings&) const = default;
};

// The entry of a value: the tables list every value at its own position.
template <std::size_t N, class Entry>
constexpr const Entry& EntryOf(const Entry (&table)[N], decltype(Entry::value) value)
{
    return table[static_cast<std::size_t>(value)];
}
// The value at a list position; nothing outside the list.
template <std::size_t N, class Entry>
constexpr std::optional<decltype(Entry::value)> ValueAt(const Entry (&table)[N], int position)
{
    if (position < 0 || position >= int(N))
        return std::nullopt;
    return table[position].value;
}
// The list position of a value.
template <class Enum>
constexpr int PositionOf(Enum value)
{
    return static_cast<int>(value);
}

// The brightness list shows +10 at the top down to -10; a step of 0 reads "そのまま".
inline constexpr int kBrightnessPositions = kBrightnessRange.high - kBrightnessRange.low + 1;
constexpr int BrightnessPosition(int step) { return kBrightnessRange.high - step; }
constexpr int BrightnessAt(int position) { return kBrightnessRange.high - position; }
// The brightness list's entry for a step ("+3", "そのまま", "-2").
std::string BrightnessCaption(int step);

} // namespace conv
