// The options window: each option gives the window's run the files and the record the
// command line gives with the same option; the window opens with F2 and keeps what OK
// leaves it with.
#include "media/movie/AviWriter.h"
#include "support/MainWindowFixture.h"
#include "support/RunConverter.h"
#include "support/Text.h"
#include "support/TruthMovie.h"

#include <QTest>

#include <filesystem>
#include <map>

class OptionsWindowTest : public MainWindowFixture {
protected:
    void Run()
    {
        AnswerNextQuestion(Reply::Yes);
        QTest::mouseClick(ChangeForm1->SSButton1, Qt::LeftButton);
    }
};

TEST_F(OptionsWindowTest, EachOptionGivesTheWindowsRunTheFilesAndRecordOfTheCommandLine)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    // 2:1 pixels (stored 64 wide, shown 128), a key picture every 8 frames.
    const std::string movie = dir.File("clip.mp4");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(MakeSource(64, 48, 30), movie,
                                 {"-c:v", "libx264", "-g", "8", "-bf", "2", "-vf", "setsar=2", "-pix_fmt", "yuv420p"},
                                 error))
        << error;
    Start();
    conv::PictureSettings jpeg;
    jpeg.format = conv::OutputFormat::Jpeg;
    ChangeForm1->ShowPictureSettings(jpeg, true);
    ChangeForm1->Edit2->setFilename(QString::fromStdString(movie));
    // Every other option said on the command line as the window's default, so that no
    // saved setting of the program's folder takes part.
    const std::string common = "-q --format jpeg --quality 3 --baseline --colors full --brightness 0 --rotate 0 "
                               "--resize none --keep-metadata --no-deinterlace --square-pixels --manifest none ";
    const struct {
        const char* what;
        void (*set)(conv::RunOptions&);
        std::string args;
    } rows[] = {
        {"every", [](conv::RunOptions& o) { o.pick = conv::PickWay::Every, o.every = "0.3s"; }, "--every 0.3s"},
        {"count", [](conv::RunOptions& o) { o.pick = conv::PickWay::Count, o.count = 4; }, "--count 4"},
        {"keyframes", [](conv::RunOptions& o) { o.pick = conv::PickWay::Keyframes; }, "--keyframes"},
        {"name", [](conv::RunOptions& o) { o.name = "{n}-{movie}-{ms}"; }, "--step 7 --name '{n}-{movie}-{ms}'"},
        {"number", [](conv::RunOptions& o) { o.exists = conv::Existing::Number; }, "--step 10 --exists number"},
        {"skip", [](conv::RunOptions& o) { o.exists = conv::Existing::Skip; }, "--step 10 --exists skip"},
        {"manifest", [](conv::RunOptions& o) { o.manifest = conv::ManifestKind::Csv; },
         "--step 6 --manifest OUT/clip-manifest.csv"},
        {"strip", [](conv::RunOptions& o) { o.strip = true; }, "--step 6 --strip"},
        {"deinterlace", [](conv::RunOptions& o) { o.deinterlace = true; }, "--step 6 --deinterlace"},
        {"stored size", [](conv::RunOptions& o) { o.storedSize = true; }, "--step 6 --stored-size"},
        {"sharpest", [](conv::RunOptions& o) { o.sharpest = true; }, "--step 6 --sharpest"},
        {"dedup", [](conv::RunOptions& o) { o.pick = conv::PickWay::Count, o.count = 5, o.dedup = true; },
         "--count 5 --dedup"},
        {"scenes", [](conv::RunOptions& o) { o.pick = conv::PickWay::Scenes; }, "--scenes"},
        {"sheet", [](conv::RunOptions& o) { o.sheet = conv::SheetWay::WithStills, o.sheetGrid = "3x2"; },
         "--step 6 --sheet 3x2"},
        {"sheet only, sprite",
         [](conv::RunOptions& o) { o.sheet = conv::SheetWay::Only, o.sprite = true, o.spriteGrid = "2x2"; },
         "--step 6 --sheet 4x4 --sheet-only --sprite 2x2"},
    };
    int row = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string window = dir.File("window" + std::to_string(row)), cli = dir.File("cli" + std::to_string(row));
        ++row;
        conv::RunOptions options;
        r.set(options);
        // Files there already: one of the names the run writes, with other bytes.
        for (const std::string& folder : {window, cli}) {
            std::filesystem::create_directories(folder);
            if (options.exists != conv::Existing::Overwrite)
                TempDir::Write(folder + "/clip_00010.jpg", "older");
        }
        ChangeForm1->SetOptions(options);
        const std::size_t step = r.args.find("--step ");
        ChangeForm1->SpinEdit6->setValue(step == std::string::npos ? 1 : std::stoi(r.args.substr(step + 7)));
        ChangeForm1->Settings().setOutputFolder(QString::fromStdString(window));
        Run();
        ASSERT_EQ(RunConverter(common + ReplacedAll(r.args, "OUT", cli) + " -o '" + cli + "' '" + movie + "'"), 0);
        auto windowFiles = TempDir::Contents(window), cliFiles = TempDir::Contents(cli);
        // One shot in this movie: one still.
        const bool shots = options.pick == conv::PickWay::Scenes;
        EXPECT_GT(windowFiles.size(), shots ? 0u : 2u);
        if (windowFiles.count("clip-manifest.csv"))
            windowFiles["clip-manifest.csv"] = ReplacedAll(windowFiles["clip-manifest.csv"], window, cli);
        EXPECT_EQ(windowFiles, cliFiles);
        // The window's total is the engine's count of what the run took, unknown for
        // shots until the run has looked. (A skipped picture's file is the older one; a
        // numbered one stands beside it.)
        if (shots) {
            EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("?"));
        } else if (options.sheet != conv::SheetWay::None) {
            EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("5")); // frames 0, 6 ... 24
        } else {
            EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption().toInt(),
                      int(cliFiles.size() - cliFiles.count("clip-manifest.csv")) -
                          (options.exists == conv::Existing::Number ? 1 : 0));
        }
    }
    EXPECT_TRUE(errorsShown.isEmpty()) << errorsShown.join('\n').toStdString();
}

TEST_F(OptionsWindowTest, F2OpensTheOptionsOkKeepsThemCancelAndABadTemplateDoNot)
{
    Start();
    ChangeForm1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ChangeForm1));
    const auto answer = [this](auto&& act) {
        QTimer::singleShot(50, OptionsForm1, [this, act] {
            ASSERT_TRUE(OptionsForm1->isVisible());
            act();
        });
        QTest::keyClick(ChangeForm1, Qt::Key_F2);
    };
    answer([this] {
        OptionsForm1->ComboBox1->setItemIndex(2); // N pictures spread over the range
        OptionsForm1->ComboBox1Change();
        EXPECT_TRUE(OptionsForm1->SpinEdit1->isEnabled());
        EXPECT_FALSE(OptionsForm1->Edit1->isEnabled());
        OptionsForm1->SpinEdit1->setValue(4);
        OptionsForm1->Edit2->setText(QStringLiteral("{movie}-{frame:3}"));
        EXPECT_EQ(OptionsForm1->Label1->Caption(), QStringLiteral("clip-000.bmp"));
        QTest::mouseClick(OptionsForm1->SSButton2, Qt::LeftButton);
    });
    EXPECT_EQ(ChangeForm1->Options.pick, conv::PickWay::Count);
    EXPECT_EQ(ChangeForm1->Options.count, 4);
    EXPECT_EQ(ChangeForm1->Options.name, "{movie}-{frame:3}");

    answer([this] {
        EXPECT_EQ(OptionsForm1->SpinEdit1->Value(), 4); // the options as they are
        OptionsForm1->Edit2->setText(QStringLiteral("{movie"));
        QTest::mouseClick(OptionsForm1->SSButton2, Qt::LeftButton); // refused: the window stays
        EXPECT_TRUE(OptionsForm1->isVisible());
        EXPECT_TRUE(OptionsForm1->Label1->Caption().contains(QStringLiteral("読めません")));
        QTest::mouseClick(OptionsForm1->SSButton3, Qt::LeftButton);
    });
    EXPECT_EQ(ChangeForm1->Options.name, "{movie}-{frame:3}");

    // What the window leaves with is what the settings file holds for both front ends.
    ChangeForm1->close();
    EXPECT_NE(IniText().find("[OPTIONS]\nPICK=count\n"), std::string::npos) << IniText();
    EXPECT_NE(IniText().find("NAME={movie}-{frame:3}\n"), std::string::npos);
}

// Several movies dropped on the movie field are cut one after another with the same
// settings, as the command line cuts them; each gets its own record, and the end
// message says how many were cut and which not read.
TEST_F(OptionsWindowTest, SeveralMoviesDroppedAreCutInTurnAsTheCommandLineCutsThem)
{
    const std::string a = dir.File("a.avi"), b = dir.File("b b.avi"), broken = dir.File("broken.avi");
    ASSERT_TRUE(WriteAvi(a, AviSpec{"mjpeg", 32, 24, 30}));
    ASSERT_TRUE(WriteAvi(b, AviSpec{"mjpeg", 40, 30, 12}));
    TempDir::Write(broken, "RIFF, but not a movie");
    Start();
    const std::string window = dir.File("window"), cli = dir.File("cli");
    ChangeForm1->Settings().setOutputFolder(QString::fromStdString(window));
    conv::PictureSettings png;
    png.format = conv::OutputFormat::Png;
    ChangeForm1->ShowPictureSettings(png, true);
    conv::RunOptions record;
    record.manifest = conv::ManifestKind::Csv;
    ChangeForm1->SetOptions(record);
    // The last one dropped stays in the field, as with one movie at a time; its end is
    // each movie's end.
    Drop({QString::fromStdString(a), QString::fromStdString(broken), QString::fromStdString(b)});
    EXPECT_EQ(ChangeForm1->Settings().MovieFile().toStdString(), b);
    ChangeForm1->SpinEdit4->setValue(5);
    ChangeForm1->SpinEdit6->setValue(5);
    errorsShown.clear();
    Run();

    ASSERT_EQ(RunConverter("-q --format png --colors full --brightness 0 --rotate 0 --resize none --start 5 --step 5 "
                           "--manifest none -o '" + cli + "' '" + a + "' '" + broken + "' '" + b + "'"),
              1);
    // Each movie's record as a run of its own writes it.
    for (const std::string& movie : {a, b}) {
        const std::string base = std::filesystem::path(movie).stem().string();
        ASSERT_EQ(RunConverter("-q --format png --colors full --brightness 0 --rotate 0 --resize none --start 5 "
                               "--step 5 --manifest '" + cli + "/" + base + "-manifest.csv' -o '" + dir.File("one") +
                               "' '" + movie + "'"),
                  0);
    }
    auto windowFiles = TempDir::Contents(window), cliFiles = TempDir::Contents(cli);
    for (const char* manifest : {"a-manifest.csv", "b b-manifest.csv"}) {
        ASSERT_TRUE(windowFiles.count(manifest)) << manifest;
        windowFiles[manifest] = ReplacedAll(windowFiles[manifest], window, dir.File("one"));
    }
    EXPECT_EQ(windowFiles, cliFiles);
    EXPECT_TRUE(windowFiles.count("a_00025.png")) << "the longer movie cut to its own end";
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QStringLiteral("動画 3 本を続けて変換しました。\n読めなかった動画: ")))
        << errorsShown[0].toStdString();
    EXPECT_TRUE(errorsShown[0].contains(QString::fromStdString(broken))) << errorsShown[0].toStdString();
}
