// libFuzzer: what Load does with a file's bytes (format detection, then the decoder
// it picks), followed by a save to every format so the writers see odd pictures too.
#include "media/codecs/Formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const media::Result<media::Image> img = media::DecodeImage(data, size);
    if (!img || std::size_t(img->width) * img->height > 1 << 16)
        return 0;
    for (auto format : {media::ImageFormat::Bmp, media::ImageFormat::Pcx, media::ImageFormat::Png})
        (void)media::EncodeImage(*img, format, {});
    return 0;
}
