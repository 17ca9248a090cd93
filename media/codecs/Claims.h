#pragma once
// The header phase of every decoder: before a picture is allocated, the file must be
// able to hold what its header claims, at the densest the format allows. A small
// damaged or hostile file then cannot make a decoder ask for gigabytes.
#include <cstdint>
#include <string>

namespace media {

// True when `available` bytes of the file can carry `dataBytes` of picture data
// (rows as the format lays them out) at up to `maxRatio` data bytes per file byte.
// Otherwise false with `why`: "claims W × H pixels, the file holds N bytes" (N the
// whole file's size).
bool FileCanHold(std::int64_t width, std::int64_t height, double dataBytes, std::size_t available, double maxRatio,
                 std::size_t fileBytes, std::string& why);

// The densest each kind of data gets, in data bytes per file byte.
namespace density {
// Uncompressed rows; a file cut short may lack up to half of them.
inline constexpr double kUncompressed = 2;
// PCX runs: two bytes stand for up to 63.
inline constexpr double kPcxRle = 31.5;
// Deflate cannot expand more than about 1032 : 1.
inline constexpr double kDeflate = 1032;
// Each 8 × 8 JPEG block takes at least one bit of Huffman code: 512 pixels a byte
// of grey; arithmetic coding gets further.
inline constexpr double kJpegPixelsPerByte = 512;
inline constexpr double kJpegArithmeticPixelsPerByte = 8192;
} // namespace density

} // namespace media
