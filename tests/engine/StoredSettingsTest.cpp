// The conversion settings through the settings file: what is written is read back.
#include "engine/StoredSettings.h"
#include "support/PictureSettingsPrint.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

conv::PictureSettings ThroughTheFile(const conv::PictureSettings& p, const std::string& path)
{
    fw::TIniFile(path).Write(conv::PictureSettingsEntries(p, "/out"));
    return conv::ReadPictureSettings(fw::TIniFile(path));
}

} // namespace

TEST(StoredSettings, EveryValueOfEverySettingComesBackAsItWasWritten)
{
    TempDir dir;
    const std::string path = dir.File("settings.ini");
    for (const auto& f : conv::kOutputFormats) {
        conv::PictureSettings p;
        p.format = f.value;
        EXPECT_EQ(ThroughTheFile(p, path), p);
    }
    for (const auto& d : conv::kColourDepths) {
        conv::PictureSettings p;
        p.colourDepth = d.value;
        EXPECT_EQ(ThroughTheFile(p, path), p);
    }
    for (const auto& r : conv::kRotations) {
        conv::PictureSettings p;
        p.rotation = r.value;
        EXPECT_EQ(ThroughTheFile(p, path), p);
    }
    for (const auto& m : conv::kResizeModes) {
        conv::PictureSettings p;
        p.resize = {m.value, 1, 9999, 100}; // the scale is not stored
        EXPECT_EQ(ThroughTheFile(p, path), p);
    }
    for (int step = -10; step <= 10; ++step) {
        conv::PictureSettings p;
        p.brightness = step;
        p.jpegQuality.step = (step + 10) % 10;
        p.progressive = step % 2 != 0;
        EXPECT_EQ(ThroughTheFile(p, path), p);
    }
}

TEST(StoredSettings, TheFileKeepsListPositionsInTheWindowsOrder)
{
    TempDir dir;
    const std::string path = dir.File("settings.ini");
    conv::PictureSettings p;
    p.format = conv::OutputFormat::Pcx;
    p.jpegQuality.step = 8;
    p.progressive = true;
    p.colourDepth = conv::ColourDepth::Sixteen;
    p.brightness = -4; // the 15th entry: +10 … +1, そのまま, -1 … -4
    p.rotation = conv::Rotation::Clockwise270;
    p.resize = {conv::ResizeMode::Stretch, 640, 360, 50};
    fw::TIniFile(path).Write(conv::PictureSettingsEntries(p, "/srv/out"));
    EXPECT_EQ(TempDir::Read(path), "[SET1]\nPATH=/srv/out\nFORMAT=3\nQUALLITY=8\nINTER=1\nCOLOR=1\nBRIGHT=14\nROTATE=3\n"
                                   "SIZE=2\nWIDTH=640\nHEIGHT=360\n");
    // A window that shows no colour depth stores the reset one, as a later start reads it anyway.
    p.colourDepth.reset();
    EXPECT_EQ(ThroughTheFile(p, path).colourDepth, conv::ColourDepth::Full);
}
