// The TIFF layouts real files use beyond the corpus, written by ImageMagick from one
// picture with an alpha ramp and read by us and by ImageMagick: odd depths, planar
// 12-bit, floating point, signed and 32-bit integers, CMYK with alpha, associated
// alpha, tiles, palettes, the eight orientations.
#include "media/editor/ImageEditor.h"
#include "support/Outcome.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdlib>

TEST(TiffLayouts, EachLayoutReadsAsImageMagickReadsIt)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is missing";
    struct Layout {
        const char* name;
        std::string options; // ImageMagick's, writing the TIFF
        int tolerance;
    };
    const std::vector<Layout> layouts = {
        {"2-bit rgb", "-depth 2", 0},
        {"4-bit rgba", "-depth 4", 0},
        {"5-bit rgb", "-depth 5", 1},
        {"7-bit rgb", "-depth 7", 1},
        {"12-bit planar", "-depth 12 -interlace plane", 1},
        {"16-bit tiled", "-depth 16 -define tiff:tile-geometry=16x16", 1},
        {"32-bit integer", "-depth 32", 1},
        {"16-bit float", "-define quantum:format=floating-point -depth 16", 1},
        {"32-bit float", "-define quantum:format=floating-point -depth 32", 1},
        {"64-bit float", "-define quantum:format=floating-point -depth 64", 1},
        {"cmyk with alpha", "-colorspace cmyk -define tiff:alpha=unassociated", 1},
        {"associated alpha", "-define tiff:alpha=associated", 1},
        {"palette", "-alpha off -type palette", 1},
    };
    std::vector<Layout> all = layouts;
    static const char* const kOrientations[] = {"TopLeft",  "TopRight",    "BottomRight", "BottomLeft",
                                                "LeftTop",  "RightTop",    "RightBottom", "LeftBottom"};
    for (const char* o : kOrientations)
        all.push_back({o, std::string("-orient ") + o, 0});
    TempDir dir;
    const std::string source = dir.File("source.png");
    ASSERT_EQ(std::system(("convert rose: -alpha set -channel A -fx '0.3+0.7*i/w' +channel '" + source + "'").c_str()),
              0);
    for (const Layout& layout : all) {
        SCOPED_TRACE(layout.name);
        const std::string path = dir.File(std::string(layout.name) + ".tif");
        ASSERT_EQ(std::system(("convert '" + source + "' " + layout.options + " '" + path + "' 2>/dev/null").c_str()), 0);
        media::ImageEditor editor;
        std::string error;
        ASSERT_TRUE(Take(editor.Load(path), error)) << error;
        Rgba want;
        ASSERT_TRUE(ReferenceReading(path, true, want));
        EXPECT_EQ(Difference(editor.Current(), want, layout.tolerance), "");
    }
}

// Signed samples run in order from the most negative (black) to the most positive
// (white); worked out by hand: (v + 32768) × 255 / 65535, rounded. (ImageMagick reads
// them as unsigned, and writes them so too; Pillow clips them to 0..255.)
TEST(TiffLayouts, SignedSamplesRunFromTheMostNegativeToTheMostPositive)
{
    TempDir dir;
    const std::string path = dir.File("signed.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_TRUE(tif);
    const std::int16_t samples[] = {-32768, -1, 0, 32767, -128, 127};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 6);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    ASSERT_EQ(TIFFWriteScanline(tif, const_cast<std::int16_t*>(samples), 0, 0), 1);
    TIFFClose(tif);
    media::ImageEditor editor;
    std::string error;
    ASSERT_TRUE(Take(editor.Load(path), error)) << error;
    const media::Image grey = media::ToRgb24(editor.Current());
    const int want[] = {0, 127, 128, 255, 127, 128};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(grey.pixels[x * 3], want[x]) << "sample " << samples[x];
}
