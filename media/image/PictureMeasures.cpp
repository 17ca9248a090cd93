#include "media/image/PictureMeasures.h"

#include <cstdlib>

namespace media {

namespace {

std::vector<std::uint8_t> LumaOf(const Image& rgb)
{
    std::vector<std::uint8_t> y(std::size_t(rgb.width) * std::size_t(rgb.height));
    for (int row = 0; row < rgb.height; ++row) {
        const std::uint8_t* p = rgb.Row(row);
        std::uint8_t* out = y.data() + std::size_t(row) * std::size_t(rgb.width);
        for (int x = 0; x < rgb.width; ++x, p += 3)
            out[x] = std::uint8_t((77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8);
    }
    return y;
}

// Whether one plane of two pictures differs, by the block rule.
bool PlanesDiffer(const std::uint8_t* a, const std::uint8_t* b, int w, int h, const SameLook& rule)
{
    const long allowed = long(double((w / 16) * (h / 16)) * rule.frac);
    long over = 0;
    for (int y = 0; y + 8 <= h; y += 4)
        for (int x = 8; x + 8 <= w; x += 4) {
            int sad = 0;
            for (int r = 0; r < 8; ++r) {
                const std::uint8_t* pa = a + std::size_t(y + r) * std::size_t(w) + std::size_t(x);
                const std::uint8_t* pb = b + std::size_t(y + r) * std::size_t(w) + std::size_t(x);
                for (int c = 0; c < 8; ++c)
                    sad += std::abs(int(pa[c]) - int(pb[c]));
            }
            if (sad > rule.hi)
                return true;
            if (sad > rule.lo && ++over > allowed)
                return true;
        }
    return false;
}

} // namespace

double FocusMeasure(const Image& picture)
{
    Image scratch;
    const Image& rgb = AsRgb24(picture, scratch);
    const int w = rgb.width, h = rgb.height;
    if (w < 3 || h < 3)
        return 0;
    const std::vector<std::uint8_t> y = LumaOf(rgb);
    double sum = 0, squares = 0;
    for (int row = 1; row + 1 < h; ++row) {
        const std::uint8_t* p = y.data() + std::size_t(row) * std::size_t(w);
        for (int x = 1; x + 1 < w; ++x) {
            const double l = double(p[x - 1] + p[x + 1] + p[x - w] + p[x + w]) - 4.0 * p[x];
            sum += l;
            squares += l * l;
        }
    }
    const double n = double(w - 2) * double(h - 2);
    return squares / n - (sum / n) * (sum / n);
}

ComparedPlanes PlanesToCompare(const Image& picture)
{
    Image scratch;
    const Image& rgb = AsRgb24(picture, scratch);
    ComparedPlanes planes;
    planes.width = rgb.width, planes.height = rgb.height;
    // BT.601 in the studio range a movie's planes hold, so that block differences
    // weigh as they would in the movie's own planes.
    planes.y.resize(std::size_t(rgb.width) * std::size_t(rgb.height));
    for (int row = 0; row < rgb.height; ++row) {
        const std::uint8_t* p = rgb.Row(row);
        std::uint8_t* out = planes.y.data() + std::size_t(row) * std::size_t(rgb.width);
        for (int x = 0; x < rgb.width; ++x, p += 3)
            out[x] = std::uint8_t(((66 * p[0] + 129 * p[1] + 25 * p[2] + 128) >> 8) + 16);
    }
    const int cw = (rgb.width + 1) / 2, ch = (rgb.height + 1) / 2;
    planes.cb.resize(std::size_t(cw) * std::size_t(ch));
    planes.cr.resize(planes.cb.size());
    for (int cy = 0; cy < ch; ++cy)
        for (int cx = 0; cx < cw; ++cx) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int dy = 0; dy < 2 && 2 * cy + dy < rgb.height; ++dy)
                for (int dx = 0; dx < 2 && 2 * cx + dx < rgb.width; ++dx, ++n) {
                    const std::uint8_t* p = rgb.Row(2 * cy + dy) + 3 * (2 * cx + dx);
                    r += p[0], g += p[1], b += p[2];
                }
            const std::size_t at = std::size_t(cy) * std::size_t(cw) + std::size_t(cx);
            // Kept above zero before dividing, so the division rounds as a shift would.
            const int centre = 128 * 256 * n + 128 * n;
            planes.cb[at] = std::uint8_t((centre - 38 * r - 74 * g + 112 * b) / (256 * n));
            planes.cr[at] = std::uint8_t((centre + 112 * r - 94 * g - 18 * b) / (256 * n));
        }
    return planes;
}

bool LookTheSame(const ComparedPlanes& a, const ComparedPlanes& b, const SameLook& rule)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    const int cw = (a.width + 1) / 2, ch = (a.height + 1) / 2;
    return !PlanesDiffer(a.y.data(), b.y.data(), a.width, a.height, rule) &&
           !PlanesDiffer(a.cb.data(), b.cb.data(), cw, ch, rule) &&
           !PlanesDiffer(a.cr.data(), b.cr.data(), cw, ch, rule);
}

} // namespace media
