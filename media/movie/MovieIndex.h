#pragma once
// Where a movie's positions are, measured from the packets really in the file (a
// header's frame count, rate and scale may lie; files get cut short).
//
// In an AVI, one chunk is one position: the container stamps each packet with its
// chunk's ordinal, and an empty chunk (a dropped frame) is a position without a
// picture of its own. Those stamps are believed only while the file is large enough
// to hold that many chunks, so a damaged header cannot inflate the count. Any other
// file (the engine opens by content, whatever the name) has one position per packet
// in decoding order, whose pictures come out in presentation order.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace media {

class MovieFile;

struct PacketInfo {
    std::int64_t dts = 0;     // the container's stamp
    std::int64_t bytePos = -1; // where the packet (or its chunk header) starts, -1 when unknown
    int size = 0;
    bool key = false;
    bool cutShort = false; // the file ends inside it
    bool discarded = false; // an edit list leaves its picture out
    // Decoded for the pictures after it, but no picture of its own is shown: a hidden
    // frame, the second field of a frame coded as two (`secondField`: its picture is
    // the frame of the packet before), a picture before the first one that decodes.
    bool hidden = false;
    bool secondField = false;
    // What a seek to the packet asks the container for, where that is not its
    // decoding stamp (see MovieIndex::Measure).
    std::optional<std::int64_t> seekStamp;
    std::optional<std::int64_t> presentation; // the packet's presentation stamp, when known
};

class MovieIndex {
public:
    // The video stream `stream` of the file at `path`: the container's index where it
    // lies inside the file, and a walk over the packets it does not cover.
    static MovieIndex Measure(const std::shared_ptr<const MovieFile>& file, int stream);

    // From the packets in decoding order. `chunkStamps`: the container claims that its
    // stamps are chunk ordinals (AVI).
    static MovieIndex FromPackets(std::vector<PacketInfo> packets, bool chunkStamps, std::int64_t fileSize);

    std::int64_t PositionCount() const { return m_count; }
    // True when positions are the container's chunk stamps (gaps are dropped frames).
    bool ChunkStamps() const { return m_chunkStamps; }
    // True when the file ends before the movie does: a packet cut short, or an index
    // naming packets beyond the end. Such packets are no positions.
    bool CutShort() const { return m_cutShort; }

    // The position of the packet read at `bytePos` (an index may point at the chunk's
    // header a few bytes before its data).
    std::optional<std::int64_t> PositionOfByte(std::int64_t bytePos) const;
    // The position of a packet read from the file: by its bytes where they name one
    // packet each, else by its stamp.
    std::optional<std::int64_t> PositionOf(std::int64_t bytePos, std::int64_t dts) const;
    // The position of the picture a player shows at presentation stamp `pts`: its rank
    // among the movie's pictures. Known where every picture has a stamp of its own
    // (not AVI: its positions are chunks).
    std::optional<std::int64_t> PositionOfPresentation(std::int64_t pts) const;
    bool PlacesByPresentation() const { return !m_byPts.empty(); }
    // The packet (by decoding order) whose picture shows at position `n`, where
    // positions are placed by presentation.
    std::optional<std::int64_t> PacketOfPicture(std::int64_t n) const;
    // The position of the packet stamped `dts` (a second field: its frame's).
    std::optional<std::int64_t> PositionOfDts(std::int64_t dts) const;
    // True for a packet read from the file that is decoded but shows no picture of
    // its own (see PacketInfo::hidden): it takes no position.
    bool Hidden(std::int64_t bytePos, std::int64_t dts) const;
    // The same movie where the pictures shown before presentation stamp `pts` are never
    // shown (the first picture the decoder gives from the start is there: what lies
    // before it needs what came before the file's start).
    MovieIndex HidingBefore(std::int64_t pts) const;
    // True where every packet's presentation stamp is its decoding stamp.
    bool PresentationIsDecoding() const;
    // The same movie, its presentation stamps not believed.
    MovieIndex WithoutPresentation() const;
    // Lets go of the packets the index was made from, once it is not to be remade
    // (they take several times the index's own memory).
    void Settle() { m_measured = {}; }
    // Whether a picture shows before presentation stamp `pts`.
    bool ShowsBefore(std::int64_t pts) const { return !m_byPts.empty() && m_byPts.front().at < pts; }

    struct Key {
        std::int64_t position;
        std::int64_t dts; // what a seek in the container is asked for
    };
    // Key frames as the container names them, ascending by position.
    const std::vector<Key>& Keys() const { return m_keys; }
    // True when the container calls every packet a key frame.
    bool EveryPacketKey() const { return !m_packets.empty() && m_keys.size() == m_packets.size(); }
    // The packet whose picture shows at position `n`: the latest at or before it (an
    // empty chunk shows the picture before), or the first one for positions before it.
    std::optional<Key> PacketShownAt(std::int64_t n) const;
    // The stamp position `n`'s picture is shown at, in the stream's time base: its
    // presentation stamp where pictures are placed by them, its chunk's ordinal in an
    // AVI, else the stamp of the packet shown there.
    std::optional<std::int64_t> ShownStamp(std::int64_t n) const;
    // The positions whose pictures are key frames, ascending: where pictures are placed
    // by presentation, the place of each key packet's picture; else the key packets'.
    std::vector<std::int64_t> KeyPictures() const;

private:
    struct Place {
        std::int64_t at; // byte position or stamp
        std::int64_t position;
        bool operator<(const Place& o) const { return at < o.at; }
    };
    static std::optional<std::int64_t> Find(const std::vector<Place>& places, std::int64_t at, std::int64_t slack);
    // Sets the hidden packets apart from `packets`, which it returns without them.
    std::vector<PacketInfo> TakeHidden(std::vector<PacketInfo> packets);
    void SortHidden();
    // The index made again from its packets, each changed by `change` first.
    MovieIndex Remade(const std::function<void(PacketInfo&)>& change) const;

    std::int64_t m_count = 0;
    bool m_chunkStamps = false;
    bool m_cutShort = false;
    std::vector<Place> m_byBytes;
    std::vector<Place> m_byDts;
    std::vector<Place> m_byPts;
    std::vector<std::int64_t> m_packetOfPicture; // by presentation position
    std::vector<Key> m_keys;
    std::vector<Key> m_packets; // every packet with data, ascending by position
    // Hidden packets by their bytes (where those name one packet each) and stamps.
    std::vector<std::int64_t> m_hiddenBytes, m_hiddenDts;
    bool m_hiddenByBytes = false;
    std::vector<PacketInfo> m_measured; // what it was made from (not for AVI)
    std::int64_t m_fileSize = 0;
};

} // namespace media
