#pragma once
// Walking the boxes of an ISO base media file (HEIF, AVIF): every offset checked
// against the bytes there are, a box that does not fit ends its list.
#include "media/codecs/ByteReader.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace media::iso {

constexpr std::uint32_t Fourcc(const char (&t)[5])
{
    return std::uint32_t(std::uint8_t(t[0])) << 24 | std::uint32_t(std::uint8_t(t[1])) << 16 |
           std::uint32_t(std::uint8_t(t[2])) << 8 | std::uint8_t(t[3]);
}

struct Box {
    std::uint32_t type;
    std::size_t body, end; // [body, end): what follows its size and type
};

// The boxes between `from` and `to`, up to the first that does not fit there.
std::vector<Box> Boxes(const ByteReader& in, std::size_t from, std::size_t to);
const Box* Find(const std::vector<Box>& boxes, std::uint32_t type);

// A number of 16 or 32 bits (item numbers, by the box's version), big-endian.
std::optional<std::uint32_t> Number(const ByteReader& in, std::size_t at, bool wide);

// The boxes of a HEIF file's 'meta' box that describe its items.
struct Meta {
    std::uint32_t primary = 0;
    std::vector<Box> boxes;     // inside 'meta'
    std::vector<Box> properties; // inside 'ipco', numbered from 1 by 'ipma'
    Box ipma{};                  // which properties each item has
};
std::optional<Meta> ReadMeta(const ByteReader& in);

// The properties associated with `item`, in the order 'ipma' lists them; nothing
// where the associations cannot be read.
std::optional<std::vector<Box>> PropertiesOf(const ByteReader& in, const Meta& meta, std::uint32_t item);

} // namespace media::iso
