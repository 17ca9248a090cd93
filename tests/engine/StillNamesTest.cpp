// A movie's stills named from templates, and the templates refused with their reasons.
#include "engine/StillNames.h"

#include <gtest/gtest.h>

TEST(StillNames, EachFieldIsFilledAndABadTemplateIsRefusedWithItsReason)
{
    const struct {
        const char* text;
        int frame;
        double seconds;
        int n;
        const char* want; // the name, or a piece of the refusal
    } cases[] = {
        {"{movie}_{frame}", 12, 0.48, 3, "clip_00012"},
        {"{movie}_{frame}", 123456, 0, 1, "clip_123456"},
        {"{frame:3}", 7, 0, 1, "007"},
        {"{frame:1}", 12345, 0, 1, "12345"},
        {"{movie} at {time}", 1500, 3723.0456, 1, "clip at 01.02.03.046"},
        {"{ms}ms", 3, 62.5, 1, "62500ms"},
        {"shot_{n}", 9, 0, 4, "shot_4"},
        {"", 0, 0, 1, "is empty"},
        {"stills/{frame}", 0, 0, 1, "holds a '/'"},
        {"{movie", 0, 0, 1, "has a '{' without its '}'"},
        {"movie}", 0, 0, 1, "has a '}' without its '{'"},
        {"{frame:0}", 0, 0, 1, "has an unknown field {frame:0}"},
        {"{date}", 0, 0, 1, "has an unknown field {date}; it takes {movie}, {frame}"},
    };
    for (const auto& c : cases) {
        const auto names = conv::StillNames::Parse(c.text);
        const std::string got = names ? names->Name("/v.d/clip.avi", c.frame, c.seconds, c.n) : names.Message();
        EXPECT_NE(got.find(c.want), std::string::npos) << "'" << c.text << "': " << got;
        EXPECT_EQ(bool(names), got == c.want) << "'" << c.text << "': " << got;
    }
}

TEST(StillNames, ATemplateGivingTwoPicturesOneNameIsRefusedBeforeAnythingIsWritten)
{
    const std::vector<double> times = {0, 0.0004, 0.5, 1.0};
    const auto paths = conv::StillPaths("/o", "clip.mp4", "{movie}_{frame}", {0, 2, 3}, times, ".png");
    ASSERT_TRUE(paths) << paths.Message();
    EXPECT_EQ(*paths, (std::vector<std::string>{"/o/clip_00000.png", "/o/clip_00002.png", "/o/clip_00003.png"}));
    EXPECT_EQ(conv::StillPaths("/o", "clip.mp4", "{movie}", {0, 2}, times, ".png").Message(),
              "the name template '{movie}' gives frames 0 and 2 one name, clip.png");
    // Two pictures within one millisecond.
    EXPECT_EQ(conv::StillPaths("/o", "clip.mp4", "{ms}", {0, 1}, times, ".jpg").Message(),
              "the name template '{ms}' gives frames 0 and 1 one name, 0.jpg");
}
