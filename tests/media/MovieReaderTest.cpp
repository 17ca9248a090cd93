// Movies made by the project's own AVI writer, each frame one flat colour: each
// codec kind, dropped frames, no index, a truncated file, read in every access
// pattern; the colour shows which frame a picture is. Also the reader's economy
// (what it decodes and seeks) and its failures.
#include "media/movie/MovieReader.h"
#include "media/movie/AviWriter.h"
#include "media/movie/MovieFile.h"
#include "support/Outcome.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

using media::MovieReader;

namespace {

struct Kind {
    const char* name;
    AviSpec movie;
    int tolerance;         // how far a decoded colour may stray from the drawn one
    bool stripIndex = false;
    double keepFraction = 1; // below 1: the file is cut to this share of its size
};

std::vector<Kind> Kinds()
{
    std::vector<Kind> kinds;
    kinds.push_back({"mjpeg", AviSpec{"mjpeg", 64, 48, 40}, 8});
    kinds.push_back({"raw bgr24, odd width", AviSpec{"rawvideo", 63, 47, 30}, 0});
    kinds.push_back({"mpeg4 with b-frames", AviSpec{"mpeg4", 64, 48, 50, 12, 2}, 12});
    if (HasEncoder("libx264"))
        kinds.push_back({"h264 with b-frames", AviSpec{"libx264", 64, 48, 50, 10, 2}, 12});
    kinds.push_back({"ms-mpeg4", AviSpec{"msmpeg4", 64, 48, 40, 10}, 12});
    AviSpec dropped{"mjpeg", 64, 48, 40};
    dropped.dropped = {5, 6, 17, 38};
    kinds.push_back({"dropped frames", dropped, 8});
    kinds.push_back({"no index", AviSpec{"mpeg4", 64, 48, 40, 8, 0}, 12, true});
    kinds.push_back({"truncated", AviSpec{"mjpeg", 64, 48, 40}, 8, false, 0.6});
    return kinds;
}

// The frame whose picture position n shows: the latest one not dropped.
int ShownFrame(const AviSpec& movie, int n)
{
    while (n > 0 && std::find(movie.dropped.begin(), movie.dropped.end(), n) != movie.dropped.end())
        --n;
    return n;
}

class MovieKinds : public ::testing::TestWithParam<Kind> {};

} // namespace

// Each kind of movie has its length right and shows the drawn frame at every position,
// in every access pattern.
TEST_P(MovieKinds, ShowTheDrawnFrame)
{
    const Kind kind = GetParam();
    TempDir dir;
    const std::string path = dir.File("movie.avi");
    std::string error;
    ASSERT_TRUE(Take(WriteAvi(path, kind.movie), error)) << error;
    if (kind.stripIndex) {
        ASSERT_TRUE(StripIndex(path));
    }
    if (kind.keepFraction < 1)
        std::filesystem::resize_file(path, std::uintmax_t(std::filesystem::file_size(path) * kind.keepFraction));

    auto reader = Take(MovieReader::Open(path), error);
    ASSERT_TRUE(reader) << error;
    const int n = reader->PositionCount();
    if (kind.keepFraction < 1) {
        EXPECT_GT(n, 10);
        EXPECT_LT(n, kind.movie.frames);
    } else {
        EXPECT_EQ(n, kind.movie.frames);
    }
    EXPECT_EQ(reader->Width(), kind.movie.width);
    EXPECT_EQ(reader->Height(), kind.movie.height);
    std::vector<int> order;
    for (int p = 0; p < n; ++p)
        order.push_back(p); // forward, one by one
    for (int p = n - 1; p >= 0; --p)
        order.push_back(p); // backwards
    for (int p = 0; p < n; p += 7)
        order.push_back(p);
    std::mt19937 random(12345);
    for (int i = 0; i < 100; ++i)
        order.push_back(int(random() % n));

    media::Image img;
    int wrongColour = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int p = order[i];
        ASSERT_TRUE(reader->ReadFrame(p, img)) << "position " << p;
        // The picture is the right frame's: its flat colour shows in the top-left corner.
        const auto want = FrameColour(ShownFrame(kind.movie, p));
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(img.pixels[c]) - int(want[c])) > kind.tolerance && ++wrongColour <= 5)
                ADD_FAILURE() << "position " << p << " (access " << i << ") is not frame " << ShownFrame(kind.movie, p);
    }
    EXPECT_EQ(wrongColour, 0);
    EXPECT_FALSE(reader->ReadFrame(n, img));
    EXPECT_TRUE(img.Empty());
    EXPECT_FALSE(reader->ReadFrame(-1, img));
}

INSTANTIATE_TEST_SUITE_P(Generated, MovieKinds, ::testing::ValuesIn(Kinds()),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(MovieReader, ReadingEveryTenthFrameOfAnIntraMovieSkipsTheFramesBetween)
{
    TempDir dir;
    const std::string path = dir.File("m.avi");
    ASSERT_TRUE(WriteAvi(path, AviSpec{"mjpeg", 64, 48, 100}));
    std::string error;
    auto reader = Take(MovieReader::Open(path), error);
    ASSERT_TRUE(reader);
    const auto before = reader->Statistics();
    int delivered = 0;
    reader->ReadRun(0, 99, 10, [&](int pos, const media::Image* img) {
        EXPECT_TRUE(img);
        EXPECT_EQ(pos % 10, 0);
        ++delivered;
        return true;
    });
    EXPECT_EQ(delivered, 10);
    const auto after = reader->Statistics();
    EXPECT_LE(after.decoded - before.decoded, 12);
    EXPECT_EQ(after.converted - before.converted, 10);
}

TEST(MovieReader, AForwardRunOfAnInterMovieSeeksOnlyToItsStart)
{
    TempDir dir;
    const std::string path = dir.File("m.avi");
    ASSERT_TRUE(WriteAvi(path, AviSpec{"mpeg4", 64, 48, 60, 30, 2}));
    std::string error;
    auto reader = Take(MovieReader::Open(path), error);
    ASSERT_TRUE(reader);
    int calls = 0;
    long seeksAtStart = -1;
    const long decodedBefore = reader->Statistics().decoded;
    reader->ReadRun(3, 57, 0, [&](int, const media::Image* img) { // a step below 1 counts as 1
        EXPECT_TRUE(img);
        if (seeksAtStart < 0)
            seeksAtStart = reader->Statistics().seeks;
        return ++calls < 1000;
    });
    EXPECT_EQ(calls, 55);
    EXPECT_EQ(reader->Statistics().seeks, seeksAtStart) << "a forward run goes on without seeking";
    EXPECT_LE(reader->Statistics().decoded - decodedBefore, 62);
}

TEST(MovieReader, FilesThatAreNoMoviesFailWithTheirNameAndAReason)
{
    TempDir dir;
    const std::string empty = dir.File("empty.avi"), text = dir.File("notes.avi"), noise = dir.File("noise.avi");
    TempDir::Write(empty, "");
    TempDir::Write(text, "This is not a movie at all.\n");
    std::string riff = "RIFF\x10\x27\x00\x00" "AVI LIST";
    std::mt19937 random(7);
    for (int i = 0; i < 10000; ++i)
        riff += char(random());
    TempDir::Write(noise, riff);
    for (const std::string& path : {dir.File("missing.avi"), empty, text, noise}) {
        std::string error;
        EXPECT_EQ(Take(MovieReader::Open(path), error), nullptr) << path;
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_GT(error.size(), path.size() + 3);
    }
}

TEST(MovieReader, EveryTruncationOfASmallMovieOpensCleanlyOrFailsCleanly)
{
    TempDir dir;
    const std::string whole = dir.File("whole.avi");
    ASSERT_TRUE(WriteAvi(whole, AviSpec{"mpeg4", 48, 32, 24, 6, 1}));
    const auto size = std::filesystem::file_size(whole);
    const std::string cut = dir.File("cut.avi");
    int opened = 0, failed = 0;
    for (std::uintmax_t keep = 0; keep < size; keep += 211) {
        std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::resize_file(cut, keep);
        std::string error;
        auto reader = Take(MovieReader::Open(cut), error);
        if (!reader) {
            EXPECT_FALSE(error.empty());
            ++failed;
            continue;
        }
        ++opened;
        media::Image img;
        for (int p = reader->PositionCount() - 1; p >= 0; p -= 3)
            reader->ReadFrame(p, img);
        reader->ReadRun(0, reader->PositionCount() - 1, 1, [](int, const media::Image*) { return true; });
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(failed, 0);
}

TEST(MovieReader, DamagedBytesInsideAMovieGiveFramesOrFailuresNeverACrash)
{
    TempDir dir;
    const std::string whole = dir.File("whole.avi");
    ASSERT_TRUE(WriteAvi(whole, AviSpec{"mpeg4", 48, 32, 24, 6, 1}));
    const std::string original = TempDir::Read(whole);
    std::mt19937 random(99);
    for (int variant = 0; variant < 40; ++variant) {
        std::string damaged = original;
        for (int i = 0; i < 20; ++i)
            damaged[random() % damaged.size()] = char(random());
        const std::string path = dir.File("damaged.avi");
        TempDir::Write(path, damaged);
        std::string error;
        auto reader = Take(MovieReader::Open(path), error);
        if (!reader)
            continue;
        media::Image img;
        for (int p = 0; p < std::min(reader->PositionCount(), 100); ++p)
            reader->ReadFrame(p, img);
        for (int p = std::min(reader->PositionCount(), 100) - 1; p >= 0; p -= 5)
            reader->ReadFrame(p, img);
    }
}

// A movie renamed, deleted, replaced or rewritten while it is open (a file manager
// does this under a playing window): the reader never looks at the path again, so
// every access goes on showing the frames of the file it opened, or fails cleanly
// when the file itself was rewritten; the file tells which of these happened.
TEST(MovieReader, AMovieMovedOrRewrittenWhileOpenIsReadAsOpenedOrFailsCleanly)
{
    using Presence = media::MovieFile::Presence;
    namespace fs = std::filesystem;
    struct Accident {
        const char* what;
        std::function<void(const std::string& path, const std::string& other)> happen;
        Presence seen;
        bool framesStay; // the data read is still the opened file's
    };
    const std::vector<Accident> accidents = {
        {"renamed", [](const std::string& p, const std::string&) { fs::rename(p, p + ".moved"); }, Presence::Gone, true},
        {"deleted", [](const std::string& p, const std::string&) { fs::remove(p); }, Presence::Gone, true},
        {"replaced", [](const std::string& p, const std::string& o) { fs::rename(o, p); }, Presence::Replaced, true},
        {"rewritten in place", [](const std::string& p, const std::string&) { TempDir::Write(p, "not a movie"); },
         Presence::Changed, false},
    };
    for (const AviSpec& movie : {AviSpec{"mpeg4", 64, 48, 50, 10, 2}, AviSpec{"mjpeg", 64, 48, 30}}) {
        for (const Accident& accident : accidents) {
            SCOPED_TRACE(movie.codec + " " + accident.what);
            TempDir dir;
            const std::string path = dir.File("movie.avi"), other = dir.File("other.avi");
            ASSERT_TRUE(WriteAvi(path, movie));
            AviSpec otherMovie = movie;
            otherMovie.frames = 5;
            ASSERT_TRUE(WriteAvi(other, otherMovie));
            std::string error;
            auto reader = Take(MovieReader::Open(path), error);
            ASSERT_TRUE(reader) << error;
            media::Image img;
            ASSERT_TRUE(reader->ReadFrame(movie.frames - 1, img));
            EXPECT_EQ(reader->File()->Check(), Presence::Same);
            accident.happen(path, other);
            EXPECT_EQ(reader->File()->Check(), accident.seen);
            // Back to the start (where the file used to be opened anew), a seek, a run.
            int right = 0;
            for (int p : {0, 3, movie.frames - 1, 20, 1}) {
                const bool read = reader->ReadFrame(p, img);
                const auto want = FrameColour(p);
                right += read && std::abs(int(img.pixels[0]) - int(want[0])) <= 12 &&
                         std::abs(int(img.pixels[1]) - int(want[1])) <= 12;
            }
            reader->ReadRun(0, movie.frames - 1, 7, [&](int p, const media::Image* picture) {
                right += picture && std::abs(int(picture->pixels[1]) - int(FrameColour(p)[1])) <= 12;
                return true;
            });
            if (accident.framesStay) {
                EXPECT_EQ(right, 5 + (movie.frames - 1) / 7 + 1);
            }
            // Another reader of the same opened file (the preview, a developer) too.
            auto second = Take(MovieReader::Open(reader->File(), MovieReader::Options{}), error);
            EXPECT_EQ(second != nullptr, accident.framesStay) << error;
        }
    }
}
