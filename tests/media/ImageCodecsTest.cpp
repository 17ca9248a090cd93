// Every depth through every format and back; flags and readers of other programs.
#include "media/codecs/Formats.h"
#include "media/codecs/Metadata.h"
#include "media/codecs/XmpIptc.h"
#include "support/Outcome.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern "C" {
#include <jpeglib.h>
}
#include <png.h>

using namespace media;

namespace {

// A test picture in the given depth: every pixel different enough to catch a
// misplaced row, column or channel.
Image MakePicture(PixelFormat format, int indexBits = 8, int w = 37, int h = 23)
{
    Image img;
    img.Allocate(w, h, format);
    img.indexBits = indexBits;
    if (format == PixelFormat::Indexed) {
        const int n = 1 << indexBits;
        for (int i = 0; i < n; ++i)
            img.palette.push_back(Rgb{std::uint8_t(i * 255 / (n - 1)), std::uint8_t((i * 97) % 256), std::uint8_t(255 - i * 7 % 256)});
    }
    const int ch = img.Channels();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < ch; ++c) {
                int v = (x * 7 + y * 13 + c * 61) % 256;
                if (format == PixelFormat::Indexed)
                    v = (x + y * 3) % (1 << indexBits);
                if (c == 3)
                    v = (x * 11) % 256; // varied alpha
                img.Row(y)[x * ch + c] = std::uint8_t(v);
            }
    return img;
}

// A smooth picture, as JPEG is meant for.
Image MakePhoto(int w = 64, int h = 48)
{
    Image img;
    img.Allocate(w, h, PixelFormat::Rgb24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = img.Row(y) + x * 3;
            p[0] = std::uint8_t(128 + 100 * std::sin(x / 9.0)), p[1] = std::uint8_t(y * 5), p[2] = std::uint8_t(x * 3 + y);
        }
    return img;
}

double Psnr(const Image& a, const Image& b)
{
    const Image ra = ToRgb24(a), rb = ToRgb24(b);
    double se = 0;
    for (std::size_t i = 0; i < ra.pixels.size(); ++i)
        se += double(ra.pixels[i] - rb.pixels[i]) * (ra.pixels[i] - rb.pixels[i]);
    const double mse = se / ra.pixels.size();
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

Image RoundTrip(const Image& img, ImageFormat format, SaveOptions options = {})
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(Take(EncodeImage(img, format, options), bytes, error)) << error;
    EXPECT_EQ(DetectFormat(bytes.data(), bytes.size()), format);
    Image back;
    EXPECT_TRUE(Take(DecodeImage(bytes.data(), bytes.size()), back, error)) << error;
    return back;
}

struct Depth {
    const char* name;
    PixelFormat format;
    int indexBits;
};
const Depth kDepths[] = {{"2 colours", PixelFormat::Indexed, 1},
                         {"16 colours", PixelFormat::Indexed, 4},
                         {"256 colours", PixelFormat::Indexed, 8},
                         {"grey", PixelFormat::Gray8, 8},
                         {"colour", PixelFormat::Rgb24, 8},
                         {"colour with alpha", PixelFormat::Rgba32, 8}};

} // namespace

TEST(ImageCodecs, LosslessFormatsGiveBackEveryPixelAndKeepTheDepthTheyCan)
{
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Pcx, ImageFormat::Png, ImageFormat::Tiff}) {
        for (const Depth& d : kDepths) {
            SCOPED_TRACE(std::string(d.name) + " as format " + std::to_string(int(format)));
            const Image img = MakePicture(d.format, d.indexBits);
            const Image back = RoundTrip(img, format);
            ASSERT_EQ(back.width, img.width);
            ASSERT_EQ(back.height, img.height);
            const bool alphaKept = format == ImageFormat::Png || format == ImageFormat::Tiff;
            // Without alpha in the format, the picture is what it looks like over white.
            EXPECT_EQ(ToRgb24(back).pixels, ToRgb24(img).pixels);
            if (d.format == PixelFormat::Rgba32 && alphaKept) {
                EXPECT_EQ(back.pixels, img.pixels);
            }
            if (d.format == PixelFormat::Indexed) {
                EXPECT_EQ(back.format, PixelFormat::Indexed);
                // One-bit PCX is black and white: two other colours take 16-colour planes.
                EXPECT_EQ(back.indexBits, format == ImageFormat::Pcx && d.indexBits == 1 ? 4 : d.indexBits);
            }
            if (d.format == PixelFormat::Gray8 && alphaKept) {
                EXPECT_EQ(back.format, PixelFormat::Gray8);
            }
        }
    }
}

TEST(ImageCodecs, JpegKeepsGreyOrColourWithinAStatedPsnr)
{
    for (int quality : {1, 5, 10}) {
        SaveOptions options;
        options.quality.step = quality - 1;
        const Image photo = MakePhoto();
        const Image back = RoundTrip(photo, ImageFormat::Jpeg, options);
        EXPECT_EQ(back.format, PixelFormat::Rgb24);
        EXPECT_GT(Psnr(photo, back), quality == 10 ? 40 : quality == 5 ? 30 : 22) << quality;
    }
    Image grey;
    grey.Allocate(40, 30, PixelFormat::Gray8);
    for (std::size_t i = 0; i < grey.pixels.size(); ++i)
        grey.pixels[i] = std::uint8_t(i % 40 * 6);
    const Image back = RoundTrip(grey, ImageFormat::Jpeg);
    EXPECT_EQ(back.format, PixelFormat::Gray8);
    EXPECT_GT(Psnr(grey, back), 35);
    // Palettes and alpha come out as colour.
    EXPECT_EQ(RoundTrip(MakePicture(PixelFormat::Indexed, 4), ImageFormat::Jpeg).format, PixelFormat::Rgb24);
    // The reset step is what libjpeg and Pillow call standard; the best keeps colour whole.
    EXPECT_EQ(EncodingOf({3}).quality, 75);
    EXPECT_TRUE(EncodingOf({9}).fullChroma);
}

TEST(ImageCodecs, ProgressiveJpegAndAdam7PngAreReallyWrittenSo)
{
    for (bool interlaced : {false, true}) {
        SaveOptions options;
        options.interlaced = interlaced;
        std::vector<std::uint8_t> jpeg, png;
        std::string error;
        ASSERT_TRUE(Take(EncodeJpeg(MakePhoto(), options), jpeg, error));
        ASSERT_TRUE(Take(EncodePng(MakePicture(PixelFormat::Rgb24), options), png, error));

        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr jerr{};
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
        jpeg_read_header(&cinfo, TRUE);
        EXPECT_EQ(bool(cinfo.progressive_mode), interlaced);
        jpeg_destroy_decompress(&cinfo);

        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
        png_image_free(&image);
        // The interlace method is the last byte of IHDR (offset 8 + 8 + 12).
        EXPECT_EQ(png[28], interlaced ? 1 : 0);
    }
}

TEST(ImageCodecs, DetectionGoesByContentNotName)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(Take(EncodePcx(MakePicture(PixelFormat::Rgb24)), bytes, error));
    EXPECT_EQ(DetectFormat(bytes.data(), bytes.size()), ImageFormat::Pcx);
    const std::uint8_t text[] = "hello, this is not a picture at all; really not";
    EXPECT_EQ(DetectFormat(text, sizeof text), ImageFormat::Unknown);
    Image img;
    EXPECT_FALSE(Take(DecodeImage(text, sizeof text), img, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(Take(DecodeImage(nullptr, 0), img, error));
    EXPECT_EQ(error, "the file is empty");
}

// A JPEG damaged as files in the wild are, each read as libjpeg reads it through
// ImageMagick (the file named .jpg, so ImageMagick goes by the name), or refused where
// libjpeg refuses it.
TEST(ImageCodecs, DamagedJpegsReadAsLibjpegReadsThemThroughImageMagick)
{
    const std::string whole = TempDir::Read(POMI_CORPUS_DIR "/jpeg/ljt_testorig.jpg");
    if (whole.empty() || !HaveImageMagick())
        GTEST_SKIP() << "no corpus, or ImageMagick's convert is missing";
    const std::size_t app0End = 4 + (std::uint8_t(whole[4]) << 8 | std::uint8_t(whole[5]));
    struct Case {
        const char* what;
        std::string bytes;
        bool reads;
    };
    std::string shortApp0 = whole, longApp0 = whole;
    shortApp0[5] = char(whole[5] - 4); // its last bytes are then stray bytes before the next marker
    longApp0[5] = char(whole[5] + 4);  // swallows the next marker's start: its table is lost
    const Case cases[] = {
        {"stray bytes after the start marker", whole.substr(0, 2) + std::string("\0junk\0", 6) + whole.substr(2), true},
        {"stray bytes between two markers", whole.substr(0, app0End) + "stray" + whole.substr(app0End), true},
        {"a segment length too short", shortApp0, true},
        {"a segment length too long", longApp0, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("damaged.jpg");
        TempDir::Write(path, c.bytes);
        Image ours;
        std::string error;
        const bool read = Take(DecodeImage(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()), ours, error);
        // ImageMagick fails on libjpeg's errors (it still writes a blank picture), not its warnings.
        ASSERT_EQ(std::system(("convert '" + path + "' null: 2>/dev/null").c_str()) == 0, c.reads);
        ASSERT_EQ(read, c.reads) << error;
        Rgba want;
        if (read)
            EXPECT_EQ(ReferenceReading(path, true, want) ? Difference(ours, want, 0) : "unread", "");
        else
            EXPECT_NE(error.find("Quantization table"), std::string::npos) << error;
    }
}

TEST(ImageCodecs, AHeaderClaimingAHugePictureFailsBeforeAllocating)
{
    // BMP: 60000 × 60000 at 24 bits.
    std::vector<std::uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
    for (std::uint32_t v : {60000u, 60000u})
        for (int i = 0; i < 4; ++i)
            bmp.push_back(std::uint8_t(v >> (8 * i)));
    bmp.insert(bmp.end(), {1, 0, 24, 0});
    bmp.resize(80, 0);
    Image img;
    std::string error;
    EXPECT_FALSE(Take(DecodeBmp(bmp.data(), bmp.size()), img, error));
    EXPECT_NE(error.find("size"), std::string::npos) << error;
    // PCX: 65535 × 65535.
    std::vector<std::uint8_t> pcx(200, 0);
    pcx[0] = 10, pcx[1] = 5, pcx[2] = 1, pcx[3] = 8, pcx[8] = 0xFF, pcx[9] = 0xFF, pcx[10] = 0xFF, pcx[11] = 0xFF;
    pcx[65] = 3, pcx[66] = 0xFF, pcx[67] = 0xFF;
    EXPECT_FALSE(Take(DecodePcx(pcx.data(), pcx.size()), img, error));
    EXPECT_NE(error.find("size"), std::string::npos) << error;
}

TEST(ImageCodecs, AnotherProgramReadsWhatWeWrite)
{
    if (std::system("/usr/bin/convert -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const Image colour = MakePicture(PixelFormat::Rgb24);
    const Image indexed = MakePicture(PixelFormat::Indexed, 4);
    const struct {
        ImageFormat format;
        const char* ext;
    } formats[] = {{ImageFormat::Bmp, "bmp"}, {ImageFormat::Pcx, "pcx"}, {ImageFormat::Png, "png"}, {ImageFormat::Tiff, "tif"}};
    for (const auto& f : formats)
        for (const Image* img : {&colour, &indexed}) {
            std::vector<std::uint8_t> bytes;
            std::string error;
            ASSERT_TRUE(Take(EncodeImage(*img, f.format, {}), bytes, error));
            const std::string path = dir.File(std::string("p.") + f.ext), raw = dir.File("p.rgb");
            TempDir::Write(path, std::string(bytes.begin(), bytes.end()));
            const std::string command = "/usr/bin/convert '" + path + "' -depth 8 'rgb:" + raw + "' 2>/dev/null";
            ASSERT_EQ(std::system(command.c_str()), 0) << f.ext;
            const std::string got = TempDir::Read(raw);
            const Image rgb = ToRgb24(*img);
            EXPECT_EQ(got, std::string(rgb.pixels.begin(), rgb.pixels.end())) << f.ext;
        }
}

// Every layout the PNG writer has, plain and Adam7 (sizes that leave passes partial or
// empty), read back pixel for pixel by libpng and by ImageMagick.
TEST(ImageCodecs, PngOfEveryLayoutReadsBackTheSameInLibpngAndImageMagick)
{
    const bool haveMagick = std::system("/usr/bin/convert -version >/dev/null 2>&1") == 0;
    TempDir dir;
    const struct {
        PixelFormat format;
        int indexBits;
    } layouts[] = {{PixelFormat::Indexed, 1}, {PixelFormat::Indexed, 2}, {PixelFormat::Indexed, 4},
                   {PixelFormat::Indexed, 8}, {PixelFormat::Gray8, 8},   {PixelFormat::Rgb24, 8},
                   {PixelFormat::Rgba32, 8}};
    for (const auto& layout : layouts)
        for (const auto& [w, h] : {std::pair{37, 23}, std::pair{1, 1}, std::pair{3, 2}, std::pair{9, 17}})
            for (const bool interlaced : {false, true}) {
                SCOPED_TRACE(std::to_string(int(layout.format)) + "/" + std::to_string(layout.indexBits) + " " +
                             std::to_string(w) + "x" + std::to_string(h) + (interlaced ? " interlaced" : ""));
                const Image img = MakePicture(layout.format, layout.indexBits, w, h);
                const Image back = RoundTrip(img, ImageFormat::Png, {8, interlaced});
                EXPECT_EQ(ToRgba32(back).pixels, ToRgba32(img).pixels);
                if (!haveMagick)
                    continue;
                std::vector<std::uint8_t> bytes;
                std::string error;
                ASSERT_TRUE(Take(EncodeImage(img, ImageFormat::Png, {8, interlaced}), bytes, error)) << error;
                const std::string path = dir.File("p.png"), raw = dir.File("p.rgba");
                TempDir::Write(path, std::string(bytes.begin(), bytes.end()));
                const std::string command = "/usr/bin/convert '" + path + "' -depth 8 'rgba:" + raw + "' 2>/dev/null";
                ASSERT_EQ(std::system(command.c_str()), 0);
                const Image rgba = ToRgba32(img);
                EXPECT_EQ(TempDir::Read(raw), std::string(rgba.pixels.begin(), rgba.pixels.end()));
            }
}

// WebP is written lossy at the chosen step: libwebp's own dwebp reads it, the picture
// gets closer to the source and the file larger as the step rises, and the alpha
// (kept losslessly by libwebp) comes back exactly.
TEST(ImageCodecs, WebpIsWrittenLossyAtTheChosenStepWithItsAlphaAndDwebpReadsIt)
{
    if (std::system("dwebp -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "libwebp's dwebp is missing";
    TempDir dir;
    Image source = ToRgba32(MakePhoto());
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            source.Row(y)[x * 4 + 3] = std::uint8_t(255 - x * 3);
    double lastPsnr = 0;
    std::size_t lastSize = 0;
    for (const auto& [step, leastPsnr] : {std::pair{0, 24.0}, {4, 30.0}, {9, 38.0}}) {
        SCOPED_TRACE(step);
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(Take(EncodeImage(source, ImageFormat::Webp, {JpegQuality{step}, false}), bytes, error)) << error;
        const std::string webp = dir.File("p.webp"), png = dir.File("p.png");
        TempDir::Write(webp, std::string(bytes.begin(), bytes.end()));
        ASSERT_EQ(std::system(("dwebp -quiet '" + webp + "' -o '" + png + "'").c_str()), 0);
        const std::string read = TempDir::Read(png);
        Image back;
        ASSERT_TRUE(Take(DecodePng(reinterpret_cast<const std::uint8_t*>(read.data()), read.size()), back, error))
            << error;
        ASSERT_EQ(back.format, PixelFormat::Rgba32);
        const auto colour = [](const Image& img) { // the colours alone, not composited
            Image rgb;
            rgb.Allocate(img.width, img.height, PixelFormat::Rgb24);
            for (std::size_t i = 0, n = std::size_t(img.width) * img.height; i < n; ++i)
                std::copy_n(&img.pixels[i * 4], 3, &rgb.pixels[i * 3]);
            return rgb;
        };
        const double psnr = Psnr(colour(source), colour(back));
        EXPECT_GT(psnr, leastPsnr);
        EXPECT_GT(psnr, lastPsnr);
        EXPECT_GT(bytes.size(), lastSize);
        for (std::size_t i = 3; i < source.pixels.size(); i += 4)
            ASSERT_EQ(back.pixels[i], source.pixels[i]) << "alpha at " << i / 4;
        lastPsnr = psnr;
        lastSize = bytes.size();
    }
}

// An animation (made by libwebp's img2webp from two pictures) gives its first picture.
TEST(ImageCodecs, AnAnimatedWebpGivesItsFirstPicture)
{
    if (std::system("img2webp -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "libwebp's img2webp is missing";
    TempDir dir;
    const Image first = MakePicture(PixelFormat::Rgb24, 8, 40, 30);
    Image second = first;
    for (std::uint8_t& v : second.pixels)
        v = std::uint8_t(255 - v);
    for (const auto& [name, img] : {std::pair{"a.png", &first}, {"b.png", &second}}) {
        std::vector<std::uint8_t> png;
        std::string error;
        ASSERT_TRUE(Take(EncodeImage(*img, ImageFormat::Png, {}), png, error)) << error;
        TempDir::Write(dir.File(name), std::string(png.begin(), png.end()));
    }
    const std::string anim = dir.File("anim.webp");
    ASSERT_EQ(std::system(("img2webp -lossless '" + dir.File("a.png") + "' '" + dir.File("b.png") + "' -o '" +
                           anim + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    const std::string bytes = TempDir::Read(anim);
    Image back;
    std::string error;
    ASSERT_TRUE(Take(DecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), back, error))
        << error;
    EXPECT_EQ(Psnr(ToRgb24(back), first), 99) << "not the first picture";
}

// A third of the public HEIF, AVIF, WebP and BMP files cut short at three places and
// with bytes scrambled at sixteen: each either reads or fails with a reason, never a crash.
TEST(ImageCodecs, CutAndScrambledPublicSuiteFilesAndExifBlocksReadOrFailCleanly)
{
    namespace fs = std::filesystem;
    const fs::path suites = fs::path(POMI_SOURCE_DIR) / "tests/data/public";
    int files = 0, failed = 0;
    std::uint32_t seed = 12345;
    for (const char* suite : {"heif", "avif", "webp", "bmp"})
        for (const auto& entry : fs::recursive_directory_iterator(suites / suite)) {
            if (!entry.is_regular_file() || ++files % 3)
                continue; // a third of each suite is enough to reach every decoder's paths
            const std::string whole = TempDir::Read(entry.path().string());
            std::vector<std::string> damaged;
            for (std::size_t cut : {whole.size() / 3, whole.size() * 2 / 3, whole.size() - 1})
                damaged.push_back(whole.substr(0, cut));
            std::string scrambled = whole;
            for (int i = 0; i < 16; ++i) {
                seed = seed * 1664525 + 1013904223;
                scrambled[seed % scrambled.size()] ^= char(1 + (seed >> 24) % 255);
            }
            damaged.push_back(scrambled);
            for (const std::string& bytes : damaged) {
                Image img;
                std::string error;
                if (!Take(DecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), img, error)) {
                    ++failed;
                    EXPECT_FALSE(error.empty()) << entry.path();
                } else {
                    EXPECT_FALSE(img.Empty()) << entry.path();
                }
            }
        }
    EXPECT_GT(failed, 20);

    // A camera's EXIF, scrambled a thousand ways, made ready for writing: whatever
    // comes back lies within what was given, and a clean one keeps its tags.
    const std::string jpeg = TempDir::Read(POMI_CORPUS_DIR "/jpeg/pillow_hopper_orientation_6.jpg");
    if (jpeg.empty())
        return;
    const Metadata photo = ReadMetadata(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    ASSERT_GT(photo.exif.size(), 8u);
    const Bytes clean = ExifForWriting(photo.exif, 128, 128);
    ASSERT_FALSE(clean.empty());
    EXPECT_LE(clean.size(), photo.exif.size());
    for (int round = 0; round < 1000; ++round) {
        Bytes exif = photo.exif;
        for (int i = 0; i < 1 + round % 8; ++i) {
            seed = seed * 1664525 + 1013904223;
            exif[seed % exif.size()] = std::uint8_t(seed >> 24);
        }
        if (round % 3 == 0)
            exif.resize(seed % exif.size());
        EXPECT_LE(ExifForWriting(exif, 40, 30).size(), exif.size());
    }
}

// The XMP written with a turned, resized picture says orientation 1 and the new size,
// in each way writers put a value (attributes in either quotes and with blanks as
// Adobe writes them, elements as exiftool writes them), and leaves alone what only
// looks like them.
TEST(ImageCodecs, XmpOrientationAndSizeAreMadeTrueInEveryFormWritersUse)
{
    const struct {
        const char* given;
        const char* written; // for a picture of 40 × 30
    } cases[] = {
        {R"(<rdf:Description tiff:Orientation="6" exif:PixelXDimension="60"/>)",
         R"(<rdf:Description tiff:Orientation="1" exif:PixelXDimension="40"/>)"},
        {"<d tiff:Orientation = '8'\n exif:PixelYDimension='45'/>", "<d tiff:Orientation = '1'\n exif:PixelYDimension='30'/>"},
        {"<tiff:ImageWidth> 60 </tiff:ImageWidth><tiff:ImageLength>45</tiff:ImageLength>",
         "<tiff:ImageWidth> 40 </tiff:ImageWidth><tiff:ImageLength>30</tiff:ImageLength>"},
        {R"(<d xtiff:Orientation="6" tiff:OrientationNote="6" tiff:Orientation="six"/>)",
         R"(<d xtiff:Orientation="6" tiff:OrientationNote="6" tiff:Orientation="six"/>)"},
        {R"(<d tiff:Orientation="6)", R"(<d tiff:Orientation="6)"},
    };
    for (const auto& c : cases) {
        const std::string given = c.given;
        const Bytes written = XmpForWriting(Bytes(given.begin(), given.end()), 40, 30);
        EXPECT_EQ(std::string(written.begin(), written.end()), c.written);
    }
    // ImageMagick's hexadecimal "Raw profile" text: ours reads back; damage gives nothing.
    const Bytes iptc = {0x1C, 0x02, 0x19, 0x00, 0x05, 'a', 'l', 'p', 'h', 'a'};
    EXPECT_EQ(BytesOfRawProfile(RawProfileText("iptc", iptc)), iptc);
    EXPECT_EQ(BytesOfRawProfile("\niptc\n      36\n1c0219"), Bytes{});
    EXPECT_EQ(BytesOfRawProfile("\niptc\n2\n1cz2"), Bytes{});
}

// Lossless JPEGs (SOF3), which libjpeg-turbo 2.1 refuses, are read through FFmpeg's
// decoder: one written by ffmpeg from an 8-bit RGB picture gives that picture back
// exactly; a Y'CbCr one reads as ffmpeg reads it. (The public 12-bit JPEG, read the
// same way, is in the corpus table.)
TEST(ImageCodecs, LosslessJpegsAreReadAsFfmpegReadsThem)
{
    if (!HaveImageMagick() || std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick or ffmpeg is missing";
    TempDir dir;
    const std::string source = dir.File("source.png");
    ASSERT_EQ(std::system(("convert -size 61x37 gradient:red-blue -swirl 90 -depth 8 '" + source + "'").c_str()), 0);
    const struct {
        const char* name;
        std::string file;
        const char* made; // the ffmpeg options that write it from the source
        bool exact;       // the same as the source, else as ffmpeg reads it
    } cases[] = {
        {"lossless RGB", dir.File("rgb.jpg"), "-c:v ljpeg -pix_fmt bgr24", true},
        {"lossless Y'CbCr 4:2:0", dir.File("yuv.jpg"), "-c:v ljpeg -pix_fmt yuvj420p", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(std::system(("ffmpeg -v error -y -i '" + source + "' " + c.made + " '" + c.file + "'").c_str()), 0);
        const std::string reference = c.exact ? source : dir.File("ffmpeg.png");
        if (!c.exact) {
            ASSERT_EQ(std::system(("ffmpeg -v error -y -i '" + c.file + "' -pix_fmt rgb24 '" + reference + "'").c_str()), 0);
        }
        const std::string bytes = TempDir::Read(c.file);
        Image ours;
        std::string error;
        ASSERT_TRUE(Take(DecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), ours, error))
            << error;
        Rgba expected;
        ASSERT_TRUE(ReferenceReading(reference, false, expected));
        EXPECT_EQ(Difference(ours, expected, 0), "");
    }
}
