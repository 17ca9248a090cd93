#pragma once
// Reading and writing pictures: the types every codec shares and each format's own
// steps (reading and writing any picture goes by the rows of Formats.h). A decoder
// checks sizes before allocating anything and every offset against the data it has; a
// failure names the format and the defect ("Invalid <name> image: palette marker
// missing", the name from the format's row, where every format is listed once).
#include "media/Result.h"
#include "media/image/Image.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace media {

// In the order the window lists them (also the position the settings file stores).
// The formats written come first; new ones go after the last written one, so
// positions stored in settings files stay.
enum class ImageFormat { Bmp, Tiff, Jpeg, Pcx, Png, Webp, Heif, Avif, Unknown };

using Bytes = std::vector<std::uint8_t>;

// The JPEG quality on its one scale, the window's list's and --quality's: step 0
// (the smallest file) to 9 (the best picture). The encoders' values come from it in
// one place (EncodingOf); the image edit control's SaveQuality is the step + 1.
struct JpegQuality {
    static constexpr int kLowest = 0, kHighest = 9;
    int step = 7;
    constexpr bool Valid() const { return step >= kLowest && step <= kHighest; }
    bool operator==(const JpegQuality&) const = default;
};

struct Metadata;

struct SaveOptions {
    JpegQuality quality;     // JPEG, WebP
    bool interlaced = false; // progressive JPEG, Adam7 PNG
    // What the photo carried, written where the format holds it (the EXIF as
    // ExifForWriting makes it, a profile only where ProfileFits); null: nothing.
    const Metadata* metadata = nullptr;
};
// A quality outside its scale is refused, not quietly moved into it.
Result<void> CheckSaveOptions(const SaveOptions& options);

// How many times smaller than the file's picture a decoder may deliver it, asked with
// the picture's upright size: 1 (whole), 2, 4 or 8. Only JPEG can (libjpeg-turbo's
// scaled inverse DCT decodes a fraction of the work); the others always give it whole.
using Reduction = std::function<int(int width, int height)>;

// What a picture file tells of itself before any pixel is decoded (its format's header
// step, as libvips' loaders split header and load): its size as stored (HEIF and AVIF:
// after the crop and turns of their boxes, which libheif applies as it decodes), the
// bits a pixel has there, alpha, the EXIF turn its reader applies, whether it carries
// EXIF or an ICC profile. A size no picture may have is refused by the header step.
struct ImageHeader {
    int width = 0, height = 0;
    int bitsPerPixel = 24;
    bool alpha = false;
    int orientation = 1; // EXIF's 1..8
    bool exif = false, icc = false;
    // The size the picture is shown at, turned as its orientation says.
    int UprightWidth() const { return orientation >= 5 && orientation <= 8 ? height : width; }
    int UprightHeight() const { return orientation >= 5 && orientation <= 8 ? width : height; }
};

// Each format's own steps (the rows of Formats.h point at them).
bool SniffBmp(const std::uint8_t* data, std::size_t size);
bool SniffPcx(const std::uint8_t* data, std::size_t size);
bool SniffJpeg(const std::uint8_t* data, std::size_t size);
bool SniffPng(const std::uint8_t* data, std::size_t size);
bool SniffTiff(const std::uint8_t* data, std::size_t size);
bool SniffWebp(const std::uint8_t* data, std::size_t size);
bool SniffHeif(const std::uint8_t* data, std::size_t size);
bool SniffAvif(const std::uint8_t* data, std::size_t size);
Result<Image> DecodeBmp(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
Result<Image> DecodePcx(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
Result<Image> DecodeJpeg(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
Result<Image> DecodePng(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
Result<Image> DecodeTiff(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
Result<Image> DecodeWebp(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
// HEIF and AVIF alike (libheif tells them apart by their boxes).
Result<Image> DecodeHeif(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
// The header steps: size, depth, alpha and orientation (ReadImageHeader adds what the
// metadata reader finds).
Result<ImageHeader> ReadBmpHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadPcxHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadJpegHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadPngHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadTiffHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadWebpHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadHeifHeader(const std::uint8_t* data, std::size_t size); // HEIF and AVIF
// What a photo carries beside its pixels (Metadata.cpp; a TIFF's in Tiff.cpp): what
// cannot be found or is damaged is left empty.
Metadata ReadJpegMetadata(const std::uint8_t* data, std::size_t size);
Metadata ReadPngMetadata(const std::uint8_t* data, std::size_t size);
Metadata ReadTiffMetadata(const std::uint8_t* data, std::size_t size);
Metadata ReadWebpMetadata(const std::uint8_t* data, std::size_t size);
Metadata ReadHeifMetadata(const std::uint8_t* data, std::size_t size); // HEIF and AVIF
Result<Bytes> EncodeBmp(const Image& img, const SaveOptions& options = {});
Result<Bytes> EncodePcx(const Image& img, const SaveOptions& options = {});
Result<Bytes> EncodeJpeg(const Image& img, const SaveOptions& options = {});
Result<Bytes> EncodePng(const Image& img, const SaveOptions& options = {});
Result<Bytes> EncodeTiff(const Image& img, const SaveOptions& options = {});
Result<Bytes> EncodeWebp(const Image& img, const SaveOptions& options = {});

// A picture as a decoder of YCbCr pictures gives it: planes of 8-bit Y, Cb and Cr in
// JPEG's own colour (BT.601, full range), the colour planes whole (4:4:4) or halved
// both ways (4:2:0, odd sides rounded up). `keep` holds whatever owns the samples.
struct YCbCrPlanes {
    int width = 0, height = 0;
    bool halvedChroma = true;
    std::array<const std::uint8_t*, 3> plane{};
    std::array<int, 3> stride{};
    std::shared_ptr<const void> keep;
};
// Writes the planes as a JPEG as EncodeJpeg writes a picture, without turning them
// into RGB and back: the quality's sampling must be the planes'.
Result<Bytes> EncodeJpegPlanes(const YCbCrPlanes& planes, const SaveOptions& options = {});
// A HEIF file's primary picture as 4:2:0 planes (HeifHevc.cpp), where it is plain:
// one HEVC picture or a grid of them, not cropped, turned or mirrored, 8-bit, no
// alpha, BT.601 colour. Nothing where it is not, or cannot be read, or
// `halvedChroma` is false: the pixel route then reads it, or says why.
std::optional<YCbCrPlanes> DecodeHeifPlanes(const std::uint8_t* data, std::size_t size, bool halvedChroma);

// libdeflate's level for PNG output, chosen by measurement on photos: files no larger
// than zlib's level 3 gave (what this program wrote before), in less time.
inline constexpr int kPngDeflateLevel = 2;

// How a step is encoded: libjpeg's quality (0..100, also WebP's quality factor) and
// whether colour keeps its full resolution (4:4:4) or is halved both ways (4:2:0).
struct QualityEncoding {
    int quality;
    bool fullChroma;
};
QualityEncoding EncodingOf(JpegQuality quality);

} // namespace media
