#include "media/movie/MovieReader.h"

#include "media/movie/AvHandles.h"
#include "media/movie/CodecTraits.h"
#include "media/movie/Deinterlacer.h"
#include "media/movie/Developing.h"
#include "media/movie/HdrToSdr.h"
#include "media/movie/MovieIndex.h"
#include "media/movie/PacketSource.h"
#include "media/movie/ShownPictures.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <variant>

namespace media {

namespace {

// Pictures larger than this are refused before anything is allocated for them.
constexpr std::int64_t kMaxPixels = 16384LL * 16384LL;
// How many positions a decoder may hold a picture back, or present a key picture
// after its own packet (B-frames before it); more than any real stream uses.
constexpr std::int64_t kMaxLead = 16;

// A decoded picture and, while it holds one, the position it belongs to.
struct Picture {
    av::Frame frame = av::NewFrame();
    std::optional<std::int64_t> pos;

    void Clear()
    {
        av_frame_unref(frame.get());
        pos.reset();
    }
    void TakeFrom(Picture& other)
    {
        av_frame_unref(frame.get());
        av_frame_move_ref(frame.get(), other.frame.get());
        pos = other.pos;
        other.pos.reset();
    }
};

void Raise(std::optional<std::int64_t>& value, std::int64_t to) { value = value ? std::max(*value, to) : to; }

// Where decoding stands; each phase holds what only it needs.
namespace phase {
// Nothing to go on from: the next read positions the decoder.
struct Idle {};
// After a seek: waiting for the key picture that places the rest.
struct Landing {
    std::optional<std::int64_t> key; // the position of the first packet fed, once fed
    int dropped = 0;                 // pictures out before the key picture
};
// Each picture out takes the next position fed (in presentation order).
struct Decoding {
    bool fromStart = false;              // decoding began at the movie's first packet
    std::optional<std::int64_t> lastOut; // the position of the last picture out
};
// Every picture has come out, or a landing failed.
struct Exhausted {
    bool fromStart = false;
};
} // namespace phase
using Phase = std::variant<phase::Idle, phase::Landing, phase::Decoding, phase::Exhausted>;

// What has gone into the decoder since it was last positioned.
struct Feed {
    // Positions of the packets in the decoder whose pictures have not come out,
    // ascending: pictures come out in presentation order and take them in turn.
    std::deque<std::int64_t> inDecoder;
    std::optional<std::int64_t> lastFed;
    bool endSent = false; // every packet is in the decoder, or it was emptied early
    // Set when the decoder was emptied early for this position: the pictures still to
    // come are not the ones after it, and what it holds answers only for it.
    std::optional<std::int64_t> emptiedFor;
    // The next packet, read ahead, and the position it takes (none when it shows no
    // picture of its own).
    av::Packet peeked = av::NewPacket();
    bool hasPeeked = false;
    std::optional<std::int64_t> peekedPos;

    void Clear()
    {
        inDecoder.clear();
        lastFed.reset();
        endSent = false;
        emptiedFor.reset();
        av_packet_unref(peeked.get());
        hasPeeked = false;
        peekedPos.reset();
    }
};

// The position a read is working toward, while it works.
struct Target {
    // Pictures that nothing refers to and that lie before it are not decoded at all
    // (the decoder's skip_frame). Those pictures never come out, so the pictures that
    // do are placed by their presentation stamps.
    std::int64_t position;
    // For the last position of a run: once this packet is in, the decoder is emptied
    // instead of fed on, since the packets after it would only be decoded to push the
    // picture out.
    std::optional<std::int64_t> lastPacket;
};

} // namespace

struct MovieReader::Impl {
    std::shared_ptr<const MovieFile> file;
    std::string path; // the file's path, for messages
    Options options;
    av::Format fmt;
    av::Codec dec;
    const AVCodec* codec = nullptr;
    std::shared_ptr<const AVCodecParameters> parameters; // the stream's, as first opened
    av::Scaler sws;
    int stream = -1;
    int width = 0;  // as coded
    int height = 0;
    int shownWidth = 0; // the coded width scaled by the pixels' shape
    int orientation = 1; // the display matrix's, as an EXIF orientation
    double frameRate = 0;
    double timeBase = 0; // seconds a stamp counts
    MovieOrigin origin;
    bool keysReliable = false;

    // What opening the movie measured (a twin takes it over).
    MovieIndex index;
    std::int64_t positionCount = 0;
    // A picture carries the stamp of the packet that brought it out: that packet's
    // position lies `stampLead` positions after the picture's own (the decoder's
    // reordering delay, the same however many threads decode), once known.
    std::optional<std::int64_t> stampLead;
    bool reorders = false; // pictures may come out in an order other than their packets'
    std::optional<std::int64_t> lastStamped; // the furthest picture placed by its stamp

    Phase phase;
    Feed feed;
    std::optional<Target> target;
    std::optional<std::int64_t> runEnd; // the last position the run being read asks for

    // Tells the packets read which show a picture of their own (their stamps and
    // places may be missing in a damaged stream, so the index cannot say).
    std::unique_ptr<ShownPictures> shownPictures;

    // `held` is the latest picture at or before the last position asked for;
    // `pending` a picture already out of the decoder that lies beyond it.
    Picture held, pending, incoming;
    Stats stats;
    std::shared_ptr<DevelopSetup> setup = std::make_shared<DevelopSetup>();
    // The packets themselves, for movies whose developers decode them.
    std::optional<PacketSource> packets;
    // A preview's key pictures, each read and decoded alone by a decoder of their own.
    std::optional<PacketSource> keyPackets;
    av::Codec keyDecoder;
    // With deinterlacing: the filter, and the last pictures read (the neighbours of
    // the next picture asked for are mostly among them).
    std::unique_ptr<Deinterlacer> deinterlacer;
    std::deque<std::pair<std::int64_t, av::Frame>> recent;

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
        timeBase = st->time_base.den > 0 ? av_q2d(st->time_base) : 0;
        origin = ReadMovieOrigin(fmt.get(), stream);
        // Pixels that are not square (DV, DVD, HDV) are shown wider or narrower.
        const AVRational pixelShape = av_guess_sample_aspect_ratio(fmt.get(), const_cast<AVStream*>(st), nullptr);
        shownWidth = options.storedSize ? width : ShownWidth(width, height, pixelShape);
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
        if (!MeasureStampLead())
            return Failed(FailureKind::BadData, "no frame of the movie can be decoded");
        if (const std::int64_t first = incoming.frame->pts; first != AV_NOPTS_VALUE && index.ShowsBefore(first)) {
            // The movie begins inside a group of pictures (a capture, a cut): the pictures
            // before the first one that decodes need what came before, and are never shown.
            index = index.HidingBefore(first);
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
        // A deinterlaced picture is made from its neighbours too: the reader makes it.
        setup->decodes = setup->codec && !options.deinterlace && keysReliable && PicturesStandAlone(dec->codec_id) &&
                         index.EveryPacketKey() &&
                         !reorders && stampLead == 0 && dec->pix_fmt != AV_PIX_FMT_PAL8;
        // Motion JPEG pictures are plain JPEGs, which libjpeg-turbo decodes faster.
        setup->jpegPackets = setup->decodes && dec->codec_id == AV_CODEC_ID_MJPEG;
        setup->width = width;
        setup->height = height;
        setup->shownWidth = shownWidth;
        setup->statedPeakNits = StatedPeakNits(fmt->streams[stream]);
        setup->toneMaps = !options.hdrAsSignal;
        if (options.deinterlace)
            deinterlacer = std::make_unique<Deinterlacer>();
        setup->orientation = orientation;
        if (setup->decodes)
            packets.emplace(file, stream, index);
    }

    // A movie cut short ends at its last picture that decodes (the packets the cut
    // leaves whole may need a reference that was cut off); an AVI at its last picture
    // whose chunk is certain (see PlaceableInOrder).
    void MeasureCutEnd()
    {
        if (!SeekBefore(positionCount - 1))
            return;
        std::optional<std::int64_t> last = held.pos;
        while (NextPicture())
            last = incoming.pos;
        if (index.ChunkStamps())
            last = lastStamped;
        if (last)
            positionCount = std::min(positionCount, *last + 1);
    }

    // A decoder of the stream as it was first opened.
    Result<void> OpenDecoder()
    {
        Result<av::Codec> fresh = NewDecoder();
        if (!fresh)
            return fresh.Error();
        dec = std::move(*fresh);
        return {};
    }

    // The key picture at `n` from its packet alone, none decoded before it (the
    // pictures shown are the same; reading on from one is left to ShownAt).
    // Where positions are chunks (AVI) and pictures come out reordered, a key packet's
    // picture is not the one shown at its chunk; and a key flag that can lie is no
    // ground for decoding a packet alone.
    bool KeysDecodeAlone() const
    {
        return !(index.ChunkStamps() && (reorders || stampLead.value_or(0) != 0)) && keysReliable;
    }

    // The key packet shown at `n`, or none.
    const AVPacket* KeyPacketAt(std::int64_t n)
    {
        if (!keyPackets)
            keyPackets.emplace(file, stream, index);
        const AVPacket* packet = keyPackets->ShownAt(n);
        return packet && (packet->flags & AV_PKT_FLAG_KEY) ? packet : nullptr;
    }

    bool KeyPictureAt(std::int64_t n, Image& out)
    {
        const AVPacket* packet = KeysDecodeAlone() ? KeyPacketAt(n) : nullptr;
        if (!packet)
            return false;
        if (keyDecoder) {
            avcodec_flush_buffers(keyDecoder.get());
        } else if (Result<av::Codec> fresh = NewDecoder()) {
            keyDecoder = std::move(*fresh);
        } else {
            return false;
        }
        const av::Frame picture = av::NewFrame();
        if (!picture || avcodec_send_packet(keyDecoder.get(), packet) < 0 ||
            avcodec_send_packet(keyDecoder.get(), nullptr) < 0 ||
            avcodec_receive_frame(keyDecoder.get(), picture.get()) < 0 || !picture->key_frame)
            return false;
        return ToRgb(sws, picture.get(), *setup, out);
    }

    Result<av::Codec> NewDecoder()
    {
        av::Codec fresh(avcodec_alloc_context3(codec));
        if (!fresh || avcodec_parameters_to_context(fresh.get(), parameters.get()) < 0)
            return Failed(FailureKind::StepFailed, "cannot set up the decoder");
        fresh->max_pixels = kMaxPixels;
        fresh->thread_count = std::max(0, options.decoderThreads);
        fresh->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        if (options.preview) {
            fresh->skip_loop_filter = AVDISCARD_ALL;
            fresh->flags2 |= AV_CODEC_FLAG2_FAST;
        }
        if (const int r = avcodec_open2(fresh.get(), codec, nullptr); r < 0)
            return Failed(FailureKind::StepFailed,
                          std::string("cannot open the ") + codec->name + " decoder: " + av::ErrorText(r));
        return fresh;
    }

    // The first picture from the start is placed by counting; the stamp it carries
    // tells how far the stamps run ahead of the pictures. False when no picture
    // decodes; otherwise the picture is left in `incoming`.
    bool MeasureStampLead()
    {
        reorders = fmt->streams[stream]->codecpar->video_delay > 0;
        stampLead.reset();
        lastStamped.reset();
        if (!SeekToStart() || !NextPicture())
            return false;
        if (stampLead > 0)
            reorders = true;
        return true;
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
        feed.Clear();
        phase = phase::Idle{};
    }

    bool FromStart() const
    {
        if (const auto* decoding = std::get_if<phase::Decoding>(&phase))
            return decoding->fromStart;
        if (const auto* exhausted = std::get_if<phase::Exhausted>(&phase))
            return exhausted->fromStart;
        return false;
    }

    void Exhaust() { phase = phase::Exhausted{FromStart()}; }

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
        phase = phase::Decoding{.fromStart = true, .lastOut = std::nullopt};
        return true;
    }

    // The position of a packet read from the file.
    std::optional<std::int64_t> PacketPosition(const AVPacket* p) const
    {
        std::optional<std::int64_t> pos = index.PositionOf(p->pos, p->dts);
        if (!pos && feed.lastFed)
            pos = *feed.lastFed + 1;
        if (!pos && FromStart())
            pos = 0;
        if (pos && feed.lastFed && *pos <= *feed.lastFed)
            pos = *feed.lastFed + 1; // packets come in decoding order, one position each
        return pos;
    }

    // Reads the movie's next video packet with a picture into the feed's `peeked`.
    // False at the end, or when the packet cannot be placed.
    bool PeekPacket()
    {
        if (feed.hasPeeked)
            return true;
        if (!fmt)
            return false;
        AVPacket* peeked = feed.peeked.get();
        while (av_read_frame(fmt.get(), peeked) >= 0) {
            // Empty chunks are dropped frames; a chunk cut short is dropped too: what it
            // decodes to depends on what the decoder held before, so it could not be the
            // same picture on every read.
            if (peeked->stream_index != stream || peeked->size <= 0 || (peeked->flags & AV_PKT_FLAG_CORRUPT)) {
                av_packet_unref(peeked);
                continue;
            }
            // A packet an edit list leaves out, or one whose picture is hidden: decoded
            // for the pictures after it, but its own picture is never shown (the decoder
            // drops it) and takes no position.
            const bool shows = shownPictures->Next(peeked) == ShownPictures::Kind::Shown;
            if (!shows || (peeked->flags & AV_PKT_FLAG_DISCARD) || index.Hidden(peeked->pos, peeked->dts)) {
                feed.peekedPos.reset();
                feed.hasPeeked = true;
                return true;
            }
            const std::optional<std::int64_t> pos = PacketPosition(peeked);
            if (!pos) {
                av_packet_unref(peeked);
                return false;
            }
            feed.peekedPos = pos;
            feed.hasPeeked = true;
            return true;
        }
        return false;
    }

    void FeedPacket()
    {
        if (target && target->lastPacket && feed.lastFed && *feed.lastFed >= *target->lastPacket) {
            avcodec_send_packet(dec.get(), nullptr);
            feed.endSent = true;
            feed.emptiedFor = target->position;
            return;
        }
        for (;;) {
            if (!PeekPacket()) {
                avcodec_send_packet(dec.get(), nullptr);
                feed.endSent = true;
                return;
            }
            // A packet without a position of its own (a second field, a hidden frame)
            // is skipped or decoded with the packet before it.
            if (feed.peekedPos)
                dec->skip_frame = SkippedPacket(feed.peeked.get()) ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            const int r = avcodec_send_packet(dec.get(), feed.peeked.get());
            if (r == AVERROR(EAGAIN))
                return; // the decoder wants its pictures taken first; the packet waits
            if (r >= 0 && feed.peekedPos) {
                feed.inDecoder.push_back(*feed.peekedPos);
                feed.lastFed = feed.peekedPos;
                if (auto* landing = std::get_if<phase::Landing>(&phase); landing && !landing->key)
                    landing->key = feed.peekedPos;
            }
            av_packet_unref(feed.peeked.get());
            feed.hasPeeked = false;
            if (r >= 0)
                return;
            // A damaged packet: skip it and go on with the next one.
        }
    }

    // Whether the decoder may leave out the packet's picture (if nothing refers to it):
    // its picture lies before the position being sought.
    bool SkippedPacket(const AVPacket* p) const
    {
        if (!target || !std::holds_alternative<phase::Decoding>(phase) || !index.PlacesByPresentation())
            return false;
        const std::optional<std::int64_t> shown = index.PositionOfPresentation(p->pts);
        return shown && *shown < target->position;
    }

    // The position the stamp on a picture points to, when stamps are understood.
    std::optional<std::int64_t> StampedPosition(const AVFrame* f) const
    {
        if (!stampLead)
            return std::nullopt;
        const std::optional<std::int64_t> at = index.PositionOfDts(f->pkt_dts);
        if (!at)
            return std::nullopt;
        return *at - *stampLead;
    }

    void Forget(std::int64_t upTo)
    {
        while (!feed.inDecoder.empty() && feed.inDecoder.front() <= upTo)
            feed.inDecoder.pop_front();
    }

    // After a seek, the key picture decides where the pictures are; the ones before
    // it (an open group's leading pictures, which need the previous group) are never
    // the answer and are dropped. The key picture's position, where decoding then
    // goes on from; nothing for a picture dropped, or when the landing fails (the
    // decoder is then exhausted).
    std::optional<std::int64_t> Land(phase::Landing& landing, const AVFrame* f)
    {
        if (!f->key_frame) {
            if (++landing.dropped > kMaxLead)
                Exhaust();
            return std::nullopt;
        }
        std::optional<std::int64_t> pos = StampedPosition(f);
        const bool stamped = pos.has_value();
        if (!pos && !reorders)
            pos = landing.key;
        if (!pos || !landing.key || *pos < *landing.key || *pos > *landing.key + kMaxLead) {
            Exhaust();
            return std::nullopt;
        }
        Forget(*pos);
        phase = phase::Decoding{.fromStart = false, .lastOut = pos};
        if (stamped)
            Raise(lastStamped, *pos);
        return pos;
    }

    // Where the index places every picture by its presentation stamp, and this picture
    // has one; otherwise pictures are placed in decoding order.
    bool PlacedByPresentation(const AVFrame* f) const
    {
        return index.PlacesByPresentation() && f->pts != AV_NOPTS_VALUE;
    }

    // Where an AVI is cut short, its last chunks are missing. The pictures a
    // reordering decoder still holds at the end are shown after B-pictures that may
    // have been cut off, so their chunks are unknown: they are left out, and the movie
    // ends at the last picture the stamps place (see MeasureCutEnd). Elsewhere a
    // position is a picture shown, and a picture cut off is simply not one.
    bool PlaceableInOrder(const AVFrame* f) const
    {
        return !(feed.endSent && reorders && index.CutShort() && index.ChunkStamps() && !StampedPosition(f));
    }

    std::int64_t PlaceInOrder(const phase::Decoding& decoding, const AVFrame* f)
    {
        const std::int64_t turn = decoding.lastOut ? *decoding.lastOut + 1 : 0;
        std::int64_t pos = feed.inDecoder.empty() ? turn : feed.inDecoder.front();
        if (decoding.fromStart && !decoding.lastOut && !stampLead) {
            if (const std::optional<std::int64_t> at = index.PositionOfDts(f->pkt_dts))
                if (*at - pos >= 0 && *at - pos <= kMaxLead)
                    stampLead = *at - pos;
        }
        // A picture stamped further on than its turn: the decoder gave nothing for the
        // packets between (damaged, or nothing changed), which then show the picture before.
        const std::optional<std::int64_t> stamped = StampedPosition(f);
        if (stamped && *stamped > pos && !feed.inDecoder.empty() && *stamped <= feed.inDecoder.back()) {
            Forget(*stamped - 1);
            pos = *stamped;
        }
        if (stamped && *stamped == pos)
            Raise(lastStamped, pos);
        if (!feed.inDecoder.empty() && feed.inDecoder.front() == pos)
            feed.inDecoder.pop_front();
        return pos;
    }

    // The position of a picture out of the decoder, or nothing when it is not shown
    // (or a landing fails: the decoder is then exhausted).
    std::optional<std::int64_t> Place(const AVFrame* f)
    {
        if (auto* landing = std::get_if<phase::Landing>(&phase))
            return Land(*landing, f);
        auto& decoding = std::get<phase::Decoding>(phase);
        std::int64_t pos = 0;
        if (PlacedByPresentation(f)) {
            // A picture the stamps show nowhere (one of the pictures left out before the
            // first that decodes) is not shown.
            const std::optional<std::int64_t> shown = index.PositionOfPresentation(f->pts);
            if (!shown)
                return std::nullopt;
            if (decoding.fromStart && !decoding.lastOut)
                PlaceInOrder(decoding, f); // measures how far the stamps lead
            pos = *shown;
            Forget(pos);
        } else if (PlaceableInOrder(f)) {
            pos = PlaceInOrder(decoding, f);
        } else {
            return std::nullopt;
        }
        if (decoding.lastOut && pos <= *decoding.lastOut)
            pos = *decoding.lastOut + 1; // pictures never share or go back in position
        decoding.lastOut = pos;
        return pos;
    }

    bool Decodes() const
    {
        return std::holds_alternative<phase::Decoding>(phase) || std::holds_alternative<phase::Landing>(phase);
    }

    // Takes the next placed picture out of the decoder into `incoming`, feeding it
    // packets as it asks for them. False once every picture has come out, or when a
    // seek's landing cannot be placed.
    bool NextPicture()
    {
        while (Decodes()) {
            const int r = avcodec_receive_frame(dec.get(), incoming.frame.get());
            if (r == AVERROR(EAGAIN) && !feed.endSent) {
                FeedPacket();
                continue;
            }
            if (r != 0) {
                Exhaust();
                return false;
            }
            ++stats.decoded;
            const std::optional<std::int64_t> pos = Place(incoming.frame.get());
            if (!pos) {
                av_frame_unref(incoming.frame.get());
                continue; // a picture not shown; a failed landing ends the loop
            }
            incoming.pos = pos;
            return true;
        }
        return false;
    }

    // True when no picture at or before `n` is still to come. Known without decoding
    // further only where each picture comes out for its own packet, in order.
    bool NothingMoreUpTo(std::int64_t n)
    {
        if (!std::holds_alternative<phase::Decoding>(phase) || reorders || stampLead != 0)
            return std::holds_alternative<phase::Exhausted>(phase);
        if (!feed.inDecoder.empty() && feed.inDecoder.front() <= n)
            return false;
        return feed.endSent || !PeekPacket() || (feed.peekedPos && *feed.peekedPos > n);
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
        if (std::holds_alternative<phase::Idle>(phase) || std::holds_alternative<phase::Landing>(phase) ||
            feed.emptiedFor)
            return false;
        if (!held.pos && !FromStart())
            return false;
        if (held.pos && *held.pos > n)
            return false;
        // The decoder goes on from the next packet it has not been given; a key frame
        // beyond that makes a seek the shorter way (from the movie's start too).
        std::int64_t frontier = held.pos.value_or(-1);
        if (pending.pos)
            frontier = std::max(frontier, *pending.pos);
        if (feed.lastFed)
            frontier = std::max(frontier, *feed.lastFed);
        return !KeyBetween(frontier + 1, n);
    }

    // Goes to the nearest key frame at or before `n` whose landing can be verified:
    // the key picture must come out and be placed at or before `n`.
    bool SeekBefore(std::int64_t n)
    {
        const auto& keys = index.Keys();
        auto it = std::upper_bound(keys.begin(), keys.end(), n,
                                   [](std::int64_t v, const MovieIndex::Key& k) { return v < k.position; });
        const bool seekable = keysReliable && (!reorders || stampLead.has_value());
        while (seekable && fmt && it != keys.begin()) {
            --it;
            if (it == keys.begin())
                break; // the first key frame is the start, reached more simply below
            ++stats.seeks;
            Reset();
            if (av_seek_frame(fmt.get(), stream, it->dts, AVSEEK_FLAG_BACKWARD) < 0)
                break;
            phase = phase::Landing{};
            if (NextPicture() && *incoming.pos <= n) {
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
        if (!held.pos || *held.pos > n)
            return false;
        if (feed.emptiedFor)
            return n == *feed.emptiedFor;
        return pending.pos ? *pending.pos > n : NothingMoreUpTo(n);
    }

    std::optional<std::int64_t> LastOfRun(std::int64_t start, std::int64_t end, std::int64_t step) const
    {
        start = std::max<std::int64_t>(start, 0);
        end = std::min(end, positionCount - 1);
        if (end < start)
            return std::nullopt;
        const std::int64_t last = start + (end - start) / step * step;
        // A deinterlaced picture needs the one after it too.
        return deinterlacer ? std::min(last + 1, positionCount - 1) : last;
    }

    // Puts the picture for position `n` into `held` (or, before the first picture,
    // leaves the first picture in `pending`). Null when there is none.
    const AVFrame* PictureAt(std::int64_t n)
    {
        if (HeldAnswers(n))
            return held.frame.get();
        if (!CanGoForward(n) && !SeekBefore(n))
            return nullptr;
        target = Target{n, std::nullopt};
        if (n == runEnd && index.PlacesByPresentation())
            target->lastPacket = index.PacketOfPicture(n);
        for (;;) {
            if (pending.pos) {
                if (*pending.pos > n)
                    break;
                held.TakeFrom(pending);
                continue;
            }
            if (held.pos && NothingMoreUpTo(n))
                break;
            if (!NextPicture())
                break;
            if (*incoming.pos <= n)
                held.TakeFrom(incoming);
            else
                pending.TakeFrom(incoming);
        }
        target.reset();
        if (held.pos)
            return held.frame.get();
        return pending.pos ? pending.frame.get() : nullptr;
    }

    // The picture shown at `n`: as decoded, or deinterlaced with its neighbours.
    const AVFrame* ShownAt(std::int64_t n)
    {
        if (!deinterlacer)
            return PictureAt(n);
        const av::Frame before = n > 0 ? Remembered(n - 1) : nullptr;
        const av::Frame current = Remembered(n);
        const av::Frame after = n + 1 < positionCount ? Remembered(n + 1) : nullptr;
        return current ? deinterlacer->Deinterlace(n, before.get(), current.get(), after.get()) : nullptr;
    }

    // Another reference to the picture at `n`, from the last ones read or read now.
    av::Frame Remembered(std::int64_t n)
    {
        for (const auto& [position, frame] : recent)
            if (position == n)
                return av::Frame(av_frame_clone(frame.get()));
        const AVFrame* picture = PictureAt(n);
        if (!picture)
            return nullptr;
        if (recent.size() >= 3)
            recent.pop_front();
        recent.emplace_back(n, av::Frame(av_frame_clone(picture)));
        return av::Frame(av_frame_clone(picture));
    }

    // The picture at `n` decoded from its own packet by libjpeg-turbo, where the
    // movie's pictures are whole JPEGs of the movie's size.
    bool JpegPictureAt(std::int64_t n, Image& out)
    {
        const AVPacket* packet = setup->jpegPackets ? packets->ShownAt(n) : nullptr;
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
    if (measured) { // a twin gives the pictures its measured reader gives: only its threads (and a preview's shortcuts) are its own
        r.options = measured->m->options;
        r.options.decoderThreads = options.decoderThreads;
        r.options.preview = options.preview;
    }
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
int MovieReader::Width() const { return m->orientation >= 5 ? m->height : m->shownWidth; }
int MovieReader::Height() const { return m->orientation >= 5 ? m->shownWidth : m->height; }
int MovieReader::StoredWidth() const { return m->orientation >= 5 ? m->height : m->width; }
int MovieReader::StoredHeight() const { return m->orientation >= 5 ? m->width : m->height; }
double MovieReader::FrameRate() const { return m->frameRate; }
MovieReader::Stats MovieReader::Statistics() const
{
    Stats stats = m->stats;
    if (m->packets)
        stats.seeks += m->packets->Seeks();
    return stats;
}

void MovieReader::FitInside(int width, int height)
{
    // A setup of its own: developers may hold the one before.
    auto setup = std::make_shared<DevelopSetup>(*m->setup);
    const bool turned = setup->orientation >= 5; // the box is upright, the pictures as stored
    setup->fitWidth = std::max(0, turned ? height : width);
    setup->fitHeight = std::max(0, turned ? width : height);
    m->setup = std::move(setup);
}

bool MovieReader::ReadKeyPicture(int position, Image& out)
{
    // Motion JPEG's pictures are read alone anyway, by libjpeg-turbo.
    if (m->setup->jpegPackets)
        return ReadFrame(position, out);
    out = Image();
    if (position < 0 || position >= PositionCount() || !m->KeyPictureAt(position, out)) {
        out = Image();
        return false;
    }
    ++m->stats.converted;
    TurnUpright(*m->setup, out);
    return true;
}

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
    const AVFrame* picture = m->ShownAt(position);
    if (!picture || !ToRgb(m->sws, picture, *m->setup, out)) {
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
    m->runEnd.reset();
}

bool MovieReader::DecodesInDevelopers() const { return m->setup->decodes; }

std::vector<int> MovieReader::IndependentStarts() const
{
    std::vector<int> starts;
    if (!m->keysReliable || !m->index.PlacesByPresentation())
        return starts;
    // A key frame is sought by its stamp, read here as a presentation stamp: the run
    // begins there or at most a picture or two before the key's own.
    for (const MovieIndex::Key& key : m->index.Keys())
        if (const std::optional<std::int64_t> shown = m->index.PositionOfPresentation(key.dts))
            starts.push_back(int(*shown));
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

std::vector<int> MovieReader::KeyPositions() const
{
    const std::vector<std::int64_t> shown = m->index.KeyPictures();
    return std::vector<int>(shown.begin(), shown.end());
}

const MovieOrigin& MovieReader::Origin() const { return m->origin; }

std::vector<double> MovieReader::PresentationTimes() const
{
    std::vector<double> times(std::size_t(m->positionCount), 0.0);
    const std::optional<std::int64_t> first = m->index.ShownStamp(0);
    for (std::size_t n = 1; n < times.size(); ++n) {
        const std::optional<std::int64_t> stamp = m->index.ShownStamp(std::int64_t(n));
        const double t = stamp && first ? double(*stamp - *first) * m->timeBase : times[n - 1];
        times[n] = std::max(t, times[n - 1]);
    }
    return times;
}
std::shared_ptr<const DevelopSetup> MovieReader::DevelopingSetup() const { return m->setup; }

void MovieReader::ReadRunUndeveloped(int start, int end, int step,
                                     const std::function<bool(int, UndevelopedFrame&&)>& deliver)
{
    if (step < 1)
        step = 1;
    std::vector<int> positions;
    for (std::int64_t n = std::max(start, 0); n <= end && n < PositionCount(); n += step)
        positions.push_back(int(n));
    ReadPositionsUndeveloped(positions, deliver);
}

void MovieReader::ReadPositionsUndeveloped(const std::vector<int>& positions,
                                           const std::function<bool(int, UndevelopedFrame&&)>& deliver, bool keysAlone)
{
    if (positions.empty())
        return;
    // Deinterlacing takes the neighbours' fields too; pictures that stand alone go as
    // packets anyway.
    keysAlone = keysAlone && m->KeysDecodeAlone() && !m->options.deinterlace && !m->setup->decodes;
    m->runEnd = m->LastOfRun(positions.back(), positions.back(), 1);
    for (const int n : positions) {
        if (n < 0 || n >= PositionCount())
            continue;
        UndevelopedFrame frame;
        frame.m->position = int(n);
        const AVPacket* key = keysAlone ? m->KeyPacketAt(n) : nullptr;
        if (key) {
            frame.m->packet.reset(av_packet_clone(key));
            frame.m->alone = true;
        } else if (m->setup->decodes) {
            // Packets only; without one the developer reads the position the exact way.
            if (const AVPacket* packet = m->packets->ShownAt(n))
                frame.m->packet.reset(av_packet_clone(packet));
        } else {
            if (const AVFrame* picture = m->ShownAt(n))
                frame.m->frame.reset(av_frame_clone(picture));
            frame.m->failed = !frame.m->frame;
        }
        if (!deliver(int(n), std::move(frame)))
            break;
    }
    m->runEnd.reset();
}

} // namespace media
