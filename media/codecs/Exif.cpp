#include "media/codecs/Exif.h"

#include "media/codecs/ByteReader.h"

namespace media {

int ExifOrientation(const std::uint8_t* data, std::size_t size)
{
    const ByteReader in(data, size);
    const auto first = in.U8(0), second = in.U8(1);
    if (!first || first != second || (*first != 'M' && *first != 'I'))
        return 1;
    const ByteOrder order = *first == 'M' ? ByteOrder::Big : ByteOrder::Little;
    const auto ifd = in.U32(4, order);
    if (in.U16(2, order) != 42 || !ifd)
        return 1;
    const auto entries = in.U16(*ifd, order);
    if (!entries)
        return 1;
    constexpr unsigned kOrientationTag = 0x0112, kShort = 3;
    for (unsigned i = 0; i < *entries; ++i) {
        const std::size_t at = *ifd + 2 + std::size_t(i) * 12;
        if (!in.Has(at, 12))
            return 1;
        if (in.U16(at, order) == kOrientationTag && in.U16(at + 2, order) == kShort && in.U32(at + 4, order) >= 1u) {
            const int value = *in.U16(at + 8, order); // inside the entry just checked
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

} // namespace media
