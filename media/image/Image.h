#pragma once
// The one picture the image edit engine holds: indexed (1, 4 or 8 bits of palette
// index, stored a byte a pixel), 8-bit grey, 24-bit colour, or colour with alpha.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace media {

enum class PixelFormat { Indexed, Gray8, Rgb24, Rgba32 };

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Pictures with more pixels than this are refused before anything is allocated.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 28;
inline constexpr std::int64_t kMaxImageSide = std::int64_t(1) << 20;

struct Image {
    int width = 0;
    int height = 0;
    PixelFormat format = PixelFormat::Rgb24;
    int indexBits = 8;        // Indexed: 1, 4 or 8 (what a save keeps where it can)
    std::vector<Rgb> palette; // Indexed: up to 2^indexBits colours
    std::vector<std::uint8_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0; }
    int Channels() const;
    std::size_t RowBytes() const { return std::size_t(width) * Channels(); }
    std::uint8_t* Row(int y) { return pixels.data() + RowBytes() * y; }
    const std::uint8_t* Row(int y) const { return pixels.data() + RowBytes() * y; }

    // A blank picture; false when the size is zero, negative or over the limit.
    bool Allocate(int w, int h, PixelFormat f);
    bool HasAlpha() const { return format == PixelFormat::Rgba32; }
};

// Whether w × h is a size a picture may have (positive, within kMaxImagePixels).
bool PlausibleSize(std::int64_t w, std::int64_t h);

// Why a declared w × h is refused before anything is allocated: "declares a size of
// 100000 × 100000 pixels, more than a picture may have (268435456, 1048576 a side)".
std::string ImplausibleSizeText(std::int64_t w, std::int64_t h);

// The picture as 24-bit colour (alpha composited over `background`).
Image ToRgb24(const Image& img, Rgb background = {255, 255, 255});
// The same, without copying a picture that already is 24-bit colour: the result is `img`
// itself or the conversion kept in `scratch`.
const Image& AsRgb24(const Image& img, Image& scratch);
// The picture as colour with alpha (opaque where it had none).
Image ToRgba32(const Image& img);
// The picture as formats without grey or alpha hold it: grey as 8-bit
// with a grey palette, alpha composited over white; palettes and colour unchanged.
Image ToIndexedOrRgb24(const Image& img);
// The same, without copying a picture that already is palette or 24-bit colour.
const Image& AsIndexedOrRgb24(const Image& img, Image& scratch);
// The BT.601 luma of a colour, rounded.
std::uint8_t Luma(int r, int g, int b);

} // namespace media
