#include "media/codecs/Exif.h"

#include "media/codecs/ByteReader.h"

namespace media {

int ExifOrientation(const std::uint8_t* data, std::size_t size)
{
    const ByteReader in(data, size);
    if (!in.Has(0, 8))
        return 1;
    const bool big = in.U8(0) == 'M' && in.U8(1) == 'M';
    if (!big && !(in.U8(0) == 'I' && in.U8(1) == 'I'))
        return 1;
    const auto u16 = [&](std::size_t at) {
        const unsigned v = in.U16(at);
        return big ? std::uint16_t((v >> 8) | ((v & 0xFF) << 8)) : std::uint16_t(v);
    };
    const auto u32 = [&](std::size_t at) {
        return big ? std::uint32_t(u16(at)) << 16 | u16(at + 2) : in.U32(at);
    };
    if (u16(2) != 42)
        return 1;
    const std::size_t ifd = u32(4);
    if (!in.Has(ifd, 2))
        return 1;
    const unsigned entries = u16(ifd);
    constexpr unsigned kOrientationTag = 0x0112, kShort = 3;
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t at = ifd + 2 + std::size_t(i) * 12;
        if (!in.Has(at, 12))
            return 1;
        if (u16(at) == kOrientationTag && u16(at + 2) == kShort && u32(at + 4) >= 1) {
            const int value = u16(at + 8);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

} // namespace media
