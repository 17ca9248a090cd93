#pragma once
// Owners for the FFmpeg objects the movie engine holds, so that every path out of
// a function frees what it made and no class needs a hand-written destructor.
#include "media/Result.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace media {
class MovieFile;
}

namespace media::av {

// Frees an input context's own reading (see MovieFile), which the library leaves to
// whoever made it.
void CloseOwnIo(AVIOContext* io);

struct FormatCloser {
    void operator()(AVFormatContext* p) const
    {
        AVIOContext* own = p && (p->flags & AVFMT_FLAG_CUSTOM_IO) ? p->pb : nullptr;
        avformat_close_input(&p);
        CloseOwnIo(own);
    }
};
struct CodecFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct ScalerFreer {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};

using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;

inline Packet NewPacket() { return Packet(av_packet_alloc()); }
inline Frame NewFrame() { return Frame(av_frame_alloc()); }

inline std::string ErrorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

// Opens the file for demuxing through its descriptor (each opening reads at its own
// offset, so openings on different threads do not disturb each other); a failure
// carries the library's reason.
Result<Format> OpenFormat(const std::shared_ptr<const MovieFile>& file);

// The same, for reading and seeking the video stream numbered `stream` (as a probed
// opening numbered it). Some containers (FLV) announce their streams only as their
// packets come, so a fresh opening is looked into until the stream is there: a seek
// in a stream the context does not have yet would reach past its table.
Result<Format> OpenFormatFor(const std::shared_ptr<const MovieFile>& file, int stream);

} // namespace media::av
