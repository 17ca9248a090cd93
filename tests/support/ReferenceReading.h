#pragma once
// Independent readings of a picture file, to compare ours with: ImageMagick's and
// Pillow's, as 8-bit RGBA; and how two readings differ.
#include "media/image/Image.h"

#include <cstdint>
#include <string>
#include <vector>

// A picture as RGBA rows.
struct Rgba {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};

// ImageMagick's reading of the first picture of `path` (turned as its orientation
// says when `upright`). CMYK and CIELab pictures are converted to sRGB by
// ImageMagick; the samples of the others are taken as they are.
bool ReferenceReading(const std::string& path, bool upright, Rgba& out);

// libheif's own reading of `path` (heif-convert): its primary picture.
bool HeifConvertReading(const std::string& path, Rgba& out);

// Pillow's reading of `path`, turned upright.
bool PillowReading(const std::string& path, Rgba& out);

bool HaveImageMagick();

// What a shell command prints on its standard output.
std::string CommandOutput(const std::string& command);

// How our picture differs from the reference: "" when no channel of a pixel differs by
// more than `tolerance`. Colours are compared as seen, weighed by their alpha.
std::string Difference(const media::Image& ours, const Rgba& reference, int tolerance);
