#include "media/codecs/JpegLibavcodec.h"

#include "media/codecs/AvCodec.h"
#include "media/codecs/Claims.h"

#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace media {

namespace {

Failure Invalid(const std::string& why) { return InvalidImage(ImageFormat::Jpeg, why); }

bool IsFrameMarker(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

using av::Context;
using av::Frame;
using av::Packet;

// swscale's names for JPEG's full-range layouts (it warns about the old ones).
AVPixelFormat WithoutJ(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

// The decoded frame as grey or 24-bit colour: JPEG's Y'CbCr is full range.
Result<Image> Converted(const AVFrame& frame)
{
    const AVPixelFormat format = WithoutJ(AVPixelFormat(frame.format));
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d)
        return Invalid("a picture layout FFmpeg does not describe");
    const bool grey = d->nb_components <= 2 && !(d->flags & AV_PIX_FMT_FLAG_RGB);
    Image img;
    if (!img.Allocate(frame.width, frame.height, grey ? PixelFormat::Gray8 : PixelFormat::Rgb24))
        return Invalid(ImplausibleSizeText(frame.width, frame.height));
    const AVPixelFormat out = grey ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_RGB24;
    const std::unique_ptr<SwsContext, void (*)(SwsContext*)> sws(
        sws_getContext(frame.width, frame.height, format, frame.width, frame.height, out,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr),
        sws_freeContext);
    if (!sws)
        return Invalid(std::string("cannot convert FFmpeg's ") + d->name + " picture");
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws.get(), bt601, 1, bt601, 1, 0, 1 << 16, 1 << 16);
    std::uint8_t* dst[4] = {img.pixels.data()};
    const int dstStride[4] = {int(img.RowBytes())};
    sws_scale(sws.get(), frame.data, frame.linesize, 0, frame.height, dst, dstStride);
    return img;
}

} // namespace

JpegFrameHeader ReadJpegFrameHeader(const std::uint8_t* d, std::size_t n)
{
    JpegFrameHeader h;
    for (std::size_t at = 2; at + 4 <= n;) {
        if (d[at] != 0xFF || d[at + 1] == 0xFF || d[at + 1] == 0) { // stray or fill bytes
            ++at;
            continue;
        }
        const int marker = d[at + 1];
        const std::size_t length = std::size_t(d[at + 2]) << 8 | d[at + 3];
        if (marker == 0xDA || marker == 0xD9 || length < 2)
            break;
        if (IsFrameMarker(marker) && length >= 8 && at + 10 <= n) {
            h.process = marker - 0xC0;
            h.precision = d[at + 4];
            h.height = d[at + 5] << 8 | d[at + 6];
            h.width = d[at + 7] << 8 | d[at + 8];
            h.components = d[at + 9];
            break;
        }
        at += 2 + length;
    }
    return h;
}

bool ReadThroughLibavcodec(const JpegFrameHeader& frame)
{
    return frame.process == 3 || (frame.precision > 8 && frame.process >= 0 && frame.process <= 2);
}

Result<Image> DecodeJpegThroughLibavcodec(const std::uint8_t* data, std::size_t size)
{
    av_log_set_level(AV_LOG_QUIET); // its complaints about a damaged picture are ours to say
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    Context context(codec ? avcodec_alloc_context3(codec) : nullptr);
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    if (!context || !packet || !frame || size > std::size_t(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE)
        return Fail(FailureKind::StepFailed, "cannot set up FFmpeg's JPEG decoder");
    context->err_recognition = AV_EF_EXPLODE; // a damaged picture fails, as libjpeg's do
    if (avcodec_open2(context.get(), codec, nullptr) < 0 || av_new_packet(packet.get(), int(size)) < 0)
        return Fail(FailureKind::StepFailed, "cannot set up FFmpeg's JPEG decoder");
    std::memcpy(packet->data, data, size);
    if (avcodec_send_packet(context.get(), packet.get()) < 0 || avcodec_send_packet(context.get(), nullptr) < 0 ||
        avcodec_receive_frame(context.get(), frame.get()) < 0)
        return Invalid("damaged or cut short picture data");
    return Converted(*frame);
}

} // namespace media
