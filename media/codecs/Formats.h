#pragma once
// Every picture format, once: one row each, from which detection, decoding, encoding,
// the file-name tests, the messages that list the formats, the command line's words,
// the window's list, the image edit control's save codes and the desktop entry's MIME
// types all come. A new format is a
// codec file, an ImageFormat value and a row here.
#include "media/codecs/Codecs.h"

#include <array>
#include <string>
#include <string_view>

namespace media {

struct FormatRow {
    ImageFormat format;
    const char* name;      // in messages and lists of formats
    const char* option;    // the command line's word for it (nullptr: not written)
    const char* extension; // of the files written
    std::array<const char*, 3> readExtensions; // names its files may have (nullptr: none more)
    std::array<const char*, 2> mimeTypes;      // (nullptr: none more)
    const char* caption;   // in the window's list of output formats (nullptr: not written)
    int controlCode;       // the image edit control's SaveMediaFormat code (0: not written)
    bool takesQuality;     // the quality list applies
    bool takesInterlace;   // the save form's list applies (progressive, interlaced)
    bool holdsMetadata;    // a photo's EXIF and ICC profile can be written into it
    bool (*sniff)(const std::uint8_t* data, std::size_t size);
    Result<Image> (*decode)(const std::uint8_t* data, std::size_t size, const Reduction& reduction);
    Result<Bytes> (*encode)(const Image& img, const SaveOptions& options);
    Metadata (*metadata)(const std::uint8_t* data, std::size_t size); // what a photo carries (nullptr: nothing)
    Result<ImageHeader> (*header)(const std::uint8_t* data, std::size_t size); // without decoding pixels
};

// format, name, word, extension written, extensions read, MIME types, caption, control code,
// takes quality, takes interlace, holds metadata, sniff, decode, encode, metadata read, header read
inline constexpr FormatRow kFormatRows[] = {
    {ImageFormat::Bmp, "BMP", "bmp", ".bmp", {".bmp"}, {"image/bmp", "image/x-bmp"}, "BMP形式", 101, //
     false, false, false, SniffBmp, DecodeBmp, EncodeBmp, nullptr, ReadBmpHeader},
    {ImageFormat::Tiff, "TIFF", "tiff", ".tif", {".tif", ".tiff"}, {"image/tiff"}, "TIFF形式", 102, //
     false, false, true, SniffTiff, DecodeTiff, EncodeTiff, ReadTiffMetadata, ReadTiffHeader},
    {ImageFormat::Jpeg, "JPEG", "jpeg", ".jpg", {".jpg", ".jpeg", ".jpe"}, {"image/jpeg"}, "JPEG形式", 103, //
     true, true, true, SniffJpeg, DecodeJpeg, EncodeJpeg, ReadJpegMetadata, ReadJpegHeader},
    {ImageFormat::Pcx, "PCX", "pcx", ".pcx", {".pcx"}, {"image/vnd.zbrush.pcx", "image/x-pcx"}, "PCX形式", 104, //
     false, false, false, SniffPcx, DecodePcx, EncodePcx, nullptr, ReadPcxHeader},
    {ImageFormat::Png, "PNG", "png", ".png", {".png"}, {"image/png"}, "PNG形式", 106, //
     false, true, true, SniffPng, DecodePng, EncodePng, ReadPngMetadata, ReadPngHeader},
    {ImageFormat::Webp, "WebP", "webp", ".webp", {".webp"}, {"image/webp"}, "WebP形式", 107, //
     true, false, true, SniffWebp, DecodeWebp, EncodeWebp, ReadWebpMetadata, ReadWebpHeader},
    // Read only: no word, caption, code or encoder.
    {ImageFormat::Heif, "HEIF", nullptr, ".heic", {".heic", ".heif", ".hif"}, {"image/heic", "image/heif"}, nullptr, 0,
     false, false, false, SniffHeif, DecodeHeif, nullptr, ReadHeifMetadata, ReadHeifHeader},
    {ImageFormat::Avif, "AVIF", nullptr, ".avif", {".avif"}, {"image/avif"}, nullptr, 0, //
     false, false, false, SniffAvif, DecodeHeif, nullptr, ReadHeifMetadata, ReadHeifHeader},
};
inline constexpr std::size_t kFormatCount = std::size(kFormatRows);

// The formats a picture can be written in: the rows with a command-line word (and an
// encoder), which come first (their positions are the output list's, which settings
// files store). A function's address is not a constant in every build, so the word
// tells.
constexpr std::size_t CountWritable()
{
    std::size_t n = 0;
    while (n < kFormatCount && kFormatRows[n].option)
        ++n;
    return n;
}
inline constexpr std::size_t kWritableFormatCount = CountWritable();
constexpr bool WritableFirst()
{
    for (std::size_t i = kWritableFormatCount; i < kFormatCount; ++i)
        if (kFormatRows[i].option || kFormatRows[i].caption || kFormatRows[i].controlCode ||
            kFormatRows[i].takesQuality || kFormatRows[i].takesInterlace || kFormatRows[i].holdsMetadata)
            return false;
    return true;
}
static_assert(WritableFirst(), "the writable formats first; the others have no word, caption or code");

constexpr bool RowsInOrder()
{
    for (std::size_t i = 0; i < kFormatCount; ++i)
        if (std::size_t(kFormatRows[i].format) != i)
            return false;
    return std::size_t(ImageFormat::Unknown) == kFormatCount;
}
static_assert(RowsInOrder(), "one row per ImageFormat, in its order");

constexpr const FormatRow& FormatRowOf(ImageFormat format) { return kFormatRows[std::size_t(format)]; }

// The format of a file from its first bytes, whatever its name says.
ImageFormat DetectFormat(const std::uint8_t* data, std::size_t size);

// Detects the format and decodes the whole file's bytes.
Result<Image> DecodeImage(const std::uint8_t* data, std::size_t size, const Reduction& reduction = {});
// The same for a file whose format is known already (DetectFormat), so that it is sniffed once.
Result<Image> DecodeImage(const std::uint8_t* data, std::size_t size, ImageFormat format, const Reduction& reduction);

// What a picture file tells of itself without its pixels being decoded (its row's
// header step, and whether its metadata reader finds EXIF or a profile); an unknown
// format, a damaged header or a size no picture may have is refused with its reason.
Result<ImageHeader> ReadImageHeader(const std::uint8_t* data, std::size_t size);
Result<ImageHeader> ReadImageHeader(const std::uint8_t* data, std::size_t size, ImageFormat format);

// What a photo carries (EXIF, ICC profile, XMP, IPTC), read by its format's row; empty
// for the formats that hold none, and where it is damaged.
Metadata ReadMetadata(const std::uint8_t* data, std::size_t size);
Metadata ReadMetadata(const std::uint8_t* data, std::size_t size, ImageFormat format);
// Keeps the picture's depth where the format can hold it; refuses options CheckSaveOptions refuses.
Result<Bytes> EncodeImage(const Image& img, ImageFormat format, const SaveOptions& options);
// A picture given as YCbCr planes (DecodeHeifPlanes), written as a JPEG in the same way.
Result<Bytes> EncodeImage(const YCbCrPlanes& planes, const SaveOptions& options);

// The formats in a sentence: FormatNames(", ", " or ") → "BMP, TIFF, …", or any
// other column of the rows (&FormatRow::option → "bmp, tiff, …"; rows without
// that column, such as the formats only read, are left out); `writtenOnly`: the
// formats written alone.
std::string FormatNames(std::string_view separator, std::string_view lastSeparator,
                        const char* FormatRow::*column = &FormatRow::name, bool writtenOnly = false);

// Every format's MIME types, each followed by ';' (a desktop entry's list).
std::string PictureMimeTypes();

} // namespace media
