#pragma once
// The packets of a movie's video stream by position, read from an opening of the file
// of their own, so that reading them never disturbs where a decoder stands. For
// movies whose pictures stand alone, whose packets go to their developers undecoded.
#include "media/movie/AvHandles.h"
#include "media/movie/MovieIndex.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace media {

class PacketSource {
public:
    // `index` places the packets read; it must outlive the source.
    PacketSource(std::shared_ptr<const MovieFile> file, int stream, const MovieIndex& index);

    // The packet whose picture shows at `n`, or null when it cannot be read whole.
    // Valid until the next call.
    const AVPacket* ShownAt(std::int64_t n);

    long Seeks() const { return m_seeks; }

private:
    // Reads the packet at `at`, reading on when it lies just ahead and seeking otherwise.
    bool ReadAt(const MovieIndex::Key& at);

    std::shared_ptr<const MovieFile> m_file;
    int m_stream;
    const MovieIndex& m_index;
    av::Format m_format; // opened on first use
    av::Packet m_packet = av::NewPacket();
    std::optional<std::int64_t> m_packetPos; // the position of the packet held, when one is
    std::optional<std::int64_t> m_cursor;    // the position of the last packet read, when known
    long m_seeks = 0;
};

} // namespace media
