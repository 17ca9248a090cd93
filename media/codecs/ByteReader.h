#pragma once
// Bounds-checked little- and big-endian reads over a byte buffer: every length and
// offset a decoder takes from a file is checked against the data it really has.
#include <cstddef>
#include <cstdint>

namespace media {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Size() const { return m_size; }
    const std::uint8_t* Data() const { return m_data; }
    bool Has(std::size_t offset, std::size_t count) const { return offset <= m_size && count <= m_size - offset; }

    std::uint8_t U8(std::size_t at) const { return Has(at, 1) ? m_data[at] : 0; }
    std::uint16_t U16(std::size_t at) const
    {
        return Has(at, 2) ? std::uint16_t(m_data[at] | (m_data[at + 1] << 8)) : 0;
    }
    std::uint32_t U32(std::size_t at) const
    {
        return Has(at, 4) ? std::uint32_t(m_data[at]) | (std::uint32_t(m_data[at + 1]) << 8) |
                                (std::uint32_t(m_data[at + 2]) << 16) | (std::uint32_t(m_data[at + 3]) << 24)
                          : 0;
    }
    std::int32_t I32(std::size_t at) const { return std::int32_t(U32(at)); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// Appends little-endian values to a byte vector (the writers' side).
template <class Bytes>
void PutU16(Bytes& out, unsigned v)
{
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t((v >> 8) & 0xFF));
}
template <class Bytes>
void PutU32(Bytes& out, std::uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

} // namespace media
