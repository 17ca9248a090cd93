// Makes the bundled sample movie: four seconds of a ball bouncing over a film strip
// under an evening sky, 320 × 240, 25 frames a second, MJPEG.
//
//   make_sample OUTPUT.avi
#include "media/movie/AviWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 320, kHeight = 240, kFrames = 100;

void Put(std::vector<std::uint8_t>& rgb, int x, int y, int r, int g, int b)
{
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
        return;
    std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
    p[0] = std::uint8_t(std::clamp(r, 0, 255)), p[1] = std::uint8_t(std::clamp(g, 0, 255)), p[2] = std::uint8_t(std::clamp(b, 0, 255));
}

void Draw(int n, std::vector<std::uint8_t>& rgb)
{
    const double t = n / double(kFrames);
    // Sky: deep blue to orange, the sun sinking slowly.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double v = y / double(kHeight);
            Put(rgb, x, y, int(40 + 200 * v), int(60 + 90 * v), int(140 - 60 * v));
        }
    const int sunX = 250, sunY = int(60 + 40 * t);
    for (int y = -22; y <= 22; ++y)
        for (int x = -22; x <= 22; ++x)
            if (x * x + y * y <= 22 * 22)
                Put(rgb, sunX + x, sunY + y, 255, 220, 120);
    // A film strip scrolling along the bottom.
    const int stripTop = 180, stripHeight = 44, shift = (n * 4) % 32;
    for (int y = stripTop; y < stripTop + stripHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool hole = (y < stripTop + 8 || y >= stripTop + stripHeight - 8) && ((x + shift) % 32) < 12 &&
                              (y % 8) > 1 && (y % 8) < 7;
            const bool frameEdge = ((x + shift) % 64) < 3;
            Put(rgb, x, y, hole ? 230 : frameEdge ? 60 : 25, hole ? 230 : frameEdge ? 60 : 25, hole ? 210 : frameEdge ? 60 : 30);
        }
    // The ball: bounces three times, squashed a little where it lands.
    const double phase = std::fmod(t * 3, 1.0);
    const double height = 4 * phase * (1 - phase);
    const int cx = int(30 + 260 * t), cy = int(160 - 120 * height);
    const double squash = height < 0.1 ? 1.25 : 1.0;
    const int rx = int(18 * squash), ry = int(18 / squash);
    for (int y = -ry; y <= ry; ++y)
        for (int x = -rx; x <= rx; ++x) {
            const double d = double(x * x) / (rx * rx) + double(y * y) / (ry * ry);
            if (d <= 1) {
                const int light = int(80 * (1 - d)) + (x < 0 && y < 0 ? 40 : 0);
                Put(rgb, cx + x, cy + y, 200 + light, 40 + light, 90 + light);
            }
        }
    // Its shadow on the strip's edge.
    for (int x = -int(20 * (1 - height / 2)); x <= int(20 * (1 - height / 2)); ++x)
        for (int y = 0; y < 3; ++y)
            Put(rgb, cx + x, stripTop - 3 + y, 20, 20, 40);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample OUTPUT.avi\n");
        return 2;
    }
    AviSpec spec;
    spec.codec = "mjpeg";
    spec.width = kWidth;
    spec.height = kHeight;
    spec.frames = kFrames;
    spec.gop = 1;
    spec.quality = 3;
    if (const auto written = WriteAvi(argv[1], spec, Draw); !written) {
        std::fprintf(stderr, "make_sample: %s\n", written.Message().c_str());
        return 1;
    }
    return 0;
}
