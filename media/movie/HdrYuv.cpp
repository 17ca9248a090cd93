// An HDR picture's planar 10- to 16-bit Y'CbCr (BT.2020 non-constant luminance)
// straight to R'G'B' signals, row by row, and through the tone mapping: one pass
// over the picture instead of a 16-bit RGB copy first.
#include "media/movie/HdrToSdr.h"

#include "media/image/Image.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <vector>

namespace media {

namespace {

// A plane's samples of one row, little-endian words of `depth` bits.
const std::uint16_t* RowOf(const AVFrame* frame, int plane, int row)
{
    return reinterpret_cast<const std::uint16_t*>(frame->data[plane] + std::ptrdiff_t(row) * frame->linesize[plane]);
}

// A signal 0..1 as one of the tone mapping's 4096 steps (a value, not a reference
// like std::clamp's, so the loop stays vector code).
inline int Signal(float v)
{
    constexpr float last = HdrToSdr::kSteps - 1;
    v = v < 0.f ? 0.f : v;
    v = v > 1.f ? 1.f : v;
    return int(v * last + 0.5f);
}

} // namespace

bool HdrYuvToRgb(const AVFrame* frame, const HdrToSdr& toSdr, Image& out)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (!d || d->nb_components != 3 || !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || (d->flags & AV_PIX_FMT_FLAG_BE) ||
        (d->flags & AV_PIX_FMT_FLAG_RGB) || d->comp[0].depth < 10 || d->comp[0].depth > 16 ||
        d->comp[0].step != 2 || d->comp[0].shift != 0 || d->comp[1].plane != 1 || d->comp[2].plane != 2 || d->log2_chroma_w > 1 || d->log2_chroma_h > 1 ||
        frame->colorspace != AVCOL_SPC_BT2020_NCL)
        return false;
    const int width = frame->width, height = frame->height;
    if (!out.Allocate(width, height, PixelFormat::Rgb24))
        return false;
    const int depth = d->comp[0].depth;
    const bool halfWide = d->log2_chroma_w == 1, halfHigh = d->log2_chroma_h == 1;
    const int chromaWidth = halfWide ? (width + 1) / 2 : width;
    const int chromaHeight = halfHigh ? (height + 1) / 2 : height;
    // Signal = (code − black) · scale; the chroma's zero is the code's middle.
    const double unit = double(1 << (depth - 8));
    const bool full = frame->color_range == AVCOL_RANGE_JPEG;
    const float black = full ? 0.f : float(16 * unit);
    const float lumaScale = float(1 / (full ? double((1 << depth) - 1) : 219 * unit));
    const float chromaScale = float(1 / (full ? double((1 << depth) - 1) : 224 * unit));
    const float middle = float(1 << (depth - 1));

    thread_local std::vector<float> half, cb, cr;
    thread_local std::vector<std::uint16_t> red, green, blue;
    half.resize(std::size_t(chromaWidth));
    for (auto* row : {&cb, &cr})
        row->resize(std::size_t(width));
    for (auto* row : {&red, &green, &blue})
        row->resize(std::size_t(width));
    for (int y = 0; y < height; ++y) {
        // Chroma where this row lies: between two chroma rows when they are half as
        // many (a quarter of the way to the nearer other one), between two columns on
        // the odd columns (chroma sits on the even ones).
        const int near = halfHigh ? y / 2 : y;
        const int other = halfHigh ? std::clamp(y % 2 ? near + 1 : near - 1, 0, chromaHeight - 1) : near;
        const float nearWeight = halfHigh ? 0.75f : 1.f, otherWeight = 1 - nearWeight;
        for (int plane = 1; plane <= 2; ++plane) {
            const std::uint16_t* a = RowOf(frame, plane, near);
            const std::uint16_t* b = RowOf(frame, plane, other);
            float* row = plane == 1 ? cb.data() : cr.data();
            float* column = halfWide ? half.data() : row;
            for (int x = 0; x < chromaWidth; ++x)
                column[x] = (nearWeight * float(a[x]) + otherWeight * float(b[x]) - middle) * chromaScale;
            if (halfWide) {
                for (int x = 0; x + 1 < chromaWidth; ++x) {
                    row[2 * x] = half[std::size_t(x)];
                    row[2 * x + 1] = (half[std::size_t(x)] + half[std::size_t(x) + 1]) / 2;
                }
                for (int x = 2 * (chromaWidth - 1); x < width; ++x)
                    row[x] = half[std::size_t(chromaWidth) - 1];
            }
        }
        const std::uint16_t* luma = RowOf(frame, 0, y);
        for (int x = 0; x < width; ++x) {
            const float l = (float(luma[x]) - black) * lumaScale;
            const float r = l + 1.4746f * cr[std::size_t(x)];
            const float g = l - 0.16455f * cb[std::size_t(x)] - 0.57135f * cr[std::size_t(x)];
            const float bl = l + 1.8814f * cb[std::size_t(x)];
            red[std::size_t(x)] = std::uint16_t(Signal(r));
            green[std::size_t(x)] = std::uint16_t(Signal(g));
            blue[std::size_t(x)] = std::uint16_t(Signal(bl));
        }
        toSdr.Convert(red.data(), green.data(), blue.data(), width, out.Row(y));
    }
    return true;
}

} // namespace media
