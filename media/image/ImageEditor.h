#pragma once
// The image edit engine: holds one picture, loads it from a file (whatever its
// name says), runs the picture chain's steps on it, and saves it atomically.
#include "media/codecs/Codecs.h"
#include "media/image/Image.h"
#include "media/image/Processing.h"

#include <string>

namespace media {

// Files larger than this are not read at all.
inline constexpr std::size_t kMaxImageFileBytes = std::size_t(1) << 30;

class ImageEditor {
public:
    // Replaces the picture with the file's; after a failure there is no picture.
    bool Load(const std::string& path, std::string& error);
    void SetImage(Image img) { m_image = std::move(img); }
    void Clear() { m_image = Image(); }
    bool HasImage() const { return !m_image.Empty(); }
    const Image& Current() const { return m_image; }
    Image& Current() { return m_image; }

    // Writes the picture to `path` (a temporary file in the same folder, renamed
    // over the target when complete). Without a picture nothing is written.
    // `writeFailure` (when given) receives the system's reason when the file could
    // not be written (no space, no permission, a read-only disk ...), and stays empty
    // when the save succeeded or failed for the picture itself.
    bool Save(const std::string& path, ImageFormat format, const SaveOptions& options, std::string& error,
              std::string* writeFailure = nullptr) const;

private:
    Image m_image;
};

} // namespace media
