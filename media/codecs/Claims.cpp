#include "media/codecs/Claims.h"

#include "media/codecs/Formats.h"

namespace media {

Failure InvalidImage(ImageFormat format, const std::string& why, FailureKind kind)
{
    return Fail(kind, std::string("Invalid ") + FormatRowOf(format).name + " image: " + why);
}

Result<void> CheckClaim(ImageFormat format, const Claim& c, std::size_t fileBytes)
{
    if (!PlausibleSize(c.width, c.height))
        return InvalidImage(format, ImplausibleSizeText(c.width, c.height));
    if (c.dataBytes <= double(c.available) * c.maxRatio)
        return {};
    return InvalidImage(format, "claims " + std::to_string(c.width) + " × " + std::to_string(c.height) +
                                    " pixels, the file holds " + std::to_string(fileBytes) + " bytes");
}

} // namespace media
