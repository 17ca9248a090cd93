// Contact sheets and sprite sheets of a movie whose every frame is one flat colour of
// its own: where each still's tile lies is found by its colour, and the WebVTT track
// is read back against the manifest's times and the sprite's pixels.
#include "support/ReferenceReading.h"
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

constexpr int kWidth = 160, kHeight = 120, kFrames = 14;

std::array<int, 3> ColourOf(int frame)
{
    // Far apart, none near the paper's white or the text's grey.
    const int r = 40 + 60 * (frame % 4), g = 30 + 45 * ((frame / 4) % 4), b = 200 - 50 * (frame % 3);
    return {r, g, b};
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    long pixels = 0;
};

// Where `colour` lies in the picture.
Box Find(const Rgba& picture, std::array<int, 3> colour)
{
    Box box;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = &picture.pixels[(std::size_t(y) * std::size_t(picture.width) + std::size_t(x)) * 4];
            if (std::abs(p[0] - colour[0]) > 6 || std::abs(p[1] - colour[1]) > 6 || std::abs(p[2] - colour[2]) > 6)
                continue;
            box.left = std::min(box.left, x), box.right = std::max(box.right, x);
            box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
            ++box.pixels;
        }
    return box;
}

// Whether anything darker than mid-grey is drawn in the band.
bool Inked(const Rgba& picture, int left, int top, int right, int bottom)
{
    for (int y = std::max(top, 0); y < std::min(bottom, picture.height); ++y)
        for (int x = left; x < right; ++x)
            if (picture.pixels[(std::size_t(y) * std::size_t(picture.width) + std::size_t(x)) * 4] < 128)
                return true;
    return false;
}

std::string Clock(double seconds)
{
    const long long ms = std::llround(seconds * 1000);
    char text[32];
    std::snprintf(text, sizeof text, "00:%02lld:%02lld.%03lld", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

// The manifest's times, in its order (the `time` column is the fourth).
std::vector<double> Times(const std::string& csv)
{
    std::vector<double> times;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream cells(line);
        std::string cell;
        for (int i = 0; i < 4; ++i)
            std::getline(cells, cell, ',');
        times.push_back(std::stod(cell));
    }
    return times;
}

} // namespace

TEST(ContactSheets, TilesLieInReadingOrderAndTheTrackPointsAtEachStillAtItsTime)
{
    if (!HaveFfmpeg() || !HaveImageMagick())
        GTEST_SKIP() << "ffmpeg or ImageMagick not installed";
    SourceMovie source{kWidth, kHeight, {}};
    for (int f = 0; f < kFrames; ++f) {
        std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
        for (std::size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = std::uint8_t(ColourOf(f)[i % 3]);
        source.frames.push_back(std::move(rgb));
    }
    TempDir dir;
    const std::string movie = dir.File("blocks.mkv"), out = dir.File("out"), manifest = dir.File("run.csv");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie, {"-c:v", "ffv1", "-pix_fmt", "bgr0"}, error)) << error;
    const std::string picks = "-q --format png --step 2 --sheet 3x2 ";
    ASSERT_EQ(RunConverter(picks + "--sprite 4x2 --manifest '" + manifest + "' -o '" + out + "' '" + movie + "'"), 0);

    // Frames 0, 2 ... 12: seven stills, on two sheets of 3 × 2 and one sprite of 4 × 2.
    const std::vector<double> times = Times(TempDir::Read(manifest));
    ASSERT_EQ(times.size(), 7u);
    for (int sheet = 0; sheet < 2; ++sheet) {
        Rgba picture;
        ASSERT_TRUE(ReferenceReading(out + "/blocks_sheet00" + std::to_string(sheet + 1) + ".png", false, picture));
        EXPECT_TRUE(Inked(picture, 0, 0, picture.width, 30)) << "the header line";
        std::vector<Box> boxes;
        for (int k = 0; k < (sheet == 0 ? 6 : 1); ++k) {
            const Box box = Find(picture, ColourOf(2 * (sheet * 6 + k)));
            SCOPED_TRACE("sheet " + std::to_string(sheet + 1) + ", tile " + std::to_string(k));
            // A whole tile, 160 × 120 brought to 320 pixels the long side.
            EXPECT_EQ(box.right - box.left + 1, 320);
            EXPECT_EQ(box.bottom - box.top + 1, 240);
            EXPECT_EQ(box.pixels, 320 * 240);
            EXPECT_TRUE(Inked(picture, box.left, box.bottom + 1, box.right + 1, box.bottom + 25)) << "its time";
            if (k % 3 > 0) { // right of the one before, on its row
                EXPECT_GT(box.left, boxes.back().right);
                EXPECT_EQ(box.top, boxes.back().top);
            }
            if (k >= 3) { // under the one above it
                EXPECT_GT(box.top, boxes[std::size_t(k - 3)].bottom + 20);
                EXPECT_EQ(box.left, boxes[std::size_t(k - 3)].left);
            }
            boxes.push_back(box);
        }
    }

    // The track: one cue a still, from its time to the next one's (the last to the
    // movie's end, 14 frames at 25 a second), pointing at its tile.
    Rgba sprite;
    ASSERT_TRUE(ReferenceReading(out + "/blocks_sprite001.png", false, sprite));
    EXPECT_EQ(sprite.width, 4 * 160);
    EXPECT_EQ(sprite.height, 2 * 120);
    std::istringstream vtt(TempDir::Read(out + "/blocks.vtt"));
    std::string line;
    std::getline(vtt, line);
    EXPECT_EQ(line, "WEBVTT");
    for (std::size_t k = 0; k < times.size(); ++k) {
        std::string blank, timing, target;
        std::getline(vtt, blank), std::getline(vtt, timing), std::getline(vtt, target);
        EXPECT_EQ(blank, "");
        EXPECT_EQ(timing, Clock(times[k]) + " --> " + Clock(k + 1 < times.size() ? times[k + 1] : kFrames / 25.0));
        const int x = int(k % 4) * 160, y = int(k / 4) * 120;
        EXPECT_EQ(target, "blocks_sprite001.png#xywh=" + std::to_string(x) + "," + std::to_string(y) + ",160,120");
        const std::uint8_t* centre = &sprite.pixels[(std::size_t(y + 60) * std::size_t(sprite.width) + std::size_t(x + 80)) * 4];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(centre[c], ColourOf(int(2 * k))[std::size_t(c)], 6) << "cue " << k;
    }

    // For the sheets alone, or resumed from the stills on disk, the sheets are the same.
    const std::string sheetsOnly = dir.File("only");
    ASSERT_EQ(RunConverter(picks + "--sheet-only -o '" + sheetsOnly + "' '" + movie + "'"), 0);
    const auto only = TempDir::Contents(sheetsOnly), all = TempDir::Contents(out);
    EXPECT_EQ(only.size(), 2u);
    EXPECT_EQ(only.at("blocks_sheet001.png"), all.at("blocks_sheet001.png"));
    EXPECT_EQ(only.at("blocks_sheet002.png"), all.at("blocks_sheet002.png"));
    TempDir::Write(out + "/blocks_sheet001.png", "");
    ASSERT_EQ(RunConverter(picks + "--exists skip -o '" + out + "' '" + movie + "'"), 0);
    EXPECT_EQ(TempDir::Contents(out).at("blocks_sheet001.png"), all.at("blocks_sheet001.png"));
}
