// Every column and row of a frame, in the colours its stream is tagged with: movies
// made by the ffmpeg program at sizes that are no multiple of 16, on every pixel
// layout the engine converts, compared with ffmpeg's own decoding (the last columns
// and rows on their own); and flat colours coded with each matrix and range,
// compared with the colour they were made from.
#include "media/movie/AviWriter.h"
#include "media/movie/MovieReader.h"
#include "support/Outcome.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

using media::MovieReader;

namespace {

// The PSNR of a strip of columns [x0, x1) and rows [y0, y1) of two RGB pictures.
double StripPsnr(const media::Image& ours, const std::vector<std::uint8_t>& reference, int x0, int x1, int y0, int y1)
{
    std::vector<std::uint8_t> a, b;
    for (int y = y0; y < y1; ++y) {
        const std::size_t from = (std::size_t(y) * ours.width + x0) * 3, bytes = std::size_t(x1 - x0) * 3;
        a.insert(a.end(), ours.pixels.begin() + from, ours.pixels.begin() + from + bytes);
        b.insert(b.end(), reference.begin() + from, reference.begin() + from + bytes);
    }
    return Psnr(a.data(), b.data(), a.size());
}

} // namespace

TEST(FrameEdges, EveryColumnAndRowOfOddSizesMatchesTheReferenceDecoderOnEveryLayout)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    struct Layout {
        const char* name;
        std::vector<std::string> options;
        bool evenWidth; // the codec takes even widths only
    };
    const std::vector<Layout> layouts = {
        {"planar 4:2:0", {"-c:v", "ffv1", "-pix_fmt", "yuv420p"}, false},
        {"planar 4:2:2", {"-c:v", "huffyuv", "-pix_fmt", "yuv422p"}, true},
        {"planar 4:4:4", {"-c:v", "ffv1", "-pix_fmt", "yuv444p"}, false},
        {"4:2:0 inter-coded", {"-c:v", "mpeg4", "-q:v", "2", "-bf", "2"}, true},
        {"motion jpeg 4:2:2", {"-c:v", "mjpeg", "-pix_fmt", "yuvj422p", "-q:v", "2"}, false},
        {"packed yuyv", {"-c:v", "rawvideo", "-pix_fmt", "yuyv422"}, true},
        {"packed rgb", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, false},
        {"palette", {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, false},
    };
    const std::vector<std::pair<int, int>> sizes = {{20, 18}, {33, 25}, {322, 182}, {468, 62}, {17, 47}, {64, 32}};
    for (const Layout& layout : layouts) {
        for (const auto& [width, height] : sizes) {
            if (layout.evenWidth && width % 2)
                continue;
            SCOPED_TRACE(std::string(layout.name) + " " + std::to_string(width) + " x " + std::to_string(height));
            TempDir dir;
            const std::string path = dir.File("m.avi");
            const SourceMovie source = MakeSource(width, height, 3);
            std::string error;
            ASSERT_TRUE(EncodeWithFfmpeg(source, path, layout.options, error)) << error;
            const auto reference = DecodeWithFfmpeg(path, width, height);
            auto reader = Take(MovieReader::Open(path), error);
            ASSERT_TRUE(reader) << error;
            ASSERT_EQ(int(reference.size()), reader->PositionCount());
            for (int n = 0; n < reader->PositionCount(); ++n) {
                media::Image ours;
                ASSERT_TRUE(reader->ReadFrame(n, ours));
                const int edge = std::min(8, width);
                const int bottom = std::min(8, height);
                // Decoders differ a little in how they fill in chroma (Motion JPEG least
                // alike); a black or missing strip is below 10 dB.
                EXPECT_GE(StripPsnr(ours, reference[n], 0, width, 0, height), 30) << "frame " << n;
                EXPECT_GE(StripPsnr(ours, reference[n], width - edge, width, 0, height), 22) << "right columns " << n;
                EXPECT_GE(StripPsnr(ours, reference[n], width - 1, width, 0, height), 22) << "last column " << n;
                EXPECT_GE(StripPsnr(ours, reference[n], 0, width, height - bottom, height), 22) << "bottom rows " << n;
            }
        }
    }
}

// A flat 75 % colour coded with each matrix and range the stream is tagged with (and
// one untagged high-definition stream, which players take as BT.709) comes out as
// the colour it was made from.
TEST(FrameColour, EachMatrixAndRangeIsDecodedAsTheStreamIsTagged)
{
    if (!HaveFfmpeg() || !HasEncoder("libx264"))
        GTEST_SKIP() << "the ffmpeg program or its H.264 encoder is missing";
    struct Tagging {
        const char* name;
        std::string matrix, range; // how the picture is coded (swscale's names)
        std::vector<std::string> tags;
        int width = 64, height = 48;
    };
    const std::vector<Tagging> taggings = {
        {"bt601 limited", "bt601", "tv", {"-colorspace", "smpte170m", "-color_range", "tv"}},
        {"bt709 limited", "bt709", "tv", {"-colorspace", "bt709", "-color_range", "tv"}},
        {"bt709 full", "bt709", "pc", {"-colorspace", "bt709", "-color_range", "pc"}},
        {"bt2020 limited", "bt2020", "tv", {"-colorspace", "bt2020nc", "-color_range", "tv"}},
        {"untagged hd", "bt709", "tv", {}, 1280, 720},
        {"untagged sd", "bt601", "tv", {}, 720, 576},
    };
    const std::vector<std::array<std::uint8_t, 3>> colours = {{0, 191, 0}, {191, 0, 191}, {191, 191, 0}, {40, 90, 200}};
    for (const Tagging& t : taggings) {
        for (const auto& colour : colours) {
            SCOPED_TRACE(std::string(t.name) + " " + std::to_string(colour[0]) + "," + std::to_string(colour[1]) +
                         "," + std::to_string(colour[2]));
            SourceMovie source;
            source.width = t.width;
            source.height = t.height;
            std::vector<std::uint8_t> frame(std::size_t(t.width) * t.height * 3);
            for (std::size_t i = 0; i < frame.size(); i += 3)
                std::copy(colour.begin(), colour.end(), frame.begin() + i);
            source.frames = {frame, frame};
            TempDir dir;
            const std::string path = dir.File("tagged.avi");
            std::vector<std::string> options = {"-vf", "scale=out_color_matrix=" + t.matrix + ":out_range=" + t.range,
                                                "-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv420p"};
            options.insert(options.end(), t.tags.begin(), t.tags.end());
            std::string error;
            ASSERT_TRUE(EncodeWithFfmpeg(source, path, options, error)) << error;
            auto reader = Take(MovieReader::Open(path), error);
            ASSERT_TRUE(reader) << error;
            media::Image img;
            ASSERT_TRUE(reader->ReadFrame(1, img));
            const std::uint8_t* centre = img.pixels.data() + (std::size_t(t.height / 2) * t.width + t.width / 2) * 3;
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(int(centre[c]), int(colour[c]), 3) << "channel " << c;
        }
    }
}
