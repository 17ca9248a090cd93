#include "media/editor/ImageEditor.h"

#include "framework/AtomicFile.h"
#include "media/codecs/Formats.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace media {

Result<Bytes> ReadPictureFile(const std::string& path, std::size_t atMost)
{
    errno = 0;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) // the system's reason where it gave one ("No such file or directory")
        return Fail(FailureKind::Unreadable, errno ? std::strerror(errno) : "cannot be opened").Prefixed(path + ": ");
    const std::streamoff size = in.tellg();
    if (size < 0 || std::size_t(size) > kMaxImageFileBytes)
        return Fail(FailureKind::Unsupported, "too large to be a picture").Prefixed(path + ": ");
    Bytes bytes(std::min(static_cast<std::size_t>(size), atMost));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size())))
        return Fail(FailureKind::Unreadable, "cannot be read").Prefixed(path + ": ");
    return bytes;
}

Result<void> ImageEditor::Load(const std::string& path, const Reduction& reduction)
{
    Clear();
    const Result<Bytes> bytes = ReadPictureFile(path);
    if (!bytes)
        return bytes.Error();
    return Load(path, *bytes, DetectFormat(bytes->data(), bytes->size()), reduction);
}

Result<void> ImageEditor::Load(const std::string& path, const Bytes& bytes, ImageFormat format,
                               const Reduction& reduction)
{
    Clear();
    Size whole;
    const Reduction noting = [&](int w, int h) {
        whole = {w, h};
        return reduction(w, h);
    };
    Result<Image> img = DecodeImage(bytes.data(), bytes.size(), format, reduction ? noting : Reduction());
    if (!img)
        return img.Error().Prefixed(path + ": ");
    SetImage(std::move(*img));
    if (whole.width > 0)
        m_loadedSize = whole;
    m_metadata = ReadMetadata(bytes.data(), bytes.size(), format);
    return {};
}

Result<void> ImageEditor::Save(const std::string& path, ImageFormat format, const SaveOptions& options) const
{
    const Result<Bytes> bytes = EncodeImage(m_image, format, options);
    if (!bytes)
        return bytes.Error();
    return SaveFile(path, *bytes);
}

Result<void> SaveFile(const std::string& path, const Bytes& bytes)
{
    std::string why;
    // Pictures come by the thousand: not flushed one by one, but never half written.
    if (!fw::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                 &why, fw::Durability::ProcessSafe))
        return Fail(FailureKind::WriteFailed, why).Prefixed(path + ": ");
    return {};
}

} // namespace media
