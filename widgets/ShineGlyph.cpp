#include "widgets/ShineGlyph.h"

#include <algorithm>

namespace {

QRgb Pixel(TColor c)
{
    const TColor rgb = fw::ColorToRGB(c);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QRgb PerChannel(QRgb p, QRgb s, int (*f)(int, int))
{
    return qRgb(f(qRed(p), qRed(s)), f(qGreen(p), qGreen(s)), f(qBlue(p), qBlue(s)));
}

// Every other opaque pixel, a counter running through the rows; an even height adds
// one at each row's end, which turns a checkerboard into stripes on odd heights.
template <class F>
void Alternate(QImage& copy, QRgb key, F apply)
{
    int counter = 0;
    for (int y = 0; y < copy.height(); ++y) {
        for (int x = 0; x < copy.width(); ++x, ++counter)
            if ((copy.pixel(x, y) & 0xFFFFFF) != key && (counter & 1))
                apply(x, y);
        if (copy.height() % 2 == 0)
            ++counter;
    }
}

void Halo(const QImage& glyph, QImage& copy, QRgb key, QRgb shine, bool wide)
{
    const int w = glyph.width(), h = glyph.height();
    const auto opaque = [&](int x, int y) { return (glyph.pixel(x, y) & 0xFFFFFF) != key; };
    const auto paint = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < w && y < h && !opaque(x, y))
            copy.setPixel(x, y, shine);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x + 1 < w; ++x)
            if (opaque(x + 1, y) && !opaque(x, y)) {
                paint(x, y);
                if (wide)
                    paint(x - 1, y), paint(x, y - 1), paint(x, y + 1);
            }
        for (int x = 1; x < w; ++x)
            if (opaque(x - 1, y) && !opaque(x, y)) {
                paint(x, y);
                if (wide)
                    paint(x + 1, y), paint(x, y - 1), paint(x, y + 1);
            }
        if (y + 1 < h)
            for (int x = 0; x < w; ++x)
                if (opaque(x, y + 1) && !opaque(x, y)) {
                    paint(x, y);
                    if (wide)
                        paint(x, y - 1), paint(x - 1, y), paint(x + 1, y);
                }
        if (y > 0)
            for (int x = 0; x < w; ++x)
                if (opaque(x, y - 1) && !opaque(x, y)) {
                    paint(x, y);
                    if (wide)
                        paint(x, y + 1), paint(x - 1, y), paint(x + 1, y);
                }
    }
}

} // namespace

QImage CreateStateGlyph(const QImage& source, GlyphState state, ActiveEffect active, DisabledEffect disabled,
                        TColor shine, TColor base)
{
    if (source.isNull())
        return QImage();
    const QImage glyph = source.convertToFormat(QImage::Format_RGB32);
    QImage copy = glyph.copy();
    const QRgb key = glyph.pixel(0, glyph.height() - 1) & 0xFFFFFF;
    const auto each = [&](auto f) {
        for (int y = 0; y < copy.height(); ++y)
            for (int x = 0; x < copy.width(); ++x) {
                const QRgb p = copy.pixel(x, y);
                if ((p & 0xFFFFFF) != key)
                    copy.setPixel(x, y, f(p));
            }
    };
    if (state == GlyphState::Active) {
        const QRgb s = Pixel(shine);
        switch (active) {
        case ActiveEffect::Normal:
            break;
        case ActiveEffect::XorLight:
            each([&](QRgb p) { return PerChannel(p, s, [](int a, int b) { return a ^ b; }); });
            break;
        case ActiveEffect::HalfLight:
            each([&](QRgb p) { return PerChannel(p, s, [](int a, int b) { return (a + b) / 2; }); });
            break;
        case ActiveEffect::QuaterLight:
            each([&](QRgb p) { return PerChannel(p, s, [](int a, int b) { return (3 * b + a) / 4; }); });
            break;
        case ActiveEffect::AddLight:
            each([&](QRgb p) { return PerChannel(p, s, [](int a, int b) { return std::min(255, a + b); }); });
            break;
        case ActiveEffect::MaskLight:
            Alternate(copy, key, [&](int x, int y) { copy.setPixel(x, y, s); });
            break;
        case ActiveEffect::FrameLight:
        case ActiveEffect::FrameLight2:
            Halo(glyph, copy, key, s, active == ActiveEffect::FrameLight2);
            break;
        }
    } else if (state == GlyphState::Disabled) {
        const QRgb b = Pixel(base);
        switch (disabled) {
        case DisabledEffect::Default: {
            copy.fill(Qt::black);
            const auto at = [&](int x, int y) { return glyph.pixel(x, y) & 0xFFFFFF; };
            for (int y = 0; y + 1 < glyph.height(); ++y)
                for (int x = 0; x + 1 < glyph.width(); ++x)
                    if (at(x + 1, y + 1) != at(x, y) || at(x, y + 1) != at(x + 1, y))
                        copy.setPixel(x, y, qRgb(255, 255, 255));
            break;
        }
        case DisabledEffect::Grayscale:
            each([](QRgb p) {
                const int v = (qRed(p) + qGreen(p) + qBlue(p)) / 3;
                return qRgb(v, v, v);
            });
            break;
        case DisabledEffect::AlphaHalfTrans:
            each([&](QRgb p) { return PerChannel(p, b, [](int a, int c) { return (a + c) / 2; }); });
            break;
        case DisabledEffect::AlphaQuaterTrans:
            each([&](QRgb p) { return PerChannel(p, b, [](int a, int c) { return (3 * c + a) / 4; }); });
            break;
        case DisabledEffect::MaskTrans:
            Alternate(copy, key, [&](int x, int y) { copy.setPixel(x, y, 0xFF000000 | key); });
            break;
        }
    }
    return copy;
}
