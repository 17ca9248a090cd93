#pragma once
// Reading and writing pictures in the five file formats. A decoder checks sizes
// before allocating anything and every offset against the data it has; errors come
// back as text naming the defect ("Invalid PCX image: palette marker missing").
#include "media/image/Image.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media {

enum class ImageFormat { Unknown, Bmp, Tiff, Jpeg, Pcx, Png };

// The format of a file from its first bytes, whatever its name says.
ImageFormat DetectFormat(const std::uint8_t* data, std::size_t size);

struct SaveOptions {
    int quality = 8;          // JPEG: 1 (smallest) .. 10 (best)
    bool interlaced = false;  // progressive JPEG, Adam7 PNG
};

// How many times smaller than the file's picture a decoder may deliver it, asked with
// the picture's upright size: 1 (whole), 2, 4 or 8. Only JPEG can (libjpeg-turbo's
// scaled inverse DCT decodes a fraction of the work); the others always give it whole.
using Reduction = std::function<int(int width, int height)>;

// Each decoder takes the whole file's bytes.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool DecodePcx(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& out, std::string& error,
                const Reduction& reduction = {});
bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool DecodeTiff(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);

// Each encoder keeps the picture's depth where its format can hold it.
bool EncodeBmp(const Image& img, std::vector<std::uint8_t>& out, std::string& error);
bool EncodePcx(const Image& img, std::vector<std::uint8_t>& out, std::string& error);
bool EncodeJpeg(const Image& img, const SaveOptions& options, std::vector<std::uint8_t>& out, std::string& error);
bool EncodePng(const Image& img, const SaveOptions& options, std::vector<std::uint8_t>& out, std::string& error);
bool EncodeTiff(const Image& img, std::vector<std::uint8_t>& out, std::string& error);

// Detects the format and decodes.
bool DecodeImage(const std::uint8_t* data, std::size_t size, Image& out, std::string& error,
                 const Reduction& reduction = {});
bool EncodeImage(const Image& img, ImageFormat format, const SaveOptions& options, std::vector<std::uint8_t>& out,
                 std::string& error);

// libdeflate's level for PNG output, chosen by measurement on photos: files no larger
// than zlib's level 3 gave (what this program wrote before), in less time.
inline constexpr int kPngDeflateLevel = 2;

// The libjpeg quality (0..100) a SaveQuality of 1..10 stands for.
int JpegQualityFor(int saveQuality);

} // namespace media
