// A JPEG the chain makes much smaller is decoded smaller (libjpeg-turbo's scaled
// inverse DCT): the picture written must be the size a whole decode gives, and within
// 40 dB of it, on real photos (EXIF-turned ones among them) and chains of every kind.
#include "engine/Conversion.h"
#include "media/editor/ImageEditControl.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kPhotos = POMI_CORPUS_DIR "/jpeg/";

double Psnr(const media::Image& a, const media::Image& b)
{
    const media::Image ra = media::ToRgb24(a), rb = media::ToRgb24(b);
    return ::Psnr(ra.pixels.data(), rb.pixels.data(), ra.pixels.size());
}

// The chain's picture from `photo`, decoded whole or as small as the chain allows.
media::Image Converted(const std::string& photo, const conv::PictureSettings& s, bool reduce, media::Size& loaded,
                       int& decodedWidth)
{
    media::ImageEditControl control;
    if (reduce)
        control.SetLoadReduction(conv::LoadReduction(s));
    control.SetInputFileName(photo);
    EXPECT_TRUE(control.Load()) << control.LastError();
    loaded = control.LoadedSize();
    decodedWidth = control.ImageWidth();
    const media::Result<void> applied = conv::ApplyPictureChain(control.Editor().Current(), control.LoadedSize(), s);
    EXPECT_TRUE(applied) << applied.Message();
    return control.Editor().Current();
}

} // namespace

TEST(LoadReduction, ReducedDecodesGiveTheWholeDecodesSizeWithin40Db)
{
    // Photos, and one picture of hard one-pixel streaks that is none (30 dB is what
    // any reduction leaves of it).
    const struct {
        const char* name;
        double db;
    } photos[] = {{"pillow_junk_jpeg_header.jpg", 40},
                  {"pillow_iptc.jpg", 40},       {"pillow_sugarshack_bad_mpo_header.jpg", 40},
                  {"pillow_flower.jpg", 40},     {"pillow_hopper_orientation_6.jpg", 40},
                  {"pillow_hopper_orientation_5.jpg", 40}, {"pillow_hopper_bad_exif.jpg", 30}};
    if (!std::filesystem::exists(kPhotos + photos[0].name))
        GTEST_SKIP() << "the public test files are not at " << kPhotos;
    struct Chain {
        const char* name;
        conv::Resize resize;
        conv::Rotation rotation = conv::Rotation::None;
        std::optional<conv::ColourDepth> depth = conv::ColourDepth::Full;
        int brightness = 0;
    };
    using conv::ResizeMode;
    const Chain chains[] = {
        {"fit 200 x 150", {ResizeMode::Fit, 200, 150}},
        {"fit 61 x 47", {ResizeMode::Fit, 61, 47}},
        {"fit 150 x 150, turned 90", {ResizeMode::Fit, 150, 150}, conv::Rotation::Clockwise90},
        {"stretch 100 x 30", {ResizeMode::Stretch, 100, 30}},
        {"scale 20%", {ResizeMode::Scale, 0, 0, 20}},
        {"scale 9%, grey, brighter", {ResizeMode::Scale, 0, 0, 9}, conv::Rotation::Clockwise270,
         conv::ColourDepth::Grey, 3},
        {"scale 60% (too little to reduce)", {ResizeMode::Scale, 0, 0, 60}},
        {"fit, 16 colours (never reduced)", {ResizeMode::Fit, 40, 30}, conv::Rotation::None,
         conv::ColourDepth::Sixteen},
    };
    int reduced = 0;
    for (const auto& [photo, db] : photos)
        for (const Chain& c : chains) {
            SCOPED_TRACE(std::string(photo) + ", " + c.name);
            conv::PictureSettings s;
            s.format = conv::OutputFormat::Png;
            s.resize = c.resize;
            s.rotation = c.rotation;
            s.colourDepth = c.depth;
            s.brightness = c.brightness;
            media::Size wholeSize, reducedSize;
            int wholeWidth = 0, reducedWidth = 0;
            const media::Image whole = Converted(kPhotos + photo, s, false, wholeSize, wholeWidth);
            const media::Image small = Converted(kPhotos + photo, s, true, reducedSize, reducedWidth);
            EXPECT_EQ(reducedSize.width, wholeSize.width);
            EXPECT_EQ(reducedSize.height, wholeSize.height);
            ASSERT_EQ(small.width, whole.width);
            ASSERT_EQ(small.height, whole.height);
            EXPECT_GE(Psnr(small, whole), db);
            if (c.depth == conv::ColourDepth::Sixteen) {
                EXPECT_EQ(reducedWidth, wholeWidth) << "a palette chain decodes whole";
            }
            reduced += reducedWidth < wholeWidth;
        }
    EXPECT_GE(reduced, 15) << "too few cases were decoded smaller to show anything";
}
