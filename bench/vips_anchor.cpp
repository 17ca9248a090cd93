// libvips doing the converter's picture jobs in one process, as the anchor the
// converter is measured against: every JPEG of a folder to PNG (every filter, at the
// zlib level that gives the converter's size: VIPS_PNG_LEVEL, default 3), or fitted
// into W × H first (vips_thumbnail, which shrinks JPEGs on load; Lanczos like the
// converter); or every HEIC of a folder to JPEG at quality Q, keeping the metadata as the
// converter does. Two files at once, one thread each, like the converter on two cores.
//
//   build/vips_anchor png IN-FOLDER OUT-FOLDER
//   build/vips_anchor fit W H IN-FOLDER OUT-FOLDER
//   build/vips_anchor jpeg Q IN-FOLDER OUT-FOLDER
#include <vips/vips.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool ToJpeg(const std::string& in, const std::string& out, int quality)
{
    VipsImage* image = vips_image_new_from_file(in.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (!image)
        return false;
    const int saved = vips_jpegsave(image, out.c_str(), "Q", quality, nullptr);
    g_object_unref(image);
    return saved == 0;
}

bool Convert(const std::string& in, const std::string& out, int fitW, int fitH, int level)
{
    VipsImage* image = nullptr;
    if (fitW > 0 && vips_thumbnail(in.c_str(), &image, fitW, "height", fitH, nullptr) != 0)
        return false;
    if (fitW <= 0)
        image = vips_image_new_from_file(in.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (!image)
        return false;
    const int saved = vips_pngsave(image, out.c_str(), "compression", level, "filter", VIPS_FOREIGN_PNG_FILTER_ALL,
                                   "strip", TRUE, nullptr);
    g_object_unref(image);
    return saved == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (VIPS_INIT(argv[0]))
        vips_error_exit(nullptr);
    const std::string mode = argc > 1 ? argv[1] : "";
    int fitW = 0, fitH = 0, quality = 0, arg = 2;
    if (mode == "fit" && argc == 6) {
        fitW = std::atoi(argv[2]);
        fitH = std::atoi(argv[3]);
        arg = 4;
    } else if (mode == "jpeg" && argc == 5) {
        quality = std::atoi(argv[2]);
        arg = 3;
    } else if (mode != "png" || argc != 4) {
        std::fprintf(stderr, "usage: vips_anchor png IN OUT | vips_anchor fit W H IN OUT | vips_anchor jpeg Q IN OUT\n");
        return 2;
    }
    const fs::path in = argv[arg], out = argv[arg + 1];
    fs::create_directories(out);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(in))
        if (entry.path().extension() == (quality ? ".heic" : ".jpg"))
            files.push_back(entry.path());
    const int level = std::getenv("VIPS_PNG_LEVEL") ? std::atoi(std::getenv("VIPS_PNG_LEVEL")) : 3;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    std::atomic<std::size_t> next = 0;
    std::atomic<int> failed = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 2; ++t)
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < files.size(); i = next++)
                if (quality ? !ToJpeg(files[i].string(), (out / files[i].stem()).string() + ".jpg", quality)
                            : !Convert(files[i].string(), (out / files[i].stem()).string() + ".png", fitW, fitH, level))
                    ++failed;
            vips_thread_shutdown();
        });
    for (std::thread& w : workers)
        w.join();
    vips_shutdown();
    if (failed)
        std::fprintf(stderr, "vips_anchor: %d files failed\n", int(failed));
    return failed ? 1 : 0;
}
