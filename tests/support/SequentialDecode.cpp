#include "support/SequentialDecode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <climits>
#include <utility>

std::uint64_t HashRgb(const std::uint8_t* data, std::size_t size, int width, int height)
{
    std::uint64_t h = 1469598103934665603ull ^ (std::uint64_t(width) << 32) ^ std::uint64_t(height);
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

SequentialDecode DecodeSequentially(const std::string& path, int positionCount)
{
    SequentialDecode result;
    result.positions = positionCount;
    result.hashAt.assign(positionCount, 0);
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return result;
    avformat_find_stream_info(fmt, nullptr);
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        avformat_close_input(&fmt);
        return result;
    }
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar);
    dec->thread_count = 1;
    avcodec_open2(dec, codec, nullptr);
    // The decoder's delay: how much later than its packet the first picture is stamped.
    int64_t delay = -1;
    int64_t firstDts = AV_NOPTS_VALUE;
    const int64_t declared = fmt->streams[stream]->codecpar->video_delay;

    std::vector<std::pair<int64_t, std::uint64_t>> pictures; // position, hash
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    std::vector<std::uint8_t> rgb;
    int64_t last = INT64_MIN;
    const auto drain = [&] {
        while (avcodec_receive_frame(dec, frame) == 0) {
            const int64_t ts = frame->best_effort_timestamp;
            if (delay < 0) {
                const int64_t measured = ts - firstDts;
                delay = ts != AV_NOPTS_VALUE && firstDts != AV_NOPTS_VALUE && measured >= 0 && measured <= 16
                            ? measured
                            : declared;
            }
            int64_t pos = ts == AV_NOPTS_VALUE ? (last == INT64_MIN ? 0 : last + 1) : ts - delay;
            if (last != INT64_MIN && pos <= last)
                pos = last + 1;
            last = pos;
            sws = sws_getCachedContext(sws, frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                       frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr,
                                       nullptr, nullptr);
            rgb.resize(std::size_t(frame->width) * frame->height * 3);
            uint8_t* dst[4] = {rgb.data(), nullptr, nullptr, nullptr};
            int stride[4] = {frame->width * 3, 0, 0, 0};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
            pictures.emplace_back(pos, HashRgb(rgb.data(), rgb.size(), frame->width, frame->height));
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == stream && pkt->size > 0 && !(pkt->flags & AV_PKT_FLAG_CORRUPT)) {
            if (firstDts == AV_NOPTS_VALUE)
                firstDts = pkt->dts;
            avcodec_send_packet(dec, pkt);
            drain();
        }
        av_packet_unref(pkt);
    }
    avcodec_send_packet(dec, nullptr);
    drain();

    std::size_t next = 0;
    std::uint64_t current = pictures.empty() ? 0 : pictures.front().second;
    for (int p = 0; p < positionCount; ++p) {
        while (next < pictures.size() && pictures[next].first <= p)
            current = pictures[next++].second;
        result.hashAt[p] = current;
    }
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return result;
}
