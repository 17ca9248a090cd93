#include "media/image/Image.h"

namespace media {

int Image::Channels() const
{
    switch (format) {
    case PixelFormat::Indexed:
    case PixelFormat::Gray8:
        return 1;
    case PixelFormat::Rgb24:
        return 3;
    case PixelFormat::Rgba32:
        return 4;
    }
    return 1;
}

bool PlausibleSize(std::int64_t w, std::int64_t h)
{
    return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

std::string ImplausibleSizeText(std::int64_t w, std::int64_t h)
{
    const std::string size = "declares a size of " + std::to_string(w) + " × " + std::to_string(h) + " pixels";
    if (w <= 0 || h <= 0)
        return size;
    return size + ", more than a picture may have (" + std::to_string(kMaxImagePixels) + ", " +
           std::to_string(kMaxImageSide) + " a side)";
}

bool Image::Allocate(int w, int h, PixelFormat f)
{
    if (!PlausibleSize(w, h))
        return false;
    width = w;
    height = h;
    format = f;
    pixels.assign(RowBytes() * h, 0);
    return true;
}

std::uint8_t Luma(int r, int g, int b) { return std::uint8_t((299 * r + 587 * g + 114 * b + 500) / 1000); }

Image ToRgb24(const Image& img, Rgb bg)
{
    if (img.format == PixelFormat::Rgb24)
        return img;
    Image out;
    out.Allocate(img.width, img.height, PixelFormat::Rgb24);
    const std::size_t count = std::size_t(img.width) * img.height;
    const std::uint8_t* s = img.pixels.data();
    std::uint8_t* d = out.pixels.data();
    for (std::size_t i = 0; i < count; ++i, d += 3) {
        switch (img.format) {
        case PixelFormat::Indexed: {
            const Rgb c = s[i] < img.palette.size() ? img.palette[s[i]] : Rgb{};
            d[0] = c.r, d[1] = c.g, d[2] = c.b;
            break;
        }
        case PixelFormat::Gray8:
            d[0] = d[1] = d[2] = s[i];
            break;
        case PixelFormat::Rgba32: {
            const std::uint8_t* p = s + i * 4;
            const int a = p[3];
            d[0] = std::uint8_t((p[0] * a + bg.r * (255 - a) + 127) / 255);
            d[1] = std::uint8_t((p[1] * a + bg.g * (255 - a) + 127) / 255);
            d[2] = std::uint8_t((p[2] * a + bg.b * (255 - a) + 127) / 255);
            break;
        }
        case PixelFormat::Rgb24:
            break;
        }
    }
    return out;
}

const Image& AsRgb24(const Image& img, Image& scratch)
{
    if (img.format == PixelFormat::Rgb24)
        return img;
    scratch = ToRgb24(img);
    return scratch;
}

Image ToRgba32(const Image& img)
{
    if (img.format == PixelFormat::Rgba32)
        return img;
    Image scratch;
    const Image& rgb = AsRgb24(img, scratch);
    Image out;
    out.Allocate(img.width, img.height, PixelFormat::Rgba32);
    const std::size_t count = std::size_t(img.width) * img.height;
    for (std::size_t i = 0; i < count; ++i) {
        out.pixels[i * 4] = rgb.pixels[i * 3];
        out.pixels[i * 4 + 1] = rgb.pixels[i * 3 + 1];
        out.pixels[i * 4 + 2] = rgb.pixels[i * 3 + 2];
        out.pixels[i * 4 + 3] = 255;
    }
    return out;
}

Image ToIndexedOrRgb24(const Image& source)
{
    if (source.format == PixelFormat::Rgba32)
        return ToRgb24(source);
    Image img = source;
    if (img.format == PixelFormat::Gray8) {
        img.format = PixelFormat::Indexed;
        img.indexBits = 8;
        img.palette.resize(256);
        for (int i = 0; i < 256; ++i)
            img.palette[i] = Rgb{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    }
    return img;
}

const Image& AsIndexedOrRgb24(const Image& img, Image& scratch)
{
    if (img.format == PixelFormat::Rgb24 || img.format == PixelFormat::Indexed)
        return img;
    scratch = ToIndexedOrRgb24(img);
    return scratch;
}

} // namespace media
