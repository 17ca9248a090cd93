// Numbers, colours and paths: the small value rules the windows and layouts build on.
#include "framework/Color.h"
#include "framework/Exception.h"
#include "framework/Numbers.h"
#include "framework/Paths.h"

#include <gtest/gtest.h>

TEST(ParseInteger, SignsBasesAndRange)
{
    EXPECT_EQ(fw::ParseInteger("42"), 42);
    EXPECT_EQ(fw::ParseInteger("+7"), 7);
    EXPECT_EQ(fw::ParseInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(fw::ParseInteger("2147483648"), std::nullopt);
    EXPECT_EQ(fw::ParseInteger("0x0000FF"), 255);
    EXPECT_EQ(fw::ParseInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(fw::ParseInteger("0x"), std::nullopt);
    EXPECT_EQ(fw::ParseInteger("-"), std::nullopt);
    EXPECT_EQ(fw::ParseInteger("1 2"), std::nullopt);
    EXPECT_EQ(fw::ParseInteger("1e3"), std::nullopt);
}

TEST(Colors, TableNamesIgnoreCaseAndCoverAll42)
{
    EXPECT_EQ(fw::IdentToColor("clRed"), clRed);
    EXPECT_EQ(fw::IdentToColor("clrED"), clRed);
    EXPECT_EQ(fw::IdentToColor("CLRED"), clRed);
    EXPECT_EQ(fw::IdentToColor("clInfoBk"), 0x80000018u);
    EXPECT_EQ(fw::IdentToColor("clScrollBar"), 0x80000000u);
    EXPECT_EQ(fw::IdentToColor("clNone"), 0x1FFFFFFFu);
    EXPECT_EQ(fw::IdentToColor("clSkyBlue"), std::nullopt);
    int named = 0;
    for (TColor c = 0x80000000; c <= 0x80000018; ++c)
        named += fw::ColorToString(c).rfind("cl", 0) == 0;
    EXPECT_EQ(named, 25);
}

TEST(Colors, SystemColoursResolveThroughTheClassicTable)
{
    EXPECT_EQ(fw::ColorToRGB(clBtnFace), RGB(192, 192, 192));
    EXPECT_EQ(fw::ColorToRGB(clBtnShadow), RGB(128, 128, 128));
    EXPECT_EQ(fw::ColorToRGB(clHighlight), RGB(0, 0, 128));
    EXPECT_EQ(fw::ColorToRGB(clBtnHighlight), RGB(255, 255, 255));
    EXPECT_EQ(fw::ColorToRGB(clWindowText), RGB(0, 0, 0));
    EXPECT_EQ(fw::ColorToRGB(clFuchsia), RGB(255, 0, 255));
    EXPECT_EQ(GetRValue(clRed), 255);
    EXPECT_EQ(GetBValue(clBlue), 255);
}

TEST(Colors, StringToColorTakesNamesThenNumbersAndOtherwiseFailsWithTheConversionText)
{
    EXPECT_EQ(fw::StringToColor("clFuchsia"), clFuchsia);
    EXPECT_EQ(fw::StringToColor("0x0000FF"), clRed);
    EXPECT_EQ(fw::StringToColor("255"), clRed);
    try {
        fw::StringToColor("clSkyBlue");
        FAIL() << "no error";
    } catch (const fw::Exception& e) {
        EXPECT_STREQ(e.what(), "'clSkyBlue' は整数ではありません");
    }
    EXPECT_EQ(fw::ColorToString(clSilver), "clSilver");
    EXPECT_EQ(fw::ColorToString(RGB(255, 128, 0)), "$000080FF");
}

TEST(Paths, ExtensionIsFromTheLastDotOfTheNameOnly)
{
    EXPECT_EQ(fw::ExtractFileExt("/v/clip.avi"), ".avi");
    EXPECT_EQ(fw::ExtractFileExt("/v/clip.tar.GZ"), ".GZ");
    EXPECT_EQ(fw::ExtractFileExt("/v.d/clip"), "");
    EXPECT_EQ(fw::ExtractFileExt("/v/.hidden"), ".hidden");
    EXPECT_EQ(fw::ExtractFileName("/v/Cat.TIF"), "Cat.TIF");
    EXPECT_EQ(fw::ExtractFileName("Cat.TIF"), "Cat.TIF");
    EXPECT_EQ(fw::ExtractFileDir("/v/w/Cat.TIF"), "/v/w");
    EXPECT_EQ(fw::ExtractFileDir("/Cat.TIF"), "/");
    EXPECT_EQ(fw::ChangeFileExt("/p/Cat.TIF", ".png"), "/p/Cat.png");
    EXPECT_EQ(fw::ChangeFileExt("/p.d/Cat", ".png"), "/p.d/Cat.png");
    EXPECT_TRUE(fw::SameTextAscii(".Avi", ".AVI"));
    EXPECT_FALSE(fw::SameTextAscii(".AVI", ".AV"));
}
