#pragma once
// The size a HEIF or AVIF file's primary picture is shown at, read from its boxes:
// libheif 1.15 tells the stored size ('ispe') alone, and applies the crop and the
// turns only when it decodes.
#include "media/image/Processing.h"

#include <cstdint>
#include <optional>

namespace media {

// The stored width × height after the primary item's crop ('clap') and quarter turns
// ('irot'), in the order its properties list them (a mirror keeps the size). Nothing
// where the boxes cannot be walked.
std::optional<Size> HeifShownSize(const std::uint8_t* data, std::size_t size, Size stored);

} // namespace media
