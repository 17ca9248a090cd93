// The picture chain's steps where their results are fixed.
#include "media/image/Processing.h"

#include <gtest/gtest.h>

#include <set>

using namespace media;

namespace {

// 3 × 2 colour picture with six distinct pixels: a b c / d e f.
Image Asymmetric()
{
    Image img;
    img.Allocate(3, 2, PixelFormat::Rgb24);
    for (int i = 0; i < 6; ++i)
        img.pixels[i * 3] = std::uint8_t(10 * (i + 1));
    return img;
}

int At(const Image& img, int x, int y) { return img.Row(y)[x * img.Channels()]; }

Image Noise(int w, int h)
{
    Image img;
    img.Allocate(w, h, PixelFormat::Rgb24);
    std::uint32_t s = 1;
    for (auto& v : img.pixels)
        v = std::uint8_t((s = s * 1664525 + 1013904223) >> 24);
    return img;
}

std::size_t DistinctColours(const Image& img)
{
    const Image rgb = ToRgb24(img);
    std::set<std::uint32_t> seen;
    for (std::size_t i = 0; i < rgb.pixels.size(); i += 3)
        seen.insert(std::uint32_t(rgb.pixels[i]) << 16 | rgb.pixels[i + 1] << 8 | rgb.pixels[i + 2]);
    return seen.size();
}

} // namespace

TEST(Rotation, QuarterTurnsCounterClockwiseMovePixelsExactly)
{
    // a b c        90° ccw:  c f     180°:  f e d     270° ccw:  d a
    // d e f                  b e            c b a                e b
    //                        a d                                 f c
    Image r = Asymmetric();
    ASSERT_TRUE(RotateCounterClockwise(r, 90));
    ASSERT_EQ(r.width, 2);
    ASSERT_EQ(r.height, 3);
    EXPECT_EQ((std::vector<int>{At(r, 0, 0), At(r, 1, 0), At(r, 0, 1), At(r, 1, 1), At(r, 0, 2), At(r, 1, 2)}),
              (std::vector<int>{30, 60, 20, 50, 10, 40}));
    r = Asymmetric();
    ASSERT_TRUE(RotateCounterClockwise(r, 180));
    EXPECT_EQ((std::vector<int>{At(r, 0, 0), At(r, 1, 0), At(r, 2, 0), At(r, 0, 1), At(r, 1, 1), At(r, 2, 1)}),
              (std::vector<int>{60, 50, 40, 30, 20, 10}));
    r = Asymmetric();
    ASSERT_TRUE(RotateCounterClockwise(r, 270));
    EXPECT_EQ((std::vector<int>{At(r, 0, 0), At(r, 1, 0), At(r, 0, 1), At(r, 1, 1), At(r, 0, 2), At(r, 1, 2)}),
              (std::vector<int>{40, 10, 50, 20, 60, 30}));
    r = Asymmetric();
    ASSERT_TRUE(RotateCounterClockwise(r, -90)); // the same as 270
    EXPECT_EQ(At(r, 0, 0), 40);
}

TEST(Rotation, OtherAnglesFitTheWholePictureOnTheMarginColour)
{
    Image img;
    img.Allocate(40, 20, PixelFormat::Rgb24);
    std::fill(img.pixels.begin(), img.pixels.end(), 0);
    ASSERT_TRUE(RotateCounterClockwise(img, 45));
    EXPECT_NEAR(img.width, 43, 1);
    EXPECT_NEAR(img.height, 43, 1);
    EXPECT_EQ(At(img, 0, 0), 255); // a corner of the canvas: margin
    EXPECT_EQ(At(img, img.width / 2, img.height / 2), 0);
}

TEST(Resize, FittingInsideKeepsProportionsAndCentresOnTheMargin)
{
    Image img;
    img.Allocate(100, 50, PixelFormat::Rgb24);
    std::fill(img.pixels.begin(), img.pixels.end(), 0);
    ASSERT_TRUE(Resize(img, 80, 80, true, Interpolation::Lanczos3));
    ASSERT_EQ(img.width, 80);
    ASSERT_EQ(img.height, 80);
    EXPECT_EQ(At(img, 40, 19), 255); // margin above the 80 × 40 picture
    EXPECT_EQ(At(img, 40, 20), 0);
    EXPECT_EQ(At(img, 40, 59), 0);
    EXPECT_EQ(At(img, 40, 60), 255);

    Image stretched;
    stretched.Allocate(100, 50, PixelFormat::Rgb24);
    ASSERT_TRUE(Resize(stretched, 80, 80, false, Interpolation::Bilinear));
    EXPECT_EQ(stretched.width, 80);
    EXPECT_EQ(stretched.height, 80);
    EXPECT_EQ(At(stretched, 0, 0), 0);
    EXPECT_FALSE(Resize(stretched, 0, 10, false, Interpolation::Nearest));
}

TEST(Resize, FiltersKeepFlatAreasFlatAndPalettesStay)
{
    for (Interpolation f : {Interpolation::Nearest, Interpolation::Bilinear, Interpolation::Lanczos3}) {
        Image img;
        img.Allocate(64, 64, PixelFormat::Rgb24);
        std::fill(img.pixels.begin(), img.pixels.end(), 77);
        ASSERT_TRUE(Resize(img, 23, 41, false, f));
        for (auto v : img.pixels)
            ASSERT_EQ(v, 77);
    }
    Image indexed = Noise(30, 30);
    ASSERT_TRUE(ChangeColorDepth(indexed, 4));
    const auto palette = indexed.palette;
    ASSERT_TRUE(Resize(indexed, 50, 20, true, Interpolation::Lanczos3));
    EXPECT_EQ(indexed.format, PixelFormat::Indexed);
    EXPECT_EQ(indexed.palette, palette);
}

TEST(ColorDepth, ReducedPicturesHoldAtMostTheirNumberOfColours)
{
    const Image noise = Noise(64, 48);
    for (const auto& [code, limit, bits] : {std::tuple{1, 2, 1}, std::tuple{4, 16, 4}, std::tuple{8, 256, 8}}) {
        Image img = noise;
        ASSERT_TRUE(ChangeColorDepth(img, code));
        EXPECT_EQ(img.format, PixelFormat::Indexed);
        EXPECT_EQ(img.indexBits, bits);
        EXPECT_LE(DistinctColours(img), std::size_t(limit));
        EXPECT_GT(DistinctColours(img), std::size_t(limit / 2));
    }
    Image bw = noise;
    ASSERT_TRUE(ChangeColorDepth(bw, 1));
    EXPECT_EQ(bw.palette[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(bw.palette[1], (Rgb{255, 255, 255}));
}

TEST(ColorDepth, AFewColoursAreKeptExactlyAndDitheringKeepsTheAverage)
{
    Image img;
    img.Allocate(20, 20, PixelFormat::Rgb24);
    for (int i = 0; i < 400; ++i) {
        const Rgb c = i % 3 == 0 ? Rgb{200, 10, 10} : i % 3 == 1 ? Rgb{10, 200, 10} : Rgb{10, 10, 200};
        img.pixels[i * 3] = c.r, img.pixels[i * 3 + 1] = c.g, img.pixels[i * 3 + 2] = c.b;
    }
    Image reduced = img;
    ASSERT_TRUE(ChangeColorDepth(reduced, 4));
    EXPECT_EQ(ToRgb24(reduced).pixels, img.pixels);

    // A flat mid grey in black and white: about half the pixels white.
    Image grey;
    grey.Allocate(50, 50, PixelFormat::Gray8);
    std::fill(grey.pixels.begin(), grey.pixels.end(), 128);
    ASSERT_TRUE(ChangeColorDepth(grey, 1));
    int white = 0;
    for (auto v : grey.pixels)
        white += v;
    EXPECT_NEAR(white, 1250, 60);
}

TEST(ColorDepth, GreyAndFullColour)
{
    Image img = Asymmetric();
    img.pixels[1] = 100;
    ASSERT_TRUE(ChangeColorDepth(img, 9));
    EXPECT_EQ(img.format, PixelFormat::Gray8);
    EXPECT_EQ(img.pixels[0], Luma(10, 100, 0));
    ASSERT_TRUE(ChangeColorDepth(img, 12));
    EXPECT_EQ(img.format, PixelFormat::Rgb24);
    EXPECT_FALSE(ChangeColorDepth(img, 7));
}

TEST(Brightness, EveryChannelMovesByTheStepClampedAndPalettesMoveInstead)
{
    Image img = Asymmetric();
    img.pixels[1] = 250;
    ASSERT_TRUE(AdjustBrightness(img, 10));
    EXPECT_EQ(img.pixels[0], 10 + 26);
    EXPECT_EQ(img.pixels[1], 255);
    EXPECT_EQ(img.pixels[2], 26);
    ASSERT_TRUE(AdjustBrightness(img, -100));
    EXPECT_EQ(img.pixels[0], 0);

    Image indexed;
    indexed.Allocate(2, 1, PixelFormat::Indexed);
    indexed.indexBits = 1;
    indexed.palette = {Rgb{100, 100, 100}, Rgb{0, 0, 0}};
    ASSERT_TRUE(AdjustBrightness(indexed, -20));
    EXPECT_EQ(indexed.palette[0], (Rgb{49, 49, 49}));
    EXPECT_FALSE(AdjustBrightness(indexed, 101));
}
