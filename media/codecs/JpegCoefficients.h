#pragma once
// A JPEG written again at another quality without decoding its pixels (see
// JpegCoefficients.cpp): for stills of Motion JPEG movies going to JPEG.
#include "media/codecs/Codecs.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace media {

struct CoefficientWrite {
    JpegQuality quality;
    bool progressive = false;
    int quarterTurns = 0;          // clockwise
    int width = 0, height = 0;     // the size the JPEG must have (before turning)
    const Metadata* metadata = nullptr; // its EXIF written, made true of the picture
};

// The JPEG `data` rewritten as asked; none where this way cannot take it (another
// size, 12-bit, arithmetic coding, not grey or Y'CbCr, damaged data, a turn of a
// picture that is not whole blocks): then its pixels must be decoded.
std::optional<Bytes> RewriteJpegCoefficients(const std::uint8_t* data, std::size_t size, const CoefficientWrite& how);

} // namespace media
