// The real AVIs of the shared corpus: each opens or fails with a clear error, and
// strided reads equal the sequential decode. Skipped when the corpus is absent.
#include "media/movie/MovieReader.h"
#include "support/SequentialDecode.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
const char* kCorpus = POMI_CORPUS_DIR "/avi";

std::uint64_t Hash(const media::RgbImage& img)
{
    return HashRgb(img.pixels.data(), img.pixels.size(), img.width, img.height);
}
} // namespace

TEST(CorpusMovies, EachOpensOrFailsClearlyAndReadsEqualTheSequentialDecode)
{
    if (!std::filesystem::is_directory(kCorpus))
        GTEST_SKIP() << "no corpus at " << kCorpus;
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(kCorpus))
        if (e.path().extension() == ".avi")
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::string error;
        auto reader = media::MovieReader::Open(path, error);
        if (!reader) {
            EXPECT_NE(error.find(path), std::string::npos);
            std::printf("%-48s  fails: %s\n", std::filesystem::path(path).filename().c_str(), error.c_str());
            continue;
        }
        const int n = reader->PositionCount();
        const SequentialDecode ref = DecodeSequentially(path, n);
        int mismatches = 0, unreadable = 0;
        media::RgbImage img;
        for (int step : {1, 7, 3}) {
            for (int p = (step == 3 ? n - 1 : 0); p >= 0 && p < n; p += (step == 3 ? -3 : step)) {
                if (!reader->ReadFrame(p, img)) {
                    unreadable += ref.hashAt[p] != 0;
                    continue;
                }
                mismatches += Hash(img) != ref.hashAt[p];
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(unreadable, 0);
        const auto stats = reader->Statistics();
        std::printf("%-48s  %4dx%-4d positions %5d  seeks %4ld decoded %6ld\n",
                    std::filesystem::path(path).filename().c_str(), reader->Width(), reader->Height(), n, stats.seeks,
                    stats.decoded);
    }
}
