#include "framework/Color.h"

#include "framework/Exception.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <array>
#include <cstdio>

namespace fw {

namespace {

// Classic Windows colour scheme, by system colour index.
constexpr std::array<TColor, 25> kSystemColors = {
    RGB(192, 192, 192), // scroll bar
    RGB(0, 128, 128),   // desktop
    RGB(0, 0, 128),     // active caption
    RGB(128, 128, 128), // inactive caption
    RGB(192, 192, 192), // menu
    RGB(255, 255, 255), // window
    RGB(0, 0, 0),       // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(255, 255, 255), // caption text
    RGB(192, 192, 192), // active border
    RGB(192, 192, 192), // inactive border
    RGB(128, 128, 128), // application workspace
    RGB(0, 0, 128),     // highlight
    RGB(255, 255, 255), // highlight text
    RGB(192, 192, 192), // button face
    RGB(128, 128, 128), // button shadow
    RGB(128, 128, 128), // grey text
    RGB(0, 0, 0),       // button text
    RGB(192, 192, 192), // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(0, 0, 0),       // 3-D dark shadow
    RGB(192, 192, 192), // 3-D light
    RGB(0, 0, 0),       // tooltip text
    RGB(255, 255, 225), // tooltip background
};

struct NamedColor {
    const char* name;
    TColor value;
};

constexpr std::array<NamedColor, 42> kColorNames = {{
    {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
    {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
    {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
    {"clScrollBar", clScrollBar}, {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption}, {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu}, {"clWindow", clWindow}, {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText}, {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText}, {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder}, {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight}, {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow}, {"clGrayText", clGrayText},
    {"clBtnText", clBtnText}, {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight}, {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight}, {"clInfoText", clInfoText}, {"clInfoBk", clInfoBk},
    {"clNone", clNone},
}};

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color & clSystemColor) {
        const TColor index = color & 0xFF;
        return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
    }
    return color & 0x00FFFFFF;
}

std::optional<TColor> IdentToColor(std::string_view name)
{
    for (const auto& entry : kColorNames)
        if (SameTextAscii(entry.name, name))
            return entry.value;
    return std::nullopt;
}

std::string ColorToString(TColor color)
{
    for (const auto& entry : kColorNames)
        if (entry.value == color)
            return entry.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

TColor StringToColor(std::string_view text)
{
    if (auto named = IdentToColor(text))
        return *named;
    if (auto number = ParseInteger(text))
        return static_cast<TColor>(*number);
    throw Exception(NotAnIntegerMessage(text));
}

} // namespace fw
