// Reads every frame and every 10th frame of a 640 × 480, 25 fps, 60 s movie through
// the movie engine (decoded and converted to RGB), and times ffmpeg decoding all of
// it (`ffmpeg -i X -f null -`) in the same run. Movies: MJPEG and MPEG-4 (GOP 250).
//
//   build/movie_bench [folder for the movies, default /tmp/pomi-bench]
#include "media/movie/MovieReader.h"
#include "media/movie/AviWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double EngineRead(const std::string& path, int step)
{
    auto opened = media::MovieReader::Open(path);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.Message().c_str());
        std::exit(1);
    }
    auto& reader = *opened;
    long frames = 0;
    const double t = Seconds([&] {
        reader->ReadRun(0, reader->PositionCount() - 1, step, [&](int, const media::Image* img) {
            frames += img != nullptr;
            return true;
        });
    });
    std::printf("    engine, every %-2d frame: %4ld pictures in %.3f s\n", step, frames, t);
    return t;
}

double FfmpegDecode(const std::string& path)
{
    const std::string command = "ffmpeg -v error -nostdin -i '" + path + "' -f null - ";
    double t = 0;
    int status = 0;
    t = Seconds([&] { status = std::system(command.c_str()); });
    if (status != 0) {
        std::fprintf(stderr, "ffmpeg failed (is it installed? apt-get install ffmpeg)\n");
        std::exit(1);
    }
    std::printf("    ffmpeg, decode all:       %.3f s\n", t);
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp/pomi-bench";
    std::filesystem::create_directories(folder);
    struct Movie {
        const char* name;
        AviSpec spec;
    } movies[] = {
        {"mjpeg.avi", AviSpec{"mjpeg", 640, 480, 1500, 1, 0, {}, true, 4}},
        {"mpeg4.avi", AviSpec{"mpeg4", 640, 480, 1500, 250, 0, {}, true, 4}},
    };
    for (const Movie& m : movies) {
        const std::string path = folder + "/" + m.name;
        if (!std::filesystem::exists(path)) {
            std::printf("making %s ...\n", path.c_str());
            if (const auto written = WriteAvi(path, m.spec); !written) {
                std::fprintf(stderr, "%s\n", written.Message().c_str());
                return 1;
            }
        }
        std::printf("%s (%.1f MB)\n", m.name, std::filesystem::file_size(path) / 1e6);
        const double ffmpeg = FfmpegDecode(path);
        const double all = EngineRead(path, 1);
        const double tenth = EngineRead(path, 10);
        std::printf("    full read / ffmpeg = %.2f   ffmpeg / every 10th = %.1fx\n", all / ffmpeg, ffmpeg / tenth);
    }
    return 0;
}
