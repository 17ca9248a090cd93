// A decoded picture to 24-bit RGB: every column, in the colours its stream's tags say.
#include "media/movie/Developing.h"

#include "media/image/Processing.h"
#include "media/movie/HdrToSdr.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace media {

namespace {

// swscale's vector converters work in blocks of pixels and leave the last block of
// a row unconverted when the destination's rows leave no room for a whole block:
// rows with room for 16 more pixels, 64-byte aligned, get every column.
int RoomyStride(int width) { return (((width + 16) * 3) + 63) & ~63; }

bool IsYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && !(d->flags & AV_PIX_FMT_FLAG_RGB) && !(d->flags & AV_PIX_FMT_FLAG_PAL) && d->nb_components >= 3;
}

bool IsFullRangeFormat(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return false;
    }
}

// The matrix a stream's pictures are coded with.
int ColourMatrixOf(const AVFrame* frame)
{
    switch (frame->colorspace) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return SWS_CS_ITU601;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        // Untagged: high definition is BT.709, anything smaller BT.601, as players guess.
        return frame->width >= 1280 || frame->height > 576 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

// The matrix and the range the stream is tagged with (swscale assumes BT.601).
void UseStreamColours(SwsContext* scaler, const AVFrame* frame, AVPixelFormat format)
{
    if (!IsYuv(format))
        return;
    const int* matrix = sws_getCoefficients(ColourMatrixOf(frame));
    const int fullRange = frame->color_range == AVCOL_RANGE_JPEG || IsFullRangeFormat(format) ? 1 : 0;
    int *inv = nullptr, *table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    sws_getColorspaceDetails(scaler, &inv, &srcRange, &table, &dstRange, &brightness, &contrast, &saturation);
    if (inv != matrix || srcRange != fullRange)
        sws_setColorspaceDetails(scaler, matrix, fullRange, table, dstRange, brightness, contrast, saturation);
}

// An HDR picture tone mapped: straight from its Y'CbCr where it has the movie's size
// and a layout read directly, else through a 16-bit R'G'B' copy at the movie's size.
bool HdrToRgb(av::Scaler& scaler, const AVFrame* frame, HdrCurve curve, double peakNits, int width, int height,
              Image& out)
{
    // The tables are made once a thread for each curve, peak and gamut.
    const bool widePrimaries = frame->color_primaries != AVCOL_PRI_BT709;
    thread_local std::unique_ptr<HdrToSdr> toSdr;
    if (!toSdr || !toSdr->MadeFor(curve, peakNits, widePrimaries))
        toSdr = std::make_unique<HdrToSdr>(curve, peakNits, widePrimaries);
    if (frame->width == width && frame->height == height && HdrYuvToRgb(frame, *toSdr, out))
        return true;
    const auto format = AVPixelFormat(frame->format);
    scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height, format, width, height,
                                      AV_PIX_FMT_GBRP16, SWS_BILINEAR | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND,
                                      nullptr, nullptr, nullptr));
    if (!scaler || !out.Allocate(width, height, PixelFormat::Rgb24))
        return false;
    UseStreamColours(scaler.get(), frame, format);
    // Planes of green, blue and red, rows with room to spare for the vector code.
    const int stride = RoomyStride(width) * 2;
    thread_local std::vector<std::uint16_t> planes[3];
    uint8_t* dst[4] = {};
    int dstStride[4] = {};
    for (int p = 0; p < 3; ++p) {
        planes[p].resize(std::size_t(stride / 2) * height + 64);
        dst[p] = reinterpret_cast<uint8_t*>(planes[p].data());
        dstStride[p] = stride;
    }
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride) != height)
        return false;
    for (int y = 0; y < height; ++y) {
        std::uint16_t* rows[3];
        for (int p = 0; p < 3; ++p) {
            rows[p] = planes[p].data() + std::size_t(y) * (stride / 2);
            for (int x = 0; x < width; ++x)
                rows[p][x] >>= 4;
        }
        toSdr->Convert(rows[2], rows[0], rows[1], width, out.Row(y));
    }
    return true;
}

} // namespace

void TurnUpright(const DevelopSetup& setup, Image& picture)
{
    Orient(picture, setup.orientation);
}

bool ToRgb(av::Scaler& scaler, const AVFrame* frame, const DevelopSetup& setup, Image& out)
{
    if (frame->width <= 0 || frame->height <= 0)
        return false;
    const auto [width, height, fitted] = MadeSize(setup);
    const auto format = AVPixelFormat(frame->format);
    if (const HdrCurve curve = HdrCurveOf(frame); curve != HdrCurve::None && setup.toneMaps && IsYuv(format))
        return HdrToRgb(scaler, frame, curve, StatedPeakNits(frame, setup.statedPeakNits), width, height, out);
    scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height, format, width, height,
                                      AV_PIX_FMT_RGB24, fitted ? SWS_AREA : SWS_BILINEAR, nullptr, nullptr,
                                      nullptr));
    if (!scaler || !out.Allocate(width, height, PixelFormat::Rgb24))
        return false;
    UseStreamColours(scaler.get(), frame, format);
    const int rowBytes = out.width * 3;
    if (out.width % 16 == 0) {
        // Whole blocks: straight into the picture. The vector code may still store a
        // few bytes past the last row: room for them, then cut back.
        constexpr std::size_t kScalerSlack = 64;
        const std::size_t bytes = out.pixels.size();
        out.pixels.resize(bytes + kScalerSlack);
        uint8_t* dst[4] = {out.pixels.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {rowBytes, 0, 0, 0};
        const int rows = sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        out.pixels.resize(bytes);
        return rows == out.height;
    }
    // Rows converted into room of their own, then packed; one buffer a thread.
    const int stride = RoomyStride(out.width);
    thread_local std::vector<std::uint8_t> roomy;
    roomy.resize(std::size_t(stride) * out.height + 64);
    uint8_t* dst[4] = {roomy.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride) != out.height)
        return false;
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.Row(y), roomy.data() + std::size_t(y) * stride, std::size_t(rowBytes));
    return true;
}

int ShownWidth(int width, int height, AVRational sampleAspect)
{
    if (sampleAspect.num <= 0 || sampleAspect.den <= 0 || sampleAspect.num == sampleAspect.den)
        return width;
    // Whole pixels, the fraction dropped, as ffmpeg's scale=iw*sar:ih gives them.
    const long long shown = static_cast<long long>(std::int64_t(width) * sampleAspect.num / sampleAspect.den);
    // A shape no player would show (a damaged header) leaves the stored width.
    if (shown < 1 || shown > 8 * static_cast<long long>(width) || shown * height > kMaxImagePixels)
        return width;
    return int(shown);
}

PictureSize MadeSize(const DevelopSetup& setup)
{
    const int width = setup.shownWidth, height = setup.height;
    if (setup.fitWidth <= 0 || setup.fitHeight <= 0 || (width <= setup.fitWidth && height <= setup.fitHeight))
        return {width, height, false};
    const double scale = std::min(double(setup.fitWidth) / width, double(setup.fitHeight) / height);
    return {std::max(1, int(width * scale + 0.5)), std::max(1, int(height * scale + 0.5)), true};
}

bool ScaleTo(Image& picture, int width, int height)
{
    // Made smaller by averaging; widened (square pixels) as before.
    const int method = width < picture.width && height < picture.height ? SWS_AREA : SWS_BILINEAR;
    av::Scaler scaler(sws_getContext(picture.width, picture.height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_RGB24,
                                     method, nullptr, nullptr, nullptr));
    Image out;
    if (!scaler || !out.Allocate(width, height, PixelFormat::Rgb24))
        return false;
    const std::uint8_t* src[1] = {picture.pixels.data()};
    const int srcStride[1] = {picture.width * 3};
    std::uint8_t* dst[1] = {out.pixels.data()};
    const int dstStride[1] = {width * 3};
    if (sws_scale(scaler.get(), src, srcStride, 0, picture.height, dst, dstStride) != height)
        return false;
    picture = std::move(out);
    return true;
}

} // namespace media
