// Writes a textured 640 × 480, 25 fps benchmark movie.
//
//   make_bench_movie OUTPUT.avi mjpeg|mpeg4 FRAMES
#include "media/movie/AviWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_bench_movie OUTPUT.avi mjpeg|mpeg4 FRAMES\n");
        return 2;
    }
    const std::string codec = argv[2];
    AviSpec spec;
    spec.codec = codec;
    spec.width = 640;
    spec.height = 480;
    spec.frames = std::atoi(argv[3]);
    spec.gop = codec == "mjpeg" ? 1 : 250;
    spec.textured = true;
    spec.quality = 4;
    if (const auto written = WriteAvi(argv[1], spec); !written) {
        std::fprintf(stderr, "%s\n", written.Message().c_str());
        return 1;
    }
    return 0;
}
