// libFuzzer: what Load does with a file's bytes (format detection, then the decoder
// it picks), followed by a save to every format so the writers see odd pictures too.
#include "media/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    media::Image img;
    std::string error;
    if (!media::DecodeImage(data, size, img, error) || std::size_t(img.width) * img.height > 1 << 16)
        return 0;
    std::vector<std::uint8_t> out;
    for (auto format : {media::ImageFormat::Bmp, media::ImageFormat::Pcx, media::ImageFormat::Png})
        media::EncodeImage(img, format, {}, out, error);
    return 0;
}
