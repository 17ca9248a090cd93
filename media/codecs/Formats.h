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
    const char* option;    // the command line's word for it
    const char* extension; // of the files written
    std::array<const char*, 3> readExtensions; // names its files may have (nullptr: none more)
    std::array<const char*, 2> mimeTypes;      // (nullptr: none more)
    const char* caption;   // in the window's list of output formats
    int controlCode;       // the image edit control's SaveMediaFormat code
    bool (*sniff)(const std::uint8_t* data, std::size_t size);
    Result<Image> (*decode)(const std::uint8_t* data, std::size_t size, const Reduction& reduction);
    Result<Bytes> (*encode)(const Image& img, const SaveOptions& options);
};

inline constexpr FormatRow kFormatRows[] = {
    {ImageFormat::Bmp, "BMP", "bmp", ".bmp", {".bmp"}, {"image/bmp", "image/x-bmp"}, "BMP形式", 101, SniffBmp,
     DecodeBmp, EncodeBmp},
    {ImageFormat::Tiff, "TIFF", "tiff", ".tif", {".tif", ".tiff"}, {"image/tiff"}, "TIFF形式", 102, SniffTiff,
     DecodeTiff, EncodeTiff},
    {ImageFormat::Jpeg, "JPEG", "jpeg", ".jpg", {".jpg", ".jpeg", ".jpe"}, {"image/jpeg"}, "JPEG形式", 103, SniffJpeg,
     DecodeJpeg, EncodeJpeg},
    {ImageFormat::Pcx, "PCX", "pcx", ".pcx", {".pcx"}, {"image/vnd.zbrush.pcx", "image/x-pcx"}, "PCX形式", 104,
     SniffPcx, DecodePcx, EncodePcx},
    {ImageFormat::Png, "PNG", "png", ".png", {".png"}, {"image/png"}, "PNG形式", 106, SniffPng, DecodePng, EncodePng},
};
inline constexpr std::size_t kFormatCount = std::size(kFormatRows);

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
// Keeps the picture's depth where the format can hold it; refuses options CheckSaveOptions refuses.
Result<Bytes> EncodeImage(const Image& img, ImageFormat format, const SaveOptions& options);

// The formats in a sentence: FormatNames(", ", " or ") → "BMP, TIFF, …", or any
// other column of the rows (&FormatRow::option → "bmp, tiff, …").
std::string FormatNames(std::string_view separator, std::string_view lastSeparator,
                        const char* FormatRow::*column = &FormatRow::name);

// Every format's MIME types, each followed by ';' (a desktop entry's list).
std::string PictureMimeTypes();

} // namespace media
