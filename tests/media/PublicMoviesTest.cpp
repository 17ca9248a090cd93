// Public movies nobody here made (phones, camcorders, broadcast, DVDs, the web): each
// opens or fails with a clear error, has as many positions as pictures a player
// shows, and shows at each checked position the picture the ffmpeg program (an
// independent reference decoder) gives there, in presentation order: reached by a
// run from the first frame, by jumps in a scrambled order, and by runs that start
// later. Where ffmpeg's reading is not the truth, the table says why. Skipped where
// the corpus or the program is absent.
#include "media/movie/MovieReader.h"
#include "support/Outcome.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

const std::string kFolder = POMI_CORPUS_DIR "/movies";
// ffmpeg's pictures of HDR movies are not tone mapped: ours neither, to be compared.
const media::MovieReader::Options kAsFfmpeg = [] {
    media::MovieReader::Options options;
    options.hdrAsSignal = true;
    return options;
}();
// Conversions to RGB differ slightly between the two decoders; another picture differs
// by far more.
constexpr double kSameDb = 32;

// Files where ffmpeg's reading is not the truth, and why: the true count (-1: ffmpeg's),
// the least match to ffmpeg's pictures (0: kSameDb), the first position whose
// picture depends on how it is reached, and the first that ffmpeg's pictures do not
// prove (-1: none).
struct Verdict {
    const char* file;
    int count;
    double sameDb;
    int unsteadyFrom;
    int unprovenFrom;
    const char* why;
};
const Verdict kNotFfmpeg[] = {
    {"fate__roundup1414.mpg", 78, 0, -1, -1,
     "the file ends inside its 79th picture's packet: ffmpeg shows that picture half decoded"},
    {"fate__extradata-reload-multi-stsd.mp4", -1, 25, -1, -1,
     "the pictures change size midway: the later ones are scaled to the movie's size, by another filter than "
     "ffmpeg's"},
    {"fate__two_first_slice.mp4", -1, 0, 30, -1,
     "the key picture at 30 shares its packet with a second slice that claims to begin a picture (the damage "
     "this sample was made for): what follows it decodes differently after a seek, ffmpeg's own seek too"},
    {"tsduck__test-026.ts", 9, 0, -1, 5,
     "a capture that begins before its parameter sets, fields mixed with frames: which of its first pictures "
     "decode depends on the decoder's threads (ffmpeg gives 8 with threads, 1 with one); position 5's picture "
     "needs a reference the capture lacks and shows the picture before it"},
};
struct PublicMovie {
    std::string file;
    int ffmpegFrames = -1;
};

// The manifest's file names and ffmpeg's counts.
std::vector<PublicMovie> Movies()
{
    std::vector<PublicMovie> movies;
    std::ifstream manifest(kFolder + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line); // the columns' names
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        PublicMovie movie;
        std::string skip, frames;
        std::getline(fields, movie.file, '\t');
        for (int column = 1; column < 6; ++column)
            std::getline(fields, skip, '\t');
        std::getline(fields, frames, '\t');
        if (movie.file.empty())
            continue;
        movie.ffmpegFrames = frames.empty() ? -1 : std::atoi(frames.c_str());
        movies.push_back(movie);
    }
    if (movies.empty())
        movies.push_back({"(no corpus)", -1});
    return movies;
}

const Verdict* VerdictOf(const std::string& file)
{
    for (const Verdict& v : kNotFfmpeg)
        if (file == v.file)
            return &v;
    return nullptr;
}

// The positions looked at: the ends, a few in the middle, and where the later runs begin.
std::vector<int> Checked(int n, const std::vector<int>& runStarts)
{
    std::set<int> at = {0, 1, n / 4, n / 2, 3 * n / 4 + 1, n - 2, n - 1};
    for (int s : runStarts)
        for (int k = 0; k < 3; ++k)
            at.insert(s + k);
    std::vector<int> positions;
    for (int p : at)
        if (p >= 0 && p < n)
            positions.push_back(p);
    return positions;
}

// A run as the converter reads it: handed out undeveloped, developed here; the
// pictures at `keep` are kept.
std::map<int, media::Image> RunKeeping(media::MovieReader& reader, int start, int end, const std::set<int>& keep)
{
    std::map<int, media::Image> pictures;
    media::FrameDeveloper developer(reader);
    reader.ReadRunUndeveloped(start, end, 1, [&](int n, media::UndevelopedFrame&& frame) {
        if (keep.count(n)) {
            media::Image image;
            if (developer.Develop(frame, image))
                pictures[n] = std::move(image);
            else
                pictures[n] = media::Image();
        }
        return true;
    });
    return pictures;
}

class PublicMovies : public ::testing::TestWithParam<PublicMovie> {};

// A movie prints as its file's name in the test's report.
void PrintTo(const PublicMovie& movie, std::ostream* os) { *os << movie.file; }

} // namespace

TEST_P(PublicMovies, ShowThePicturesAPlayerShowsAtEachPositionHoweverReached)
{
    const PublicMovie& movie = GetParam();
    if (!std::filesystem::is_directory(kFolder))
        GTEST_SKIP() << "no corpus at " << kFolder;
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    const std::string path = kFolder + "/" + movie.file;
    const Verdict* verdict = VerdictOf(movie.file);
    const int expected = verdict && verdict->count >= 0 ? verdict->count : movie.ffmpegFrames;
    const double sameDb = verdict && verdict->sameDb > 0 ? verdict->sameDb : kSameDb;
    const int unsteadyFrom = verdict && verdict->unsteadyFrom >= 0 ? verdict->unsteadyFrom : INT_MAX;
    const int provenUpTo = std::min(movie.ffmpegFrames, verdict && verdict->unprovenFrom >= 0 ? verdict->unprovenFrom
                                                                                               : INT_MAX);

    std::string error;
    auto reader = Take(media::MovieReader::Open(path, kAsFfmpeg), error);
    if (!reader) {
        EXPECT_EQ(expected, 0) << error;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        std::printf("%-56s fails: %s\n", movie.file.c_str(), error.c_str());
        return;
    }
    const int n = reader->PositionCount();
    EXPECT_EQ(n, expected) << (verdict ? verdict->why : "ffmpeg's count");
    const std::vector<int> runStarts = {n / 3, 2 * n / 3};
    const std::vector<int> positions = Checked(n, runStarts);
    const std::set<int> keep(positions.begin(), positions.end());
    const int width = reader->Width(), height = reader->Height();
    const std::size_t bytes = std::size_t(width) * height * 3;

    // ffmpeg's pictures at the checked positions that it has.
    const auto reference = DecodeWithFfmpegAt(path, width, height, positions);
    auto db = [&](const media::Image& a, const std::uint8_t* b) {
        return a.pixels.size() == bytes && b ? Psnr(a.pixels.data(), b, bytes) : 0.0;
    };
    int wrong = 0;
    std::ostringstream report;
    auto check = [&](const char* how, int p, const media::Image& picture, const std::uint8_t* truth, const char* what) {
        const double match = db(picture, truth);
        if (match < sameDb && ++wrong <= 10)
            report << "\n  " << how << ": position " << p << " is " << match << " dB from " << what;
    };

    const std::map<int, media::Image> fromStart = RunKeeping(*reader, 0, n - 1, keep);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const int p = positions[i];
        const auto it = fromStart.find(p);
        if (it == fromStart.end()) {
            if (++wrong <= 10)
                report << "\n  run from 0: position " << p << " not delivered";
            continue;
        }
        if (i < reference.size() && p < provenUpTo)
            check("run from 0", p, it->second, reference[i].data(), "ffmpeg's picture");
    }

    // Jumps in a scrambled order, then runs from later starts, on a reader of their own.
    auto jumper = Take(media::MovieReader::Open(path, kAsFfmpeg), error);
    ASSERT_TRUE(jumper) << error;
    std::vector<int> order = positions;
    std::reverse(order.begin(), order.end());
    std::rotate(order.begin(), order.begin() + order.size() / 2, order.end());
    media::Image picture;
    for (int p : order) {
        const auto it = fromStart.find(p);
        if (it == fromStart.end() || p >= unsteadyFrom)
            continue;
        if (!jumper->ReadFrame(p, picture))
            picture = media::Image();
        check("jump", p, picture, it->second.pixels.data(), "the run's picture");
    }
    for (int s : runStarts) {
        for (const auto& [p, image] : RunKeeping(*jumper, s, s + 2, keep)) {
            const auto it = fromStart.find(p);
            if (it != fromStart.end() && p < unsteadyFrom)
                check(("run from " + std::to_string(s)).c_str(), p, image, it->second.pixels.data(), "the run's picture");
        }
    }
    EXPECT_EQ(wrong, 0) << wrong << " pictures wrong:" << report.str();
    std::printf("%-56s %4dx%-4d positions %5d (ffmpeg %5d)\n", movie.file.c_str(), width, height, n,
                movie.ffmpegFrames);
}

INSTANTIATE_TEST_SUITE_P(Corpus, PublicMovies, ::testing::ValuesIn(Movies()),
                         [](const ::testing::TestParamInfo<PublicMovie>& info) {
                             std::string name;
                             for (char c : info.param.file)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
