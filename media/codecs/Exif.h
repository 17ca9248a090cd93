#pragma once
// The one EXIF fact the engine uses: how the picture is to be turned for viewing.
#include <cstddef>
#include <cstdint>

namespace media {

// The Orientation tag (1..8) of an EXIF block that starts at its TIFF header ("II*\0"
// or "MM\0*"); 1 when it has none or the block is damaged.
int ExifOrientation(const std::uint8_t* data, std::size_t size);

} // namespace media
