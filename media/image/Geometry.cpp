// Rotation and resizing.
#include "media/image/Processing.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace media {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Margin pixel in the picture's own channel layout.
void MarginPixel(const Image& img, std::uint8_t* p)
{
    switch (img.format) {
    case PixelFormat::Gray8:
        p[0] = Luma(kMarginColour.r, kMarginColour.g, kMarginColour.b);
        break;
    case PixelFormat::Rgba32:
        p[3] = 255;
        [[fallthrough]];
    case PixelFormat::Rgb24:
        p[0] = kMarginColour.r, p[1] = kMarginColour.g, p[2] = kMarginColour.b;
        break;
    case PixelFormat::Indexed:
        p[0] = 0;
        break;
    }
}

Image RotateQuarterTurns(const Image& src, int turns)
{
    Image out = src;
    const int w = src.width, h = src.height, ch = src.Channels();
    if (turns % 2)
        out.width = h, out.height = w;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int dx, dy;
            if (turns == 1) // counter-clockwise: the top row becomes the left column, upwards
                dx = y, dy = w - 1 - x;
            else if (turns == 2)
                dx = w - 1 - x, dy = h - 1 - y;
            else
                dx = h - 1 - y, dy = x;
            std::copy_n(src.pixels.data() + (std::size_t(y) * w + x) * ch, ch,
                        out.pixels.data() + (std::size_t(dy) * out.width + dx) * ch);
        }
    return out;
}

// Bilinear sample at (fx, fy); false outside the picture.
bool Sample(const Image& img, double fx, double fy, std::uint8_t* out)
{
    if (fx < -0.5 || fy < -0.5 || fx > img.width - 0.5 || fy > img.height - 0.5)
        return false;
    const int ch = img.Channels();
    const double cx = std::clamp(fx, 0.0, double(img.width - 1)), cy = std::clamp(fy, 0.0, double(img.height - 1));
    const int x0 = int(cx), y0 = int(cy);
    const int x1 = std::min(x0 + 1, img.width - 1), y1 = std::min(y0 + 1, img.height - 1);
    const double ax = cx - x0, ay = cy - y0;
    for (int c = 0; c < ch; ++c) {
        const double top = img.Row(y0)[x0 * ch + c] * (1 - ax) + img.Row(y0)[x1 * ch + c] * ax;
        const double bottom = img.Row(y1)[x0 * ch + c] * (1 - ax) + img.Row(y1)[x1 * ch + c] * ax;
        out[c] = std::uint8_t(std::clamp(top * (1 - ay) + bottom * ay + 0.5, 0.0, 255.0));
    }
    return true;
}

Image RotateFree(const Image& input, double degrees)
{
    const Image src = input.format == PixelFormat::Indexed ? ToRgb24(input) : input;
    const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double w = src.width, h = src.height;
    const int nw = std::max(1, int(std::ceil(std::abs(w * c) + std::abs(h * s) - 1e-9)));
    const int nh = std::max(1, int(std::ceil(std::abs(w * s) + std::abs(h * c) - 1e-9)));
    Image out;
    if (!out.Allocate(nw, nh, src.format))
        return input;
    const int ch = src.Channels();
    const double cxs = w / 2, cys = h / 2, cxd = nw / 2.0, cyd = nh / 2.0;
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x) {
            // Inverse of a counter-clockwise turn (y runs downwards on screen).
            const double dx = x + 0.5 - cxd, dy = y + 0.5 - cyd;
            const double sx = c * dx - s * dy + cxs - 0.5, sy = s * dx + c * dy + cys - 0.5;
            std::uint8_t* p = out.pixels.data() + (std::size_t(y) * nw + x) * ch;
            if (!Sample(src, sx, sy, p))
                MarginPixel(out, p);
        }
    return out;
}

double Lanczos3(double x)
{
    x = std::abs(x);
    if (x < 1e-8)
        return 1;
    if (x >= 3)
        return 0;
    const double px = kPi * x;
    return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

double Triangle(double x)
{
    x = std::abs(x);
    return x < 1 ? 1 - x : 0;
}

// Per output column or row: the source samples and their weights.
struct Taps {
    std::vector<int> start, count;
    std::vector<float> weights;
    int maxCount = 0;
};

Taps MakeTaps(int srcSize, int dstSize, Interpolation filter)
{
    const double scale = double(dstSize) / srcSize;
    const double support = filter == Interpolation::Lanczos3 ? 3 : 1;
    const double stretch = scale < 1 ? 1 / scale : 1; // widen when shrinking
    const double radius = support * stretch;
    Taps t;
    t.maxCount = int(std::ceil(radius)) * 2 + 1;
    t.start.resize(dstSize);
    t.count.resize(dstSize);
    t.weights.assign(std::size_t(dstSize) * t.maxCount, 0);
    for (int i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        int first = int(std::floor(centre - radius + 1));
        int last = int(std::ceil(centre + radius - 1));
        first = std::max(first, 0);
        last = std::min(last, srcSize - 1);
        if (last - first + 1 > t.maxCount)
            last = first + t.maxCount - 1;
        double total = 0;
        for (int j = first; j <= last; ++j) {
            const double x = (j - centre) / stretch;
            const double wgt = filter == Interpolation::Lanczos3 ? Lanczos3(x) : Triangle(x);
            t.weights[std::size_t(i) * t.maxCount + (j - first)] = float(wgt);
            total += wgt;
        }
        if (total == 0) { // nothing in reach: the nearest sample
            first = last = std::clamp(int(centre + 0.5), 0, srcSize - 1);
            t.weights[std::size_t(i) * t.maxCount] = 1;
            total = 1;
        }
        for (int j = 0; j <= last - first; ++j)
            t.weights[std::size_t(i) * t.maxCount + j] /= float(total);
        t.start[i] = first;
        t.count[i] = last - first + 1;
    }
    return t;
}

// One row (its samples as floats) resampled across into `out` (w pixels of CH
// floats). Each output sums its taps in order, as the plain loop did, so the result
// is the same to the bit.
template <int CH>
void ResampleRow(const float* row, const Taps& across, int w, float* out)
{
    for (int x = 0; x < w; ++x) {
        const float* wt = &across.weights[std::size_t(x) * across.maxCount];
        const float* p = row + std::size_t(across.start[x]) * CH;
        float sum[CH] = {};
        for (int k = 0; k < across.count[x]; ++k)
            for (int c = 0; c < CH; ++c)
                sum[c] += wt[k] * p[k * CH + c];
        for (int c = 0; c < CH; ++c)
            out[std::size_t(x) * CH + c] = sum[c];
    }
}

void ResampleRow(const float* row, const Taps& across, int w, int ch, float* out)
{
    switch (ch) {
    case 1: return ResampleRow<1>(row, across, w, out);
    case 3: return ResampleRow<3>(row, across, w, out);
    default: return ResampleRow<4>(row, across, w, out);
    }
}

Image Resample(const Image& src, int w, int h, Interpolation filter)
{
    Image out;
    out.Allocate(w, h, src.format);
    out.indexBits = src.indexBits;
    out.palette = src.palette;
    const int ch = src.Channels();
    if (filter == Interpolation::Nearest) {
        for (int y = 0; y < h; ++y) {
            const int sy = std::min(int((y + 0.5) * src.height / h), src.height - 1);
            for (int x = 0; x < w; ++x) {
                const int sx = std::min(int((x + 0.5) * src.width / w), src.width - 1);
                std::copy_n(src.Row(sy) + sx * ch, ch, out.Row(y) + x * ch);
            }
        }
        return out;
    }
    // Two passes: across into a float buffer, then down.
    const Taps across = MakeTaps(src.width, w, filter), down = MakeTaps(src.height, h, filter);
    const std::size_t rowFloats = std::size_t(w) * ch;
    std::vector<float> middle(rowFloats * src.height);
    std::vector<float> samples(src.RowBytes()); // a source row, converted once
    for (int y = 0; y < src.height; ++y) {
        std::copy_n(src.Row(y), samples.size(), samples.begin());
        ResampleRow(samples.data(), across, w, ch, &middle[std::size_t(y) * rowFloats]);
    }
    // Down: whole rows at a time (a loop the compiler vectorizes), each output still
    // summing its taps in order.
    std::vector<float> sum(rowFloats);
    for (int y = 0; y < h; ++y) {
        const float* wt = &down.weights[std::size_t(y) * down.maxCount];
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int k = 0; k < down.count[y]; ++k) {
            const float weight = wt[k];
            const float* line = &middle[std::size_t(down.start[y] + k) * rowFloats];
            for (std::size_t i = 0; i < rowFloats; ++i)
                sum[i] += weight * line[i];
        }
        std::uint8_t* dst = out.Row(y);
        for (std::size_t i = 0; i < rowFloats; ++i)
            dst[i] = std::uint8_t(std::clamp(sum[i] + 0.5f, 0.0f, 255.0f));
    }
    return out;
}

// Maps a colour picture back onto `palette`, each pixel to its nearest entry.
Image ToNearestEntries(const Image& rgb, const Image& like)
{
    Image out;
    out.Allocate(rgb.width, rgb.height, PixelFormat::Indexed);
    out.indexBits = like.indexBits;
    out.palette = like.palette;
    std::vector<std::int16_t> cache(1 << 18, -1);
    for (std::size_t i = 0; i < out.pixels.size(); ++i) {
        const std::uint8_t* p = rgb.pixels.data() + i * 3;
        const int key = (p[0] >> 2) << 12 | (p[1] >> 2) << 6 | (p[2] >> 2);
        if (cache[key] < 0) {
            int best = 0, bestD = 1 << 30;
            for (std::size_t k = 0; k < like.palette.size(); ++k) {
                const int dr = p[0] - like.palette[k].r, dg = p[1] - like.palette[k].g, db = p[2] - like.palette[k].b;
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestD)
                    bestD = d, best = int(k);
            }
            cache[key] = std::int16_t(best);
        }
        out.pixels[i] = std::uint8_t(cache[key]);
    }
    return out;
}

} // namespace

Result<void> RotateCounterClockwise(Image& img, int degrees)
{
    if (img.Empty())
        return Fail(FailureKind::NoPicture, "cannot rotate");
    const int d = ((degrees % 360) + 360) % 360;
    if (d == 0)
        return {};
    img = d % 90 == 0 ? RotateQuarterTurns(img, d / 90) : RotateFree(img, d);
    return {};
}

Result<void> RotateClockwise(Image& img, int degrees)
{
    const int d = ((degrees % 360) + 360) % 360;
    if (img.Empty() || d % 90 != 0)
        return Fail(FailureKind::StepFailed, "cannot rotate");
    if (d != 0)
        img = RotateQuarterTurns(img, (4 - d / 90) % 4);
    return {};
}

void Orient(Image& img, int orientation)
{
    if (img.Empty() || orientation < 2 || orientation > 8)
        return;
    const int w = img.width, h = img.height, ch = img.Channels();
    const bool transposed = orientation >= 5;
    Image out;
    out.format = img.format;
    out.indexBits = img.indexBits;
    out.palette = img.palette;
    if (!out.Allocate(transposed ? h : w, transposed ? w : h, img.format))
        return;
    for (int y = 0; y < out.height; ++y) {
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < out.width; ++x, dst += ch) {
            int sx = x, sy = y; // where the viewed pixel is stored
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            }
            std::copy_n(img.pixels.data() + (std::size_t(sy) * w + sx) * ch, ch, dst);
        }
    }
    img = std::move(out);
}

Size FitInside(int w, int h, int width, int height)
{
    const double scale = std::min(double(width) / w, double(height) / h);
    return {std::clamp(int(std::lround(w * scale)), 1, width), std::clamp(int(std::lround(h * scale)), 1, height)};
}

namespace {

std::string SizeText(std::int64_t w, std::int64_t h) { return std::to_string(w) + " × " + std::to_string(h); }

} // namespace

Result<void> Resize(Image& img, int width, int height, bool keepAspect, Interpolation filter, std::optional<Size> fitted)
{
    std::string impossible;
    if (width < 1 || height < 1)
        impossible = "is less than one pixel";
    else if (!PlausibleSize(width, height))
        impossible = "is " + SizeText(width, height) + ", larger than " + std::to_string(kMaxImagePixels) +
                     " pixels or " + std::to_string(kMaxImageSide) + " a side";
    if (!impossible.empty())
        return Failure{FailureKind::StepFailed, SizeText(width, height) + " " + impossible, impossible, {}};
    if (img.Empty())
        return Fail(FailureKind::NoPicture, "cannot resize");
    int w = width, h = height;
    if (keepAspect) {
        const Size inside = fitted ? *fitted : FitInside(img.width, img.height, width, height);
        w = std::clamp(inside.width, 1, width);
        h = std::clamp(inside.height, 1, height);
    }
    if (w == img.width && h == img.height && w == width && h == height)
        return {}; // already that size
    const bool indexed = img.format == PixelFormat::Indexed;
    Image scaled;
    if (indexed && filter != Interpolation::Nearest)
        scaled = ToNearestEntries(Resample(ToRgb24(img), w, h, filter), img);
    else
        scaled = Resample(img, w, h, filter);
    if (w == width && h == height) {
        img = std::move(scaled);
        return {};
    }
    // Centred on the margin colour (for a palette: its entry nearest to white).
    Image canvas;
    canvas.Allocate(width, height, scaled.format);
    canvas.indexBits = scaled.indexBits;
    canvas.palette = scaled.palette;
    const int ch = canvas.Channels();
    std::vector<std::uint8_t> margin(ch);
    if (indexed) {
        Image white;
        white.Allocate(1, 1, PixelFormat::Rgb24);
        white.pixels = {kMarginColour.r, kMarginColour.g, kMarginColour.b};
        margin[0] = ToNearestEntries(white, scaled).pixels[0];
    } else {
        MarginPixel(canvas, margin.data());
    }
    for (std::size_t i = 0; i < canvas.pixels.size(); i += ch)
        std::copy(margin.begin(), margin.end(), canvas.pixels.begin() + i);
    const int left = (width - w) / 2, top = (height - h) / 2;
    for (int y = 0; y < h; ++y)
        std::copy_n(scaled.Row(y), scaled.RowBytes(), canvas.Row(top + y) + left * ch);
    img = std::move(canvas);
    return {};
}

void CropMiddle(Image& img, int width, int height)
{
    width = std::clamp(width, 1, img.width), height = std::clamp(height, 1, img.height);
    if (width == img.width && height == img.height)
        return;
    Image out;
    out.format = img.format, out.indexBits = img.indexBits, out.palette = img.palette;
    out.width = width, out.height = height;
    out.pixels.resize(out.RowBytes() * std::size_t(height));
    const int left = (img.width - width) / 2, top = (img.height - height) / 2;
    for (int y = 0; y < height; ++y)
        std::copy_n(img.Row(top + y) + std::size_t(left) * std::size_t(img.Channels()), out.RowBytes(), out.Row(y));
    img = std::move(out);
}

} // namespace media
