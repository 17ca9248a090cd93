#include "media/movie/AviWriter.h"
#include "media/movie/AvHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

std::array<std::uint8_t, 3> FrameColour(int n)
{
    return {std::uint8_t((n * 37 + 20) % 256), std::uint8_t((n * 91 + 50) % 256), std::uint8_t((n * 53 + 100) % 256)};
}

bool HasEncoder(const char* name) { return avcodec_find_encoder_by_name(name) != nullptr; }

using media::Failure;
using media::FailureKind;
using media::Result;
namespace av = media::av;

namespace {

void DrawFrame(std::vector<std::uint8_t>& rgb, int w, int h, int n, bool textured)
{
    const auto c = FrameColour(n);
    for (int i = 0; i < w * h; ++i)
        std::copy(c.begin(), c.end(), rgb.begin() + i * 3);
    if (textured)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = &rgb[(y * w + x) * 3];
                const unsigned v = (x * 7 + y * 13 + n * 5) ^ (x * y + n);
                p[0] = std::uint8_t(p[0] / 2 + (v & 0x7F));
                p[1] = std::uint8_t(p[1] / 2 + ((v >> 3) & 0x7F));
                p[2] = std::uint8_t(p[2] / 2 + ((x + n * 2) & 0x7F));
            }
    const int side = std::max(4, h / 6);
    const int x0 = (n * 3) % std::max(1, w - side), y0 = h / 2;
    for (int y = y0; y < std::min(h, y0 + side); ++y)
        for (int x = x0; x < x0 + side; ++x)
            std::fill_n(rgb.begin() + (y * w + x) * 3, 3, std::uint8_t(255 - c[0]));
}

Failure Failed(const std::string& why) { return media::Fail(FailureKind::StepFailed, why); }

// A muxer's output context, its file closed and the context freed on every way out.
struct OutputCloser {
    void operator()(AVFormatContext* fmt) const
    {
        if (fmt->pb)
            avio_closep(&fmt->pb);
        avformat_free_context(fmt);
    }
};
using Output = std::unique_ptr<AVFormatContext, OutputCloser>;

av::Codec OpenEncoder(const AVCodec* codec, const AviSpec& movie, const AVFormatContext* fmt)
{
    av::Codec enc(avcodec_alloc_context3(codec));
    if (!enc)
        return enc;
    enc->width = movie.width;
    enc->height = movie.height;
    enc->time_base = AVRational{1, 25};
    enc->framerate = AVRational{25, 1};
    enc->gop_size = movie.gop;
    enc->max_b_frames = movie.bFrames;
    enc->pix_fmt = movie.codec == "mjpeg" ? AV_PIX_FMT_YUVJ420P
                   : movie.codec == "rawvideo" ? AV_PIX_FMT_BGR24
                                               : AV_PIX_FMT_YUV420P;
    enc->thread_count = 1;
    if (movie.quality > 0) {
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = FF_QP2LAMBDA * movie.quality;
    }
    if (movie.codec == "libx264")
        av_opt_set(enc->priv_data, "preset", "ultrafast", 0);
    if (fmt->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(enc.get(), codec, nullptr) < 0)
        enc.reset();
    return enc;
}

} // namespace

Result<void> WriteAvi(const std::string& path, const AviSpec& movie, const FrameDrawer& draw)
{
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder_by_name(movie.codec.c_str());
    if (!codec)
        return Failed("no encoder " + movie.codec);
    AVFormatContext* made = nullptr;
    if (avformat_alloc_output_context2(&made, nullptr, "avi", path.c_str()) < 0)
        return Failed("no avi muxer");
    const Output fmt(made);
    AVStream* st = avformat_new_stream(fmt.get(), nullptr);
    const av::Codec enc = OpenEncoder(codec, movie, fmt.get());
    if (!st || !enc)
        return Failed("cannot open encoder " + movie.codec);
    avcodec_parameters_from_context(st->codecpar, enc.get());
    st->time_base = enc->time_base;
    bool ok = avio_open(&fmt->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(fmt.get(), nullptr) >= 0;

    const av::Scaler sws(sws_getContext(movie.width, movie.height, AV_PIX_FMT_RGB24, movie.width, movie.height,
                                        enc->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
    const av::Frame frame = av::NewFrame();
    const av::Packet pkt = av::NewPacket();
    if (!sws || !frame || !pkt)
        return Failed("out of memory");
    frame->format = enc->pix_fmt;
    frame->width = movie.width;
    frame->height = movie.height;
    av_frame_get_buffer(frame.get(), 0);
    std::vector<std::uint8_t> rgb(std::size_t(movie.width) * movie.height * 3);
    const auto drain = [&] {
        while (ok && avcodec_receive_packet(enc.get(), pkt.get()) == 0) {
            av_packet_rescale_ts(pkt.get(), enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            ok = av_interleaved_write_frame(fmt.get(), pkt.get()) >= 0;
        }
    };
    for (int n = 0; ok && n < movie.frames; ++n) {
        if (std::find(movie.dropped.begin(), movie.dropped.end(), n) != movie.dropped.end())
            continue;
        if (draw)
            draw(n, rgb);
        else
            DrawFrame(rgb, movie.width, movie.height, n, movie.textured);
        av_frame_make_writable(frame.get());
        const uint8_t* src[4] = {rgb.data(), nullptr, nullptr, nullptr};
        const int srcStride[4] = {movie.width * 3, 0, 0, 0};
        sws_scale(sws.get(), src, srcStride, 0, movie.height, frame->data, frame->linesize);
        frame->pts = n;
        frame->quality = enc->global_quality;
        ok = avcodec_send_frame(enc.get(), frame.get()) >= 0;
        drain();
    }
    avcodec_send_frame(enc.get(), nullptr);
    drain();
    if (ok)
        ok = av_write_trailer(fmt.get()) >= 0;
    if (!ok)
        return Failed("writing " + path + " failed");
    return {};
}

bool StripIndex(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = data.rfind("idx1");
    if (at == std::string::npos)
        return false;
    std::filesystem::resize_file(path, at);
    return true;
}
