// The glyph effects of the shine button.
#include "widgets/ShineGlyph.h"

#include <gtest/gtest.h>

namespace {
// A glyph on a see-through red ground with a blue square in the middle.
QImage Glyph(int w, int h)
{
    QImage g(w, h, QImage::Format_RGB32);
    g.fill(qRgb(255, 0, 0));
    for (int y = h / 4; y < h - h / 4; ++y)
        for (int x = w / 4; x < w - w / 4; ++x)
            g.setPixel(x, y, qRgb(0, 0, 200));
    return g;
}
QImage Solid(int w, int h)
{
    QImage g(w, h, QImage::Format_RGB32);
    g.fill(qRgb(0, 0, 200));
    g.setPixel(0, h - 1, qRgb(255, 0, 0)); // the see-through colour, at the bottom left
    return g;
}
} // namespace

TEST(ShineGlyph, SeeThroughPixelsAreNeverChanged)
{
    const QImage g = Glyph(16, 16);
    for (auto effect : {ActiveEffect::XorLight, ActiveEffect::HalfLight, ActiveEffect::AddLight, ActiveEffect::MaskLight}) {
        const QImage c = CreateStateGlyph(g, GlyphState::Active, effect, DisabledEffect::Grayscale, clYellow, clBtnFace);
        EXPECT_EQ(c.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(c.pixel(15, 15) & 0xFFFFFF, 0xFF0000u);
    }
    const QImage half = CreateStateGlyph(g, GlyphState::Active, ActiveEffect::HalfLight, DisabledEffect::Default, clYellow, clBtnFace);
    EXPECT_EQ(half.pixel(8, 8) & 0xFFFFFF, qRgb(127, 127, 100) & 0xFFFFFF);
}

TEST(ShineGlyph, MaskLightIsACheckerboardOnEvenHeightsAndStripesOnOdd)
{
    const QImage even = CreateStateGlyph(Solid(16, 16), GlyphState::Active, ActiveEffect::MaskLight,
                                         DisabledEffect::Default, clYellow, clBtnFace);
    EXPECT_EQ(even.pixel(1, 0) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(even.pixel(0, 1) & 0xFFFFFF, 0xFFFF00u); // shifted by a row: checkerboard
    EXPECT_EQ(even.pixel(1, 1) & 0xFFFFFF, 0x0000C8u);
    const QImage odd = CreateStateGlyph(Solid(16, 15), GlyphState::Active, ActiveEffect::MaskLight,
                                        DisabledEffect::Default, clYellow, clBtnFace);
    EXPECT_EQ(odd.pixel(1, 0) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(odd.pixel(1, 1) & 0xFFFFFF, 0xFFFF00u); // the same columns: stripes
    EXPECT_EQ(odd.pixel(0, 1) & 0xFFFFFF, 0x0000C8u);
}

TEST(ShineGlyph, FrameLightDrawsAOneOrTwoPixelHalo)
{
    const QImage g = Glyph(16, 16); // the square covers 4..11
    const QImage one = CreateStateGlyph(g, GlyphState::Active, ActiveEffect::FrameLight, DisabledEffect::Default, clYellow, clBtnFace);
    EXPECT_EQ(one.pixel(3, 8) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(one.pixel(2, 8) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(one.pixel(8, 8) & 0xFFFFFF, 0x0000C8u);
    const QImage two = CreateStateGlyph(g, GlyphState::Active, ActiveEffect::FrameLight2, DisabledEffect::Default, clYellow, clBtnFace);
    EXPECT_EQ(two.pixel(2, 8) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(two.pixel(1, 8) & 0xFFFFFF, 0xFF0000u);
}

TEST(ShineGlyph, DisabledEffects)
{
    const QImage g = Glyph(16, 16);
    const QImage grey = CreateStateGlyph(g, GlyphState::Disabled, ActiveEffect::Normal, DisabledEffect::Grayscale, clYellow, clBtnFace);
    EXPECT_EQ(grey.pixel(8, 8) & 0xFFFFFF, qRgb(66, 66, 66) & 0xFFFFFF);
    const QImage mask = CreateStateGlyph(g, GlyphState::Disabled, ActiveEffect::Normal, DisabledEffect::Default, clYellow, clBtnFace);
    EXPECT_EQ(mask.pixel(3, 8) & 0xFFFFFF, 0xFFFFFFu); // an edge
    EXPECT_EQ(mask.pixel(8, 8) & 0xFFFFFF, 0u);        // inside the square
    EXPECT_EQ(mask.pixel(15, 8) & 0xFFFFFF, 0u);       // the last column stays black
    const QImage plain = CreateStateGlyph(g, GlyphState::Active, ActiveEffect::Normal, DisabledEffect::Grayscale, clYellow, clBtnFace);
    EXPECT_EQ(plain, g.convertToFormat(QImage::Format_RGB32));
}
