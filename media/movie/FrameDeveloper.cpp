// The other threads' half of a run: decoding packets (when every picture stands
// alone) and converting pictures to RGB.
#include "media/movie/MovieReader.h"

#include "media/codecs/Codecs.h"
#include "media/movie/Developing.h"

namespace media {

UndevelopedFrame::UndevelopedFrame() : m(std::make_unique<UndevelopedFrameData>()) {}
UndevelopedFrame::~UndevelopedFrame() = default;
UndevelopedFrame::UndevelopedFrame(UndevelopedFrame&&) noexcept = default;
UndevelopedFrame& UndevelopedFrame::operator=(UndevelopedFrame&&) noexcept = default;
int UndevelopedFrame::Position() const { return m ? m->position : -1; }

bool DecodeJpegPacket(const DevelopSetup& setup, const AVPacket* packet, Image& out)
{
    const PictureSize made = MadeSize(setup);
    // For a view, libjpeg-turbo decodes a half, a quarter or an eighth where that is
    // still no smaller than the view's picture.
    int reduced = 1;
    while (made.fitted && reduced < 8 && setup.width / (reduced * 2) >= made.width &&
           setup.height / (reduced * 2) >= made.height)
        reduced *= 2;
    Result<Image> picture = DecodeJpeg(packet->data, std::size_t(packet->size),
                                       reduced > 1 ? Reduction([reduced](int, int) { return reduced; }) : Reduction());
    if (!picture || picture->width != (setup.width + reduced - 1) / reduced ||
        picture->height != (setup.height + reduced - 1) / reduced)
        return false;
    out = picture->format == PixelFormat::Rgb24 ? std::move(*picture) : ToRgb24(*picture);
    return (out.width == made.width && out.height == made.height) || ScaleTo(out, made.width, made.height);
}

struct FrameDeveloper::Impl {
    std::shared_ptr<const DevelopSetup> setup;
    av::Codec decoder; // made on the first packet
    bool decoderFailed = false;
    av::Frame decoded = av::NewFrame();
    av::Scaler scaler;
    std::unique_ptr<MovieReader> exact; // made on the first picture it must read itself

    bool OpenDecoder()
    {
        if (decoder || decoderFailed)
            return bool(decoder);
        decoderFailed = true;
        const AVCodec* codec = avcodec_find_decoder(setup->codec->codec_id);
        if (!codec)
            return false;
        decoder.reset(avcodec_alloc_context3(codec));
        if (!decoder || avcodec_parameters_to_context(decoder.get(), setup->codec.get()) < 0)
            return decoder.reset(), false;
        decoder->thread_count = 1; // the developers themselves are the parallelism
        if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
            return decoder.reset(), false;
        decoderFailed = false;
        return true;
    }

    bool Decode(const AVPacket* packet, Image& out)
    {
        if (!OpenDecoder())
            return false;
        // A picture the decoder had to patch up is left to the exact way: what it
        // patched with may depend on what this decoder decoded before.
        const bool ok = avcodec_send_packet(decoder.get(), packet) >= 0 &&
                        avcodec_receive_frame(decoder.get(), decoded.get()) == 0 && decoded->decode_error_flags == 0 &&
                        !(decoded->flags & AV_FRAME_FLAG_CORRUPT) &&
                        ToRgb(scaler, decoded.get(), *setup, out);
        av_frame_unref(decoded.get());
        if (!ok)
            avcodec_flush_buffers(decoder.get());
        return ok;
    }

    // A key picture's packet decoded by itself: whatever the decoder held is let go
    // before and after, and a picture that is no key picture is left to the exact way.
    bool DecodeAlone(const AVPacket* packet, Image& out)
    {
        if (!OpenDecoder())
            return false;
        avcodec_flush_buffers(decoder.get());
        const bool ok = avcodec_send_packet(decoder.get(), packet) >= 0 &&
                        avcodec_send_packet(decoder.get(), nullptr) >= 0 &&
                        avcodec_receive_frame(decoder.get(), decoded.get()) == 0 && decoded->key_frame &&
                        decoded->decode_error_flags == 0 && !(decoded->flags & AV_FRAME_FLAG_CORRUPT) &&
                        ToRgb(scaler, decoded.get(), *setup, out);
        av_frame_unref(decoded.get());
        avcodec_flush_buffers(decoder.get());
        return ok;
    }

    bool ReadExactly(int position, Image& out)
    {
        if (!exact) {
            auto opened = MovieReader::Open(setup->file, MovieReader::Options{1});
            if (!opened)
                return false;
            exact = std::move(*opened);
        }
        return exact->ReadFrame(position, out);
    }
};

FrameDeveloper::FrameDeveloper(const MovieReader& reader) : m(std::make_unique<Impl>())
{
    m->setup = reader.DevelopingSetup();
}

FrameDeveloper::~FrameDeveloper() = default;

std::optional<Bytes> FrameDeveloper::RewrittenJpeg(const UndevelopedFrame& frame, CoefficientWrite how) const
{
    const DevelopSetup& setup = *m->setup;
    const UndevelopedFrameData& d = *frame.m;
    if (d.failed || !d.packet || !setup.jpegPackets || setup.orientation != 1 || setup.shownWidth != setup.width)
        return std::nullopt;
    how.width = setup.width;
    how.height = setup.height;
    return RewriteJpegCoefficients(d.packet->data, std::size_t(d.packet->size), how);
}

bool FrameDeveloper::Develop(const UndevelopedFrame& frame, Image& out)
{
    const UndevelopedFrameData& d = *frame.m;
    bool ok = false;
    if (d.failed)
        ok = false;
    else if (d.frame)
        ok = ToRgb(m->scaler, d.frame.get(), *m->setup, out);
    else if (d.packet && d.alone)
        ok = m->DecodeAlone(d.packet.get(), out);
    else if (d.packet && m->setup->jpegPackets)
        ok = DecodeJpegPacket(*m->setup, d.packet.get(), out);
    else if (d.packet && m->setup->decodes)
        ok = m->Decode(d.packet.get(), out);
    if (ok) {
        TurnUpright(*m->setup, out);
    } else if (!d.failed) {
        // A damaged packet, or none found: the way a single read finds the picture
        // (already turned upright).
        ok = m->ReadExactly(d.position, out);
    }
    if (!ok)
        out = Image();
    return ok;
}

} // namespace media
