#include "media/codecs/HeifGeometry.h"

#include "media/codecs/ByteReader.h"

#include <utility>
#include <vector>

namespace media {

namespace {

constexpr ByteOrder kBig = ByteOrder::Big;

constexpr std::uint32_t Fourcc(const char (&t)[5])
{
    return std::uint32_t(std::uint8_t(t[0])) << 24 | std::uint32_t(std::uint8_t(t[1])) << 16 |
           std::uint32_t(std::uint8_t(t[2])) << 8 | std::uint8_t(t[3]);
}

struct Box {
    std::uint32_t type;
    std::size_t body, end;
};

// The boxes between `from` and `to`, up to the first that does not fit there.
std::vector<Box> Boxes(const ByteReader& in, std::size_t from, std::size_t to)
{
    std::vector<Box> boxes;
    for (std::size_t at = from; at < to && to - at >= 8 && boxes.size() < 65536;) {
        const auto size32 = in.U32(at, kBig), type = in.U32(at + 4, kBig);
        if (!size32 || !type)
            break;
        std::uint64_t size = *size32;
        std::size_t header = 8;
        if (size == 1) { // a 64-bit size follows the type
            const auto high = in.U32(at + 8, kBig), low = in.U32(at + 12, kBig);
            if (!high || !low)
                break;
            size = std::uint64_t(*high) << 32 | *low;
            header = 16;
        } else if (size == 0) { // to the end
            size = to - at;
        }
        if (size < header || size > to - at)
            break;
        boxes.push_back({*type, at + header, at + std::size_t(size)});
        at += std::size_t(size);
    }
    return boxes;
}

const Box* Find(const std::vector<Box>& boxes, std::uint32_t type)
{
    for (const Box& b : boxes)
        if (b.type == type)
            return &b;
    return nullptr;
}

// An item's number: 16 or 32 bits.
std::optional<std::uint32_t> Id(const ByteReader& in, std::size_t at, bool wide)
{
    if (wide)
        return in.U32(at, kBig);
    if (const auto v = in.U16(at, kBig))
        return *v;
    return std::nullopt;
}

// One property's effect on the size; false where it cannot be read.
bool Apply(const ByteReader& in, const Box& property, Size& size)
{
    if (property.type == Fourcc("irot")) {
        const auto angle = in.U8(property.body);
        if (!angle)
            return false;
        if (*angle & 1)
            std::swap(size.width, size.height);
    } else if (property.type == Fourcc("clap")) {
        const auto wN = in.U32(property.body, kBig), wD = in.U32(property.body + 4, kBig);
        const auto hN = in.U32(property.body + 8, kBig), hD = in.U32(property.body + 12, kBig);
        if (!wN || !wD || !hN || !hD || *wD == 0 || *hD == 0)
            return false;
        // Rounded to the nearest pixel, as libheif rounds it.
        size.width = int((std::uint64_t(*wN) + *wD / 2) / *wD);
        size.height = int((std::uint64_t(*hN) + *hD / 2) / *hD);
    }
    return true;
}

} // namespace

std::optional<Size> HeifShownSize(const std::uint8_t* data, std::size_t size, Size stored)
{
    const ByteReader in(data, size);
    const std::vector<Box> top = Boxes(in, 0, size);
    const Box* meta = Find(top, Fourcc("meta"));
    if (!meta)
        return std::nullopt;
    const std::vector<Box> inMeta = Boxes(in, meta->body + 4, meta->end); // after its version and flags
    const Box* pitm = Find(inMeta, Fourcc("pitm"));
    const Box* iprp = Find(inMeta, Fourcc("iprp"));
    if (!pitm || !iprp)
        return std::nullopt;
    const auto pitmVersion = in.U8(pitm->body);
    const std::optional<std::uint32_t> primary = Id(in, pitm->body + 4, pitmVersion != 0);
    const std::vector<Box> inIprp = Boxes(in, iprp->body, iprp->end);
    const Box* ipco = Find(inIprp, Fourcc("ipco"));
    const Box* ipma = Find(inIprp, Fourcc("ipma"));
    if (!primary || !ipco || !ipma)
        return std::nullopt;
    const std::vector<Box> properties = Boxes(in, ipco->body, ipco->end);
    const auto versionAndFlags = in.U32(ipma->body, kBig), entries = in.U32(ipma->body + 4, kBig);
    if (!versionAndFlags || !entries)
        return std::nullopt;
    const bool longIds = (*versionAndFlags >> 24) >= 1, longIndices = *versionAndFlags & 1;
    Size shown = stored;
    std::size_t at = ipma->body + 8;
    for (std::uint32_t e = 0; e < *entries && at < ipma->end; ++e) {
        const std::optional<std::uint32_t> id = Id(in, at, longIds);
        const auto count = in.U8(at + (longIds ? 4 : 2));
        if (!id || !count)
            return std::nullopt;
        at += (longIds ? 4 : 2) + 1;
        for (unsigned a = 0; a < *count; ++a, at += longIndices ? 2 : 1) {
            // The top bit of each marks the property essential.
            std::optional<unsigned> which;
            if (const auto v = in.U16(at, kBig); longIndices && v)
                which = *v & 0x7FFFu;
            else if (const auto b = in.U8(at); !longIndices && b)
                which = *b & 0x7Fu;
            if (!which || at >= ipma->end)
                return std::nullopt;
            if (*id == *primary && *which > 0 && *which <= properties.size() &&
                !Apply(in, properties[*which - 1], shown))
                return std::nullopt;
        }
    }
    return shown;
}

} // namespace media
