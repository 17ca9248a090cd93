// --at on movies whose truth is known: every frame of the source carries its number,
// and ffprobe gives each picture's time. A time gives the picture shown then (on a
// movie whose pictures last different times), a number gives that frame (on one
// stored out of order, with B-frames); the list's order is kept, each picture once.
#include "support/ReferenceReading.h"
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The presentation times ffprobe gives the movie's pictures, in order.
std::vector<double> ProbedTimes(const std::string& movie)
{
    std::vector<double> times;
    std::istringstream lines(CommandOutput("ffprobe -v error -select_streams v -show_entries frame=pts_time -of csv=p=0 '" +
                                           movie + "'"));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            times.push_back(std::stod(line));
    std::sort(times.begin(), times.end());
    return times;
}

struct Row {
    std::string file;
    int frame = -1;
    double time = 0;
    std::string asked;
};

// The manifest's rows in its order (file, frame, time and the asked place: the first,
// third, fourth and last columns).
std::vector<Row> Rows(const std::string& csv)
{
    std::vector<Row> rows;
    std::istringstream lines(TempDir::Read(csv));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream split(line);
        for (std::string cell; std::getline(split, cell, ',');)
            cells.push_back(cell);
        rows.push_back({cells[0], std::stoi(cells[2]), std::stod(cells[3]), cells.back()});
    }
    return rows;
}

} // namespace

TEST(AtPlaces, TimesGiveThePictureShownThenAndNumbersTheFrameInTheListsOrder)
{
    if (!HaveFfmpeg() || !HaveImageMagick())
        GTEST_SKIP() << "ffmpeg or ImageMagick not installed";
    const int w = 96, h = 64;
    const SourceMovie source = MakeSource(w, h, 40);
    TempDir dir;
    const std::string bframes = dir.File("bframes.mp4"), vfr = dir.File("vfr.mkv");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, bframes, {"-c:v", "libx264", "-bf", "3", "-g", "12", "-crf", "12", "-pix_fmt", "yuv420p"},
                                 error))
        << error;
    // Pictures that last 40 ms, then 120 ms, then 200 ms.
    ASSERT_TRUE(EncodeWithFfmpeg(source, vfr,
                                 {"-vf", "setpts='(if(lt(N,10),N*0.04,if(lt(N,20),0.4+(N-10)*0.12,1.6+(N-20)*0.2)))/TB'",
                                  "-fps_mode", "passthrough", "-c:v", "libx264", "-bf", "0", "-crf", "12", "-pix_fmt", "yuv420p"},
                                 error))
        << error;
    const struct {
        std::string movie, at;
        std::vector<std::string> asked; // as the manifest keeps them, in order
    } cases[] = {
        {bframes, "7,23,5,23,39", {"7", "23", "5", "39"}},
        {vfr, "1.7s,0:00.4,0.41,0.53,2.0,1.59s,0.0", {"1.7s", "0:00.4", "0.53", "2.0", "1.59s", "0.0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.movie);
        const std::vector<double> probed = ProbedTimes(c.movie);
        ASSERT_EQ(probed.size(), 40u);
        const std::string out = dir.File("out-" + std::to_string(&c - cases)), manifest = out + ".csv";
        ASSERT_EQ(RunConverter("-q --format png --at '" + c.at + "' --manifest '" + manifest + "' -o '" + out + "' '" +
                               c.movie + "'"),
                  0);
        const std::vector<Row> rows = Rows(manifest);
        ASSERT_EQ(rows.size(), c.asked.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            SCOPED_TRACE("--at " + row.asked);
            EXPECT_EQ(row.asked, c.asked[i]);
            // The frame asked, or the last picture ffprobe shows at or before the time.
            int expected = std::isdigit(static_cast<unsigned char>(row.asked.back())) && row.asked.find_first_of(".:") == std::string::npos
                               ? std::stoi(row.asked)
                               : -1;
            if (expected < 0) {
                const double t = std::stod(row.asked.find(':') != std::string::npos ? row.asked.substr(row.asked.find(':') + 1) : row.asked);
                expected = int(std::upper_bound(probed.begin(), probed.end(), t + 1e-9) - probed.begin()) - 1;
            }
            EXPECT_EQ(row.frame, expected);
            EXPECT_NEAR(row.time, probed[std::size_t(expected)] - probed[0], 1e-3);
            Rgba picture;
            ASSERT_TRUE(ReferenceReading(row.file, false, picture));
            std::vector<std::uint8_t> rgb;
            for (std::size_t p = 0; p < picture.pixels.size(); p += 4)
                rgb.insert(rgb.end(), picture.pixels.begin() + std::ptrdiff_t(p), picture.pixels.begin() + std::ptrdiff_t(p) + 3);
            EXPECT_EQ(MatchFrame(source, rgb.data(), expected).best, expected);
        }
    }
}
