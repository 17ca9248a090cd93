// Picks that look at the pictures, on movies made for them: which picture of each
// stride is sharp and which pictures repeat is known from how the movie was made, and
// ffmpeg's mpdecimate gives a second opinion on the repeats.
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

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
