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

Result<Image> DecodeImage(const std::uint8_t* data, std::size_t size, ImageFormat format, const Reduction& reduction)
{
    if (format != ImageFormat::Unknown)
        return FormatRowOf(format).decode(data, size, reduction);
    if (size == 0)
        return Fail(FailureKind::BadData, "the file is empty");
    return Fail(FailureKind::Unsupported, "not a " + FormatNames(", ", " or ") + " picture");
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

Result<Bytes> EncodeImage(const Image& img, ImageFormat format, const SaveOptions& options)
{
    MEDIA_TRY(CheckSaveOptions(options));
    if (img.Empty())
        return Fail(FailureKind::NoPicture, "there is no picture to save");
    if (format == ImageFormat::Unknown || !FormatRowOf(format).encode)
        return Fail(FailureKind::Unsupported, "unknown save format");
    if (!options.metadata || options.metadata->Empty())
        return FormatRowOf(format).encode(img, options);
    // The EXIF and XMP made true of the picture written, the profile only where it
    // describes it.
    Metadata written;
    written.exif = ExifForWriting(options.metadata->exif, img.width, img.height);
    if (ProfileFits(options.metadata->icc, img))
        written.icc = options.metadata->icc;
    written.xmp = XmpForWriting(options.metadata->xmp, img.width, img.height);
    written.iptc = options.metadata->iptc;
    SaveOptions withMetadata = options;
    withMetadata.metadata = written.Empty() ? nullptr : &written;
    return FormatRowOf(format).encode(img, withMetadata);
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
