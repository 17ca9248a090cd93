// The movie play control: opening, frame copies through the clipboard, playback.
#include "framework/Exception.h"
#include "media/GKitMSPlay.h"
#include "media/movie/AviWriter.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {
bool LooksLikeFrame(const QImage& img, int frame, int tolerance = 10)
{
    if (img.isNull())
        return false;
    const auto want = FrameColour(frame);
    const QColor got = img.pixelColor(0, 0);
    return std::abs(got.red() - want[0]) <= tolerance && std::abs(got.green() - want[1]) <= tolerance &&
           std::abs(got.blue() - want[2]) <= tolerance;
}
} // namespace

TEST(GKitMSPlay, OpensAMovieAndCopiesAnyFrameToTheClipboard)
{
    TempDir dir;
    const std::string path = dir.File("clip.avi");
    ASSERT_TRUE(WriteAvi(path, AviSpec{"mpeg4", 80, 60, 30, 10, 2}));
    TGKitMSPlay control;
    control.setFileName(QString::fromStdString(path));
    EXPECT_EQ(control.Length(), 29);
    EXPECT_EQ(control.MovieWidth(), 80);
    EXPECT_EQ(control.MovieHeight(), 60);
    for (int frame : {29, 0, 17, 18, 3}) {
        ASSERT_TRUE(control.CopyToClipboard(frame));
        const QImage copied = QGuiApplication::clipboard()->image();
        EXPECT_EQ(copied.size(), QSize(80, 60));
        EXPECT_TRUE(LooksLikeFrame(copied, frame, 14)) << frame;
    }
    // Beyond the end: false, and the clipboard holds nothing stale.
    EXPECT_FALSE(control.CopyToClipboard(30));
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
}

TEST(GKitMSPlay, AFileThatIsNoMovieRaisesAnErrorAndLeavesTheControlEmpty)
{
    TempDir dir;
    const std::string good = dir.File("good.avi"), bad = dir.File("bad.avi");
    ASSERT_TRUE(WriteAvi(good, AviSpec{}));
    TempDir::Write(bad, "not a movie");
    TGKitMSPlay control;
    control.setFileName(QString::fromStdString(good));
    try {
        control.setFileName(QString::fromStdString(bad));
        FAIL() << "no error";
    } catch (const fw::Exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind(bad + ": ", 0), 0u) << e.what();
    }
    EXPECT_EQ(control.Length(), 0);
    EXPECT_EQ(control.MovieWidth(), 0);
    EXPECT_EQ(control.MovieHeight(), 0);
    EXPECT_FALSE(control.CopyToClipboard(0));
}

TEST(GKitMSPlay, PlaysWhenOpenedStopsAtTheFirstFrameAndPausesWithoutDisturbingReads)
{
    TempDir dir;
    const std::string path = dir.File("clip.avi");
    ASSERT_TRUE(WriteAvi(path, AviSpec{"mjpeg", 64, 48, 50}));
    TGKitMSPlay control;
    control.resize(120, 90);
    control.show();
    control.setFileName(QString::fromStdString(path));
    EXPECT_TRUE(control.Playing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.ShownPicture().isNull(); }, 3000));
    // It moves on by itself at the movie's rate.
    const QImage first = control.ShownPicture();
    EXPECT_TRUE(QTest::qWaitFor([&] { return control.ShownPicture() != first; }, 3000));
    ASSERT_TRUE(control.CopyToClipboard(42));
    EXPECT_TRUE(LooksLikeFrame(QGuiApplication::clipboard()->image(), 42));

    control.Stop();
    EXPECT_FALSE(control.Playing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return LooksLikeFrame(control.ShownPicture(), 0); }, 3000));
    QTest::qWait(150);
    EXPECT_TRUE(LooksLikeFrame(control.ShownPicture(), 0)); // stays there

    control.Play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !LooksLikeFrame(control.ShownPicture(), 0); }, 3000));
    control.Pause();
    QTest::qWait(100);
    const QImage paused = control.ShownPicture();
    QTest::qWait(200);
    EXPECT_EQ(control.ShownPicture(), paused);
    // The view shows the picture scaled into the control.
    const QImage shot = control.grab().toImage();
    EXPECT_EQ(shot.pixelColor(60, 10), paused.pixelColor(paused.width() / 2, 4));
}
