// A view's reading: a key picture read from its packet alone is the picture reading
// in order gives; a view's pictures fit its box, upright, proportions kept; the
// preview's shortcuts stay close to the exact pictures.
#include "media/movie/AviWriter.h"
#include "media/movie/MovieReader.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

// Whether a movie's key pictures are read alone: always, never (an AVI whose pictures
// come out reordered), or where the packet shown there is the key one.
enum class Alone { Always, Never, Maybe };

TEST(PreviewReading, KeyPicturesReadAloneAreTheExactOnesAndViewsGetPicturesThatFit)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(96, 64, 40);
    const struct {
        const char* name;
        std::vector<std::string> options;
        int uprightWidth, uprightHeight;
        Alone alone;
        std::vector<std::string> remux; // options of a copy made of it
    } movies[] = {
        {"h264.mp4", {"-c:v", "libx264", "-g", "9", "-bf", "3", "-pix_fmt", "yuv420p"}, 96, 64, Alone::Always, {}},
        {"mpeg4.avi", {"-c:v", "mpeg4", "-g", "7", "-bf", "2", "-q:v", "3"}, 96, 64, Alone::Never, {}},
        {"hevc.mkv", {"-c:v", "libx265", "-x265-params", "keyint=8:log-level=error", "-pix_fmt", "yuv420p"}, 96, 64,
         Alone::Maybe, {}},
        // ffmpeg 5.1 writes the turn when copying, as a matrix players turn a quarter by.
        {"turned.mp4", {"-c:v", "libx264", "-g", "10"}, 64, 96, Alone::Always, {"-metadata:s:v:0", "rotate=90"}},
        {"mjpeg.avi", {"-c:v", "mjpeg", "-q:v", "3"}, 96, 64, Alone::Always, {}},
    };
    for (const auto& m : movies) {
        SCOPED_TRACE(m.name);
        std::string path = dir.File(m.name), error;
        ASSERT_TRUE(EncodeWithFfmpeg(source, path, m.options, error)) << error;
        if (!m.remux.empty()) {
            std::vector<std::string> copy = {"-i", path, "-c", "copy"};
            copy.insert(copy.end(), m.remux.begin(), m.remux.end());
            copy.push_back(path = dir.File(std::string("copy-") + m.name));
            ASSERT_TRUE(RunFfmpeg(copy, error)) << error;
        }
        auto exact = media::MovieReader::Open(path);
        ASSERT_TRUE(exact) << exact.Message();
        const std::vector<int> keys = (*exact)->KeyPositions();
        ASSERT_GE(keys.size(), 4u);
        // Read alone in scrambled order, against the same reader reading in order.
        auto alone = (*exact)->Twin({});
        ASSERT_TRUE(alone);
        for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
            media::Image inOrder, byItself;
            ASSERT_TRUE((*exact)->ReadFrame(*k, inOrder)) << *k;
            const bool read = (*alone)->ReadKeyPicture(*k, byItself);
            if (m.alone != Alone::Maybe) {
                EXPECT_EQ(read, m.alone == Alone::Always) << *k;
            }
            if (!read)
                continue;
            EXPECT_EQ(byItself.width, m.uprightWidth);
            EXPECT_TRUE(byItself.pixels == inOrder.pixels) << "key picture " << *k;
        }
        // A view's box: never larger than it, the upright proportions kept, the key
        // pictures too; a box larger than the picture leaves it as it is.
        media::MovieReader::Options preview;
        preview.preview = true;
        preview.decoderThreads = 1;
        auto view = (*exact)->Twin(preview);
        ASSERT_TRUE(view);
        (*view)->FitInside(48, 48);
        media::Image small, key, exactPicture;
        ASSERT_TRUE((*view)->ReadFrame(12, small));
        ASSERT_TRUE((*view)->ReadKeyPicture(keys[1], key) || (*view)->ReadFrame(keys[1], key));
        const bool wide = m.uprightWidth > m.uprightHeight;
        EXPECT_EQ(small.width, wide ? 48 : 32);
        EXPECT_EQ(small.height, wide ? 32 : 48);
        EXPECT_EQ(key.width, small.width);
        (*view)->FitInside(0, 0);
        ASSERT_TRUE((*view)->ReadFrame(20, small));
        ASSERT_TRUE((*exact)->ReadFrame(20, exactPicture));
        ASSERT_EQ(small.width, exactPicture.width);
        // The shortcuts (no loop filter) leave the picture close to the exact one.
        EXPECT_GT(Psnr(small.pixels.data(), exactPicture.pixels.data(), small.pixels.size()), 28.0);
    }
}
