#include "media/codecs/Claims.h"

namespace media {

bool FileCanHold(std::int64_t width, std::int64_t height, double dataBytes, std::size_t available, double maxRatio,
                 std::size_t fileBytes, std::string& why)
{
    if (dataBytes <= double(available) * maxRatio)
        return true;
    why = "claims " + std::to_string(width) + " × " + std::to_string(height) + " pixels, the file holds " +
          std::to_string(fileBytes) + " bytes";
    return false;
}

} // namespace media
