#pragma once
// Colours described by an ICC profile, turned into sRGB (LittleCMS), for pictures
// written where the profile cannot go with them: they then look as they did.
#include "media/image/Image.h"

#include <cstdint>
#include <vector>

namespace media {

// Converts colour, colour with alpha (alpha kept) and palettes from the RGB colour
// space `icc` describes to sRGB. False, and the picture untouched, when the profile
// is not an RGB one or cannot be read, or the picture is grey.
bool ConvertToSrgb(Image& picture, const std::vector<std::uint8_t>& icc);

} // namespace media
