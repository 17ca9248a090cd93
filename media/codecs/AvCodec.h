#pragma once
// FFmpeg's decoding objects, each freed by its own function on every way out.
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>

namespace media::av {

template <class T, void (*Free)(T**)>
struct Freed {
    void operator()(T* p) const { Free(&p); }
};
using Context = std::unique_ptr<AVCodecContext, Freed<AVCodecContext, avcodec_free_context>>;
using Packet = std::unique_ptr<AVPacket, Freed<AVPacket, av_packet_free>>;
using Frame = std::unique_ptr<AVFrame, Freed<AVFrame, av_frame_free>>;

} // namespace media::av
