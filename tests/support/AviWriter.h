#pragma once
// AVI movies made for the tests and benchmarks through libavformat and libavcodec.
// Every frame is one flat colour (FrameColour) with a small square moving across it,
// so a test can tell from a picture which frame it came from; a textured movie adds
// moving detail all over, so that it costs what a real one costs to decode.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TestAvi {
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

// Writes the movie; false with a reason when the encoder or muxer refuses.
bool WriteTestAvi(const std::string& path, const TestAvi& movie, std::string* error = nullptr);

// Cuts the file before its trailing index ("idx1"), as a writer that never finished would.
bool StripIndex(const std::string& path);

bool HasEncoder(const char* name);
