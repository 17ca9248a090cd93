#include "media/movie/MovieIndex.h"

#include "media/movie/AvHandles.h"
#include "media/movie/MovieFile.h"
#include "media/movie/ShownPictures.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace media {

namespace {

// Every AVI chunk, even an empty one, takes its 8-byte header in the file.
constexpr std::int64_t kChunkHeaderBytes = 8;
// How far before a packet's data its index entry may point (the chunk header).
constexpr std::int64_t kHeaderSlack = 16;

struct Walk {
    av::Format fmt;
    int stream;
    av::Packet packet = av::NewPacket();

    // The next packet of the stream, or false at the end of the file.
    bool Next()
    {
        av_packet_unref(packet.get());
        while (av_read_frame(fmt.get(), packet.get()) >= 0) {
            if (packet->stream_index == stream)
                return true;
            av_packet_unref(packet.get());
        }
        return false;
    }
    PacketInfo Info(std::int64_t dtsShift = 0) const
    {
        const std::int64_t dts = packet->dts != AV_NOPTS_VALUE ? packet->dts + dtsShift : AV_NOPTS_VALUE;
        PacketInfo info;
        info.dts = dts;
        info.bytePos = packet->pos;
        info.size = packet->size;
        info.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        info.cutShort = (packet->flags & AV_PKT_FLAG_CORRUPT) != 0;
        info.discarded = (packet->flags & AV_PKT_FLAG_DISCARD) != 0;
        return info;
    }
};

bool IsAvi(const AVFormatContext* fmt) { return fmt->iformat && std::strcmp(fmt->iformat->name, "avi") == 0; }

// An MP4 or QuickTime file's header states every stream and every packet's stamps and
// flags, so its packets need no stream probe (which decodes pictures) to be listed.
// (Matroska's header does too, but its HEVC stamps come out otherwise without it.)
bool StatesItsStreams(const AVFormatContext* fmt)
{
    return fmt->iformat && std::strcmp(fmt->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0;
}

av::Format OpenProbed(const std::shared_ptr<const MovieFile>& file, int stream)
{
    Result<av::Format> opened = av::OpenFormat(file);
    av::Format fmt = opened ? std::move(*opened) : nullptr;
    const bool stated = fmt && StatesItsStreams(fmt.get()) && stream >= 0 && stream < int(fmt->nb_streams);
    if (fmt && !stated && avformat_find_stream_info(fmt.get(), nullptr) < 0)
        fmt.reset();
    return fmt;
}

// The AVI's own index where it lies inside the file, then the packets after its last
// key frame (a cut or unfinished file's index stops early, or is missing).
std::vector<PacketInfo> AviPackets(const std::shared_ptr<const MovieFile>& file, Walk& walk, std::int64_t fileSize)
{
    std::vector<PacketInfo> packets;
    AVStream* st = walk.fmt->streams[walk.stream];
    const int entries = avformat_index_get_entries_count(st);
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* e = avformat_index_get_entry(st, i);
        if (!e)
            continue;
        PacketInfo& info = packets.emplace_back();
        info.dts = e->timestamp;
        info.bytePos = e->pos;
        info.size = e->size;
        info.key = (e->flags & AVINDEX_KEYFRAME) != 0;
        info.cutShort = fileSize > 0 && e->pos + e->size > fileSize;
    }
    const auto lastKey = std::find_if(packets.rbegin(), packets.rend(),
                                      [](const PacketInfo& p) { return p.key && p.size > 0 && !p.cutShort; });
    std::int64_t shift = 0;
    bool walkFromStart = true;
    if (lastKey != packets.rend() && av_seek_frame(walk.fmt.get(), walk.stream, lastKey->dts, AVSEEK_FLAG_BACKWARD) >= 0 &&
        walk.Next()) {
        // A demuxer may stamp packets after a seek differently from a read from the
        // start: the landing packet is placed by its bytes among the index's entries.
        const PacketInfo landing = walk.Info();
        for (const PacketInfo& p : packets)
            if (landing.dts != AV_NOPTS_VALUE && landing.bytePos >= p.bytePos && landing.bytePos - p.bytePos <= kHeaderSlack) {
                shift = p.dts - landing.dts;
                walkFromStart = false;
                packets.push_back(walk.Info(shift));
                break;
            }
    }
    if (walkFromStart) {
        walk.fmt = OpenProbed(file, walk.stream);
        if (!walk.fmt)
            return packets;
    }
    while (walk.Next())
        if (walk.packet->dts != AV_NOPTS_VALUE)
            packets.push_back(walk.Info(shift));
    return packets;
}

// Demuxers differ in what a seek's stamp means: some (MP4 with B-frames, Matroska,
// Ogg) find the key frame by its presentation stamp, others by its decoding stamp.
// A key frame's presentation stamp serves both: it is never before its decoding
// stamp, and the next key frame is decoded after it is shown.
void TakeSeekStamps(std::vector<PacketInfo>& packets, const std::vector<std::int64_t>& presentation)
{
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (presentation[i] == AV_NOPTS_VALUE)
            continue;
        packets[i].presentation = presentation[i];
        if (presentation[i] >= packets[i].dts)
            packets[i].seekStamp = presentation[i];
    }
}

} // namespace

MovieIndex MovieIndex::Measure(const std::shared_ptr<const MovieFile>& file, int stream)
{
    Walk walk{OpenProbed(file, stream), stream};
    if (!walk.fmt || stream < 0 || stream >= int(walk.fmt->nb_streams))
        return {};
    const std::int64_t fileSize = walk.fmt->pb ? avio_size(walk.fmt->pb) : -1;
    if (IsAvi(walk.fmt.get())) {
        std::vector<PacketInfo> packets = AviPackets(file, walk, fileSize);
        return FromPackets(std::move(packets), true, fileSize);
    }
    std::vector<PacketInfo> packets;
    std::vector<std::int64_t> presentation;
    ShownPictures shown(walk.fmt->streams[stream]->codecpar);
    while (walk.Next()) {
        PacketInfo& info = packets.emplace_back(walk.Info());
        const ShownPictures::Kind kind = shown.Next(walk.packet.get());
        info.hidden = kind != ShownPictures::Kind::Shown;
        info.secondField = kind == ShownPictures::Kind::SecondField;
        presentation.push_back(walk.packet->pts);
    }
    TakeSeekStamps(packets, presentation);
    return FromPackets(std::move(packets), false, fileSize);
}

MovieIndex MovieIndex::FromPackets(std::vector<PacketInfo> packets, bool chunkStamps, std::int64_t fileSize)
{
    MovieIndex index;
    index.m_cutShort = std::any_of(packets.begin(), packets.end(), [](const PacketInfo& p) { return p.cutShort; });
    if (chunkStamps) {
        // Stamps as positions: every stamp a plain chunk ordinal, and no more chunks than
        // the file has room for.
        std::stable_sort(packets.begin(), packets.end(),
                         [](const PacketInfo& a, const PacketInfo& b) { return a.dts < b.dts; });
        packets.erase(std::unique(packets.begin(), packets.end(),
                                  [](const PacketInfo& a, const PacketInfo& b) { return a.dts == b.dts; }),
                      packets.end());
        packets.erase(std::remove_if(packets.begin(), packets.end(),
                                     [](const PacketInfo& p) { return p.size <= 0 || p.cutShort; }),
                      packets.end());
        const bool plausible = !packets.empty() && packets.front().dts >= 0 && packets.back().dts < INT_MAX &&
                               (fileSize <= 0 || (packets.back().dts + 1) * kChunkHeaderBytes <= fileSize);
        index.m_chunkStamps = plausible;
    } else {
        index.m_measured = packets;
        index.m_fileSize = fileSize;
        packets = index.TakeHidden(std::move(packets));
    }
    if (packets.empty())
        return index;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const PacketInfo& p = packets[i];
        const std::int64_t position = index.m_chunkStamps ? p.dts : std::int64_t(i);
        if (p.bytePos >= 0)
            index.m_byBytes.push_back({p.bytePos, position});
        if (p.dts != AV_NOPTS_VALUE)
            index.m_byDts.push_back({p.dts, position});
        const std::int64_t seek = p.seekStamp.value_or(p.dts);
        index.m_packets.push_back({position, seek});
        if (p.key)
            index.m_keys.push_back({position, seek});
        index.m_count = position + 1;
    }
    if (index.m_count >= INT_MAX)
        return MovieIndex();
    std::stable_sort(index.m_byBytes.begin(), index.m_byBytes.end());
    std::stable_sort(index.m_byDts.begin(), index.m_byDts.end());
    const auto sameAt = [](const Place& a, const Place& b) { return a.at == b.at; };
    // Pictures in presentation order: the n-th stamp is position n, where every
    // picture has a stamp and no two share one.
    if (!index.m_chunkStamps &&
        std::all_of(packets.begin(), packets.end(), [](const PacketInfo& p) { return p.presentation.has_value(); })) {
        std::vector<Place> shown; // presentation stamp and the packet's place in decoding order
        for (std::size_t i = 0; i < packets.size(); ++i)
            shown.push_back({*packets[i].presentation, std::int64_t(i)});
        std::sort(shown.begin(), shown.end());
        if (std::adjacent_find(shown.begin(), shown.end(), sameAt) == shown.end())
            for (std::size_t i = 0; i < shown.size(); ++i) {
                index.m_byPts.push_back({shown[i].at, std::int64_t(i)});
                index.m_packetOfPicture.push_back(shown[i].position);
            }
    }
    // Containers that pack several packets into one page or block (Ogg, ASF) give
    // them one byte position: bytes then name no packet, stamps do.
    if (!index.m_chunkStamps &&
        std::adjacent_find(index.m_byBytes.begin(), index.m_byBytes.end(), sameAt) != index.m_byBytes.end())
        index.m_byBytes.clear();
    index.SortHidden();
    // Keys are sought by their stamps; a key without one cannot be sought.
    index.m_keys.erase(std::remove_if(index.m_keys.begin(), index.m_keys.end(),
                                      [](const Key& k) { return k.dts == AV_NOPTS_VALUE; }),
                       index.m_keys.end());
    return index;
}

std::vector<PacketInfo> MovieIndex::TakeHidden(std::vector<PacketInfo> packets)
{
    // Packets an edit list leaves out, and hidden ones, show no picture: no positions.
    std::vector<PacketInfo> shown;
    for (const PacketInfo& p : packets) {
        if (p.size <= 0 || p.cutShort || p.discarded)
            continue;
        if (!p.hidden) {
            shown.push_back(p);
            continue;
        }
        m_hiddenBytes.push_back(p.bytePos);
        m_hiddenDts.push_back(p.dts);
        // The frame a second field completes comes out stamped with the field's packet.
        if (p.secondField && !shown.empty() && p.dts != AV_NOPTS_VALUE)
            m_byDts.push_back({p.dts, std::int64_t(shown.size()) - 1});
    }
    return shown;
}

void MovieIndex::SortHidden()
{
    std::sort(m_hiddenBytes.begin(), m_hiddenBytes.end());
    std::sort(m_hiddenDts.begin(), m_hiddenDts.end());
    // Bytes tell hidden packets apart only where every packet has bytes of its own.
    m_hiddenByBytes = !m_byBytes.empty() && (m_hiddenBytes.empty() || m_hiddenBytes.front() >= 0) &&
                      std::adjacent_find(m_hiddenBytes.begin(), m_hiddenBytes.end()) == m_hiddenBytes.end() &&
                      std::none_of(m_hiddenBytes.begin(), m_hiddenBytes.end(),
                                   [&](std::int64_t at) { return Find(m_byBytes, at, 0).has_value(); });
}

bool MovieIndex::Hidden(std::int64_t bytePos, std::int64_t dts) const
{
    if (m_hiddenByBytes && bytePos >= 0)
        return std::binary_search(m_hiddenBytes.begin(), m_hiddenBytes.end(), bytePos);
    return dts != AV_NOPTS_VALUE && std::binary_search(m_hiddenDts.begin(), m_hiddenDts.end(), dts);
}

MovieIndex MovieIndex::Remade(const std::function<void(PacketInfo&)>& change) const
{
    std::vector<PacketInfo> packets = m_measured;
    for (PacketInfo& p : packets)
        change(p);
    return FromPackets(std::move(packets), false, m_fileSize);
}

MovieIndex MovieIndex::HidingBefore(std::int64_t pts) const
{
    return Remade([pts](PacketInfo& p) { p.hidden = p.hidden || (p.presentation && *p.presentation < pts); });
}

bool MovieIndex::PresentationIsDecoding() const
{
    return !m_chunkStamps && !m_measured.empty() &&
           std::all_of(m_measured.begin(), m_measured.end(),
                       [](const PacketInfo& p) { return !p.presentation || *p.presentation == p.dts; });
}

MovieIndex MovieIndex::WithoutPresentation() const
{
    return Remade([](PacketInfo& p) { p.presentation.reset(); });
}

std::optional<MovieIndex::Key> MovieIndex::PacketShownAt(std::int64_t n) const
{
    if (m_packets.empty())
        return std::nullopt;
    auto it = std::upper_bound(m_packets.begin(), m_packets.end(), n,
                               [](std::int64_t v, const Key& k) { return v < k.position; });
    return it == m_packets.begin() ? m_packets.front() : *std::prev(it);
}

std::optional<std::int64_t> MovieIndex::Find(const std::vector<Place>& places, std::int64_t at, std::int64_t slack)
{
    auto it = std::upper_bound(places.begin(), places.end(), Place{at, 0});
    if (it == places.begin())
        return std::nullopt;
    --it;
    if (at - it->at > slack)
        return std::nullopt;
    return it->position;
}

std::optional<std::int64_t> MovieIndex::PositionOfByte(std::int64_t bytePos) const
{
    if (bytePos < 0)
        return std::nullopt;
    return Find(m_byBytes, bytePos, kHeaderSlack);
}

std::optional<std::int64_t> MovieIndex::PositionOf(std::int64_t bytePos, std::int64_t dts) const
{
    if (m_byBytes.empty() || bytePos < 0)
        return PositionOfDts(dts);
    return PositionOfByte(bytePos);
}

std::optional<std::int64_t> MovieIndex::PositionOfPresentation(std::int64_t pts) const
{
    if (pts == AV_NOPTS_VALUE)
        return std::nullopt;
    return Find(m_byPts, pts, 0);
}

std::optional<std::int64_t> MovieIndex::PacketOfPicture(std::int64_t n) const
{
    if (n < 0 || n >= std::int64_t(m_packetOfPicture.size()))
        return std::nullopt;
    return m_packetOfPicture[std::size_t(n)];
}

std::optional<std::int64_t> MovieIndex::PositionOfDts(std::int64_t dts) const
{
    if (dts == AV_NOPTS_VALUE)
        return std::nullopt;
    return Find(m_byDts, dts, 0);
}

std::optional<std::int64_t> MovieIndex::ShownStamp(std::int64_t n) const
{
    if (n < 0 || n >= m_count)
        return std::nullopt;
    if (std::size_t(n) < m_byPts.size())
        return m_byPts[std::size_t(n)].at; // the n-th stamp is position n
    if (m_chunkStamps)
        return n;
    const std::optional<Key> shown = PacketShownAt(n);
    return shown && shown->dts != AV_NOPTS_VALUE ? std::optional<std::int64_t>(shown->dts) : std::nullopt;
}

std::vector<std::int64_t> MovieIndex::KeyPictures() const
{
    std::vector<std::int64_t> shown;
    if (m_packetOfPicture.empty()) {
        for (const Key& k : m_keys)
            shown.push_back(k.position);
        return shown;
    }
    std::vector<bool> key(m_packetOfPicture.size(), false);
    for (const Key& k : m_keys)
        if (k.position >= 0 && std::size_t(k.position) < key.size())
            key[std::size_t(k.position)] = true;
    for (std::size_t n = 0; n < m_packetOfPicture.size(); ++n) {
        const std::int64_t packet = m_packetOfPicture[n];
        if (packet >= 0 && std::size_t(packet) < key.size() && key[std::size_t(packet)])
            shown.push_back(std::int64_t(n));
    }
    return shown;
}

} // namespace media
