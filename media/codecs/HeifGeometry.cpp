#include "media/codecs/HeifGeometry.h"

#include "media/codecs/IsoBoxes.h"

#include <utility>

namespace media {

namespace {

constexpr ByteOrder kBig = ByteOrder::Big;

// One property's effect on the size; false where it cannot be read.
bool Apply(const ByteReader& in, const iso::Box& property, Size& size)
{
    if (property.type == iso::Fourcc("irot")) {
        const auto angle = in.U8(property.body);
        if (!angle)
            return false;
        if (*angle & 1)
            std::swap(size.width, size.height);
    } else if (property.type == iso::Fourcc("clap")) {
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
    const std::optional<iso::Meta> meta = iso::ReadMeta(in);
    const auto properties = meta ? iso::PropertiesOf(in, *meta, meta->primary) : std::nullopt;
    if (!properties)
        return std::nullopt;
    Size shown = stored;
    for (const iso::Box& property : *properties)
        if (!Apply(in, property, shown))
            return std::nullopt;
    return shown;
}

} // namespace media
