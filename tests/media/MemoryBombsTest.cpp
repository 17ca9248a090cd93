// Small files whose headers claim huge pictures, one or more per format: each is
// refused before anything is allocated, with a reason that names the claim.
#include "media/codecs/Formats.h"
#include "media/codecs/Metadata.h"
#include "support/Outcome.h"
#include "media/image/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <tuple>

#include <sys/resource.h>
#include <zlib.h>

using media::Image;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, unsigned v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}
void Put32Be(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (24 - 8 * i));
}

Bytes Encoded(media::ImageFormat format, media::PixelFormat pixels = media::PixelFormat::Rgb24)
{
    Image img;
    img.Allocate(16, 16, pixels);
    if (pixels == media::PixelFormat::Indexed) {
        img.indexBits = 8;
        img.palette.assign(256, media::Rgb{});
    }
    Bytes out;
    std::string error;
    EXPECT_TRUE(Take(media::EncodeImage(img, format, {}), out, error)) << error;
    return out;
}

// PCX: 128-byte header claiming `w` × `h`, then `data` bytes.
Bytes Pcx(int bpp, int planes, int encoding, unsigned w, unsigned h, std::size_t data)
{
    Bytes b(128 + data, 0);
    b[0] = 0x0A, b[1] = 5, b[2] = std::uint8_t(encoding), b[3] = std::uint8_t(bpp), b[65] = std::uint8_t(planes);
    Put16(b, 8, w - 1);
    Put16(b, 10, h - 1);
    Put16(b, 66, (w * bpp + 15) / 16 * 2);
    if (bpp == 8 && planes == 1 && data >= 769)
        b[b.size() - 769] = 0x0C;
    return b;
}

Bytes Bmp(int bpp, std::uint32_t compression, int w, int h, std::size_t data)
{
    const std::size_t palette = bpp <= 8 ? (std::size_t(4) << bpp) : 0;
    Bytes b(14 + 40 + palette + data, 0);
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, std::uint32_t(b.size()));
    Put32(b, 10, std::uint32_t(14 + 40 + palette));
    Put32(b, 14, 40);
    Put32(b, 18, std::uint32_t(w));
    Put32(b, 22, std::uint32_t(h));
    Put16(b, 26, 1);
    Put16(b, 28, unsigned(bpp));
    Put32(b, 30, compression);
    return b;
}

// A real JPEG whose frame header is changed to claim `w` × `h`.
Bytes Jpeg(unsigned w, unsigned h)
{
    Bytes b = Encoded(media::ImageFormat::Jpeg);
    for (std::size_t i = 0; i + 8 < b.size(); ++i)
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = std::uint8_t(h >> 8), b[i + 6] = std::uint8_t(h);
            b[i + 7] = std::uint8_t(w >> 8), b[i + 8] = std::uint8_t(w);
            break;
        }
    return b;
}

// A real PNG whose IHDR is changed to claim `w` × `h` (its checksum made right).
Bytes Png(std::uint32_t w, std::uint32_t h, media::PixelFormat pixels)
{
    Bytes b = Encoded(media::ImageFormat::Png, pixels);
    Put32Be(b, 16, w);
    Put32Be(b, 20, h);
    Put32Be(b, 29, std::uint32_t(crc32(0, b.data() + 12, 17)));
    return b;
}

// A minimal TIFF: one strip of `stored` bytes, claiming `w` × `h` 8-bit grey.
Bytes Tiff(std::uint32_t w, std::uint32_t h, std::uint16_t compression, std::uint32_t stored)
{
    const std::uint16_t tags[][2] = {{256, 4}, {257, 4}, {258, 3}, {259, 3}, {262, 3}, {273, 4}, {278, 4}, {279, 4}};
    const std::uint32_t values[] = {w, h, 8, compression, 1, 0, h, stored};
    const std::size_t count = std::size(values);
    const std::size_t dataAt = 8 + 2 + count * 12 + 4;
    Bytes b(dataAt + stored, 0);
    b[0] = 'I', b[1] = 'I';
    Put16(b, 2, 42);
    Put32(b, 4, 8);
    Put16(b, 8, unsigned(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 10 + i * 12;
        Put16(b, at, tags[i][0]);
        Put16(b, at + 2, tags[i][1]);
        Put32(b, at + 4, 1);
        Put32(b, at + 8, tags[i][0] == 273 ? std::uint32_t(dataAt) : values[i]);
    }
    return b;
}

// A lossless WebP whose header claims `w` × `h` (at most 16384 a side), with a few
// bytes of data.
Bytes WebpLossless(std::uint32_t w, std::uint32_t h)
{
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 0, 0, 0, 0, 0x2f};
    b.resize(b.size() + 4 + 10, 0);
    Put32(b, 21, (w - 1) | ((h - 1) << 14)); // then no alpha, version 0
    Put32(b, 16, std::uint32_t(b.size() - 20));
    Put32(b, 4, std::uint32_t(b.size() - 8));
    return b;
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(MemoryBombs, EveryFormatRefusesAClaimItsFileCannotHoldBeforeAllocating)
{
    const std::vector<std::pair<const char*, Bytes>> bombs = {
        {"PCX 24-bit uncompressed, 129 bytes, 60000 x 4000", Pcx(8, 3, 0, 60000, 4000, 1)},
        {"PCX 8-bit with palette, 898 bytes", Pcx(8, 1, 0, 60000, 4000, 770)},
        {"PCX 1-bit", Pcx(1, 1, 0, 30000, 8000, 1)},
        {"PCX run-length 24-bit", Pcx(8, 3, 1, 60000, 4000, 4000)},
        {"BMP 24-bit", Bmp(24, 0, 60000, 4000, 10)},
        {"BMP 8-bit", Bmp(8, 0, 60000, 4000, 10)},
        {"BMP RLE8", Bmp(8, 1, 60000, 4000, 10)},
        {"JPEG 16384 x 16384", Jpeg(16384, 16384)},
        {"PNG 16384 x 16384 RGBA", Png(16384, 16384, media::PixelFormat::Rgba32)},
        {"PNG 1-bit-like palette 100000 x 2000", Png(100000, 2000, media::PixelFormat::Indexed)},
        {"TIFF 16384 x 16384 uncompressed", Tiff(16384, 16384, 1, 10)},
        {"TIFF 16384 x 16384 deflate", Tiff(16384, 16384, 8, 10)},
        {"TIFF 16384 x 16384 LZW", Tiff(16384, 16384, 5, 10)},
        {"WebP lossless 16384 x 16384", WebpLossless(16384, 16384)},
    };
    for (const auto& [name, bytes] : bombs) {
        SCOPED_TRACE(name);
        const long before = PeakKilobytes();
        Image img;
        std::string error;
        EXPECT_FALSE(Take(media::DecodeImage(bytes.data(), bytes.size()), img, error));
        EXPECT_NE(error.find(" pixels, the file holds " + std::to_string(bytes.size()) + " bytes"), std::string::npos)
            << error;
        EXPECT_LT(PeakKilobytes() - before, 64 * 1024) << "the decoder allocated for the claim";
    }
}

// Sizes no picture may have, declared by our own readers' headers and by what
// libheif and libtiff report, are refused naming the size, before allocating.
TEST(MemoryBombs, ASizeNoPictureMayHaveIsRefusedNamingIt)
{
    std::ifstream in(POMI_SOURCE_DIR "/tests/data/public/heif/C034.heic", std::ios::binary);
    Bytes heic((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(heic.empty());
    for (std::size_t at = 0; at + 16 <= heic.size(); ++at)
        if (std::equal(heic.begin() + std::ptrdiff_t(at), heic.begin() + std::ptrdiff_t(at) + 4, "ispe")) {
            Put32Be(heic, at + 8, 100000); // its size box: version and flags, then width and height
            Put32Be(heic, at + 12, 100000);
        }
    const std::vector<std::tuple<const char*, Bytes, const char*>> bombs = {
        {"HEIC", heic, "100000 × 100000"},
        {"TIFF", Tiff(100000, 100000, 8, 10), "100000 × 100000"},
        {"PNG", Png(1000000, 1000, media::PixelFormat::Rgb24), "1000000 × 1000"},
        {"BMP", Bmp(24, 0, 70000, 70000, 10), "70000 × 70000"},
        {"JPEG", Jpeg(65500, 65500), "65500 × 65500"},
    };
    for (const auto& [name, bytes, size] : bombs) {
        SCOPED_TRACE(name);
        const long before = PeakKilobytes();
        Image img;
        std::string error;
        EXPECT_FALSE(Take(media::DecodeImage(bytes.data(), bytes.size()), img, error));
        EXPECT_NE(error.find(std::string("declares a size of ") + size + " pixels, more than a picture may have"), std::string::npos)
            << error;
        EXPECT_LT(PeakKilobytes() - before, 64 * 1024) << "the decoder allocated for the claim";
    }
}

TEST(MemoryBombs, HonestFilesOfTheSameShapesStillDecode)
{
    for (auto format : {media::ImageFormat::Bmp, media::ImageFormat::Pcx, media::ImageFormat::Jpeg,
                        media::ImageFormat::Png, media::ImageFormat::Tiff}) {
        const Bytes bytes = Encoded(format);
        Image img;
        std::string error;
        EXPECT_TRUE(Take(media::DecodeImage(bytes.data(), bytes.size()), img, error)) << error;
        EXPECT_EQ(img.width, 16);
    }
    Image img;
    std::string error;
    const Bytes tiff = Tiff(16, 16, 1, 256);
    EXPECT_TRUE(Take(media::DecodeImage(tiff.data(), tiff.size()), img, error)) << error;
}

TEST(MemoryBombs, AMetadataBlockBeyondTheLimitIsLeftOutAndSaidSo)
{
    // A PNG whose iCCP profile inflates to 64 MB (64 kB compressed), beside one of 1 kB.
    const auto withProfile = [](std::size_t inflated) {
        Bytes png = Encoded(media::ImageFormat::Png);
        const Bytes zeros(inflated);
        uLongf packed = compressBound(uLong(zeros.size()));
        Bytes data = {'p', 0, 0};
        data.resize(3 + packed);
        compress2(data.data() + 3, &packed, zeros.data(), uLong(zeros.size()), 9);
        data.resize(3 + packed);
        Bytes chunk(8 + data.size() + 4);
        Put32Be(chunk, 0, std::uint32_t(data.size()));
        std::copy_n("iCCP", 4, chunk.begin() + 4);
        std::copy(data.begin(), data.end(), chunk.begin() + 8);
        Put32Be(chunk, 8 + data.size(), std::uint32_t(crc32(0, chunk.data() + 4, uInt(4 + data.size()))));
        png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // after the IHDR
        return png;
    };
    const Bytes bomb = withProfile(64 << 20), fine = withProfile(1024);
    const long before = PeakKilobytes();
    const media::Metadata left = media::ReadMetadata(bomb.data(), bomb.size());
    EXPECT_TRUE(left.icc.empty());
    ASSERT_EQ(left.leftOut.size(), 1u);
    EXPECT_EQ(left.leftOut[0], "an ICC profile that inflates, more than the 16 MB a block may have");
    EXPECT_LT(PeakKilobytes() - before, 32 * 1024) << "the reader allocated for the claim";
    const media::Metadata kept = media::ReadMetadata(fine.data(), fine.size());
    EXPECT_EQ(kept.icc.size(), 1024u);
    EXPECT_TRUE(kept.leftOut.empty());
}
