#include "media/movie/MovieReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <vector>

namespace media {

namespace {

// Pictures larger than this are refused before anything is allocated for them.
constexpr int64_t kMaxPixels = 16384LL * 16384LL;
constexpr int64_t kNoPosition = INT64_MIN;
constexpr int64_t kChunkHeaderSlack = 16;
constexpr int64_t kMaxStamp = INT_MAX;

std::string AvError(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

struct FrameSlot {
    AVFrame* frame = av_frame_alloc();
    int64_t pos = kNoPosition;
    bool valid = false;
    ~FrameSlot() { av_frame_free(&frame); }
    void Clear()
    {
        av_frame_unref(frame);
        valid = false;
        pos = kNoPosition;
    }
    void TakeFrom(FrameSlot& other)
    {
        av_frame_unref(frame);
        av_frame_move_ref(frame, other.frame);
        pos = other.pos;
        valid = other.valid;
        other.valid = false;
        other.pos = kNoPosition;
    }
};

} // namespace

struct MovieReader::Impl {
    std::string path;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* dec = nullptr;
    SwsContext* sws = nullptr;
    AVPacket* packet = av_packet_alloc();
    int stream = -1;
    int positionCount = 0;
    int width = 0;
    int height = 0;
    double frameRate = 0;
    int64_t delay = 0;
    // Key frames as the container names them: their position and where their data starts.
    struct Key {
        int64_t position;
        int64_t bytePos;
        bool operator<(const Key& o) const { return position < o.position; }
    };
    std::vector<Key> keys; // ascending by position
    bool keysReliable = false; // the decoder marks real key frames (see TrustsKeyFrames)

    // A demuxer may stamp the packets after a seek differently from a read from the
    // start; the first packet after a seek is matched to its key frame and the rest
    // are shifted by the same amount.
    // Intra-only pictures without decoder delay come out one per packet, stamped with
    // that packet's position: the next packet then tells whether a picture remains at
    // or before a position, without decoding a picture beyond it.
    bool directStamps = false;
    AVPacket* peeked = av_packet_alloc();
    bool hasPeeked = false;
    int64_t firstFedDts = AV_NOPTS_VALUE; // of the first packet since the last reset
    int64_t lastFedDts = AV_NOPTS_VALUE;

    bool matchAfterSeek = false;
    bool seekUnmatched = false;
    int64_t dtsCorrection = 0;

    // Decoding state: `held` is the latest picture at or before the last position
    // asked for; `pending` a picture already taken from the decoder that lies beyond it.
    FrameSlot held, pending, incoming;
    bool positioned = false; // the decoder's pictures can be trusted from here on
    bool atStart = false;    // ... because it started at the beginning of the movie
    bool sentEnd = false;    // the end of the packets has been sent to the decoder
    bool drained = false;    // and every picture has come out
    int64_t lastPos = kNoPosition;
    Stats stats;

    ~Impl()
    {
        sws_freeContext(sws);
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
        av_packet_free(&packet);
        av_packet_free(&peeked);
    }

    bool OpenInput(std::string& error)
    {
        avformat_close_input(&fmt);
        const int r = avformat_open_input(&fmt, path.c_str(), nullptr, nullptr);
        if (r < 0) {
            error = path + ": " + AvError(r);
            return false;
        }
        return true;
    }

    bool Open(std::string& error)
    {
        if (!OpenInput(error))
            return false;
        if (const int r = avformat_find_stream_info(fmt, nullptr); r < 0) {
            error = path + ": " + AvError(r);
            return false;
        }
        const AVCodec* codec = nullptr;
        stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (stream == AVERROR_STREAM_NOT_FOUND) {
            error = path + ": no video stream";
            return false;
        }
        if (stream < 0 || !codec) {
            const AVStream* st = stream >= 0 ? fmt->streams[stream] : nullptr;
            const char* name = st ? avcodec_get_name(st->codecpar->codec_id) : "unknown";
            error = path + ": unsupported video codec (" + name + ")";
            return false;
        }
        const AVStream* st = fmt->streams[stream];
        width = st->codecpar->width;
        height = st->codecpar->height;
        if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxPixels) {
            error = path + ": unusable picture size " + std::to_string(width) + " x " + std::to_string(height);
            return false;
        }
        delay = st->codecpar->video_delay;
        if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
            frameRate = av_q2d(st->avg_frame_rate);
        else if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0)
            frameRate = av_q2d(st->r_frame_rate);
        if (!OpenDecoder(codec, error))
            return false;
        keysReliable = TrustsKeyFrames();
        MeasurePositions();
        if (positionCount <= 0) {
            error = path + ": the movie holds no frames";
            return false;
        }
        MeasureDelay();
        const AVCodecDescriptor* d = avcodec_descriptor_get(dec->codec_id);
        directStamps = delay == 0 && d && (d->props & AV_CODEC_PROP_INTRA_ONLY);
        return SeekToStart();
    }

    // How many positions later than its packet the decoder stamps a picture. The
    // stream's own figure is not always right (MPEG-2 holds every picture back by one
    // without saying so); the first picture out tells.
    void MeasureDelay()
    {
        if (!SeekToStart())
            return;
        const int64_t declared = delay;
        delay = 0;
        if (NextPicture() && firstFedDts != AV_NOPTS_VALUE &&
            incoming.frame->best_effort_timestamp != AV_NOPTS_VALUE) {
            const int64_t measured = incoming.frame->best_effort_timestamp - firstFedDts;
            delay = measured >= 0 && measured <= 16 ? measured : declared;
        } else {
            delay = declared;
        }
    }

    bool OpenDecoder(const AVCodec* codec, std::string& error)
    {
        dec = avcodec_alloc_context3(codec);
        if (!dec || avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar) < 0) {
            error = path + ": cannot set up the decoder";
            return false;
        }
        dec->max_pixels = kMaxPixels;
        dec->thread_count = 0;
        dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        if (const int r = avcodec_open2(dec, codec, nullptr); r < 0) {
            error = path + ": cannot open the " + codec->name + " decoder: " + AvError(r);
            return false;
        }
        return true;
    }

    // The real number of positions: the index's last entry that lies inside the file,
    // or the last packet actually there, whichever is further; headers lie about it.
    // The packets are walked (not decoded) from the last indexed key frame on, or from
    // the start without an index, since a damaged file's index may stop early.
    void MeasurePositions()
    {
        AVStream* st = fmt->streams[stream];
        const int64_t fileSize = fmt->pb ? avio_size(fmt->pb) : -1;
        int64_t last = -1;
        const int entries = avformat_index_get_entries_count(st);
        for (int i = 0; i < entries; ++i) {
            const AVIndexEntry* e = avformat_index_get_entry(st, i);
            if (!e || (fileSize > 0 && e->pos + e->size > fileSize))
                continue;
            last = std::max(last, e->timestamp);
            if ((e->flags & AVINDEX_KEYFRAME) && e->size > 0)
                keys.push_back({e->timestamp, e->pos});
        }
        std::sort(keys.begin(), keys.end());
        bool fromStart = true;
        if (!keys.empty()) {
            ResetDecoding();
            matchAfterSeek = av_seek_frame(fmt, stream, keys.back().position, AVSEEK_FLAG_BACKWARD) >= 0;
            fromStart = !matchAfterSeek;
        }
        std::string ignored;
        if (fromStart && !OpenInput(ignored))
            return;
        while (av_read_frame(fmt, packet) >= 0) {
            if (packet->stream_index == stream && packet->dts != AV_NOPTS_VALUE) {
                if (matchAfterSeek && !MatchSeekLanding(packet->pos, packet->dts)) {
                    av_packet_unref(packet);
                    if (!OpenInput(ignored)) // the landing cannot be placed: walk it all
                        return;
                    continue;
                }
                const int64_t dts = packet->dts + dtsCorrection;
                last = std::max(last, dts);
                if ((packet->flags & AV_PKT_FLAG_KEY) && packet->size > 0 && (keys.empty() || dts > keys.back().position))
                    keys.push_back({dts, packet->pos});
            }
            av_packet_unref(packet);
        }
        positionCount = last >= 0 && last < INT_MAX ? int(last + 1) : 0;
    }

    // Places the first packet after a seek: it must start a known key frame.
    bool MatchSeekLanding(int64_t bytePos, int64_t dts)
    {
        matchAfterSeek = false;
        // An index may point at the chunk's header rather than at its data.
        for (const Key& k : keys)
            if (bytePos >= k.bytePos && bytePos - k.bytePos <= kChunkHeaderSlack) {
                dtsCorrection = k.position - dts;
                return true;
            }
        seekUnmatched = true;
        dtsCorrection = 0;
        return false;
    }

    // Decoders of these codecs say truly whether a picture is a key frame; for the
    // others (Cinepak, MS Video 1, TSCC ...) every picture claims to be one, so a
    // seek cannot be verified and the movie is decoded from its start instead.
    bool TrustsKeyFrames() const
    {
        const AVCodecDescriptor* d = avcodec_descriptor_get(dec->codec_id);
        if (d && (d->props & AV_CODEC_PROP_INTRA_ONLY))
            return true;
        switch (dec->codec_id) {
        case AV_CODEC_ID_MPEG4:
        case AV_CODEC_ID_H264:
        case AV_CODEC_ID_HEVC:
        case AV_CODEC_ID_MPEG1VIDEO:
        case AV_CODEC_ID_MPEG2VIDEO:
        case AV_CODEC_ID_MSMPEG4V1:
        case AV_CODEC_ID_MSMPEG4V2:
        case AV_CODEC_ID_MSMPEG4V3:
        case AV_CODEC_ID_WMV1:
        case AV_CODEC_ID_WMV2:
        case AV_CODEC_ID_H263:
        case AV_CODEC_ID_H263P:
        case AV_CODEC_ID_FLV1:
        case AV_CODEC_ID_VP8:
        case AV_CODEC_ID_VP9:
        case AV_CODEC_ID_AV1:
            return true;
        default:
            return false;
        }
    }

    void ResetDecoding()
    {
        avcodec_flush_buffers(dec);
        held.Clear();
        pending.Clear();
        incoming.Clear();
        sentEnd = false;
        drained = false;
        lastPos = kNoPosition;
        positioned = false;
        atStart = false;
        matchAfterSeek = false;
        seekUnmatched = false;
        dtsCorrection = 0;
        av_packet_unref(peeked);
        hasPeeked = false;
        firstFedDts = AV_NOPTS_VALUE;
        lastFedDts = AV_NOPTS_VALUE;
    }

    // Back to the first packet, stamped exactly as a first read stamps it: the file is
    // opened anew, since seeking to the start may stamp packets differently.
    bool SeekToStart()
    {
        ++stats.seeks;
        std::string ignored;
        if (!OpenInput(ignored))
            return false;
        ResetDecoding();
        positioned = true;
        atStart = true;
        return true;
    }

    // Takes the next picture out of the decoder into `incoming`, feeding it packets as
    // it asks for them. False once every picture has come out (or nothing more can).
    bool NextPicture()
    {
        for (;;) {
            const int r = avcodec_receive_frame(dec, incoming.frame);
            if (r == 0) {
                ++stats.decoded;
                const int64_t ts = incoming.frame->best_effort_timestamp;
                // Pictures drained at the end carry no stamp: they follow the one before,
                // or, first out after a seek, the last packet fed.
                int64_t pos;
                if (ts != AV_NOPTS_VALUE)
                    pos = ts - delay;
                else if (lastPos != kNoPosition)
                    pos = lastPos + 1;
                else
                    pos = lastFedDts != AV_NOPTS_VALUE ? std::max<int64_t>(0, lastFedDts + 1 - delay) : 0;
                if (lastPos != kNoPosition && pos <= lastPos)
                    pos = lastPos + 1; // pictures never share or go back in position
                lastPos = pos;
                incoming.pos = pos;
                incoming.valid = true;
                return true;
            }
            if (r != AVERROR(EAGAIN) || sentEnd || seekUnmatched) {
                drained = true;
                return false;
            }
            FeedPacket();
        }
    }

    // Reads the movie's next non-empty video packet into `peeked`, stamped as a read
    // from the start would stamp it. False at the end (or after an unplaceable seek).
    bool PeekPacket()
    {
        if (hasPeeked)
            return true;
        while (av_read_frame(fmt, peeked) >= 0) {
            if (peeked->stream_index != stream) {
                av_packet_unref(peeked);
                continue;
            }
            if (matchAfterSeek && !MatchSeekLanding(peeked->pos, peeked->dts)) {
                av_packet_unref(peeked);
                return false;
            }
            // Empty chunks are dropped frames (an empty packet would end the decoder's input);
            // a chunk cut short is dropped too: what it decodes to would depend on what the
            // decoder held before, so it could not be the same picture on every read.
            if (peeked->size <= 0 || (peeked->flags & AV_PKT_FLAG_CORRUPT)) {
                av_packet_unref(peeked);
                continue;
            }
            if (peeked->dts != AV_NOPTS_VALUE && (peeked->dts < -kMaxStamp || peeked->dts > kMaxStamp)) {
                av_packet_unref(peeked); // a stamp no movie has: damaged data
                continue;
            }
            if (peeked->dts != AV_NOPTS_VALUE)
                peeked->dts += dtsCorrection;
            if (peeked->pts != AV_NOPTS_VALUE && peeked->pts > -kMaxStamp && peeked->pts < kMaxStamp)
                peeked->pts += dtsCorrection;
            hasPeeked = true;
            return true;
        }
        return false;
    }

    void FeedPacket()
    {
        for (;;) {
            if (!PeekPacket()) {
                avcodec_send_packet(dec, nullptr);
                sentEnd = true;
                return;
            }
            if (firstFedDts == AV_NOPTS_VALUE)
                firstFedDts = peeked->dts;
            lastFedDts = peeked->dts;
            const int r = avcodec_send_packet(dec, peeked);
            av_packet_unref(peeked);
            hasPeeked = false;
            if (r >= 0 || r == AVERROR(EAGAIN))
                return;
            // A damaged packet: skip it and go on with the next one.
        }
    }

    // With direct stamps: no picture at or before `n` is still to come.
    bool NothingMoreUpTo(int64_t n)
    {
        if (!directStamps || sentEnd || seekUnmatched)
            return false;
        return !PeekPacket() || (peeked->dts != AV_NOPTS_VALUE && peeked->dts > n);
    }

    // True when the decoder can reach `n` by going forward from where it stands,
    // without a key frame in between that a seek would land on.
    bool CanGoForward(int64_t n) const
    {
        if (!positioned)
            return false;
        if (!held.valid)
            return atStart;
        if (held.pos > n)
            return false;
        // A key frame further on than the next picture: a seek skips the work between.
        const int64_t frontier = pending.valid ? pending.pos : held.pos;
        return !KeyBetween(frontier + 1, n);
    }

    bool KeyBetween(int64_t after, int64_t upTo) const
    {
        if (!keysReliable)
            return false;
        const auto it = std::upper_bound(keys.begin(), keys.end(), Key{after, 0});
        return it != keys.end() && it->position <= upTo;
    }

    // After a seek: the first key picture out, within a few pictures. Pictures before it
    // (an open group's leading pictures, which need the previous group) are dropped;
    // they lie before the key picture and are never the answer.
    bool LandOnKeyPicture()
    {
        for (int tries = 0; tries < 8; ++tries) {
            if (!NextPicture())
                return false;
            if (incoming.frame->key_frame)
                return true;
        }
        return false;
    }

    // Goes to the nearest key frame at or before `n` whose landing can be verified:
    // the first picture out must really be a key frame, at or before `n`.
    bool SeekBefore(int64_t n)
    {
        auto it = std::upper_bound(keys.begin(), keys.end(), Key{n, 0});
        while (keysReliable && it != keys.begin()) {
            --it;
            if (it == keys.begin())
                break; // the first key frame is the start, reached more simply below
            ++stats.seeks;
            ResetDecoding();
            if (av_seek_frame(fmt, stream, it->position, AVSEEK_FLAG_BACKWARD) < 0)
                break;
            matchAfterSeek = true;
            if (LandOnKeyPicture() && incoming.pos <= n) {
                held.TakeFrom(incoming);
                positioned = true;
                return true;
            }
        }
        return SeekToStart();
    }

    // Puts the picture for position `n` into `held` (or, before the first picture,
    // leaves the first picture in `pending`). False when there is none.
    const AVFrame* PictureAt(int64_t n)
    {
        if (held.valid && held.pos <= n &&
            ((pending.valid && pending.pos > n) || (!pending.valid && (drained || NothingMoreUpTo(n)))))
            return held.frame;
        if (!CanGoForward(n) && !SeekBefore(n))
            return nullptr;
        for (;;) {
            if (pending.valid) {
                if (pending.pos > n)
                    break;
                held.TakeFrom(pending);
                continue;
            }
            if (held.valid && NothingMoreUpTo(n))
                break;
            if (!NextPicture())
                break;
            if (incoming.pos <= n)
                held.TakeFrom(incoming);
            else
                pending.TakeFrom(incoming);
        }
        if (held.valid)
            return held.frame;
        return pending.valid ? pending.frame : nullptr;
    }

    bool Convert(const AVFrame* frame, RgbImage& out)
    {
        if (frame->width <= 0 || frame->height <= 0)
            return false;
        sws = sws_getCachedContext(sws, frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                   frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr);
        if (!sws)
            return false;
        out.width = frame->width;
        out.height = frame->height;
        out.pixels.resize(size_t(out.width) * out.height * 3);
        uint8_t* dst[4] = {out.pixels.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {out.width * 3, 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        ++stats.converted;
        return true;
    }
};

MovieReader::MovieReader() : m(std::make_unique<Impl>()) {}
MovieReader::~MovieReader() = default;

std::unique_ptr<MovieReader> MovieReader::Open(const std::string& path, std::string& error)
{
    // Damaged movies are the engine's business to report, not the library's to print.
    av_log_set_level(AV_LOG_QUIET);
    std::unique_ptr<MovieReader> reader(new MovieReader);
    reader->m->path = path;
    if (!reader->m->Open(error))
        return nullptr;
    return reader;
}

int MovieReader::PositionCount() const { return m->positionCount; }
int MovieReader::Width() const { return m->width; }
int MovieReader::Height() const { return m->height; }
double MovieReader::FrameRate() const { return m->frameRate; }
MovieReader::Stats MovieReader::Statistics() const { return m->stats; }

bool MovieReader::ReadFrame(int position, RgbImage& out)
{
    out = RgbImage();
    if (position < 0 || position >= m->positionCount)
        return false;
    const AVFrame* picture = m->PictureAt(position);
    return picture && m->Convert(picture, out);
}

void MovieReader::ReadRun(int start, int end, int step, const std::function<bool(int, const RgbImage*)>& deliver)
{
    if (step < 1)
        step = 1;
    RgbImage image;
    for (int64_t n = std::max(start, 0); n <= end && n < m->positionCount; n += step) {
        const bool ok = ReadFrame(int(n), image);
        if (!deliver(int(n), ok ? &image : nullptr))
            return;
    }
}

} // namespace media
