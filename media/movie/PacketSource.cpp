#include "media/movie/PacketSource.h"

namespace media {

namespace {
// A read reads on to a packet at most this many positions ahead, and seeks to one
// further on.
constexpr std::int64_t kReadAhead = 3;
} // namespace

PacketSource::PacketSource(std::shared_ptr<const MovieFile> file, int stream, const MovieIndex& index)
    : m_file(std::move(file)), m_stream(stream), m_index(index)
{
}

const AVPacket* PacketSource::ShownAt(std::int64_t n)
{
    const std::optional<MovieIndex::Key> at = m_index.PacketShownAt(n);
    if (!at)
        return nullptr;
    if (at->position != m_packetPos && !ReadAt(*at))
        return nullptr;
    return m_packet.get();
}

bool PacketSource::ReadAt(const MovieIndex::Key& at)
{
    av_packet_unref(m_packet.get());
    m_packetPos.reset();
    if (!m_format) {
        Result<av::Format> opened = av::OpenFormatFor(m_file, m_stream);
        if (!opened)
            return false;
        m_format = std::move(*opened);
        m_cursor.reset();
    }
    if (!m_cursor || at.position <= *m_cursor || at.position - *m_cursor > kReadAhead) {
        ++m_seeks;
        m_cursor.reset();
        if (av_seek_frame(m_format.get(), m_stream, at.dts, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
    }
    while (av_read_frame(m_format.get(), m_packet.get()) >= 0) {
        std::optional<std::int64_t> pos;
        if (m_packet->stream_index == m_stream && m_packet->size > 0)
            pos = m_index.PositionOf(m_packet->pos, m_packet->dts);
        if (pos) {
            m_cursor = pos;
            if (*pos == at.position && !(m_packet->flags & AV_PKT_FLAG_CORRUPT)) {
                m_packetPos = pos;
                return true;
            }
        }
        av_packet_unref(m_packet.get());
        if (pos && *pos >= at.position)
            return false;
    }
    return false;
}

} // namespace media
