#pragma once
// Measures of what a picture shows, for choosing among a movie's pictures: how sharp
// it is, and whether it looks the same as another.
#include "media/image/Image.h"

#include <cstdint>
#include <vector>

namespace media {

// How sharp a picture is: the variance of the Laplacian of its luma, higher for
// sharper. Grain raises it too, so measure a reduced picture, where edges outweigh it.
double FocusMeasure(const Image& picture);

// A picture as the block comparison reads it: BT.601 Y'CbCr in the studio range, the
// chroma averaged over 2 × 2 pixels, as a 4:2:0 movie holds it.
struct ComparedPlanes {
    int width = 0, height = 0; // the luma's; the chroma's are half of each, rounded up
    std::vector<std::uint8_t> y, cb, cr;
};
ComparedPlanes PlanesToCompare(const Image& picture);

// When two pictures look the same, as ffmpeg's mpdecimate judges by default: in every
// plane, no 8 × 8 block (every 4 pixels) differs by more than `hi` in summed absolute
// differences, and no more than `frac` of the plane's 16 × 16 areas' worth of blocks
// by more than `lo`.
struct SameLook {
    int hi = 64 * 12;
    int lo = 64 * 5;
    double frac = 0.33;
};
bool LookTheSame(const ComparedPlanes& a, const ComparedPlanes& b, const SameLook& rule = {});

} // namespace media
