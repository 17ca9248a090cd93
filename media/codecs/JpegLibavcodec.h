#pragma once
// The JPEGs libjpeg-turbo 2.1 cannot decode and FFmpeg's decoder can: lossless ones
// (SOF3: medical pictures, raw cameras' previews) and 12-bit ones. Their samples
// deeper than 8 bits are rounded to 8.
#include "media/Result.h"
#include "media/codecs/Codecs.h"

#include <cstddef>
#include <cstdint>

namespace media {

// A JPEG's first frame header: its process (the SOFn marker's n), sample precision
// and size; `process` -1 without one.
struct JpegFrameHeader {
    int process = -1;
    int precision = 8;
    int width = 0, height = 0;
    int components = 0;
};

JpegFrameHeader ReadJpegFrameHeader(const std::uint8_t* data, std::size_t size);

// Whether the frame is one libjpeg cannot decode and this reads: lossless Huffman, or
// a Huffman DCT frame deeper than 8 bits.
bool ReadThroughLibavcodec(const JpegFrameHeader& frame);

// The picture as stored (not turned), grey or 24-bit colour.
Result<Image> DecodeJpegThroughLibavcodec(const std::uint8_t* data, std::size_t size);

} // namespace media
