#include "media/image/PictureMeasures.h"

#include <algorithm>
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

// The summed absolute differences of one row of 4 × 4 blocks, the `band`-th.
void BandDifferences(const std::uint8_t* a, const std::uint8_t* b, int w, int band, std::vector<int>& out)
{
    std::fill(out.begin(), out.end(), 0);
    for (int r = 0; r < 4; ++r) {
        const std::size_t row = std::size_t(4 * band + r) * std::size_t(w);
        const std::uint8_t* pa = a + row;
        const std::uint8_t* pb = b + row;
        for (std::size_t c = 0; c < out.size(); ++c) {
            int sum = 0;
            for (std::size_t k = 0; k < 4; ++k)
                sum += std::abs(int(pa[4 * c + k]) - int(pb[4 * c + k]));
            out[c] += sum;
        }
    }
}

// Whether one plane of two pictures differs, by the block rule. The 8 × 8 blocks,
// every 4 pixels, are summed from 4 × 4 ones, so each pixel is read once.
bool PlanesDiffer(const std::uint8_t* a, const std::uint8_t* b, int w, int h, const SameLook& rule)
{
    if (w < 16 || h < 8)
        return false;
    const long allowed = long(double((w / 16) * (h / 16)) * rule.frac);
    long over = 0;
    std::vector<int> above(std::size_t(w / 4)), below(above.size());
    BandDifferences(a, b, w, 0, above);
    for (int y = 0; y + 8 <= h; y += 4) {
        BandDifferences(a, b, w, y / 4 + 1, below);
        for (int x = 8; x + 8 <= w; x += 4) {
            const std::size_t c = std::size_t(x / 4);
            const int sad = above[c] + above[c + 1] + below[c] + below[c + 1];
            if (sad > rule.hi)
                return true;
            if (sad > rule.lo && ++over > allowed)
                return true;
        }
        std::swap(above, below);
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
    for (int cy = 0; cy < ch; ++cy) {
        // The last row and column of an odd size repeat their pixels, so they average
        // what there is; four samples always, kept above zero, so a shift divides.
        const std::uint8_t* top = rgb.Row(2 * cy);
        const std::uint8_t* bottom = rgb.Row(std::min(2 * cy + 1, rgb.height - 1));
        std::uint8_t* cb = planes.cb.data() + std::size_t(cy) * std::size_t(cw);
        std::uint8_t* cr = planes.cr.data() + std::size_t(cy) * std::size_t(cw);
        for (int cx = 0; cx < cw; ++cx) {
            const int left = 6 * cx, right = 2 * cx + 1 < rgb.width ? left + 3 : left;
            const int r = top[left] + top[right] + bottom[left] + bottom[right];
            const int g = top[left + 1] + top[right + 1] + bottom[left + 1] + bottom[right + 1];
            const int b = top[left + 2] + top[right + 2] + bottom[left + 2] + bottom[right + 2];
            constexpr int centre = 128 * 1024 + 512;
            cb[cx] = std::uint8_t((centre - 38 * r - 74 * g + 112 * b) >> 10);
            cr[cx] = std::uint8_t((centre + 112 * r - 94 * g - 18 * b) >> 10);
        }
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
