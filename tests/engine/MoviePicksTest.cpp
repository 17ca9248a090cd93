// Which positions a run takes, from presentation times worked out by hand: a movie
// whose pictures come at uneven times, as a phone's do.
#include "engine/MoviePicks.h"

#include <gtest/gtest.h>

using conv::MoviePicks;

namespace {

// Positions 0..9 shown at these seconds; key pictures at 0, 4 and 6.
const std::vector<double> kTimes = {0, 0.5, 0.6, 0.7, 2.0, 2.1, 4.5, 4.6, 4.7, 6.0};
const std::vector<int> kKeys = {0, 4, 6};

MoviePicks Picks(const std::function<void(MoviePicks&)>& set)
{
    MoviePicks p;
    set(p);
    return p;
}

} // namespace

TEST(MoviePicks, EachWayOfPickingTakesThePicturesItsTimesOrCountsSay)
{
    const struct {
        const char* what;
        MoviePicks picks;
        std::vector<int> want;
    } cases[] = {
        {"everything", {}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"every 2 s: shown at 0, 2, 4, 6 s", Picks([](auto& p) { p.everySeconds = 2; }), {0, 4, 5, 9}},
        {"every 1 s: 3 and 4 s show one picture, taken once", Picks([](auto& p) { p.everySeconds = 1; }),
         {0, 3, 4, 5, 8, 9}},
        {"every 2 s from 0.55 s: at 0.5, 2.5 and 4.5 s",
         Picks([](auto& p) { p.everySeconds = 2, p.startSeconds = 0.55; }), {1, 5, 6}},
        {"every 2.5 s from 1.95 s: at 1.95 and 4.45 s, not from 0.7 s, the time shown then",
         Picks([](auto& p) { p.everySeconds = 2.5, p.startSeconds = 1.95; }), {3, 5}},
        {"4 spread: 0, 3, 6, 9", Picks([](auto& p) { p.count = 4; }), {0, 3, 6, 9}},
        {"3 spread: the middle rounded up", Picks([](auto& p) { p.count = 3; }), {0, 5, 9}},
        {"1: the first", Picks([](auto& p) { p.count = 1; }), {0}},
        {"more than the range holds: each once", Picks([](auto& p) { p.count = 20, p.start = 2, p.end = 5; }),
         {2, 3, 4, 5}},
        {"every microsecond: each picture once, at once", Picks([](auto& p) { p.everySeconds = 1e-6; }),
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"a thousand million spread: each once, at once", Picks([](auto& p) { p.count = 1 << 30; }),
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"key pictures", Picks([](auto& p) { p.keyframes = true; }), {0, 4, 6}},
        {"key pictures from 1 s to 5 s", Picks([](auto& p) { p.keyframes = true, p.startSeconds = 1, p.endSeconds = 5; }),
         {4, 6}},
        {"from 0.65 s to 4.6 s, every 2nd frame",
         Picks([](auto& p) { p.step = 2, p.startSeconds = 0.65, p.endSeconds = 4.6; }), {2, 4, 6}},
        {"an end beyond the movie is its last frame", Picks([](auto& p) { p.start = 3, p.end = 100, p.step = 3; }),
         {3, 6, 9}},
        {"an end before the start: nothing", Picks([](auto& p) { p.start = 5, p.end = 2; }), {}},
    };
    for (const auto& c : cases) {
        const auto picked = conv::PickPositions(c.picks, kTimes, kKeys, "clip.mp4");
        ASSERT_TRUE(picked) << c.what << ": " << picked.Message();
        EXPECT_EQ(*picked, c.want) << c.what;
    }
    EXPECT_EQ(conv::PickPositions(Picks([](auto& p) { p.startSeconds = 7; }), kTimes, kKeys, "clip.mp4").Message(),
              "clip.mp4: --start 7 s lies beyond the movie's end, 6 s");
    EXPECT_EQ(conv::PickPositions(Picks([](auto& p) { p.start = 10; }), kTimes, kKeys, "clip.mp4").Message(),
              "clip.mp4: --start 10 lies beyond the last frame, 9");
}

TEST(MoviePicks, TimesAreReadAsPeopleWriteThem)
{
    const struct {
        const char* text;
        std::optional<double> seconds;
    } cases[] = {
        {"62.5s", 62.5}, {"1:02.5", 62.5}, {"00:01:02.500", 62.5}, {"2s", 2}, {"12.5", 12.5},
        {"12", std::nullopt}, // a frame
        {"1:75", std::nullopt}, {"1:2:3:4", std::nullopt}, {"s", std::nullopt}, {"", std::nullopt},
        {":5", std::nullopt}, {"1.2.3s", std::nullopt}, {"-3s", std::nullopt}, {"1:x", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(conv::ParseSeconds(c.text), c.seconds) << "'" << c.text << "'";
}
