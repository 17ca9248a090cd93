#pragma once
// Bounds-checked little- and big-endian reads over a byte buffer: every length and
// offset a decoder takes from a file is checked against the data it really has. A
// read past the end gives no value, never a made-up one.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace media {

enum class ByteOrder { Little, Big };

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Size() const { return m_size; }
    const std::uint8_t* Data() const { return m_data; }
    bool Has(std::size_t offset, std::size_t count) const { return offset <= m_size && count <= m_size - offset; }

    std::optional<std::uint8_t> U8(std::size_t at) const
    {
        return Has(at, 1) ? std::optional<std::uint8_t>(m_data[at]) : std::nullopt;
    }
    std::optional<std::uint16_t> U16(std::size_t at, ByteOrder order = ByteOrder::Little) const
    {
        if (!Has(at, 2))
            return std::nullopt;
        const unsigned a = m_data[at], b = m_data[at + 1];
        return std::uint16_t(order == ByteOrder::Little ? a | b << 8 : a << 8 | b);
    }
    std::optional<std::uint32_t> U32(std::size_t at, ByteOrder order = ByteOrder::Little) const
    {
        const auto low = U16(at, order), high = U16(at + 2, order);
        if (!low || !high)
            return std::nullopt;
        return order == ByteOrder::Little ? std::uint32_t(*high) << 16 | *low : std::uint32_t(*low) << 16 | *high;
    }
    std::optional<std::int32_t> I32(std::size_t at) const
    {
        const auto v = U32(at);
        return v ? std::optional<std::int32_t>(std::int32_t(*v)) : std::nullopt;
    }

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
