// Colour depth: black and white, adaptive 16/256-colour palettes, grey, full colour.
#include "media/image/Processing.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace media {

namespace {

// A histogram cell: the colours that share their top 5 bits per channel.
struct Cell {
    std::uint8_t key[3];
    std::uint32_t count;
    double sum[3];
    double sumSq; // of all three channels, for the variance
};

struct Box {
    std::size_t begin, end; // a range of cells
    double sse;             // squared error around the box's mean colour
};

double BoxError(const std::vector<Cell>& cells, std::size_t begin, std::size_t end)
{
    double n = 0, s[3] = {0, 0, 0}, sq = 0;
    for (std::size_t i = begin; i < end; ++i) {
        n += cells[i].count;
        for (int c = 0; c < 3; ++c)
            s[c] += cells[i].sum[c];
        sq += cells[i].sumSq;
    }
    return n > 0 ? sq - (s[0] * s[0] + s[1] * s[1] + s[2] * s[2]) / n : 0;
}

Rgb BoxMean(const std::vector<Cell>& cells, std::size_t begin, std::size_t end)
{
    double n = 0, s[3] = {0, 0, 0};
    for (std::size_t i = begin; i < end; ++i) {
        n += cells[i].count;
        for (int c = 0; c < 3; ++c)
            s[c] += cells[i].sum[c];
    }
    const auto ch = [&](int c) { return std::uint8_t(std::clamp(s[c] / std::max(n, 1.0) + 0.5, 0.0, 255.0)); };
    return Rgb{ch(0), ch(1), ch(2)};
}

// Splits a box along its widest-spread channel at the point that leaves the least
// squared error in the two halves.
bool SplitBox(std::vector<Cell>& cells, const Box& box, Box& low, Box& high)
{
    if (box.end - box.begin < 2)
        return false;
    double n = 0, s[3] = {0, 0, 0}, sq[3] = {0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 3; ++c) {
            const double mean = cells[i].sum[c] / cells[i].count;
            s[c] += cells[i].sum[c];
            sq[c] += mean * mean * cells[i].count;
            n += c == 0 ? cells[i].count : 0;
        }
    int axis = 0;
    double best = -1;
    for (int c = 0; c < 3; ++c) {
        const double var = sq[c] - s[c] * s[c] / n;
        if (var > best)
            best = var, axis = c;
    }
    std::sort(cells.begin() + box.begin, cells.begin() + box.end,
              [axis](const Cell& a, const Cell& b) { return a.sum[axis] / a.count < b.sum[axis] / b.count; });
    // Prefix sums give each split's error in one pass.
    double ln = 0, ls[3] = {0, 0, 0}, lsq = 0;
    const double tn = n, ts[3] = {s[0], s[1], s[2]};
    double tsq = 0;
    for (std::size_t i = box.begin; i < box.end; ++i)
        tsq += cells[i].sumSq;
    double bestErr = std::numeric_limits<double>::max();
    std::size_t bestAt = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
        ln += cells[i].count;
        lsq += cells[i].sumSq;
        for (int c = 0; c < 3; ++c)
            ls[c] += cells[i].sum[c];
        const double rn = tn - ln;
        const double le = lsq - (ls[0] * ls[0] + ls[1] * ls[1] + ls[2] * ls[2]) / ln;
        const double rs[3] = {ts[0] - ls[0], ts[1] - ls[1], ts[2] - ls[2]};
        const double re = (tsq - lsq) - (rs[0] * rs[0] + rs[1] * rs[1] + rs[2] * rs[2]) / rn;
        if (le + re < bestErr)
            bestErr = le + re, bestAt = i + 1;
    }
    low = Box{box.begin, bestAt, BoxError(cells, box.begin, bestAt)};
    high = Box{bestAt, box.end, BoxError(cells, bestAt, box.end)};
    return true;
}

int Nearest(const std::vector<Rgb>& palette, int r, int g, int b)
{
    int best = 0, bestD = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = r - palette[i].r, dg = g - palette[i].g, db = b - palette[i].b;
        const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db; // weighted towards the eye
        if (d < bestD)
            bestD = d, best = int(i);
    }
    return best;
}

std::vector<Rgb> AdaptivePalette(const Image& rgb, int colours)
{
    std::vector<int> slot(32768, -1);
    std::vector<Cell> cells;
    const std::size_t count = std::size_t(rgb.width) * rgb.height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = rgb.pixels.data() + i * 3;
        const int key = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3);
        if (slot[key] < 0) {
            slot[key] = int(cells.size());
            cells.push_back(Cell{{std::uint8_t(p[0] >> 3), std::uint8_t(p[1] >> 3), std::uint8_t(p[2] >> 3)}, 0, {0, 0, 0}, 0});
        }
        Cell& c = cells[slot[key]];
        ++c.count;
        c.sum[0] += p[0], c.sum[1] += p[1], c.sum[2] += p[2];
        c.sumSq += double(p[0]) * p[0] + double(p[1]) * p[1] + double(p[2]) * p[2];
    }
    std::vector<Box> boxes{Box{0, cells.size(), BoxError(cells, 0, cells.size())}};
    while (int(boxes.size()) < colours) {
        auto worst = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.sse < b.sse; });
        Box low, high;
        if (worst->sse <= 0 || !SplitBox(cells, *worst, low, high))
            break;
        *worst = low;
        boxes.push_back(high);
    }
    std::vector<Rgb> palette;
    for (const Box& b : boxes)
        palette.push_back(BoxMean(cells, b.begin, b.end));
    // A few rounds of k-means over the histogram cells pull each entry to the centre
    // of the colours it ends up standing for.
    for (int round = 0; round < 3; ++round) {
        std::vector<double> sums(palette.size() * 4, 0);
        for (const Cell& c : cells) {
            const int k = Nearest(palette, int(c.sum[0] / c.count), int(c.sum[1] / c.count), int(c.sum[2] / c.count));
            sums[k * 4] += c.sum[0], sums[k * 4 + 1] += c.sum[1], sums[k * 4 + 2] += c.sum[2], sums[k * 4 + 3] += c.count;
        }
        for (std::size_t k = 0; k < palette.size(); ++k)
            if (sums[k * 4 + 3] > 0)
                palette[k] = Rgb{std::uint8_t(sums[k * 4] / sums[k * 4 + 3] + 0.5),
                                 std::uint8_t(sums[k * 4 + 1] / sums[k * 4 + 3] + 0.5),
                                 std::uint8_t(sums[k * 4 + 2] / sums[k * 4 + 3] + 0.5)};
    }
    return palette;
}

// The picture's own colours when there are at most `limit` of them.
bool ExactPalette(const Image& rgb, std::size_t limit, std::vector<Rgb>& palette)
{
    std::unordered_map<std::uint32_t, int> seen;
    const std::size_t count = std::size_t(rgb.width) * rgb.height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = rgb.pixels.data() + i * 3;
        const std::uint32_t key = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
        if (seen.emplace(key, int(seen.size())).second && seen.size() > limit)
            return false;
    }
    palette.assign(seen.size(), Rgb{});
    for (const auto& [key, index] : seen)
        palette[index] = Rgb{std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)};
    return true;
}

// Serpentine Floyd–Steinberg onto `palette`; nearest entries are looked up once
// per 6-bit colour cell.
Image Dither(const Image& rgb, const std::vector<Rgb>& palette, int indexBits)
{
    Image out;
    out.Allocate(rgb.width, rgb.height, PixelFormat::Indexed);
    out.indexBits = indexBits;
    out.palette = palette;
    out.palette.resize(std::size_t(1) << indexBits, Rgb{});
    std::vector<std::int16_t> cache(1 << 18, -1);
    const int w = rgb.width;
    std::vector<int> errThis((w + 2) * 3, 0), errNext((w + 2) * 3, 0);
    for (int y = 0; y < rgb.height; ++y) {
        const bool leftToRight = (y & 1) == 0;
        std::fill(errNext.begin(), errNext.end(), 0);
        const std::uint8_t* src = rgb.Row(y);
        std::uint8_t* dst = out.Row(y);
        for (int i = 0; i < w; ++i) {
            const int x = leftToRight ? i : w - 1 - i;
            const int dir = leftToRight ? 1 : -1;
            int v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = std::clamp(src[x * 3 + c] + (errThis[(x + 1) * 3 + c] + 8) / 16, 0, 255);
            const int key = (v[0] >> 2) << 12 | (v[1] >> 2) << 6 | (v[2] >> 2);
            int k = cache[key];
            if (k < 0)
                cache[key] = std::int16_t(k = Nearest(palette, v[0], v[1], v[2]));
            dst[x] = std::uint8_t(k);
            const int chosen[3] = {palette[k].r, palette[k].g, palette[k].b};
            for (int c = 0; c < 3; ++c) {
                const int e = v[c] - chosen[c];
                errThis[(x + 1 + dir) * 3 + c] += e * 7;
                errNext[(x + 1 - dir) * 3 + c] += e * 3;
                errNext[(x + 1) * 3 + c] += e * 5;
                errNext[(x + 1 + dir) * 3 + c] += e * 1;
            }
        }
        std::swap(errThis, errNext);
    }
    return out;
}

Image ToGray(const Image& img)
{
    if (img.format == PixelFormat::Gray8)
        return img;
    Image scratch;
    const Image& rgb = AsRgb24(img, scratch);
    Image out;
    out.Allocate(img.width, img.height, PixelFormat::Gray8);
    for (std::size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = Luma(rgb.pixels[i * 3], rgb.pixels[i * 3 + 1], rgb.pixels[i * 3 + 2]);
    return out;
}

Image ToBlackAndWhite(const Image& img)
{
    const Image grey = ToGray(img);
    Image out;
    out.Allocate(img.width, img.height, PixelFormat::Indexed);
    out.indexBits = 1;
    out.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
    const int w = img.width;
    std::vector<int> errThis(w + 2, 0), errNext(w + 2, 0);
    for (int y = 0; y < img.height; ++y) {
        const bool leftToRight = (y & 1) == 0;
        std::fill(errNext.begin(), errNext.end(), 0);
        for (int i = 0; i < w; ++i) {
            const int x = leftToRight ? i : w - 1 - i;
            const int dir = leftToRight ? 1 : -1;
            const int v = grey.Row(y)[x] + (errThis[x + 1] + 8) / 16;
            const int bit = v >= 128 ? 1 : 0;
            out.Row(y)[x] = std::uint8_t(bit);
            const int e = v - (bit ? 255 : 0);
            errThis[x + 1 + dir] += e * 7;
            errNext[x + 1 - dir] += e * 3;
            errNext[x + 1] += e * 5;
            errNext[x + 1 + dir] += e;
        }
        std::swap(errThis, errNext);
    }
    return out;
}

Image ToPalette(const Image& img, int colours, int indexBits)
{
    Image scratch;
    const Image& rgb = AsRgb24(img, scratch);
    std::vector<Rgb> palette;
    if (ExactPalette(rgb, std::size_t(colours), palette))
        return Dither(rgb, palette, indexBits); // no error to spread: an exact mapping
    return Dither(rgb, AdaptivePalette(rgb, colours), indexBits);
}

} // namespace

Result<void> ChangeColorDepth(Image& img, ColourDepth depth)
{
    const Failure cannot = Fail(FailureKind::StepFailed, "cannot change the colour depth");
    if (img.Empty())
        return Fail(FailureKind::NoPicture, cannot.message);
    switch (depth) {
    case ColourDepth::Two:
        img = ToBlackAndWhite(img);
        return {};
    case ColourDepth::Sixteen:
        img = ToPalette(img, 16, 4);
        return {};
    case ColourDepth::Colours256:
        img = ToPalette(img, 256, 8);
        return {};
    case ColourDepth::Grey:
        img = ToGray(img);
        return {};
    case ColourDepth::Full:
        if (img.format != PixelFormat::Rgb24)
            img = ToRgb24(img);
        return {};
    }
    return cannot;
}

Result<void> ChangeColorDepth(Image& img, int code)
{
    static constexpr std::pair<int, ColourDepth> kCodes[] = {{1, ColourDepth::Two},
                                                             {4, ColourDepth::Sixteen},
                                                             {8, ColourDepth::Colours256},
                                                             {9, ColourDepth::Grey},
                                                             {12, ColourDepth::Full}};
    for (const auto& [known, depth] : kCodes)
        if (known == code)
            return ChangeColorDepth(img, depth);
    return Fail(FailureKind::StepFailed, "cannot change the colour depth");
}

Result<void> AdjustBrightness(Image& img, int value)
{
    if (img.Empty())
        return Fail(FailureKind::NoPicture, "cannot change the brightness");
    if (value < -100 || value > 100)
        return Fail(FailureKind::StepFailed, "cannot change the brightness");
    const int shift = (value * 255 + (value >= 0 ? 50 : -50)) / 100;
    std::array<std::uint8_t, 256> lut;
    for (int i = 0; i < 256; ++i)
        lut[i] = std::uint8_t(std::clamp(i + shift, 0, 255));
    if (img.format == PixelFormat::Indexed) {
        for (Rgb& c : img.palette)
            c = Rgb{lut[c.r], lut[c.g], lut[c.b]};
        return {};
    }
    const int channels = img.Channels();
    for (std::size_t i = 0; i < img.pixels.size(); ++i)
        if (channels != 4 || i % 4 != 3)
            img.pixels[i] = lut[img.pixels[i]];
    return {};
}

} // namespace media
