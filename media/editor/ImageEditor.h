#pragma once
// The image edit engine: holds one picture, loads it from a file (whatever its
// name says), runs the picture chain's steps on it, and saves it atomically.
#include "media/codecs/Codecs.h"
#include "media/codecs/Metadata.h"
#include "media/image/Image.h"
#include "media/image/Processing.h"

#include <string>

namespace media {

// Files larger than this are not read at all.
inline constexpr std::size_t kMaxImageFileBytes = std::size_t(1) << 30;

// A picture file's bytes (its first `atMost` only, where it is longer), or why they
// cannot be had (the path first).
Result<Bytes> ReadPictureFile(const std::string& path, std::size_t atMost = kMaxImageFileBytes);

class ImageEditor {
public:
    // Replaces the picture with the file's; after a failure there is no picture.
    // `reduction` lets the decoder deliver it smaller (see Reduction). A failure's
    // facts begin with the path. The file's EXIF, XMP, IPTC and colour profile come with it.
    Result<void> Load(const std::string& path, const Reduction& reduction = {});
    // The same from the file's bytes, read already, of the format DetectFormat found.
    Result<void> Load(const std::string& path, const Bytes& bytes, ImageFormat format, const Reduction& reduction);
    // A picture that comes from no file (a movie's frame): it carries no metadata.
    void SetImage(Image img)
    {
        m_image = std::move(img);
        m_loadedSize = {m_image.width, m_image.height};
        m_metadata = {};
    }
    void Clear() { SetImage(Image()); }
    // The picture's size as its file holds it (upright), however small it was decoded.
    Size LoadedSize() const { return m_loadedSize; }
    bool HasImage() const { return !m_image.Empty(); }
    const Image& Current() const { return m_image; }
    Image& Current() { return m_image; }
    // What the loaded photo carried (nothing for a picture set from elsewhere).
    const Metadata& PhotoMetadata() const { return m_metadata; }
    // What the picture is to carry when written (a movie's still: when and where it
    // was shot), in place of what a file brought.
    void SetMetadata(Metadata metadata) { m_metadata = std::move(metadata); }

    // Writes the picture to `path` (a temporary file in the same folder, renamed
    // over the target when complete). Without a picture nothing is written. A file
    // the system would not write (no space, no permission, a read-only disk ...) is a
    // WriteFailed failure whose facts are the path and the system's reason.
    Result<void> Save(const std::string& path, ImageFormat format, const SaveOptions& options) const;

private:
    Image m_image;
    Size m_loadedSize;
    Metadata m_metadata;
};

// Writes a file made already (a JPEG rewritten from its coefficients) as Save
// writes a picture: whole or not at all, a refusal a WriteFailed failure.
Result<void> SaveFile(const std::string& path, const Bytes& bytes);

} // namespace media
