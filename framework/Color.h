#pragma once
// Colours as the layouts and the message markup name them: 0x00BBGGRR for plain
// colours, 0x80000000 + n for the platform's system colour n.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor | 0, clBackground = clSystemColor | 1,
                 clActiveCaption = clSystemColor | 2, clInactiveCaption = clSystemColor | 3,
                 clMenu = clSystemColor | 4, clWindow = clSystemColor | 5,
                 clWindowFrame = clSystemColor | 6, clMenuText = clSystemColor | 7,
                 clWindowText = clSystemColor | 8, clCaptionText = clSystemColor | 9,
                 clActiveBorder = clSystemColor | 10, clInactiveBorder = clSystemColor | 11,
                 clAppWorkSpace = clSystemColor | 12, clHighlight = clSystemColor | 13,
                 clHighlightText = clSystemColor | 14, clBtnFace = clSystemColor | 15,
                 clBtnShadow = clSystemColor | 16, clGrayText = clSystemColor | 17,
                 clBtnText = clSystemColor | 18, clInactiveCaptionText = clSystemColor | 19,
                 clBtnHighlight = clSystemColor | 20, cl3DDkShadow = clSystemColor | 21,
                 cl3DLight = clSystemColor | 22, clInfoText = clSystemColor | 23,
                 clInfoBk = clSystemColor | 24;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGB(int r, int g, int b)
{
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) { return int(c & 0xFF); }
constexpr int GetGValue(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return int((c >> 16) & 0xFF); }

namespace fw {

// A system colour resolved through the fixed classic table (button face 192,192,192,
// button shadow 128,128,128, highlight 0,0,128 ...); plain colours come back unchanged
// (without their top byte). Unknown system indexes resolve to black.
TColor ColorToRGB(TColor color);

// The 42 names of the colour table, looked up without regard to letter case.
std::optional<TColor> IdentToColor(std::string_view name);

// The table name of a colour, or "$00BBGGRR" when it has none.
std::string ColorToString(TColor color);

// A table name or an integer ("0x"/"$" hexadecimal, or decimal). Throws
// fw::Exception with NotAnIntegerMessage when it is neither.
TColor StringToColor(std::string_view text);

} // namespace fw
