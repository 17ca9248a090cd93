// Movies whose pixels are not square (DV, anamorphic DVD, HDV) give pictures of the
// shape players show: the width scaled by the sample aspect ratio, the height kept,
// against ffmpeg's scale=iw*sar:ih; kept as stored when asked.
#include "media/movie/MovieReader.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

TEST(ShownShape, NonSquarePixelsAreShownAsPlayersShowThemOrKeptAsStoredWhenAsked)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    const struct {
        const char* name;
        const char* file;
        std::vector<std::string> coding;
        int shownWidth, height; // iw * sar, the fraction dropped
        int storedWidth;
    } cases[] = {
        {"DV NTSC 4:3", "ntsc.dv", {"-s", "720x480", "-r", "30000/1001", "-pix_fmt", "yuv411p", "-c:v", "dvvideo",
                                    "-aspect", "4:3"}, 640, 480, 720},
        {"DV PAL 16:9", "pal.dv", {"-s", "720x576", "-r", "25", "-pix_fmt", "yuv420p", "-c:v", "dvvideo",
                                   "-aspect", "16:9"}, 1024, 576, 720},
        {"anamorphic DVD", "dvd.mpg", {"-s", "720x480", "-c:v", "mpeg2video", "-q:v", "2", "-aspect", "16:9"}, 853, 480,
         720},
        // Tagged BT.709, as HDV is: untagged high definition is taken as BT.709, which
        // ffmpeg's scale filter would not do.
        {"HDV-like", "hdv.m2ts", {"-s", "1440x1080", "-c:v", "mpeg2video", "-q:v", "2", "-aspect", "16:9",
                                  "-colorspace", "bt709"}, 1920, 1080, 1440},
        {"square pixels stay", "square.mp4", {"-s", "320x240", "-c:v", "mpeg4", "-q:v", "2"}, 320, 240, 320},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.file);
        std::vector<std::string> arguments = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25", "-frames:v", "6"};
        arguments.insert(arguments.end(), c.coding.begin(), c.coding.end());
        arguments.push_back(path);
        std::string error;
        ASSERT_TRUE(RunFfmpeg(arguments, error)) << error;
        auto shown = media::MovieReader::Open(path);
        ASSERT_TRUE(shown) << shown.Message();
        EXPECT_EQ((*shown)->Width(), c.shownWidth);
        EXPECT_EQ((*shown)->Height(), c.height);
        // ffmpeg's own picture of that shape.
        const std::string reference = dir.File("reference.rgb");
        ASSERT_TRUE(RunFfmpeg({"-i", path, "-vf", "scale=iw*sar:ih", "-frames:v", "1", "-f", "rawvideo", "-pix_fmt",
                               "rgb24", reference},
                              error))
            << error;
        const std::string want = TempDir::Read(reference);
        media::Image picture;
        ASSERT_TRUE((*shown)->ReadFrame(0, picture));
        ASSERT_EQ(picture.width, c.shownWidth);
        ASSERT_EQ(want.size(), picture.pixels.size());
        EXPECT_GE(Psnr(picture.pixels.data(), reinterpret_cast<const std::uint8_t*>(want.data()), want.size()), 35);
        media::MovieReader::Options asStored;
        asStored.storedSize = true;
        auto stored = media::MovieReader::Open(path, asStored);
        ASSERT_TRUE(stored) << stored.Message();
        EXPECT_EQ((*stored)->Width(), c.storedWidth);
        ASSERT_TRUE((*stored)->ReadFrame(0, picture));
        EXPECT_EQ(picture.width, c.storedWidth);
    }
}
