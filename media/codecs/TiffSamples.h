#pragma once
// TIFF pictures whose samples libtiff decodes but its RGBA reader does not take, or
// takes wrongly: any depth from 1 to 32 bits, signed integers, 16/32/64-bit floating
// point, strips or tiles, contiguous or planar; grey, RGB, palette (up to 16 bits)
// and CMYK, each with an alpha channel or without. Inside the TIFF reader only.
#include "media/image/Image.h"

#include <tiffio.h>

namespace media {

struct TiffLayout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t photometric = 0, bits = 0, samples = 0, planar = PLANARCONFIG_CONTIG;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t extra = 0;          // extra samples after the colour ones
    std::uint16_t alphaType = EXTRASAMPLE_UNSPECIFIED; // of the first extra sample
};

// Whether ReadSamples takes this layout.
bool SamplesReadable(const TiffLayout& layout);
// Whether the layout is one libtiff's RGBA reader gets wrong or refuses, so that
// ReadSamples should read it first.
bool SamplesPreferred(const TiffLayout& layout);

// Reads the picture as grey, colour or colour with alpha (8 bits a channel).
bool ReadSamples(TIFF* tif, const TiffLayout& layout, Image& img);

} // namespace media
