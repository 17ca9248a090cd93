// The real AVIs of the shared corpus: each opens or fails with a clear error, and
// shows the pictures the ffmpeg program (an independent reference decoder) gives,
// each once and in order: read forward, position by position, the pictures are the
// reference's in turn (a position may hold the picture before, as a dropped frame
// does), none skipped and none out of order; strided and backward reads show the
// same reference picture at each position. Skipped when the corpus or the program
// is absent.
#include "media/movie/MovieReader.h"
#include "support/Outcome.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const char* kCorpus = POMI_CORPUS_DIR "/avi";
// Conversions to RGB differ slightly between the two decoders; another picture
// differs by far more.
constexpr double kSameDb = 35;
// A cut file's last pictures may be left out (their places are unknown).
constexpr int kEndSlack = 3;

} // namespace

TEST(CorpusMovies, EachOpensOrFailsClearlyAndShowsTheReferenceDecodersPicturesInOrder)
{
    if (!std::filesystem::is_directory(kCorpus))
        GTEST_SKIP() << "no corpus at " << kCorpus;
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(kCorpus))
        if (e.path().extension() == ".avi")
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::string error;
        auto reader = Take(media::MovieReader::Open(path), error);
        if (!reader) {
            EXPECT_NE(error.find(path), std::string::npos);
            std::printf("%-48s  fails: %s\n", std::filesystem::path(path).filename().c_str(), error.c_str());
            continue;
        }
        const int n = reader->PositionCount();
        const auto reference = DecodeWithFfmpeg(path, reader->Width(), reader->Height());
        ASSERT_FALSE(reference.empty());
        const std::size_t bytes = std::size_t(reader->Width()) * reader->Height() * 3;
        auto db = [&](const media::Image& img, int k) {
            if (k < 0 || k >= int(reference.size()) || img.pixels.size() != bytes)
                return 0.0;
            return Psnr(reference[k].data(), img.pixels.data(), bytes);
        };
        auto same = [&](const media::Image& img, int k) { return db(img, k) >= kSameDb; };

        std::vector<int> shown(n, -1); // which reference picture each position shows
        media::Image img;
        int k = 0, wrong = 0;
        for (int p = 0; p < n; ++p) {
            if (!reader->ReadFrame(p, img)) {
                ++wrong;
                continue;
            }
            // The next reference picture when it fits at least as well (nearly still
            // scenes have pictures alike).
            const double stay = db(img, k), next = p > 0 ? db(img, k + 1) : 0;
            if (next >= kSameDb && next >= stay)
                ++k;
            else if (stay < kSameDb && ++wrong <= 3)
                ADD_FAILURE() << "position " << p << " is not reference picture " << k << " or " << k + 1;
            shown[p] = k;
        }
        EXPECT_GE(k, int(reference.size()) - 1 - kEndSlack) << "reference pictures never shown";
        for (int step : {7, -3}) {
            for (int p = step < 0 ? n - 1 : 0; p >= 0 && p < n; p += step)
                if (!reader->ReadFrame(p, img) || !same(img, shown[p])) {
                    if (++wrong <= 6)
                        ADD_FAILURE() << "step " << step << ": position " << p << " is not reference picture "
                                      << shown[p];
                }
        }
        EXPECT_EQ(wrong, 0);
        const auto stats = reader->Statistics();
        std::printf("%-48s  %4dx%-4d positions %5d, pictures %5d (reference %5zu)  seeks %4ld decoded %6ld\n",
                    std::filesystem::path(path).filename().c_str(), reader->Width(), reader->Height(), n, k + 1,
                    reference.size(), stats.seeks, stats.decoded);
    }
}
