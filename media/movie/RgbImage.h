#pragma once
// A picture as the engines hand it out: 8-bit RGB, three bytes a pixel, rows packed.
#include <cstdint>
#include <vector>

namespace media {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * 3 bytes a row, top row first

    bool Empty() const { return width <= 0 || height <= 0; }
    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width * 3; }
    const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width * 3; }
};

} // namespace media
