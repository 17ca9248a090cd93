// Interlaced movies made from a progressive source with known motion (two source
// frames woven into each frame's fields): deinterlaced on request, each frame gives
// one whole picture, the source frame of its first field, without the combing of
// the woven frame, at the same position however it is reached.
#include "media/movie/MovieReader.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// How combed a picture is: the mean distance of each row from the middle of the
// rows above and below it (woven fields of moving edges stand out of their
// neighbours every other row).
double Combing(const std::uint8_t* rgb, int width, int height)
{
    double sum = 0;
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            const auto at = [&](int row) { return double(rgb[std::size_t(row) * width * 3 + x]); };
            sum += std::abs(at(y) - (at(y - 1) + at(y + 1)) / 2);
        }
    return sum / (double(width) * 3 * (height - 2));
}

} // namespace

TEST(Deinterlace, InterlacedFramesComeOutWholeAsTheirFirstFieldsSourceFrame)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    constexpr int kWidth = 320, kHeight = 240, kFrames = 20;
    constexpr int kPatternRows = kHeight * 3 / 4;
    constexpr std::size_t kPattern = std::size_t(kWidth) * kPatternRows * 3;
    const SourceMovie source = MakeSource(kWidth, kHeight, 2 * kFrames); // 50 frames a second
    // Top field from source frame 2k, bottom field from 2k + 1.
    const struct {
        const char* name;
        const char* file;
        std::vector<std::string> coding;
    } cases[] = {
        {"lossless FFV1", "woven.mkv", {"-vf", "tinterlace=interleave_top", "-c:v", "ffv1"}},
        {"MPEG-2 coded as interlaced", "woven.mpg",
         {"-vf", "tinterlace=interleave_top", "-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-top", "1", "-q:v", "2"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.file);
        std::string error;
        ASSERT_TRUE(EncodeWithFfmpeg(source, path, c.coding, error, {}, "50")) << error;
        media::MovieReader::Options options;
        options.deinterlace = true;
        auto woven = media::MovieReader::Open(path);
        auto whole = media::MovieReader::Open(path, options);
        ASSERT_TRUE(woven && whole);
        ASSERT_EQ((*woven)->PositionCount(), kFrames);
        ASSERT_EQ((*whole)->PositionCount(), kFrames);
        std::vector<media::Image> run(kFrames);
        (*whole)->ReadRun(0, kFrames - 1, 1, [&](int n, const media::Image* picture) {
            if (picture)
                run[std::size_t(n)] = *picture;
            return true;
        });
        for (int k = 0; k < kFrames; ++k) {
            SCOPED_TRACE(k);
            const media::Image& picture = run[std::size_t(k)];
            ASSERT_EQ(picture.pixels.size(), source.frames[0].size());
            const FrameMatch match = MatchFrame(source, picture.pixels.data(), 2 * k);
            EXPECT_EQ(match.best, 2 * k) << match.bestDb << " dB; " << match.expectedDb << " dB to its own";
            // The moving pattern above the frame numbers: the numbers' lowest bit is
            // black in every top field and white in every bottom one, which a
            // motion-adaptive filter rightly takes for a still picture and weaves.
            const std::uint8_t* own = source.frames[std::size_t(2 * k)].data();
            EXPECT_GE(Psnr(picture.pixels.data(), own, kPattern), 30);
            media::Image plain;
            ASSERT_TRUE((*woven)->ReadFrame(k, plain));
            const double truth = Combing(own, kWidth, kPatternRows);
            const double before = Combing(plain.pixels.data(), kWidth, kPatternRows);
            const double after = Combing(picture.pixels.data(), kWidth, kPatternRows);
            // Woven, the rows stand about 100 times further out of their neighbours than
            // in the source; deinterlaced, at most an eighth of that excess is left
            // (what is left is the filter's interpolation, and MPEG-2's noise).
            EXPECT_GT(before, 20 * truth) << "the woven frame should be combed";
            EXPECT_LT(after - truth, (before - truth) / 8)
                << "combing left: " << after << " against the source's " << truth << ", woven " << before;
        }
        // Jumps in a scrambled order give the run's pictures.
        auto jumper = media::MovieReader::Open(path, options);
        ASSERT_TRUE(jumper);
        for (int k : {13, 2, 19, 0, 7, 6, 18, 1}) {
            media::Image picture;
            ASSERT_TRUE((*jumper)->ReadFrame(k, picture));
            EXPECT_EQ(picture.pixels, run[std::size_t(k)].pixels) << "position " << k;
        }
    }
}
