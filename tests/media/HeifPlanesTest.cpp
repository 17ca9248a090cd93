// HEIF and AVIF photos written to JPEG straight from the decoder's YCbCr planes: the
// route is taken where the file's coding allows it and only there, and what it writes
// is as close to libheif's own reading (heif-convert) as the JPEG made through RGB.
#include "media/codecs/Formats.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

media::Bytes FileBytes(const std::string& path)
{
    const std::string text = TempDir::Read(path);
    return media::Bytes(text.begin(), text.end());
}

// The PSNR of a JPEG's colours against a reading of the same size, in dB.
double PsnrOfJpeg(const media::Bytes& jpeg, const Rgba& reference)
{
    const media::Result<media::Image> img = media::DecodeImage(jpeg.data(), jpeg.size());
    if (!img || img->width != reference.width || img->height != reference.height)
        return 0;
    double squares = 0;
    for (int y = 0; y < img->height; ++y)
        for (int x = 0; x < img->width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = double(img->Row(y)[3 * x + c]) - reference.pixels[4 * (std::size_t(y) * img->width + x) + c];
                squares += d * d;
            }
    const double mse = squares / (3.0 * img->width * img->height);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace

TEST(HeifPlanes, TakenWhereTheCodingIsAJpegsAndAsCloseToLibheifAsTheRgbRoute)
{
    if (!HaveImageMagick() || std::system("heif-convert --help >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's convert or libheif's heif-convert is missing";
    const struct {
        const char* file;
        int step; // 3: 4:2:0, 8: 4:4:4
        bool planes;
    } cases[] = {
        {"heif/MIAF003.heic", 3, true},                               // 4:4:4, halved here
        {"heif/C002.heic", 3, true},                                  // limited range, stretched
        {"heif/C022.heic", 3, true},                                  // a 2 × 2 grid, cut at its right and bottom
        {"heif/C002.heic", 8, false},                                 // a JPEG at 4:4:4
        {"avif/kimono.avif", 3, false},                               // AV1
        {"heif/MIAF002.heic", 3, false},                              // 10-bit
        {"heif/C006.heic", 3, false},                                 // alpha
        {"avif/plum-blossom-small.profile1.8bpc.yuv444.alpha-limited.avif", 8, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = std::string(POMI_SOURCE_DIR) + "/tests/data/public/" + c.file;
        const media::Bytes bytes = FileBytes(path);
        media::SaveOptions options;
        options.quality.step = c.step;
        const bool halved = !media::EncodingOf(options.quality).fullChroma;
        const std::optional<media::YCbCrPlanes> planes = media::DecodeHeifPlanes(bytes.data(), bytes.size(), halved);
        ASSERT_EQ(planes.has_value(), c.planes);
        if (!planes)
            continue;
        const media::Result<media::Bytes> fromPlanes = media::EncodeImage(*planes, options);
        const media::Result<media::Image> pixels = media::DecodeImage(bytes.data(), bytes.size());
        ASSERT_TRUE(fromPlanes && pixels);
        const media::Result<media::Bytes> fromRgb = media::EncodeImage(*pixels, media::ImageFormat::Jpeg, options);
        Rgba reference;
        ASSERT_TRUE(fromRgb && HeifConvertReading(path, reference));
        const double throughPlanes = PsnrOfJpeg(*fromPlanes, reference), throughRgb = PsnrOfJpeg(*fromRgb, reference);
        EXPECT_GE(throughPlanes, 30);
        // Within half a dB (a 4:4:4 picture's colour is averaged here, by libjpeg there).
        EXPECT_GE(throughPlanes, throughRgb - 0.5) << "through RGB: " << throughRgb << " dB";
    }
}
