// Stills of HDR movies (PQ and HLG, BT.2020, 10-bit HEVC) look like the SDR
// picture the movie was made from, and light above reference white rolls off
// smoothly instead of clipping.
#include "media/movie/MovieReader.h"
#include "support/ColourDifference.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

constexpr int kWidth = 640, kHeight = 360;

// 10-bit HEVC at 4:4:4, so that what is measured is the tone mapping, not the loss
// of chroma subsampling at sharp colour edges.
const std::vector<std::string> kHevc = {"-c:v", "libx265", "-preset", "ultrafast", "-crf", "4", "-x265-params",
                                        "log-level=error", "-color_primaries", "bt2020", "-colorspace", "bt2020nc"};

// A photograph above colour bars, as 8-bit BT.709 RGB.
std::vector<std::uint8_t> SdrPicture(const TempDir& dir)
{
    const std::string photo = std::string(POMI_CORPUS_DIR) + "/jpeg/pillow_flower.jpg";
    std::vector<std::string> arguments;
    if (std::filesystem::exists(photo))
        arguments = {"-i", photo};
    else
        arguments = {"-f", "lavfi", "-i", "testsrc2=size=640x240"};
    const std::string raw = dir.File("sdr.rgb");
    arguments.insert(arguments.end(),
                     {"-f", "lavfi", "-i", "smptehdbars=size=640x120", "-filter_complex",
                      "[0]scale=640:240,format=rgb24[a];[1]format=rgb24[b];[a][b]vstack", "-frames:v", "1", "-f",
                      "rawvideo", "-pix_fmt", "rgb24", raw});
    std::string error;
    if (!RunFfmpeg(arguments, error))
        ADD_FAILURE() << error;
    const std::string bytes = TempDir::Read(raw);
    return {bytes.begin(), bytes.end()};
}

// HLG by BT.2100 itself: zimg (ffmpeg's zscale) applies HLG's system gamma to each
// channel, BT.2100 to the luminance, which only agree on greys.
void WriteHlgFromSdr(const std::vector<std::uint8_t>& sdr, const std::string& path)
{
    constexpr double toBt2020[3][3] = {{0.627404, 0.329283, 0.043313},
                                       {0.069097, 0.919540, 0.011362},
                                       {0.016391, 0.088013, 0.895595}};
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    const auto oetf = [&](double e) { return e <= 1.0 / 12 ? std::sqrt(3 * e) : a * std::log(12 * e - b) + c; };
    std::string raw;
    for (std::size_t i = 0; i + 2 < sdr.size(); i += 3) {
        double light[3], wide[3];
        for (int k = 0; k < 3; ++k)
            light[k] = std::pow(sdr[i + k] / 255.0, 2.4) * 203 / 1000; // of the 1000 cd/m² display's peak
        for (int k = 0; k < 3; ++k)
            wide[k] = toBt2020[k][0] * light[0] + toBt2020[k][1] * light[1] + toBt2020[k][2] * light[2];
        const double shown = 0.2627 * wide[0] + 0.6780 * wide[1] + 0.0593 * wide[2];
        const double scene = std::pow(shown, 1 / 1.2);
        for (double w : wide) {
            const double signal = scene > 0 ? oetf(w / std::pow(scene, 0.2)) : 0;
            const auto v = std::uint16_t(std::lround(std::clamp(signal, 0.0, 1.0) * 65535));
            raw.push_back(char(v & 0xff));
            raw.push_back(char(v >> 8));
        }
    }
    TempDir::Write(path, raw);
}

// A grey ramp of `columns` from signal `from` to `to` (10-bit Y'CbCr 4:4:4, lossless).
void WriteRamp(double from, double to, const std::string& path)
{
    std::string raw;
    const auto put = [&](int v) {
        raw.push_back(char(v & 0xff));
        raw.push_back(char(v >> 8));
    };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < kWidth; ++x)
            put(int(std::lround(64 + 876 * (from + (to - from) * x / (kWidth - 1)))));
    for (int plane = 0; plane < 2; ++plane)
        for (int n = 0; n < 16 * kWidth; ++n)
            put(512);
    TempDir::Write(path, raw);
}

media::Image Still(const std::string& movie)
{
    auto reader = media::MovieReader::Open(movie);
    media::Image picture;
    if (!reader)
        ADD_FAILURE() << reader.Message();
    else
        EXPECT_TRUE((*reader)->ReadFrame(0, picture));
    return picture;
}

// ffmpeg's documented HDR-to-SDR chain, for comparison.
std::vector<std::uint8_t> FfmpegTonemapped(const std::string& movie, const TempDir& dir)
{
    const std::string raw = dir.File("ffmpeg.rgb");
    std::string error;
    if (!RunFfmpeg({"-i", movie, "-frames:v", "1", "-vf",
                    "zscale=t=linear:npl=203,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
                    "zscale=t=bt709:m=bt709:r=full,format=rgb24",
                    "-f", "rawvideo", raw},
                   error))
        ADD_FAILURE() << error;
    const std::string bytes = TempDir::Read(raw);
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(HdrStills, PqAndHlgMoviesGiveBackTheSdrPictureTheyWereMadeFrom)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const std::vector<std::uint8_t> sdr = SdrPicture(dir);
    ASSERT_EQ(sdr.size(), std::size_t(kWidth) * kHeight * 3);
    TempDir::Write(dir.File("sdr.rgb"), std::string(sdr.begin(), sdr.end()));
    WriteHlgFromSdr(sdr, dir.File("hlg.rgb48"));
    const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight);
    const struct {
        const char* name;
        std::vector<std::string> making;
    } cases[] = {
        // PQ through zscale: the SDR picture's BT.1886 light, 1.0 at 203 cd/m².
        {"pq", {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s", size, "-i", dir.File("sdr.rgb"), "-vf",
                "zscale=tin=bt709:pin=bt709:min=gbr:rin=full:t=smpte2084:p=bt2020:m=bt2020nc:r=limited:npl=203,"
                "format=yuv444p10le", "-color_trc", "smpte2084"}},
        {"hlg", {"-f", "rawvideo", "-pix_fmt", "rgb48le", "-s", size, "-i", dir.File("hlg.rgb48"), "-vf",
                 "zscale=min=gbr:rin=full:m=bt2020nc:r=limited,format=yuv444p10le", "-color_trc", "arib-std-b67"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string movie = dir.File(std::string(c.name) + ".mp4");
        std::vector<std::string> arguments = c.making;
        arguments.insert(arguments.end(), kHevc.begin(), kHevc.end());
        arguments.insert(arguments.end(), {"-frames:v", "1", movie});
        std::string error;
        ASSERT_TRUE(RunFfmpeg(arguments, error)) << error;
        const std::vector<std::uint8_t> ours = Still(movie).pixels;
        ASSERT_EQ(ours.size(), sdr.size());
        const ColourDifference difference = CompareColours(ours.data(), sdr.data(), sdr.size() / 3);
        const std::vector<std::uint8_t> theirs = FfmpegTonemapped(movie, dir);
        ASSERT_EQ(theirs.size(), sdr.size());
        const ColourDifference ffmpeg = CompareColours(theirs.data(), sdr.data(), sdr.size() / 3);
        std::printf("%s: ΔE2000 mean %.2f, 99th percentile %.2f; ffmpeg zscale+tonemap(hable): %.2f, %.2f\n",
                    c.name, difference.mean, difference.p99, ffmpeg.mean, ffmpeg.p99);
        EXPECT_LE(difference.mean, 3.5);
        EXPECT_LE(difference.p99, 8);
    }
}

TEST(HdrStills, LightAboveReferenceWhiteRollsOffWithoutClipping)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    // Signals of reference white and the peak: PQ 203 and 4000 cd/m² (the movie says
    // 4000 is its brightest, so the roll-off must reach that far); HLG 75 % and 100 %,
    // its pixels twice as wide as high (scaled on the way).
    const struct {
        const char* name;
        double from, to;
        const char* transfer;
        const char* x265;
        const char* pixelShape;
        int shownWidth;
    } cases[] = {
        {"pq", 0.58069, 0.90257, "smpte2084", "lossless=1:log-level=error:max-cll=4000,400", "setsar=1", kWidth},
        {"hlg", 0.75, 1.0, "arib-std-b67", "lossless=1:log-level=error", "setsar=2", 2 * kWidth},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string raw = dir.File("ramp.yuv"), movie = dir.File(std::string(c.name) + "-ramp.mp4");
        WriteRamp(c.from, c.to, raw);
        std::string error;
        ASSERT_TRUE(RunFfmpeg({"-f", "rawvideo", "-pix_fmt", "yuv444p10le", "-s", std::to_string(kWidth) + "x16", "-i",
                               raw, "-vf", c.pixelShape, "-c:v", "libx265", "-preset", "ultrafast", "-x265-params", c.x265,
                               "-color_primaries", "bt2020", "-colorspace", "bt2020nc", "-color_trc", c.transfer,
                               movie},
                              error))
            << error;
        const media::Image still = Still(movie);
        ASSERT_EQ(still.width, c.shownWidth);
        ASSERT_EQ(still.height, 16);
        const int width = still.width;
        const std::uint8_t* row = still.Row(8);
        int biggestStep = 0;
        for (int x = 1; x < width; ++x) {
            ASSERT_GE(row[x * 3], row[(x - 1) * 3]) << "column " << x; // never darker further up
            biggestStep = std::max(biggestStep, row[x * 3] - row[(x - 1) * 3]);
        }
        EXPECT_LE(biggestStep, 2);
        // Still rising at every quarter of the way to the peak: nothing clipped.
        for (int quarter = 1; quarter <= 4; ++quarter)
            EXPECT_LT(row[(quarter - 1) * (width - 1) / 4 * 3], row[quarter * (width - 1) / 4 * 3])
                << "quarter " << quarter;
        EXPECT_GE(row[(width - 1) * 3], 250);
    }
}
