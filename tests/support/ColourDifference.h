#pragma once
// How different two sRGB pictures look: CIEDE2000 colour differences, pixel by pixel.
#include <cstddef>
#include <cstdint>

// ΔE2000 between two 8-bit sRGB colours.
double DeltaE2000(const std::uint8_t* rgbA, const std::uint8_t* rgbB);

struct ColourDifference {
    double mean = 0;
    double p99 = 0; // the 99th percentile
};

// Over `pixels` RGB pixels of two pictures.
ColourDifference CompareColours(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels);
