// Picks that look at the pictures, on movies made for them: which picture of each
// stride is sharp and which pictures repeat is known from how the movie was made, and
// ffmpeg's mpdecimate gives a second opinion on the repeats.
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>

namespace {

// A texture of 4 × 4 blocks of noise, `seed` choosing which, slid `shift` pixels.
std::vector<std::uint8_t> Texture(int w, int h, unsigned seed, int shift)
{
    std::vector<std::uint8_t> rgb(std::size_t(w) * std::size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t v = (std::uint32_t((x + shift) / 4) * 73856093u) ^ (std::uint32_t(y / 4) * 19349663u) ^ (seed * 83492791u);
            v ^= v >> 13, v *= 0x5bd1e995u, v ^= v >> 15;
            for (int c = 0; c < 3; ++c)
                rgb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3 + std::size_t(c)] = std::uint8_t(v >> (8 * c));
        }
    return rgb;
}

// The picture blurred by a 3 × 3 box, `times` over.
std::vector<std::uint8_t> Blurred(std::vector<std::uint8_t> rgb, int w, int h, int times)
{
    for (int t = 0; t < times; ++t) {
        std::vector<std::uint8_t> out = rgb;
        for (int y = 1; y + 1 < h; ++y)
            for (int x = 1; x + 1 < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            sum += rgb[(std::size_t(y + dy) * std::size_t(w) + std::size_t(x + dx)) * 3 + std::size_t(c)];
                    out[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3 + std::size_t(c)] = std::uint8_t((sum + 4) / 9);
                }
        rgb = std::move(out);
    }
    return rgb;
}

// The manifest's rows by frame: each row's fields by the header's names.
std::map<int, std::map<std::string, std::string>> ManifestRows(const std::string& csv)
{
    std::istringstream lines(csv);
    std::string line;
    std::vector<std::string> names;
    std::map<int, std::map<std::string, std::string>> rows;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');)
            fields.push_back(cell);
        if (line.back() == ',')
            fields.emplace_back();
        if (names.empty()) {
            names = fields;
            continue;
        }
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i)
            row[names[i]] = fields[i];
        rows[std::stoi(row["frame"])] = row;
    }
    return rows;
}

std::vector<int> Frames(const std::map<int, std::map<std::string, std::string>>& rows, const std::string& status)
{
    std::vector<int> frames;
    for (const auto& [frame, row] : rows)
        if (row.at("status") == status)
            frames.push_back(frame);
    return frames;
}

// A smooth scene of its own for each `seed`, as a shot has its own light: a coarse
// grid of colours around one of the scene's, blended between its cells, repeating
// across, slid `shift` pixels.
std::vector<std::uint8_t> Scene(int w, int h, unsigned seed, int shift)
{
    constexpr int kColumns = 10, kRows = 6;
    std::mt19937 random(seed);
    int base[3];
    for (int& b : base)
        b = 50 + int(random() % 156);
    std::vector<int> grid(kColumns * kRows * 3);
    for (std::size_t i = 0; i < grid.size(); ++i)
        grid[i] = std::clamp(base[i % 3] - 50 + int(random() % 101), 0, 255);
    std::vector<std::uint8_t> rgb(std::size_t(w) * std::size_t(h) * 3);
    const double cellW = double(w) / kColumns, cellH = double(h) / (kRows - 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double gx = std::fmod((x + shift) / cellW, kColumns), gy = y / cellH;
            const int x0 = int(gx), y0 = std::min(int(gy), kRows - 2);
            const double fx = gx - x0, fy = gy - y0;
            for (int c = 0; c < 3; ++c) {
                const auto at = [&](int cx, int cy) { return grid[std::size_t(((cy * kColumns) + cx % kColumns) * 3 + c)]; };
                const double top = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx;
                const double bottom = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx;
                rgb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3 + std::size_t(c)] =
                    std::uint8_t(top * (1 - fy) + bottom * fy + 0.5);
            }
        }
    return rgb;
}

std::vector<std::uint8_t> Mixed(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, double t)
{
    std::vector<std::uint8_t> mix(a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        mix[i] = std::uint8_t(a[i] * (1 - t) + b[i] * t + 0.5);
    return mix;
}

// Of cuts that should be found (each with the positions that count as found), how
// well `found` finds them: F1 of precision and recall.
double F1(const std::vector<std::pair<int, int>>& truth, const std::vector<int>& found)
{
    int hits = 0;
    for (const auto& [lo, hi] : truth)
        hits += std::any_of(found.begin(), found.end(), [&](int f) { return f >= lo && f <= hi; });
    if (hits == 0)
        return 0;
    const double precision = double(hits) / double(found.size()), recall = double(hits) / double(truth.size());
    return 2 * precision * recall / (precision + recall);
}

// The pictures ffmpeg's metadata printer lists in `file` (frames of a 25 fps movie).
std::vector<int> PrintedFrames(const std::string& file)
{
    std::vector<int> frames;
    std::istringstream lines(TempDir::Read(file));
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t at = line.find("pts_time:"); at != std::string::npos)
            frames.push_back(int(std::lround(std::stod(line.substr(at + 9)) * 25)));
    return frames;
}

} // namespace

TEST(SmartPicks, EachStrideGivesItsOneSharpPictureAmongBlurredOnes)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg not installed";
    // 960 × 540, so the sharpness is measured on a reduced picture; strides of 8, each
    // with one sharp picture at a random place, the others blurred once or three times.
    const int w = 960, h = 540, stride = 8, strides = 5;
    std::mt19937 random(2026);
    SourceMovie source{w, h, {}};
    std::vector<int> sharp;
    for (int s = 0; s < strides; ++s) {
        sharp.push_back(s * stride + int(random() % stride));
        for (int i = 0; i < stride; ++i) {
            const int n = s * stride + i;
            const int blur = n == sharp.back() ? 0 : 1 + 2 * int(random() % 2);
            source.frames.push_back(Blurred(Texture(w, h, 1, n), w, h, blur));
        }
    }
    TempDir dir;
    const std::string movie = dir.File("blurs.mp4"), manifest = dir.File("run.csv");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie, {"-c:v", "libx264", "-crf", "16", "-g", "12", "-pix_fmt", "yuv420p"},
                                 error))
        << error;
    ASSERT_EQ(RunConverter("-q --format png --step 8 --sharpest --manifest '" + manifest + "' -o '" +
                           dir.File("out") + "' '" + movie + "'"),
              0);
    const auto rows = ManifestRows(TempDir::Read(manifest));
    EXPECT_EQ(Frames(rows, "written"), sharp);
    for (int s = 0; s < strides; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "blurs_%05d.png", sharp[std::size_t(s)]);
        EXPECT_TRUE(TempDir::Contents(dir.File("out")).count(name)) << name;
        const auto row = rows.find(sharp[std::size_t(s)]);
        if (row != rows.end()) {
            EXPECT_EQ(row->second.at("nominal"), std::to_string(s * stride));
            EXPECT_GT(std::stod(row->second.at("score")), 0);
        }
    }
}

TEST(SmartPicks, HeldScenesGiveTheFirstPictureOfEachHoldAsMpdecimateKeepsIt)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg not installed";
    // Nine scenes, each a texture of its own held for 2 to 6 frames, through a lossy codec
    // whose noise differs from frame to frame of a hold.
    const int w = 320, h = 240;
    std::mt19937 random(49);
    SourceMovie source{w, h, {}};
    std::vector<int> firsts;
    std::map<int, int> repeats; // frame → the first of its hold
    for (unsigned scene = 0; scene < 9; ++scene) {
        const int hold = 2 + int(random() % 5), first = int(source.frames.size());
        firsts.push_back(first);
        for (int i = 0; i < hold; ++i) {
            if (i > 0)
                repeats[first + i] = first;
            source.frames.push_back(Blurred(Texture(w, h, scene + 7, 0), w, h, int(scene % 2)));
        }
    }
    TempDir dir;
    const std::string movie = dir.File("holds.mp4"), manifest = dir.File("run.csv");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie, {"-c:v", "libx264", "-crf", "20", "-g", "10", "-pix_fmt", "yuv420p"},
                                 error))
        << error;
    ASSERT_EQ(RunConverter("-q --format png --dedup --manifest '" + manifest + "' -o '" + dir.File("out") + "' '" +
                           movie + "'"),
              0);
    const auto rows = ManifestRows(TempDir::Read(manifest));
    EXPECT_EQ(Frames(rows, "written"), firsts);
    std::map<int, int> found;
    for (const int frame : Frames(rows, "repeat"))
        found[frame] = std::stoi(rows.at(frame).at("repeats"));
    EXPECT_EQ(found, repeats);
    EXPECT_EQ(TempDir::Contents(dir.File("out")).size(), firsts.size());

    // ffmpeg's mpdecimate, at its defaults, keeps the same pictures.
    const std::string kept = dir.File("kept.txt");
    ASSERT_TRUE(RunFfmpeg({"-i", movie, "-vf", "mpdecimate", "-fps_mode", "passthrough", "-f", "framecrc", kept}, error))
        << error;
    // Lines "stream, dts, pts, duration, size, hash", the stamps counting frames.
    std::vector<int> keptByFfmpeg;
    std::istringstream lines(TempDir::Read(kept));
    for (std::string line; std::getline(lines, line);) {
        int stream = 0, dts = 0, pts = 0;
        if (line[0] != '#' && std::sscanf(line.c_str(), "%d, %d, %d", &stream, &dts, &pts) == 3)
            keptByFfmpeg.push_back(pts);
    }
    EXPECT_EQ(keptByFfmpeg, firsts);
}

TEST(SmartPicks, ShotsAreFoundAtHardCutsAndTheMiddleOfDissolvesButNotAtAFlashOrAPan)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg not installed";
    // 25 fps: A 0-39 | B 40-89 with a flash at 60-61 | C 90-119, dissolving into D over
    // 120-139 | D, panning fast over 150-174, dissolving into E over 190-201 | E | F 242-281.
    const int w = 320, h = 180;
    SourceMovie source{w, h, {}};
    int pan = 0;
    for (int n = 0; n < 282; ++n) {
        const auto scene = [&](unsigned seed) { return Scene(w, h, seed, n + pan); };
        if (n >= 150 && n < 175)
            pan += 12;
        std::vector<std::uint8_t> frame;
        if (n < 40)
            frame = scene(1);
        else if (n < 90)
            frame = scene(2);
        else if (n < 120)
            frame = scene(3);
        else if (n < 140)
            frame = Mixed(scene(3), scene(4), (n - 119) / 21.0);
        else if (n < 190)
            frame = scene(4);
        else if (n < 202)
            frame = Mixed(scene(4), scene(5), (n - 189) / 13.0);
        else if (n < 242)
            frame = scene(5);
        else
            frame = scene(6);
        if (n == 60 || n == 61)
            for (std::uint8_t& v : frame)
                v = std::uint8_t(std::min(255, v + 120));
        source.frames.push_back(std::move(frame));
    }
    // Hard cuts within one picture; a dissolve's middle (129.5, 195.5) within one.
    const std::vector<std::pair<int, int>> truth = {{39, 41}, {89, 91}, {129, 130}, {195, 196}, {241, 243}};
    TempDir dir;
    const std::string movie = dir.File("shots.mp4"), manifest = dir.File("run.csv");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie, {"-c:v", "libx264", "-crf", "18", "-g", "50", "-pix_fmt", "yuv420p"},
                                 error))
        << error;
    ASSERT_EQ(RunConverter("-q --format png --scenes --manifest '" + manifest + "' -o '" + dir.File("out") + "' '" +
                           movie + "'"),
              0);
    const auto rows = ManifestRows(TempDir::Read(manifest));
    std::vector<int> cuts = Frames(rows, "written");
    ASSERT_FALSE(cuts.empty());
    EXPECT_EQ(cuts.front(), 0);
    cuts.erase(cuts.begin());
    ASSERT_EQ(cuts.size(), truth.size()) << ::testing::PrintToString(cuts);
    for (std::size_t i = 0; i < truth.size(); ++i) {
        EXPECT_GE(cuts[i], truth[i].first) << i;
        EXPECT_LE(cuts[i], truth[i].second) << i;
        const auto& row = rows.at(cuts[i]);
        EXPECT_EQ(row.at("shot"), std::to_string(i + 2));
        EXPECT_EQ(row.at("shot_first"), std::to_string(cuts[i]));
        EXPECT_EQ(std::stoi(rows.at(i == 0 ? 0 : cuts[i - 1]).at("shot_last")), cuts[i] - 1);
    }

    // The same movie through ffmpeg's own scene detection, for comparison.
    const std::string scdet = dir.File("scdet.txt"), select = dir.File("select.txt");
    ASSERT_TRUE(RunFfmpeg({"-i", movie, "-vf", "scdet,metadata=print:key=lavfi.scd.time:file=" + scdet, "-f", "null", "-"},
                          error))
        << error;
    ASSERT_TRUE(RunFfmpeg({"-i", movie, "-vf", "select='gt(scene,0.3)',metadata=print:file=" + select, "-f", "null", "-"},
                          error))
        << error;
    std::printf("cuts found, F1: ours %.2f, ffmpeg scdet %.2f, select gt(scene,0.3) %.2f\n", F1(truth, cuts),
                F1(truth, PrintedFrames(scdet)), F1(truth, PrintedFrames(select)));
}
