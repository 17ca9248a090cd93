// libFuzzer: our PCX reader on arbitrary bytes.
#include "media/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)media::DecodePcx(data, size);
    return 0;
}
