#include "media/codecs/Formats.h"

#include "media/MimeTypeList.h"
#include "media/codecs/Metadata.h"
#include "media/codecs/XmpIptc.h"

#include <vector>

namespace media {

ImageFormat DetectFormat(const std::uint8_t* data, std::size_t size)
{
    for (const FormatRow& row : kFormatRows)
        if (row.sniff(data, size))
            return row.format;
    return ImageFormat::Unknown;
}

Result<Image> DecodeImage(const std::uint8_t* data, std::size_t size, const Reduction& reduction)
{
    return DecodeImage(data, size, DetectFormat(data, size), reduction);
}

namespace {

// Why a file of no format known here is not read.
Failure NotAPicture(std::size_t size)
{
    if (size == 0)
        return Fail(FailureKind::BadData, "the file is empty");
    return Fail(FailureKind::Unsupported, "not a " + FormatNames(", ", " or ") + " picture");
}

} // namespace

Result<Image> DecodeImage(const std::uint8_t* data, std::size_t size, ImageFormat format, const Reduction& reduction)
{
    if (format == ImageFormat::Unknown)
        return NotAPicture(size);
    return FormatRowOf(format).decode(data, size, reduction);
}

Metadata ReadMetadata(const std::uint8_t* data, std::size_t size)
{
    return ReadMetadata(data, size, DetectFormat(data, size));
}

Metadata ReadMetadata(const std::uint8_t* data, std::size_t size, ImageFormat format)
{
    const auto read = format == ImageFormat::Unknown ? nullptr : FormatRowOf(format).metadata;
    return read ? read(data, size) : Metadata{};
}

Result<ImageHeader> ReadImageHeader(const std::uint8_t* data, std::size_t size)
{
    return ReadImageHeader(data, size, DetectFormat(data, size));
}

Result<ImageHeader> ReadImageHeader(const std::uint8_t* data, std::size_t size, ImageFormat format)
{
    if (format == ImageFormat::Unknown)
        return NotAPicture(size);
    Result<ImageHeader> header = FormatRowOf(format).header(data, size);
    if (header) {
        const Metadata carried = ReadMetadata(data, size, format);
        header->exif = !carried.exif.empty();
        header->icc = !carried.icc.empty();
    }
    return header;
}

Result<Bytes> EncodeImage(const Image& img, ImageFormat format, const SaveOptions& options)
{
    MEDIA_TRY(CheckSaveOptions(options));
    if (img.Empty())
        return Fail(FailureKind::NoPicture, "there is no picture to save");
    if (format == ImageFormat::Unknown || !FormatRowOf(format).encode)
        return Fail(FailureKind::Unsupported, "unknown save format");
    if (!options.metadata || options.metadata->Empty())
        return FormatRowOf(format).encode(img, options);
    const Metadata written =
        MetadataForWriting(*options.metadata, img.width, img.height, img.format == PixelFormat::Gray8);
    SaveOptions withMetadata = options;
    withMetadata.metadata = written.Empty() ? nullptr : &written;
    return FormatRowOf(format).encode(img, withMetadata);
}

Result<Bytes> EncodeImage(const YCbCrPlanes& planes, const SaveOptions& options)
{
    MEDIA_TRY(CheckSaveOptions(options));
    if (!options.metadata || options.metadata->Empty())
        return EncodeJpegPlanes(planes, options);
    const Metadata written = MetadataForWriting(*options.metadata, planes.width, planes.height, false);
    SaveOptions withMetadata = options;
    withMetadata.metadata = written.Empty() ? nullptr : &written;
    return EncodeJpegPlanes(planes, withMetadata);
}

std::string FormatNames(std::string_view separator, std::string_view lastSeparator, const char* FormatRow::*column,
                        bool writtenOnly)
{
    std::string names;
    std::vector<const char*> listed;
    for (const FormatRow& row : kFormatRows)
        if (row.*column && (!writtenOnly || row.encode))
            listed.push_back(row.*column);
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (i > 0)
            names += i + 1 == listed.size() ? lastSeparator : separator;
        names += listed[i];
    }
    return names;
}

std::string PictureMimeTypes() { return MimeTypeList(kFormatRows); }

} // namespace media
