#include "windows/PictureFacts.h"

#include "media/codecs/Formats.h"
#include "media/editor/ImageEditor.h"

QString PictureFacts(const QString& path)
{
    const std::string file = path.toStdString();
    // A header lies in the first bytes; one that runs past them (a long EXIF block
    // first, a HEIF whose boxes come last) is read from the whole file.
    constexpr std::size_t kFirstBytes = std::size_t(4) << 20;
    media::Result<media::Bytes> bytes = media::ReadPictureFile(file, kFirstBytes);
    if (!bytes) // gone or not to be read: the run says why, if it is still listed then
        return {};
    media::Result<media::ImageHeader> header = media::ReadImageHeader(bytes->data(), bytes->size());
    if (!header && bytes->size() == kFirstBytes) {
        bytes = media::ReadPictureFile(file);
        if (!bytes)
            return {};
        header = media::ReadImageHeader(bytes->data(), bytes->size());
    }
    if (!header)
        return QString::fromStdString(header.Message());
    const media::ImageFormat format = media::DetectFormat(bytes->data(), bytes->size());
    QString facts = QStringLiteral("%1 × %2 ・ %3 ・ %4ビット")
                        .arg(header->UprightWidth())
                        .arg(header->UprightHeight())
                        .arg(QString::fromUtf8(media::FormatRowOf(format).name))
                        .arg(header->bitsPerPixel);
    if (header->alpha)
        facts += QStringLiteral(" ・ 透明");
    if (header->exif)
        facts += QStringLiteral(" ・ EXIF");
    if (header->icc)
        facts += QStringLiteral(" ・ ICC");
    return facts;
}
