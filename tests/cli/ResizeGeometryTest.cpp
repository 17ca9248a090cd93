// The command line's resize geometries against ImageMagick's: each on portrait,
// landscape and square pictures, larger and smaller than the box, gives ImageMagick's
// size, and (the resampling filters differ a little) its pixels within 40 dB, so a fill's
// crop is the middle one.
#include "support/ReferenceReading.h"
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

TEST(ResizeGeometry, EachGeometryGivesImageMagicksSizeAndPicture)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    // Smooth but nowhere flat, so a misplaced crop or a wrong scale shows.
    const std::vector<std::pair<std::string, std::string>> pictures = {
        {"portrait", "301x517"}, {"landscape", "517x301"}, {"square", "400x400"},
        {"small-portrait", "61x97"}, {"small-landscape", "97x61"}, {"small-square", "80x80"}};
    std::string inputs;
    for (const auto& [name, size] : pictures) {
        const std::string path = dir.File(name + ".png");
        ASSERT_EQ(std::system(("convert -size " + size + " gradient:red-blue -swirl 150 '" + path + "'").c_str()), 0);
        inputs += " '" + path + "'";
    }
    // Ours, and the same in ImageMagick's words.
    const std::vector<std::pair<std::string, std::string>> geometries = {
        {"200x200>", "-resize '200x200>'"}, {"200x200<", "-resize '200x200<'"},
        {"200x150^", "-resize '200x150^' -gravity center -extent 200x150"},
        {"250L", "-resize 250x250"}, {"250L>", "-resize '250x250>'"}, {"120S", "-resize '120x120^'"}};
    for (const auto& [geometry, magick] : geometries) {
        const std::string out = dir.File("out" + std::to_string(&geometry - &geometries.front().first));
        ASSERT_EQ(RunConverter("-q --format png --resize '" + geometry + "' -o '" + out + "'" + inputs), 0) << geometry;
        for (const auto& [name, size] : pictures) {
            SCOPED_TRACE(geometry + " on " + name + " " + size);
            const std::string reference = out + "/" + name + "-magick.png";
            ASSERT_EQ(std::system(("convert '" + dir.File(name + ".png") + "' " + magick + " '" + reference + "'").c_str()), 0);
            Rgba ours, theirs;
            ASSERT_TRUE(ReferenceReading(out + "/" + name + ".png", false, ours));
            ASSERT_TRUE(ReferenceReading(reference, false, theirs));
            ASSERT_EQ(ours.width, theirs.width);
            ASSERT_EQ(ours.height, theirs.height);
            EXPECT_GT(Psnr(ours.pixels.data(), theirs.pixels.data(), ours.pixels.size()), 40);
        }
    }
}
