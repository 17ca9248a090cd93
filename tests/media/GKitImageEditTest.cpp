// The image edit control as the conversion run drives it.
#include "framework/Exception.h"
#include "media/GKitImageEdit.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// Writes a 40 × 30 colour picture as BMP through the control itself.
std::string MakeSource(const TempDir& dir, const std::string& name)
{
    QImage picture(40, 30, QImage::Format_RGB888);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixelColor(x, y, QColor(x * 6, y * 8, 100));
    QGuiApplication::clipboard()->setImage(picture);
    TGKitImageEdit edit;
    EXPECT_TRUE(edit.CreateFromClipboard());
    const std::string path = dir.File(name);
    EXPECT_TRUE(edit.Save(Q(path))) << edit.LastError().toStdString();
    return path;
}

int EntriesIn(const std::string& folder)
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}
} // namespace

TEST(GKitImageEdit, LoadProcessAndSaveInEveryFormat)
{
    TempDir dir;
    const std::string source = MakeSource(dir, "source.bmp");
    TGKitImageEdit edit;
    edit.setInputFileName(Q(source));
    ASSERT_TRUE(edit.Load());
    EXPECT_EQ(edit.ImageWidth(), 40);
    EXPECT_EQ(edit.ImageHeight(), 30);
    EXPECT_TRUE(edit.ChangeColorDepth(8));
    EXPECT_TRUE(edit.AdjustBrightness(20, 0));
    EXPECT_TRUE(edit.RotateArbitrary(270)); // a quarter turn clockwise
    EXPECT_EQ(edit.ImageWidth(), 30);
    edit.setAspectRatio(true);
    EXPECT_TRUE(edit.ResizeImage(60, 60));
    EXPECT_EQ(edit.ImageWidth(), 60);
    for (const auto& [code, name] : {std::pair{101, "o.bmp"}, {102, "o.tif"}, {103, "o.jpg"}, {104, "o.pcx"}, {106, "o.png"}}) {
        edit.setSaveMediaFormat(code);
        const std::string out = dir.File(name);
        ASSERT_TRUE(edit.Save(Q(out))) << edit.LastError().toStdString();
        TGKitImageEdit check;
        check.setInputFileName(Q(out));
        ASSERT_TRUE(check.Load()) << name;
        EXPECT_EQ(check.ImageWidth(), 60);
        EXPECT_EQ(check.ImageHeight(), 60);
        if (code != 103) {
            EXPECT_EQ(check.Editor().Current().format, media::PixelFormat::Indexed) << name;
        }
    }
    // Saved atomically: no temporary file is left in the folder.
    EXPECT_EQ(EntriesIn(dir.Path()), 6);
}

TEST(GKitImageEdit, AFailedLoadLeavesNoPictureSoNothingStaleIsSaved)
{
    TempDir dir;
    const std::string source = MakeSource(dir, "source.png");
    const std::string target = dir.File("target.png");
    TempDir::Write(target, "old content");
    TempDir::Write(dir.File("broken.png"), "\x89PNG\r\n\x1a\nbroken");
    TGKitImageEdit edit;
    edit.setInputFileName(Q(source));
    ASSERT_TRUE(edit.Load());
    edit.setInputFileName(Q(dir.File("broken.png")));
    EXPECT_FALSE(edit.Load());
    EXPECT_NE(edit.LastError().indexOf(QStringLiteral("broken.png")), -1);
    EXPECT_EQ(edit.ImageWidth(), 0);
    edit.setSaveMediaFormat(106);
    EXPECT_FALSE(edit.Save(Q(target)));
    EXPECT_EQ(TempDir::Read(target), "old content");
    EXPECT_FALSE(edit.ChangeColorDepth(8));

    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(edit.CreateFromClipboard());
    EXPECT_EQ(edit.ImageWidth(), 0);
}

TEST(GKitImageEdit, RefusesValuesOutsideItsTablesAndReportsUnwritableFolders)
{
    TGKitImageEdit edit;
    EXPECT_THROW(edit.setSaveMediaFormat(105), fw::Exception);
    EXPECT_THROW(edit.setSaveMediaFormat(0), fw::Exception);
    EXPECT_THROW(edit.setSaveQuality(11), fw::Exception);
    EXPECT_THROW(edit.setSaveInterlacedImage(3), fw::Exception);
    EXPECT_THROW(edit.setSaveQuality(-1), fw::Exception);
    EXPECT_THROW(edit.setInterpolation(3), fw::Exception);
    edit.setSaveMediaFormat(102);
    EXPECT_EQ(edit.SaveMediaFormat(), 102);

    TempDir dir;
    const std::string source = MakeSource(dir, "s.bmp");
    edit.setInputFileName(Q(source));
    ASSERT_TRUE(edit.Load());
    EXPECT_FALSE(edit.Save(Q(dir.File("no/such/folder/x.tif"))));
    EXPECT_FALSE(edit.LastError().isEmpty());
}

TEST(GKitImageEdit, TheClipboardPictureComesInWithItsColours)
{
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(QColor(10, 20, 30));
    picture.setPixelColor(2, 1, QColor(200, 100, 50, 128));
    QGuiApplication::clipboard()->setImage(picture);
    TGKitImageEdit edit;
    ASSERT_TRUE(edit.CreateFromClipboard());
    const media::Image& img = edit.Editor().Current();
    ASSERT_EQ(img.format, media::PixelFormat::Rgba32);
    EXPECT_EQ(img.pixels[0], 10);
    EXPECT_EQ(img.pixels[2], 30);
    EXPECT_EQ(img.Row(1)[2 * 4 + 3], 128);
}
