// Stills of Motion JPEG movies going to JPEG are written from the frames' own
// coefficients: each still is as close to the decoded frame as libjpeg's own
// encoding of that frame at the same quality and chroma sampling (cjpeg), or closer,
// and no more than 5 % larger; quarter turns come out right; a source step coarser
// than the quality's stays.
#include "media/codecs/Codecs.h"
#include "support/ReferenceReading.h"
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

namespace {

// Two pictures as ImageMagick reads them (through libjpeg for JPEG), PSNR-compared
// over their colours (the alpha ImageMagick adds left out).
double PsnrOf(const std::string& a, const std::string& b)
{
    Rgba first, second;
    if (!ReferenceReading(a, false, first) || !ReferenceReading(b, false, second) ||
        first.pixels.size() != second.pixels.size() || first.pixels.empty())
        return 0;
    const auto colours = [](const Rgba& picture) {
        std::vector<std::uint8_t> rgb;
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            if (i % 4 != 3)
                rgb.push_back(picture.pixels[i]);
        return rgb;
    };
    const std::vector<std::uint8_t> x = colours(first), y = colours(second);
    return Psnr(x.data(), y.data(), x.size());
}

bool Shell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

// The JPEG's segments: its quantization tables (in zigzag order, as stored) and each
// component's sampling factors, "2x1,1x1,1x1".
struct JpegFacts {
    std::array<std::array<int, 64>, 4> tables{};
    std::string sampling;
};
JpegFacts FactsOf(const std::string& bytes)
{
    JpegFacts facts;
    const auto at = [&](std::size_t i) { return int(std::uint8_t(bytes[i])); };
    for (std::size_t i = 2; i + 4 <= bytes.size() && at(i) == 0xFF;) {
        const int marker = at(i + 1), length = at(i + 2) << 8 | at(i + 3);
        const std::size_t body = i + 4, end = i + 2 + std::size_t(length);
        if (marker == 0xDB)
            for (std::size_t t = body; t + 65 <= end; t += 65)
                for (int k = 0; k < 64; ++k)
                    facts.tables[std::size_t(at(t) & 3)][std::size_t(k)] = at(t + 1 + std::size_t(k));
        if (marker == 0xC0 || marker == 0xC2)
            for (int c = 0; c < at(body + 5); ++c) {
                const int factors = at(body + 7 + 3 * std::size_t(c));
                facts.sampling += (c ? "," : "") + std::to_string(factors >> 4) + "x" + std::to_string(factors & 15);
            }
        if (marker == 0xDA)
            break;
        i = end;
    }
    return facts;
}

} // namespace

TEST(JpegCoefficients, StillsAreAsCloseAsLibjpegsOwnEncodingAndNoLarger)
{
    if (!HaveFfmpeg() || !HaveImageMagick() || !Shell("command -v cjpeg >/dev/null"))
        GTEST_SKIP() << "ffmpeg, ImageMagick or libjpeg-turbo's cjpeg is missing";
    const struct {
        const char* name;
        const char* pixels; // the movie's chroma sampling
        const char* size;
        int quality;        // the source's -q:v
        int step;           // ours
        const char* extra;  // options of ours
        int turn;           // clockwise degrees
    } cases[] = {
        {"VGA 4:2:2", "yuvj422p", "640x480", 3, 5, "--baseline", 0},
        {"VGA 4:2:2 progressive, a quarter turn", "yuvj422p", "640x480", 3, 7, "--progressive", 90},
        {"720p 4:2:0, half a turn", "yuvj420p", "1280x720", 3, 8, "--baseline", 180},
        {"VGA 4:2:0, three quarters", "yuvj420p", "640x480", 3, 6, "--baseline", 270},
        {"not whole blocks, 4:2:2", "yuvj422p", "330x250", 3, 5, "--baseline", 0},
        {"not whole blocks, turned: the pixel way", "yuvj422p", "330x250", 3, 5, "--baseline", 90},
        {"a coarse source, the best step", "yuvj422p", "640x480", 24, 9, "--baseline", 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string movie = dir.File("camera.avi"), out = dir.File("out"), d = dir.Path() + "/";
        std::filesystem::remove_all(out);
        std::string error;
        ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", std::string("testsrc2=size=") + c.size + ":rate=25,noise=alls=8:allf=t",
                               "-frames:v", "2", "-c:v", "mjpeg", "-pix_fmt", c.pixels, "-q:v", std::to_string(c.quality),
                               movie},
                              error))
            << error;
        // The frame as a JPEG file (the movie leaves its Huffman tables out), decoded by
        // ImageMagick and turned as asked: the truth the stills are measured against.
        ASSERT_TRUE(RunFfmpeg({"-i", movie, "-frames:v", "1", "-c:v", "copy", "-bsf:v", "mjpeg2jpeg", "-f", "image2",
                               d + "source.jpg"},
                              error))
            << error;
        ASSERT_TRUE(Shell("convert '" + d + "source.jpg' -rotate " + std::to_string(c.turn) + " '" + d + "truth.ppm'"));

        ASSERT_EQ(RunConverter("-q --format jpeg --colors full --brightness 0 --resize none --quality " +
                               std::to_string(c.step) + " " + c.extra + " --rotate " + std::to_string(c.turn) +
                               " -o '" + out + "' '" + movie + "'"),
                  0);
        const std::string ours = TempDir::Read(out + "/camera_00000.jpg");
        const double oursDb = PsnrOf(out + "/camera_00000.jpg", d + "truth.ppm");

        // libjpeg's encoding of the same frame, at the step's quality and the source's
        // sampling (turned with the picture).
        const JpegFacts source = FactsOf(TempDir::Read(d + "source.jpg"));
        const bool yuv422 = std::string(c.pixels) == "yuvj422p";
        const std::string sample = !yuv422 ? "2x2" : c.turn % 180 ? "1x2" : "2x1";
        const int quality = media::EncodingOf(media::JpegQuality{c.step}).quality;
        ASSERT_TRUE(Shell("cjpeg -quality " + std::to_string(quality) + " -sample " + sample +
                        (std::string(c.extra) == "--progressive" ? " -progressive" : "") + " -outfile '" + d +
                        "reference.jpg' '" + d + "truth.ppm'"));
        const double referenceDb = PsnrOf(d + "reference.jpg", d + "truth.ppm");
        const std::size_t referenceSize = TempDir::Read(d + "reference.jpg").size();
        std::printf("%-42s ours %.2f dB %zu bytes, cjpeg %.2f dB %zu bytes\n", c.name, oursDb, ours.size(),
                    referenceDb, referenceSize);
        if (c.turn % 180 && std::string(c.size) == "330x250")
            continue; // a partial block cannot be turned in place: the pixel way, checked elsewhere
        EXPECT_GE(oursDb, referenceDb - 0.5);
        EXPECT_LE(double(ours.size()), 1.05 * double(referenceSize));
        // Written from the coefficients: the source's sampling, turned with it.
        const JpegFacts written = FactsOf(ours);
        std::string turned = source.sampling; // "HxV,..." with H and V swapped by a quarter turn
        if (c.turn % 180)
            for (std::size_t i = 0; i + 2 < turned.size(); i += 4)
                std::swap(turned[i], turned[i + 2]);
        EXPECT_EQ(written.sampling, turned);
        // No step finer than the source's (in a quarter turn the tables turn too); the
        // source quantizes every component with table 0, the still each with its own.
        if (c.turn == 0) {
            for (std::size_t t = 0; t < 3; ++t)
                for (std::size_t k = 0; k < 64 && written.tables[t][0]; ++k)
                    EXPECT_GE(written.tables[t][k], source.tables[0][k]) << "table " << t << ", entry " << k;
        }
    }
}
