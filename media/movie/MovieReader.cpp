#include "media/movie/MovieReader.h"

#include "media/movie/AvHandles.h"
#include "media/movie/Developing.h"
#include "media/movie/MovieIndex.h"
#include "media/movie/ShownPictures.h"

extern "C" {
#include <libavutil/display.h>
}

#include <algorithm>
#include <cmath>
#include <climits>
#include <deque>
#include <optional>

namespace media {

namespace {

// Pictures larger than this are refused before anything is allocated for them.
constexpr std::int64_t kMaxPixels = 16384LL * 16384LL;
constexpr std::int64_t kNone = INT64_MIN;
// How many positions a decoder may hold a picture back, or present a key picture
// after its own packet (B-frames before it); more than any real stream uses.
constexpr std::int64_t kMaxLead = 16;
// A run that reads packets reads on to a packet at most this many positions ahead,
// and seeks to one further on.
constexpr std::int64_t kReadAhead = 3;

// A decoded picture and the position it belongs to.
struct Picture {
    av::Frame frame = av::NewFrame();
    std::int64_t pos = kNone;
    bool valid = false;

    void Clear()
    {
        av_frame_unref(frame.get());
        valid = false;
        pos = kNone;
    }
    void TakeFrom(Picture& other)
    {
        av_frame_unref(frame.get());
        av_frame_move_ref(frame.get(), other.frame.get());
        pos = other.pos;
        valid = other.valid;
        other.valid = false;
        other.pos = kNone;
    }
};

// Decoders of these codecs say truly whether a picture is a key frame; for the
// others (Cinepak, MS Video 1, TSCC ...) every picture claims to be one, so a seek
// cannot be verified and the movie is decoded from its start instead.
bool TrustsKeyFrames(AVCodecID id)
{
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    if (d && (d->props & AV_CODEC_PROP_INTRA_ONLY))
        return true;
    switch (id) {
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

// Codecs whose every key picture decodes the same with a fresh decoder, whatever it
// decoded before (no carried tables, no palette sent once).
bool PicturesStandAlone(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_MJPEGB:
    case AV_CODEC_ID_DVVIDEO:
    case AV_CODEC_ID_RAWVIDEO:
    case AV_CODEC_ID_UTVIDEO:
    case AV_CODEC_ID_HUFFYUV: // its adaptive tables travel in every picture
    case AV_CODEC_ID_FFVHUFF:
    case AV_CODEC_ID_FFV1:
    case AV_CODEC_ID_PRORES:
    case AV_CODEC_ID_DNXHD:
    case AV_CODEC_ID_MAGICYUV:
    case AV_CODEC_ID_PNG:
    case AV_CODEC_ID_JPEGLS:
    case AV_CODEC_ID_LJPEG:
        return true;
    default:
        return false;
    }
}

bool KeepsParameterSets(AVCodecID id) { return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC; }

// How a stream's display matrix asks for its pictures to be shown (phones write one),
// as an EXIF orientation (1 as stored .. 8); the matrix's scale and offset do not
// matter here. A matrix that turns by other than quarter turns is taken for its
// nearest quarter turn.
int DisplayOrientation(const AVStream* st)
{
    const auto* m =
        reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!m)
        return 1;
    // A stored pixel (p, q) shows at (a p + c q, b p + d q), y pointing down.
    const auto sign = [](std::int32_t v) { return (v > 0) - (v < 0); };
    const int a = sign(m[0]), b = sign(m[1]), c = sign(m[3]), d = sign(m[4]);
    if (b == 0 && c == 0 && a != 0 && d != 0)
        return a > 0 ? (d > 0 ? 1 : 4) : (d > 0 ? 2 : 3);
    if (a == 0 && d == 0 && b != 0 && c != 0)
        return b > 0 ? (c > 0 ? 5 : 6) : (c > 0 ? 8 : 7);
    const double counterClockwise = av_display_rotation_get(m);
    if (std::isnan(counterClockwise))
        return 1;
    const long quarter = std::lround(-counterClockwise / 90);
    static const int kTurned[] = {1, 6, 3, 8};
    return kTurned[((quarter % 4) + 4) % 4];
}

} // namespace

struct MovieReader::Impl {
    // Where decoding stands.
    enum class Phase {
        Idle,      // nothing to go on from: the next read positions the decoder
        Landing,   // after a seek: waiting for the key picture that places the rest
        Decoding,  // each picture out takes the next position fed (in presentation order)
        Exhausted, // every picture has come out, or a landing failed
    };

    std::shared_ptr<const MovieFile> file;
    std::string path; // the file's path, for messages
    Options options;
    av::Format fmt;
    av::Codec dec;
    const AVCodec* codec = nullptr;
    std::shared_ptr<const AVCodecParameters> parameters; // the stream's, as first opened
    av::Scaler sws;
    int stream = -1;
    MovieIndex index;
    int width = 0;  // as coded
    int height = 0;
    int orientation = 1; // the display matrix's, as an EXIF orientation
    double frameRate = 0;
    bool keysReliable = false;
    // A picture carries the stamp of the packet that brought it out: that packet's
    // position lies `stampLead` positions after the picture's own (the decoder's
    // reordering delay, the same however many threads decode). -1: not known.
    std::int64_t stampLead = -1;
    bool reorders = false; // pictures may come out in an order other than their packets'
    std::int64_t positionCount = 0;
    std::int64_t lastStamped = kNone; // the furthest picture placed by its stamp

    Phase phase = Phase::Idle;
    // While decoding toward a wanted position, pictures that nothing refers to and that
    // lie before it are not decoded at all (the decoder's skip_frame). Those pictures
    // never come out, so the pictures that do are placed by their presentation stamps.
    std::int64_t skipBefore = kNone;
    bool skipped = false; // some packet was given to the decoder to skip since the reset
    // The last position a run asks for before it seeks elsewhere or ends. Once the
    // packet of its picture is in, the decoder is emptied instead of fed on: the
    // packets after it would only be decoded to push that picture out.
    std::int64_t runEnd = kNone;
    std::int64_t drainAfter = kNone; // packet after which the decoder is emptied
    std::int64_t drainUpTo = kNone;  // the position it was emptied for
    bool drainedEarly = false; // packets were left out: pictures are placed by their stamps
    bool fromStart = false; // decoding began at the first packet of the movie
    bool endSent = false;   // every packet is in the decoder
    // Positions of the packets in the decoder whose pictures have not come out,
    // ascending: pictures come out in presentation order and take them in turn.
    std::deque<std::int64_t> inDecoder;
    std::int64_t landingKey = kNone; // position of the first packet after a seek
    std::int64_t lastFed = kNone;
    std::int64_t lastOut = kNone;
    int leadingDropped = 0; // pictures before the key picture after a seek

    // Tells the packets read which show a picture of their own (their stamps and
    // places may be missing in a damaged stream, so the index cannot say).
    std::unique_ptr<ShownPictures> shownPictures;
    av::Packet peeked = av::NewPacket();
    bool hasPeeked = false;
    std::int64_t peekedPos = kNone;

    // `held` is the latest picture at or before the last position asked for;
    // `pending` a picture already out of the decoder that lies beyond it.
    Picture held, pending, incoming;
    Stats stats;
    std::shared_ptr<DevelopSetup> setup = std::make_shared<DevelopSetup>();

    // The container and the decoder of its video stream.
    // A failure of this movie: its facts begin with the path.
    Failure Failed(FailureKind kind, const std::string& why) const { return Fail(kind, why).Prefixed(path + ": "); }

    // The container and the decoder of its video stream.
    Result<void> OpenStream()
    {
        Result<av::Format> opened = av::OpenFormat(file);
        if (!opened)
            return opened.Error().Prefixed(path + ": ");
        fmt = std::move(*opened);
        if (const int r = avformat_find_stream_info(fmt.get(), nullptr); r < 0)
            return Failed(FailureKind::BadData, av::ErrorText(r));
        const AVCodec* codec = nullptr;
        stream = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (stream == AVERROR_STREAM_NOT_FOUND)
            return Failed(FailureKind::Unsupported, "no video stream");
        if (stream < 0 || !codec) {
            const AVStream* st = stream >= 0 ? fmt->streams[stream] : nullptr;
            const char* name = st ? avcodec_get_name(st->codecpar->codec_id) : "unknown";
            return Failed(FailureKind::Unsupported, std::string("unsupported video codec (") + name + ")");
        }
        const AVStream* st = fmt->streams[stream];
        width = st->codecpar->width;
        height = st->codecpar->height;
        orientation = DisplayOrientation(st);
        if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels)
            return Failed(FailureKind::Unsupported,
                          "unusable picture size " + std::to_string(width) + " x " + std::to_string(height));
        if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
            frameRate = av_q2d(st->avg_frame_rate);
        else if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0)
            frameRate = av_q2d(st->r_frame_rate);
        AVCodecParameters* copy = avcodec_parameters_alloc();
        if (!copy || avcodec_parameters_copy(copy, st->codecpar) < 0) {
            avcodec_parameters_free(&copy);
            return Failed(FailureKind::StepFailed, "cannot set up the decoder");
        }
        parameters.reset(copy, [](AVCodecParameters* p) { avcodec_parameters_free(&p); });
        this->codec = codec;
        MEDIA_TRY(OpenDecoder());
        shownPictures = std::make_unique<ShownPictures>(st->codecpar);
        keysReliable = TrustsKeyFrames(dec->codec_id);
        return {};
    }

    // What the movie's packets and first pictures tell: the positions, and how the
    // decoder's pictures are placed.
    Result<void> Measure()
    {
        index = MovieIndex::Measure(file, stream);
        if (index.PositionCount() <= 0)
            return Failed(FailureKind::BadData, "the movie holds no frames");
        positionCount = index.PositionCount();
        const std::optional<std::int64_t> first = MeasureStampLead();
        if (!first)
            return Failed(FailureKind::BadData, "no frame of the movie can be decoded");
        if (index.ShowsBefore(*first)) {
            // The movie begins inside a group of pictures (a capture, a cut): the pictures
            // before the first one that decodes need what came before, and are never shown.
            index = index.HidingBefore(*first);
            positionCount = index.PositionCount();
            if (positionCount <= 0 || !MeasureStampLead())
                return Failed(FailureKind::BadData, "no frame of the movie can be decoded");
        }
        // Stamps that only repeat the decoding order (an FLV without composition times)
        // say nothing of where a reordering decoder's pictures show.
        if (reorders && index.PresentationIsDecoding())
            index = index.WithoutPresentation();
        index.Settle();
        if (index.CutShort() && (reorders || !index.ChunkStamps()))
            MeasureCutEnd();
        return {};
    }

    // What another reader of the same file measured, taken over instead of measured again.
    void TakeMeasures(const Impl& other)
    {
        index = other.index;
        positionCount = other.positionCount;
        stampLead = other.stampLead;
        reorders = other.reorders;
        lastStamped = other.lastStamped;
    }

    // Whether a run's developers can decode its packets themselves: every packet a key
    // picture that comes out for its own packet, of a codec that carries nothing from
    // one picture to the next.
    void PrepareDevelopers()
    {
        setup->file = file;
        setup->codec = parameters;
        setup->decodes = setup->codec && keysReliable && PicturesStandAlone(dec->codec_id) && index.EveryPacketKey() &&
                         !reorders && stampLead == 0 && dec->pix_fmt != AV_PIX_FMT_PAL8;
        // Motion JPEG pictures are plain JPEGs, which libjpeg-turbo decodes faster.
        setup->jpegPackets = setup->decodes && dec->codec_id == AV_CODEC_ID_MJPEG;
        setup->width = width;
        setup->height = height;
        setup->orientation = orientation;
    }

    // A movie cut short ends at its last picture that decodes (the packets the cut
    // leaves whole may need a reference that was cut off); an AVI at its last picture
    // whose chunk is certain (see PlaceableInOrder).
    void MeasureCutEnd()
    {
        if (!SeekBefore(positionCount - 1))
            return;
        std::int64_t last = held.valid ? held.pos : kNone;
        while (NextPicture())
            last = incoming.pos;
        last = index.ChunkStamps() ? lastStamped : last;
        if (last != kNone)
            positionCount = std::min(positionCount, last + 1);
    }

    // A decoder of the stream as it was first opened.
    Result<void> OpenDecoder()
    {
        av::Codec fresh(avcodec_alloc_context3(codec));
        if (!fresh || avcodec_parameters_to_context(fresh.get(), parameters.get()) < 0)
            return Failed(FailureKind::StepFailed, "cannot set up the decoder");
        fresh->max_pixels = kMaxPixels;
        fresh->thread_count = std::max(0, options.decoderThreads);
        fresh->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        if (const int r = avcodec_open2(fresh.get(), codec, nullptr); r < 0)
            return Failed(FailureKind::StepFailed,
                          std::string("cannot open the ") + codec->name + " decoder: " + av::ErrorText(r));
        dec = std::move(fresh);
        return {};
    }

    // The first picture from the start is placed by counting; the stamp it carries
    // tells how far the stamps run ahead of the pictures. Its presentation stamp
    // (the lowest possible where there is none), or nothing when no picture decodes.
    std::optional<std::int64_t> MeasureStampLead()
    {
        reorders = fmt->streams[stream]->codecpar->video_delay > 0;
        stampLead = -1;
        lastStamped = kNone;
        if (!SeekToStart() || !NextPicture())
            return std::nullopt;
        if (stampLead > 0)
            reorders = true;
        return incoming.frame->pts != AV_NOPTS_VALUE ? incoming.frame->pts : INT64_MIN;
    }

    void Reset()
    {
        // An H.264 or HEVC decoder keeps the parameter sets it found in the packets
        // across a flush, which a stream may change midway: a fresh one makes a seek's
        // pictures independent of what was decoded before. Others keep what only the
        // first packet brings (a palette), so they are flushed.
        if (!KeepsParameterSets(codec->id) || !OpenDecoder())
            avcodec_flush_buffers(dec.get());
        dec->skip_frame = AVDISCARD_DEFAULT;
        shownPictures->Restart();
        held.Clear();
        pending.Clear();
        incoming.Clear();
        inDecoder.clear();
        av_packet_unref(peeked.get());
        hasPeeked = false;
        peekedPos = kNone;
        phase = Phase::Idle;
        skipped = false;
        drainAfter = kNone;
        drainedEarly = false;
        fromStart = false;
        endSent = false;
        landingKey = kNone;
        lastFed = kNone;
        lastOut = kNone;
        leadingDropped = 0;
    }

    // Back to the first packet: the file is opened anew (through the descriptor it was
    // opened with, never by its path again), the plainest way to the start.
    bool SeekToStart()
    {
        ++stats.seeks;
        Reset();
        Result<av::Format> opened = av::OpenFormatFor(file, stream);
        fmt = opened ? std::move(*opened) : nullptr;
        if (!fmt)
            return false;
        phase = Phase::Decoding;
        fromStart = true;
        return true;
    }

    // Where the index puts a packet read from the file.
    std::optional<std::int64_t> IndexedPosition(const AVPacket* p) const
    {
        return index.PositionOf(p->pos, p->dts);
    }

    // The position of a packet read from the file.
    std::optional<std::int64_t> PacketPosition(const AVPacket* p) const
    {
        std::optional<std::int64_t> pos = IndexedPosition(p);
        if (!pos && lastFed != kNone)
            pos = lastFed + 1;
        if (!pos && fromStart)
            pos = 0;
        if (pos && lastFed != kNone && *pos <= lastFed)
            pos = lastFed + 1; // packets come in decoding order, one position each
        return pos;
    }

    // Reads the movie's next video packet with a picture into `peeked`. False at the
    // end, or when the packet cannot be placed.
    bool PeekPacket()
    {
        if (hasPeeked)
            return true;
        if (!fmt)
            return false;
        while (av_read_frame(fmt.get(), peeked.get()) >= 0) {
            // Empty chunks are dropped frames; a chunk cut short is dropped too: what it
            // decodes to depends on what the decoder held before, so it could not be the
            // same picture on every read.
            if (peeked->stream_index != stream || peeked->size <= 0 || (peeked->flags & AV_PKT_FLAG_CORRUPT)) {
                av_packet_unref(peeked.get());
                continue;
            }
            // A packet an edit list leaves out, or one whose picture is hidden: decoded
            // for the pictures after it, but its own picture is never shown (the decoder
            // drops it) and takes no position.
            const bool shows = shownPictures->Next(peeked.get()) == ShownPictures::Kind::Shown;
            if (!shows || (peeked->flags & AV_PKT_FLAG_DISCARD) || index.Hidden(peeked->pos, peeked->dts)) {
                peekedPos = kNone;
                hasPeeked = true;
                return true;
            }
            const std::optional<std::int64_t> pos = PacketPosition(peeked.get());
            if (!pos) {
                av_packet_unref(peeked.get());
                return false;
            }
            peekedPos = *pos;
            hasPeeked = true;
            return true;
        }
        return false;
    }

    void FeedPacket()
    {
        if (drainAfter != kNone && lastFed != kNone && lastFed >= drainAfter) {
            avcodec_send_packet(dec.get(), nullptr);
            endSent = true;
            drainedEarly = true;
            return;
        }
        for (;;) {
            if (!PeekPacket()) {
                avcodec_send_packet(dec.get(), nullptr);
                endSent = true;
                return;
            }
            // A packet without a position of its own (a second field, a hidden frame)
            // is skipped or decoded with the packet before it.
            if (peekedPos != kNone)
                dec->skip_frame = SkippedPacket(peeked.get()) ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            skipped = skipped || dec->skip_frame == AVDISCARD_NONREF;
            const int r = avcodec_send_packet(dec.get(), peeked.get());
            if (r == AVERROR(EAGAIN))
                return; // the decoder wants its pictures taken first; the packet waits
            if (r >= 0 && peekedPos != kNone) {
                inDecoder.push_back(peekedPos);
                lastFed = peekedPos;
                if (landingKey == kNone)
                    landingKey = peekedPos;
            }
            av_packet_unref(peeked.get());
            hasPeeked = false;
            if (r >= 0)
                return;
            // A damaged packet: skip it and go on with the next one.
        }
    }

    // Whether the decoder may leave out the packet's picture (if nothing refers to it):
    // its picture lies before the position being sought.
    bool SkippedPacket(const AVPacket* p) const
    {
        if (skipBefore == kNone || phase != Phase::Decoding || !index.PlacesByPresentation())
            return false;
        const std::optional<std::int64_t> shown = index.PositionOfPresentation(p->pts);
        return shown && *shown < skipBefore;
    }

    // The position the stamp on a picture points to, when stamps are understood.
    std::optional<std::int64_t> StampedPosition(const AVFrame* f) const
    {
        if (stampLead < 0)
            return std::nullopt;
        const std::optional<std::int64_t> at = index.PositionOfDts(f->pkt_dts);
        if (!at)
            return std::nullopt;
        return *at - stampLead;
    }

    void Forget(std::int64_t upTo)
    {
        while (!inDecoder.empty() && inDecoder.front() <= upTo)
            inDecoder.pop_front();
    }

    // After a seek, the key picture decides where the pictures are; the ones before
    // it (an open group's leading pictures, which need the previous group) are never
    // the answer and are dropped.
    enum class Placing { Placed, Dropped, Failed };
    Placing PlaceAfterSeek(const AVFrame* f, std::int64_t& pos)
    {
        if (!f->key_frame)
            return ++leadingDropped > kMaxLead ? Placing::Failed : Placing::Dropped;
        const std::optional<std::int64_t> stamped = StampedPosition(f);
        if (stamped)
            pos = *stamped;
        else if (!reorders && landingKey != kNone)
            pos = landingKey;
        else
            return Placing::Failed;
        if (landingKey == kNone || pos < landingKey || pos > landingKey + kMaxLead)
            return Placing::Failed;
        Forget(pos);
        phase = Phase::Decoding;
        if (stamped)
            lastStamped = std::max(lastStamped, pos);
        return Placing::Placed;
    }

    // Where the index places every picture by its presentation stamp, the position of
    // the picture `f`, or kNone when its stamp is no position's; nothing where its
    // stamp cannot tell (the picture is placed in decoding order instead).
    std::optional<std::int64_t> PresentationPlace(const AVFrame* f) const
    {
        if (!index.PlacesByPresentation() || f->pts == AV_NOPTS_VALUE)
            return std::nullopt;
        return index.PositionOfPresentation(f->pts).value_or(kNone);
    }

    // Where an AVI is cut short, its last chunks are missing. The pictures a
    // reordering decoder still holds at the end are shown after B-pictures that may
    // have been cut off, so their chunks are unknown: they are left out, and the movie
    // ends at the last picture the stamps place (see MeasureCutEnd). Elsewhere a
    // position is a picture shown, and a picture cut off is simply not one.
    bool PlaceableInOrder(const AVFrame* f) const
    {
        return !(endSent && reorders && index.CutShort() && index.ChunkStamps() && !StampedPosition(f));
    }

    std::int64_t PlaceInOrder(const AVFrame* f)
    {
        std::int64_t pos = inDecoder.empty() ? lastOut + 1 : inDecoder.front();
        if (fromStart && lastOut == kNone && stampLead < 0) {
            if (const std::optional<std::int64_t> at = index.PositionOfDts(f->pkt_dts))
                if (*at - pos >= 0 && *at - pos <= kMaxLead)
                    stampLead = *at - pos;
        }
        // A picture stamped further on than its turn: the decoder gave nothing for the
        // packets between (damaged, or nothing changed), which then show the picture before.
        const std::optional<std::int64_t> stamped = StampedPosition(f);
        if (stamped && *stamped > pos && !inDecoder.empty() && *stamped <= inDecoder.back()) {
            Forget(*stamped - 1);
            pos = *stamped;
        }
        if (stamped && *stamped == pos)
            lastStamped = std::max(lastStamped, pos);
        if (!inDecoder.empty() && inDecoder.front() == pos)
            inDecoder.pop_front();
        return pos;
    }

    // Takes the next placed picture out of the decoder into `incoming`, feeding it
    // packets as it asks for them. False once every picture has come out, or when a
    // seek's landing cannot be placed.
    bool NextPicture()
    {
        while (phase == Phase::Decoding || phase == Phase::Landing) {
            const int r = avcodec_receive_frame(dec.get(), incoming.frame.get());
            if (r == AVERROR(EAGAIN) && !endSent) {
                FeedPacket();
                continue;
            }
            if (r != 0) {
                phase = Phase::Exhausted;
                return false;
            }
            ++stats.decoded;
            std::int64_t pos = kNone;
            if (phase == Phase::Landing) {
                const Placing placing = PlaceAfterSeek(incoming.frame.get(), pos);
                if (placing == Placing::Failed) {
                    phase = Phase::Exhausted;
                    av_frame_unref(incoming.frame.get());
                    return false;
                }
                if (placing == Placing::Dropped) {
                    av_frame_unref(incoming.frame.get());
                    continue;
                }
            } else if (const std::optional<std::int64_t> shown = PresentationPlace(incoming.frame.get())) {
                // A picture placed by its presentation stamp; one the stamps show nowhere
                // (one of the pictures left out before the first that decodes) is dropped.
                if (*shown == kNone) {
                    av_frame_unref(incoming.frame.get());
                    continue;
                }
                if (fromStart && lastOut == kNone)
                    PlaceInOrder(incoming.frame.get()); // measures how far the stamps lead
                pos = *shown;
                Forget(pos);
            } else if (PlaceableInOrder(incoming.frame.get())) {
                pos = PlaceInOrder(incoming.frame.get());
            } else {
                av_frame_unref(incoming.frame.get());
                continue;
            }
            if (lastOut != kNone && pos <= lastOut)
                pos = lastOut + 1; // pictures never share or go back in position
            lastOut = pos;
            incoming.pos = pos;
            incoming.valid = true;
            return true;
        }
        return false;
    }

    // True when no picture at or before `n` is still to come. Known without decoding
    // further only where each picture comes out for its own packet, in order.
    bool NothingMoreUpTo(std::int64_t n)
    {
        if (phase != Phase::Decoding || reorders || stampLead != 0)
            return phase == Phase::Exhausted;
        if (!inDecoder.empty() && inDecoder.front() <= n)
            return false;
        return endSent || !PeekPacket() || peekedPos > n;
    }

    bool KeyBetween(std::int64_t after, std::int64_t upTo) const
    {
        if (!keysReliable)
            return false;
        const auto& keys = index.Keys();
        const auto it = std::upper_bound(keys.begin(), keys.end(), after,
                                         [](std::int64_t v, const MovieIndex::Key& k) { return v < k.position; });
        return it != keys.end() && it->position <= upTo;
    }

    // True when the decoder can reach `n` by going forward from where it stands,
    // without a key frame in between that a seek would land on.
    bool CanGoForward(std::int64_t n) const
    {
        // Once emptied early, the pictures still to come are not the ones after it.
        if (phase == Phase::Idle || phase == Phase::Landing || drainedEarly)
            return false;
        if (!held.valid && !fromStart)
            return false;
        if (held.valid && held.pos > n)
            return false;
        // The decoder goes on from the next packet it has not been given; a key frame
        // beyond that makes a seek the shorter way (from the movie's start too).
        std::int64_t frontier = held.valid ? held.pos : -1;
        if (pending.valid)
            frontier = std::max(frontier, pending.pos);
        if (lastFed != kNone)
            frontier = std::max(frontier, lastFed);
        return !KeyBetween(frontier + 1, n);
    }

    // Goes to the nearest key frame at or before `n` whose landing can be verified:
    // the key picture must come out and be placed at or before `n`.
    bool SeekBefore(std::int64_t n)
    {
        const auto& keys = index.Keys();
        auto it = std::upper_bound(keys.begin(), keys.end(), n,
                                   [](std::int64_t v, const MovieIndex::Key& k) { return v < k.position; });
        const bool seekable = keysReliable && (!reorders || stampLead >= 0);
        while (seekable && fmt && it != keys.begin()) {
            --it;
            if (it == keys.begin())
                break; // the first key frame is the start, reached more simply below
            ++stats.seeks;
            Reset();
            if (av_seek_frame(fmt.get(), stream, it->dts, AVSEEK_FLAG_BACKWARD) < 0)
                break;
            phase = Phase::Landing;
            if (NextPicture() && incoming.pos <= n) {
                held.TakeFrom(incoming);
                return true;
            }
        }
        return SeekToStart();
    }

    // Whether `held` is the picture for `n` without decoding further. After an early
    // emptying it is only for the position emptied for.
    bool HeldAnswers(std::int64_t n)
    {
        if (!held.valid || held.pos > n)
            return false;
        if (drainedEarly)
            return n == drainUpTo;
        return pending.valid ? pending.pos > n : NothingMoreUpTo(n);
    }

    std::int64_t LastOfRun(std::int64_t start, std::int64_t end, std::int64_t step) const
    {
        start = std::max<std::int64_t>(start, 0);
        end = std::min(end, positionCount - 1);
        return end < start ? kNone : start + (end - start) / step * step;
    }

    // Puts the picture for position `n` into `held` (or, before the first picture,
    // leaves the first picture in `pending`). Null when there is none.
    const AVFrame* PictureAt(std::int64_t n)
    {
        if (HeldAnswers(n))
            return held.frame.get();
        if (!CanGoForward(n) && !SeekBefore(n))
            return nullptr;
        skipBefore = n;
        if (n == runEnd && index.PlacesByPresentation()) {
            drainAfter = index.PacketOfPicture(n).value_or(kNone);
            drainUpTo = n;
        }
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
        skipBefore = kNone;
        drainAfter = kNone;
        if (held.valid)
            return held.frame.get();
        return pending.valid ? pending.frame.get() : nullptr;
    }

    // Packets are read from a second opening of the file, so that reading them never
    // disturbs where the decoder stands.
    av::Format packetFile;
    av::Packet shown = av::NewPacket();
    std::int64_t shownPos = kNone;
    std::int64_t packetCursor = kNone; // position of the last packet read there

    // Reads the packet at `at` into `shown`, reading on when it lies just ahead and
    // seeking otherwise. False when it cannot be read whole.
    bool ReadPacketAt(const MovieIndex::Key& at)
    {
        av_packet_unref(shown.get());
        shownPos = kNone;
        if (!packetFile) {
            Result<av::Format> opened = av::OpenFormatFor(file, stream);
            if (!opened)
                return false;
            packetFile = std::move(*opened);
            packetCursor = kNone;
        }
        if (packetCursor == kNone || at.position <= packetCursor || at.position - packetCursor > kReadAhead) {
            ++stats.seeks;
            packetCursor = kNone;
            if (av_seek_frame(packetFile.get(), stream, at.dts, AVSEEK_FLAG_BACKWARD) < 0)
                return false;
        }
        while (av_read_frame(packetFile.get(), shown.get()) >= 0) {
            std::optional<std::int64_t> pos;
            if (shown->stream_index == stream && shown->size > 0)
                pos = IndexedPosition(shown.get());
            if (pos) {
                packetCursor = *pos;
                if (*pos == at.position && !(shown->flags & AV_PKT_FLAG_CORRUPT)) {
                    shownPos = *pos;
                    return true;
                }
            }
            av_packet_unref(shown.get());
            if (pos && *pos >= at.position)
                return false;
        }
        return false;
    }

    // The packet whose picture shows at `n` (only for movies whose pictures stand
    // alone), or null when it cannot be read.
    const AVPacket* PacketShownAt(std::int64_t n)
    {
        const std::optional<MovieIndex::Key> at = index.PacketShownAt(n);
        if (!at)
            return nullptr;
        if (at->position != shownPos && !ReadPacketAt(*at))
            return nullptr;
        return shown.get();
    }

    // The picture at `n` decoded from its own packet by libjpeg-turbo, where the
    // movie's pictures are whole JPEGs of the movie's size.
    bool JpegPictureAt(std::int64_t n, Image& out)
    {
        const AVPacket* packet = setup->jpegPackets ? PacketShownAt(n) : nullptr;
        return packet && DecodeJpegPacket(*setup, packet, out);
    }
};

MovieReader::MovieReader() : m(std::make_unique<Impl>()) {}
MovieReader::~MovieReader() = default;

Result<std::unique_ptr<MovieReader>> MovieReader::Open(const std::string& path) { return Open(path, Options{}); }

Result<std::unique_ptr<MovieReader>> MovieReader::Open(const std::string& path, const Options& options)
{
    const Result<std::shared_ptr<const MovieFile>> file = MovieFile::Open(path);
    if (!file)
        return file.Error();
    return Open(*file, options);
}

Result<std::unique_ptr<MovieReader>> MovieReader::Open(const std::shared_ptr<const MovieFile>& file,
                                                       const Options& options)
{
    return Open(file, nullptr, options);
}

Result<std::unique_ptr<MovieReader>> MovieReader::Twin(const Options& options) const
{
    return Open(m->file, this, options);
}

Result<std::unique_ptr<MovieReader>> MovieReader::Open(const std::shared_ptr<const MovieFile>& file,
                                                       const MovieReader* measured, const Options& options)
{
    // Damaged movies are the engine's business to report, not the library's to print.
    av_log_set_level(AV_LOG_QUIET);
    std::unique_ptr<MovieReader> reader(new MovieReader);
    Impl& r = *reader->m;
    r.file = file;
    r.path = file->Path();
    r.options = options;
    MEDIA_TRY(r.OpenStream());
    if (measured)
        r.TakeMeasures(*measured->m);
    else
        MEDIA_TRY(r.Measure());
    r.PrepareDevelopers();
    if (!r.SeekToStart())
        return r.Failed(FailureKind::BadData, "cannot go back to the first frame");
    return reader;
}

const std::shared_ptr<const MovieFile>& MovieReader::File() const { return m->file; }
int MovieReader::PositionCount() const { return int(m->positionCount); }
int MovieReader::Width() const { return m->orientation >= 5 ? m->height : m->width; }
int MovieReader::Height() const { return m->orientation >= 5 ? m->width : m->height; }
double MovieReader::FrameRate() const { return m->frameRate; }
MovieReader::Stats MovieReader::Statistics() const { return m->stats; }

bool MovieReader::ReadFrame(int position, Image& out)
{
    out = Image();
    if (position < 0 || position >= PositionCount())
        return false;
    if (m->JpegPictureAt(position, out)) {
        ++m->stats.converted;
        TurnUpright(*m->setup, out);
        return true;
    }
    const AVFrame* picture = m->PictureAt(position);
    if (!picture || !ToRgb(m->sws, picture, m->width, m->height, out)) {
        out = Image();
        return false;
    }
    ++m->stats.converted;
    TurnUpright(*m->setup, out);
    return true;
}

void MovieReader::ReadRun(int start, int end, int step, const std::function<bool(int, const Image*)>& deliver)
{
    if (step < 1)
        step = 1;
    Image image;
    m->runEnd = m->LastOfRun(start, end, step);
    for (std::int64_t n = std::max(start, 0); n <= end && n < PositionCount(); n += step) {
        const bool ok = ReadFrame(int(n), image);
        if (!deliver(int(n), ok ? &image : nullptr))
            break;
    }
    m->runEnd = kNone;
}

bool MovieReader::DecodesInDevelopers() const { return m->setup->decodes; }

std::vector<int> MovieReader::IndependentStarts() const
{
    std::vector<int> starts;
    if (!m->keysReliable || !m->index.PlacesByPresentation())
        return starts;
    // A key frame is sought by its presentation stamp, which places its picture.
    for (const MovieIndex::Key& key : m->index.Keys())
        if (const std::optional<std::int64_t> shown = m->index.PositionOfPresentation(key.dts))
            starts.push_back(int(*shown));
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}
std::shared_ptr<const DevelopSetup> MovieReader::DevelopingSetup() const { return m->setup; }

void MovieReader::ReadRunUndeveloped(int start, int end, int step,
                                     const std::function<bool(int, UndevelopedFrame&&)>& deliver)
{
    if (step < 1)
        step = 1;
    m->runEnd = m->LastOfRun(start, end, step);
    for (std::int64_t n = std::max(start, 0); n <= end && n < PositionCount(); n += step) {
        UndevelopedFrame frame;
        frame.m->position = int(n);
        if (m->setup->decodes) {
            // Packets only; without one the developer reads the position the exact way.
            if (const AVPacket* packet = m->PacketShownAt(n))
                frame.m->packet.reset(av_packet_clone(packet));
        } else {
            if (const AVFrame* picture = m->PictureAt(n))
                frame.m->frame.reset(av_frame_clone(picture));
            frame.m->failed = !frame.m->frame;
        }
        if (!deliver(int(n), std::move(frame)))
            break;
    }
    m->runEnd = kNone;
}

} // namespace media
