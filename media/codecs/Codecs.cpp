#include "media/codecs/Codecs.h"

#include <cstring>

namespace media {

ImageFormat DetectFormat(const std::uint8_t* d, std::size_t n)
{
    if (n >= 2 && d[0] == 'B' && d[1] == 'M')
        return ImageFormat::Bmp;
    if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0)
        return ImageFormat::Png;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF)
        return ImageFormat::Jpeg;
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    if (n >= 4 && ((d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0) ||
                   (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43))))
        return ImageFormat::Tiff;
    // PCX has no magic number: manufacturer 10, a known version, RLE or none, a known depth.
    if (n >= 128 && d[0] == 0x0A && (d[1] <= 5 && d[1] != 1) && d[2] <= 1 &&
        (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8))
        return ImageFormat::Pcx;
    return ImageFormat::Unknown;
}

bool DecodeImage(const std::uint8_t* data, std::size_t size, Image& out, std::string& error, const Reduction& reduction)
{
    switch (DetectFormat(data, size)) {
    case ImageFormat::Bmp:
        return DecodeBmp(data, size, out, error);
    case ImageFormat::Pcx:
        return DecodePcx(data, size, out, error);
    case ImageFormat::Jpeg:
        return DecodeJpeg(data, size, out, error, reduction);
    case ImageFormat::Png:
        return DecodePng(data, size, out, error);
    case ImageFormat::Tiff:
        return DecodeTiff(data, size, out, error);
    case ImageFormat::Unknown:
        break;
    }
    error = size == 0 ? "the file is empty" : "not a BMP, TIFF, JPEG, PCX or PNG picture";
    return false;
}

bool EncodeImage(const Image& img, ImageFormat format, const SaveOptions& options, std::vector<std::uint8_t>& out,
                 std::string& error)
{
    if (img.Empty()) {
        error = "there is no picture to save";
        return false;
    }
    switch (format) {
    case ImageFormat::Bmp:
        return EncodeBmp(img, out, error);
    case ImageFormat::Pcx:
        return EncodePcx(img, out, error);
    case ImageFormat::Jpeg:
        return EncodeJpeg(img, options, out, error);
    case ImageFormat::Png:
        return EncodePng(img, options, out, error);
    case ImageFormat::Tiff:
        return EncodeTiff(img, out, error);
    case ImageFormat::Unknown:
        break;
    }
    error = "unknown save format";
    return false;
}

int JpegQualityFor(int saveQuality)
{
    if (saveQuality < 1)
        saveQuality = 1;
    if (saveQuality > 10)
        saveQuality = 10;
    // 1 → 10, 10 → 95: evenly spaced; 100 only makes files larger, not better.
    return 10 + ((saveQuality - 1) * 85 + 4) / 9;
}

} // namespace media
