// Presets: the built-in ones give what their names promise, a saved one gives back the
// settings it was saved from, the line's own options win, and a presets file that
// cannot be read names the line at fault.
#include "cli/Presets.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PresetsTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    cli::Options Parse(std::vector<std::string> args) { return cli::ParseOptionsWithPreset(args, cli::Options()); }
    std::string UsageMessage(std::vector<std::string> args)
    {
        try {
            Parse(args);
        } catch (const cli::UsageError& e) {
            return e.what();
        }
        return "";
    }
    TempDir dir;
};

} // namespace

TEST_F(PresetsTest, BuiltInSavedAndOverriddenPresetsGiveTheirSettingsAndABrokenFileIsNamed)
{
    const cli::Options web = Parse({"--preset", "web", "a.png"});
    EXPECT_EQ(web.picture.format, conv::OutputFormat::Jpeg);
    EXPECT_EQ(web.picture.jpegQuality.step, 5);
    EXPECT_EQ(web.picture.resize, (conv::Resize{conv::ResizeMode::LongSideShrink, 2048, 2048, 100}));
    EXPECT_FALSE(web.picture.keepMetadata);
    EXPECT_EQ(Parse({"--preset", "thumbs", "a.png"}).picture.resize.mode, conv::ResizeMode::LongSide);
    EXPECT_EQ(Parse({"--quality", "8", "--preset", "web", "a.png"}).picture.jpegQuality.step, 8) << "the line wins";

    // Saved from a line, then given back whole; a pick on the line replaces the preset's.
    const cli::Options saving = Parse({"--save-preset", "mine", "--format", "tiff", "--rotate", "90", "--resize",
                                       "300x200^", "--strip", "--name", "{movie} {n}", "--every", "2s", "-o", "out"});
    std::string error;
    ASSERT_TRUE(cli::SavePreset(cli::PresetsFilePath(), saving, error)) << error;
    const cli::Options mine = Parse({"--preset", "mine", "clip.mp4"});
    EXPECT_EQ(mine.picture, saving.picture);
    EXPECT_EQ(mine.stillNames, "{movie} {n}");
    EXPECT_EQ(mine.picks.everySeconds, 2.0);
    EXPECT_EQ(mine.outputFolder, ".") << "the output folder belongs to one run";
    const cli::Options stepped = Parse({"--preset", "mine", "--step", "4", "clip.mp4"});
    EXPECT_EQ(stepped.picks.step, 4);
    EXPECT_FALSE(stepped.picks.everySeconds);
    EXPECT_NE(cli::PresetsText(cli::PresetsFilePath()).find("mine: --format tiff"), std::string::npos);
    EXPECT_NE(UsageMessage({"--preset", "nope", "a.png"}).find("no preset named 'nope'"), std::string::npos);

    const std::string file = cli::PresetsFilePath();
    const struct {
        const char* text;
        const char* said;
    } broken[] = {
        {"[x]\n--format=jpeg\nnonsense\n", "presets.ini:3: not an option written --option=value"},
        {"--format=jpeg\n[x]\n", "presets.ini:1: an option before the first [name]"},
        {"[x]\n--formt=png\n", "presets.ini:2: unknown option '--formt'; did you mean '--format'?"},
        {"; mine\n[x]\n--quality=99\n", "presets.ini:3: --quality takes a whole number from 0 to 9"},
        {"[x\n", "presets.ini:1: a preset's name is written [name]"},
    };
    for (const auto& [text, said] : broken) {
        TempDir::Write(file, text);
        EXPECT_NE(UsageMessage({"--preset", "x", "a.png"}).find(said), std::string::npos)
            << text << " gave: " << UsageMessage({"--preset", "x", "a.png"});
    }
}
