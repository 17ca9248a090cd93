// Converts 200 photos (1024 × 768 JPEG, made here once) to PNG and to 256-colour
// BMP through the image edit engine, one picture after another on one thread, and
// has ImageMagick's mogrify do the same jobs in the same run. Prints times, output
// sizes and ratios.
//
//   build/image_bench [folder, default /tmp/pomi-bench/photos] [count, default 200]
#include "media/editor/ImageEditor.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Soft shapes, gradients and fine grain: about what a camera JPEG holds.
media::Image Photo(int n)
{
    media::Image img;
    img.Allocate(1024, 768, media::PixelFormat::Rgb24);
    std::uint32_t seed = 2166136261u ^ std::uint32_t(n);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double a = std::sin((x + n * 37) / 97.0) * std::cos((y - n * 11) / 71.0);
            const double b = std::sin((x * 0.7 + y * 0.3 + n) / 43.0);
            std::uint8_t* p = img.Row(y) + x * 3;
            p[0] = std::uint8_t(std::clamp(128 + 90 * a + grain, 0.0, 255.0));
            p[1] = std::uint8_t(std::clamp(110 + 60 * b + 40 * a + grain, 0.0, 255.0));
            p[2] = std::uint8_t(std::clamp(90 + 70 * (a * b) + y / 12.0 + grain, 0.0, 255.0));
        }
    return img;
}

std::uintmax_t FolderBytes(const std::string& folder)
{
    std::uintmax_t total = 0;
    for (const auto& e : fs::directory_iterator(folder))
        total += e.file_size();
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp/pomi-bench/photos";
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    const std::string in = folder + "/in", oursPng = folder + "/ours-png", oursBmp = folder + "/ours-bmp",
                      imPng = folder + "/im-png", imBmp = folder + "/im-bmp";
    for (const std::string& d : {in, oursPng, oursBmp, imPng, imBmp})
        fs::create_directories(d);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%03d", i);
        names.push_back(name);
        const std::string path = in + "/" + name + ".jpg";
        if (!fs::exists(path)) {
            media::ImageEditor editor;
            editor.SetImage(Photo(i));
            if (const auto saved = editor.Save(path, media::ImageFormat::Jpeg, {}); !saved) {
                std::fprintf(stderr, "%s\n", saved.Message().c_str());
                return 1;
            }
        }
    }
    std::printf("%d photos, 1024 x 768 JPEG, %.1f MB\n", count, FolderBytes(in) / 1e6);

    const auto ours = [&](const std::string& outFolder, media::ImageFormat format, int depthCode) {
        return Seconds([&] {
            media::ImageEditor editor;
            for (const std::string& name : names) {
                if (const auto loaded = editor.Load(in + "/" + name + ".jpg"); !loaded)
                    std::fprintf(stderr, "%s\n", loaded.Message().c_str());
                if (depthCode)
                    if (const auto changed = media::ChangeColorDepth(editor.Current(), depthCode); !changed)
                        std::fprintf(stderr, "%s\n", changed.Message().c_str());
                const char* ext = format == media::ImageFormat::Png ? ".png" : ".bmp";
                if (const auto saved = editor.Save(outFolder + "/" + name + ext, format, {}); !saved)
                    std::fprintf(stderr, "%s\n", saved.Message().c_str());
            }
        });
    };
    const auto mogrify = [&](const std::string& outFolder, const std::string& options) {
        const std::string command =
            "mogrify -path '" + outFolder + "' " + options + " '" + in + "'/*.jpg 2>/dev/null";
        int status = 0;
        const double t = Seconds([&] { status = std::system(command.c_str()); });
        if (status != 0) {
            std::fprintf(stderr, "mogrify failed (is ImageMagick installed?)\n");
            std::exit(1);
        }
        return t;
    };

    const double png = ours(oursPng, media::ImageFormat::Png, 0);
    const double imPngTime = mogrify(imPng, "-format png");
    std::printf("to PNG:           engine %6.2f s (%5.1f MB)   mogrify %6.2f s (%5.1f MB)   %.1fx faster\n", png,
                FolderBytes(oursPng) / 1e6, imPngTime, FolderBytes(imPng) / 1e6, imPngTime / png);
    const double bmp = ours(oursBmp, media::ImageFormat::Bmp, 8);
    const double imBmpTime = mogrify(imBmp, "-format bmp -colors 256 -type Palette");
    std::printf("to 256-col. BMP:  engine %6.2f s (%5.1f MB)   mogrify %6.2f s (%5.1f MB)   %.1fx faster\n", bmp,
                FolderBytes(oursBmp) / 1e6, imBmpTime, FolderBytes(imBmp) / 1e6, imBmpTime / bmp);
    return 0;
}
