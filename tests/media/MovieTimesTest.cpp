// Each position's presentation time and the key pictures, against ffprobe's account of
// the frames of movies whose times are known: constant and variable frame rates, an
// edit list, B-frames, AVI.
#include "media/movie/AviWriter.h"
#include "media/movie/MovieReader.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

struct FrameFacts {
    std::vector<double> times; // seconds after the first picture's
    std::vector<int> keys;
};

// ffprobe's frames of `path` in the order they are shown.
FrameFacts Ffprobe(const std::string& path)
{
    std::istringstream lines(CommandOutput("ffprobe -v error -select_streams v:0 -show_entries frame=key_frame,pts_time "
                                           "-of csv=p=0 '" + path + "'"));
    FrameFacts facts;
    double first = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t comma = line.find(',');
        if (comma == std::string::npos)
            continue;
        const double t = std::stod(line.substr(comma + 1));
        if (facts.times.empty())
            first = t;
        if (line.substr(0, comma) == "1")
            facts.keys.push_back(int(facts.times.size()));
        facts.times.push_back(t - first);
    }
    return facts;
}

} // namespace

TEST(MovieTimes, EachPositionsTimeAndTheKeyPicturesAreFfprobes)
{
    if (!HaveFfmpeg() || !HasEncoder("libx264"))
        GTEST_SKIP() << "ffmpeg with libx264 is missing";
    const std::vector<std::string> source = {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=30", "-frames:v", "48"};
    // Three B-frames in a pyramid: a key packet's decoding stamp lies two pictures before its own.
    const std::vector<std::string> h264 = {"-c:v", "libx264", "-bf", "3", "-x264-params", "b-pyramid=normal", "-g", "12",
                                           "-pix_fmt", "yuv420p"};
    // Times of 5 n² ms: no two steps alike.
    const std::vector<std::string> variable = {"-vf", "settb=1/1000,setpts=N*N*0.005/TB", "-fps_mode", "passthrough",
                                               "-enc_time_base", "1:1000"};
    struct Case {
        const char* name;
        const char* file;
        std::vector<std::vector<std::string>> arguments; // after -y, before the file
        const char* from = nullptr;                      // made from this case's file instead of the source
    };
    const Case cases[] = {
        {"constant rate, B-frames, MP4", "constant.mp4", {source, h264}},
        {"variable rate, MP4", "variable.mp4", {source, variable, h264, {"-video_track_timescale", "1000"}}},
        {"variable rate, Matroska", "variable.mkv", {source, variable, h264}},
        {"an edit list: cut between key pictures, copied", "edited.mp4", {{"-ss", "0.55"}, {}, {"-c", "copy"}},
         "constant.mp4"},
        {"MPEG-4 part 2 in AVI", "plain.avi", {source, {"-c:v", "mpeg4", "-g", "10"}}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments;
        for (std::size_t i = 0; i < c.arguments.size(); ++i) {
            if (i == 1 && c.from) {
                arguments.insert(arguments.end(), {"-i", dir.File(c.from)});
            }
            arguments.insert(arguments.end(), c.arguments[i].begin(), c.arguments[i].end());
        }
        const std::string path = dir.File(c.file);
        arguments.push_back(path);
        std::string error;
        ASSERT_TRUE(RunFfmpeg(arguments, error)) << error;
        const FrameFacts want = Ffprobe(path);
        ASSERT_GT(want.times.size(), 10u);
        auto reader = media::MovieReader::Open(path);
        ASSERT_TRUE(reader) << reader.Message();
        const std::vector<double> times = (*reader)->PresentationTimes();
        ASSERT_EQ(times.size(), want.times.size());
        for (std::size_t n = 0; n < times.size(); ++n)
            ASSERT_NEAR(times[n], want.times[n], 0.0005) << "position " << n;
        EXPECT_EQ((*reader)->KeyPositions(), want.keys);
    }
}
