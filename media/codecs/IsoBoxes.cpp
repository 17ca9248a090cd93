#include "media/codecs/IsoBoxes.h"

namespace media::iso {

namespace {
constexpr ByteOrder kBig = ByteOrder::Big;
} // namespace

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

std::optional<std::uint32_t> Number(const ByteReader& in, std::size_t at, bool wide)
{
    if (wide)
        return in.U32(at, kBig);
    if (const auto v = in.U16(at, kBig))
        return *v;
    return std::nullopt;
}

std::optional<Meta> ReadMeta(const ByteReader& in)
{
    const std::vector<Box> top = Boxes(in, 0, in.Size());
    const Box* meta = Find(top, Fourcc("meta"));
    if (!meta)
        return std::nullopt;
    Meta m;
    m.boxes = Boxes(in, meta->body + 4, meta->end); // after its version and flags
    const Box* pitm = Find(m.boxes, Fourcc("pitm"));
    const Box* iprp = Find(m.boxes, Fourcc("iprp"));
    if (!pitm || !iprp)
        return std::nullopt;
    const auto version = in.U8(pitm->body);
    const auto primary = Number(in, pitm->body + 4, version != 0);
    if (!version || !primary)
        return std::nullopt;
    m.primary = *primary;
    const std::vector<Box> inIprp = Boxes(in, iprp->body, iprp->end);
    const Box* ipco = Find(inIprp, Fourcc("ipco"));
    const Box* ipma = Find(inIprp, Fourcc("ipma"));
    if (!ipco || !ipma)
        return std::nullopt;
    m.properties = Boxes(in, ipco->body, ipco->end);
    m.ipma = *ipma;
    return m;
}

std::optional<std::vector<Box>> PropertiesOf(const ByteReader& in, const Meta& meta, std::uint32_t item)
{
    const auto versionAndFlags = in.U32(meta.ipma.body, kBig), entries = in.U32(meta.ipma.body + 4, kBig);
    if (!versionAndFlags || !entries)
        return std::nullopt;
    const bool longIds = (*versionAndFlags >> 24) >= 1, longIndices = *versionAndFlags & 1;
    std::vector<Box> found;
    std::size_t at = meta.ipma.body + 8;
    for (std::uint32_t e = 0; e < *entries && at < meta.ipma.end; ++e) {
        const std::optional<std::uint32_t> id = Number(in, at, longIds);
        const auto count = in.U8(at + (longIds ? 4 : 2));
        if (!id || !count)
            return std::nullopt;
        at += (longIds ? 4 : 2) + 1;
        for (unsigned a = 0; a < *count; ++a, at += longIndices ? 2 : 1) {
            // The top bit of each marks the property essential.
            std::optional<std::uint32_t> v = Number(in, at, false);
            if (!longIndices)
                v = in.U8(at);
            if (!v || at >= meta.ipma.end)
                return std::nullopt;
            const std::uint32_t which = *v & (longIndices ? 0x7FFFu : 0x7Fu);
            if (*id == item && which > 0 && which <= meta.properties.size())
                found.push_back(meta.properties[which - 1]);
        }
    }
    return found;
}

} // namespace media::iso
