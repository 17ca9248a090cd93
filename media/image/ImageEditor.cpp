#include "media/image/ImageEditor.h"

#include "framework/AtomicFile.h"

#include <fstream>
#include <iterator>

namespace media {

bool ImageEditor::Load(const std::string& path, std::string& error, const Reduction& reduction)
{
    Clear();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = path + ": cannot be opened";
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || std::size_t(size) > kMaxImageFileBytes) {
        error = path + ": too large to be a picture";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = path + ": cannot be read";
        return false;
    }
    Image img;
    Size whole;
    const Reduction noting = [&](int w, int h) {
        whole = {w, h};
        return reduction(w, h);
    };
    if (!DecodeImage(bytes.data(), bytes.size(), img, error, reduction ? noting : Reduction())) {
        error = path + ": " + error;
        return false;
    }
    SetImage(std::move(img));
    if (whole.width > 0)
        m_loadedSize = whole;
    return true;
}

bool ImageEditor::Save(const std::string& path, ImageFormat format, const SaveOptions& options, std::string& error,
                       std::string* writeFailure) const
{
    if (writeFailure)
        writeFailure->clear();
    std::vector<std::uint8_t> bytes;
    if (!EncodeImage(m_image, format, options, bytes, error))
        return false;
    std::string why;
    // Pictures come by the thousand: not flushed one by one, but never half written.
    if (!fw::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &why,
                                 fw::Durability::ProcessSafe)) {
        error = path + ": " + why;
        if (writeFailure)
            *writeFailure = why;
        return false;
    }
    return true;
}

} // namespace media
