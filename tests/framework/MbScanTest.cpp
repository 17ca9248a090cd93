#include "framework/MbScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using fw::CharLength;

TEST(MbScan, WellFormedSequencesAreOneCharacter)
{
    const std::string text = "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80"; // a é あ 😀
    std::vector<std::size_t> lengths;
    fw::ForEachChar(text, [&](std::size_t, std::size_t n) { lengths.push_back(n); });
    EXPECT_EQ(lengths, (std::vector<std::size_t>{1, 2, 3, 4}));
}

TEST(MbScan, BrokenBytesAreCharactersOfTheirOwnAndNothingReadsPastTheEnd)
{
    // A lead byte cut off by the end of the text.
    EXPECT_EQ(CharLength("\xE3\x81", 0), 1u);
    // A stray continuation byte, an invalid lead, an overlong form, a surrogate.
    EXPECT_EQ(CharLength("\x81", 0), 1u);
    EXPECT_EQ(CharLength("\xFF\x80", 0), 1u);
    EXPECT_EQ(CharLength("\xC0\xAF", 0), 1u);
    EXPECT_EQ(CharLength("\xED\xA0\x80", 0), 1u);
    EXPECT_EQ(CharLength("\xE3\x41\x82", 0), 1u);
    EXPECT_EQ(CharLength("abc", 3), 0u);
}

TEST(MbScan, LastCharacterAndCutsKeepWholeCharacters)
{
    EXPECT_EQ(fw::LastCharStart("a/"), 1u);
    EXPECT_EQ(fw::LastCharStart("\xE3\x81\x82"), 0u);
    EXPECT_EQ(fw::LastCharStart(""), 0u);
    EXPECT_EQ(fw::CutAtCharBoundary("ab\xE3\x81\x82", 4), "ab");
    EXPECT_EQ(fw::CutAtCharBoundary("ab\xE3\x81\x82", 5), "ab\xE3\x81\x82");
}
