#pragma once
// Writes AVI movies through libavformat and libavcodec: the bundled sample, and the
// movies of the tests and benchmarks. By default every frame is one flat colour
// (FrameColour) with a small square moving across it, so a test can tell from a
// picture which frame it came from; a textured movie adds moving detail all over, so
// that it costs what a real one costs to decode; a drawing function draws anything.
#include "media/Result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AviSpec {
    std::string codec = "mjpeg"; // an encoder name: mjpeg, rawvideo, mpeg4, msmpeg4, libx264 ...
    int width = 64;
    int height = 48;
    int frames = 40;
    int gop = 12;
    int bFrames = 0;
    std::vector<int> dropped; // frames left out: their positions hold empty chunks
    bool textured = false;    // detail all over, as in a real picture (for timing)
    int quality = 0;          // encoder's fixed quantiser, 0 for its default
};

// The flat colour of frame `n` (R, G, B).
std::array<std::uint8_t, 3> FrameColour(int n);

// Draws frame n into `rgb` (width × height × 3 bytes, top row first).
using FrameDrawer = std::function<void(int n, std::vector<std::uint8_t>& rgb)>;

// Writes the movie; a failure says why the encoder or muxer refused.
media::Result<void> WriteAvi(const std::string& path, const AviSpec& movie, const FrameDrawer& draw = nullptr);

// Cuts the file before its trailing index ("idx1"), as a writer that never finished would.
bool StripIndex(const std::string& path);

bool HasEncoder(const char* name);
