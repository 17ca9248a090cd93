// libFuzzer: our BMP reader on arbitrary bytes.
#include "media/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    media::Image img;
    std::string error;
    media::DecodeBmp(data, size, img, error);
    return 0;
}
