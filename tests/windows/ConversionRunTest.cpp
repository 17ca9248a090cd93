// The start button's run, on movies and pictures made here.
#include "engine/Conversion.h"
#include "cli/Options.h"
#include "cli/Pipeline.h"
#include "media/codecs/Formats.h"
#include "media/editor/ImageEditor.h"
#include "media/movie/AviWriter.h"
#include "support/Outcome.h"
#include "support/MainWindowFixture.h"
#include "windows/InfoWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QClipboard>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

// Records every caption the progress label is painted with.
class CaptionWatch : public QObject {
public:
    explicit CaptionWatch(fw::TLabel* label) : m_label(label) { label->installEventFilter(this); }
    QStringList seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_label->isVisible())
            seen << m_label->Caption();
        return false;
    }

private:
    fw::TLabel* m_label;
};

bool ShowsFrame(const std::string& file, int frame)
{
    media::ImageEditor editor;
    std::string error;
    if (!Take(editor.Load(file), error))
        return false;
    const media::Image rgb = media::ToRgb24(editor.Current());
    const auto want = FrameColour(frame);
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(rgb.pixels[c]) - int(want[c])) > 12)
            return false;
    return true;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (std::filesystem::is_directory(folder))
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class ConversionRunTest : public MainWindowFixture {
protected:
    std::string out;
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        out = dir.File("out/frames"); // a missing folder with a missing parent
        Start();
        ChangeForm1->Settings().setOutputFolder(QString::fromStdString(out));
        ClickReset();
    }
    void ClickReset()
    {
        AnswerNextQuestion(Reply::Yes);
        QTest::mouseClick(ChangeForm1->SSButton33, Qt::LeftButton);
    }
    void Press(Reply reply = Reply::Yes, int* asked = nullptr)
    {
        AnswerNextQuestion(reply, asked);
        QTest::mouseClick(ChangeForm1->SSButton1, Qt::LeftButton);
    }
    // Start pressed without a movie: nothing is asked, said or written.
    void ExpectARunWithoutAMovie()
    {
        const qsizetype said = errorsShown.size();
        int asked = -1;
        Press(Reply::Yes, &asked);
        QTest::qWait(30);
        EXPECT_EQ(asked, -1);
        EXPECT_EQ(errorsShown.size(), said);
        EXPECT_TRUE(FilesIn(out).empty());
        MessageForm1->close();
    }
    QString Movie(int frames)
    {
        const std::string path = dir.File("clip.avi");
        EXPECT_TRUE(WriteAvi(path, AviSpec{"mjpeg", 64, 48, frames}));
        ChangeForm1->Edit2->setFilename(QString::fromStdString(path));
        return QString::fromStdString(path);
    }
};

TEST_F(ConversionRunTest, AMovieRunWritesTheChosenFramesUnderTheirPositions)
{
    Movie(30);
    TConvertSettings s = ChangeForm1->Settings();
    s.setOutputFormat(conv::OutputFormat::Jpeg);
    ChangeForm1->ComboBox1Change();
    s.setStartFrame(10);
    s.setFrameStep(5);
    CaptionWatch progress(ChangeForm1->Label1);
    int asked = -1;
    Press(Reply::Yes, &asked);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"clip_00010.jpg", "clip_00015.jpg", "clip_00020.jpg", "clip_00025.jpg"}));
    for (int f : {10, 15, 20, 25})
        EXPECT_TRUE(ShowsFrame(out + "/clip_000" + std::to_string(f) + ".jpg", f)) << f;
    EXPECT_TRUE(progress.seen.contains(QStringLiteral("4/4"))) << progress.seen.join(',').toStdString();
    EXPECT_FALSE(ChangeForm1->Label1->isVisible());
    EXPECT_EQ(ChangeForm1->Label1->Caption(), QString());
    EXPECT_TRUE(ChangeForm1->GKitMSPlay1->Playing());
    EXPECT_EQ(MessageForm1->Answer, 0);
    EXPECT_TRUE(errorsShown.isEmpty()) << errorsShown.join('\n').toStdString();
}

TEST_F(ConversionRunTest, ImageModeKeepsTheNamesWithTheNewExtensionAndTheChain)
{
    // A 40 × 20 TIFF, converted to a 90° turned, 16-colour PNG.
    media::ImageEditor editor;
    media::Image img;
    img.Allocate(40, 20, media::PixelFormat::Rgb24);
    for (std::size_t i = 0; i < img.pixels.size(); ++i)
        img.pixels[i] = std::uint8_t(i * 7);
    editor.SetImage(img);
    std::string error;
    const std::string cat = dir.File("Cat.TIF");
    ASSERT_TRUE(Take(editor.Save(cat, media::ImageFormat::Tiff, {}), error));
    QTest::mouseClick(ChangeForm1->SSButton2, Qt::LeftButton);
    ChangeForm1->ListBox1->AddItem(QString::fromStdString(cat));
    TConvertSettings s = ChangeForm1->Settings();
    s.setOutputFormat(conv::OutputFormat::Png);
    s.setColorDepth(conv::ColourDepth::Sixteen);
    s.setRotation(conv::Rotation::Clockwise90);
    int asked = -1;
    Press(Reply::Yes, &asked);
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(FilesIn(out), std::vector<std::string>{"Cat.png"});
    ASSERT_TRUE(Take(editor.Load(out + "/Cat.png"), error));
    EXPECT_EQ(editor.Current().width, 20);
    EXPECT_EQ(editor.Current().height, 40);
    EXPECT_EQ(editor.Current().format, media::PixelFormat::Indexed);
    EXPECT_EQ(editor.Current().indexBits, 4);
}

TEST_F(ConversionRunTest, NoBrightnessEntryStopsTheRunWithTheFailureMessage)
{
    Movie(10);
    ChangeForm1->ComboBox7->setItemIndex(-1);
    Press();
    EXPECT_EQ(errorsShown, QStringList{QStringLiteral("非対応フォーマットが含まれていました。処理を中止します。")});
    // Nothing is put back: the main view stays paused, the label as it was.
    EXPECT_FALSE(ChangeForm1->GKitMSPlay1->Playing());
    EXPECT_TRUE(FilesIn(out).empty());
}

// However a run ends, its counter goes away: a refused run left "0/10" under its message.
TEST_F(ConversionRunTest, ARefusedRunPutsItsCounterAwayAndLeavesNoAnswer)
{
    Movie(10);
    ChangeForm1->ComboBox7->setItemIndex(-1);
    Press();
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_FALSE(ChangeForm1->Label1->isVisible());
    EXPECT_EQ(ChangeForm1->Label1->Caption(), QString());
    EXPECT_EQ(MessageForm1->Answer, 0);
}

TEST_F(ConversionRunTest, EndBelowStartWritesNothingAndTheViewPlaysAgain)
{
    Movie(20);
    ChangeForm1->Settings().setStartFrame(15);
    ChangeForm1->SpinEdit5->setText(QStringLiteral("0")); // an end of 0 is not pulled up to the start
    ASSERT_EQ(ChangeForm1->Settings().EndFrame(), 0);
    Press();
    EXPECT_TRUE(FilesIn(out).empty());
    EXPECT_TRUE(std::filesystem::is_directory(out));
    EXPECT_FALSE(ChangeForm1->Label1->isVisible());
    EXPECT_TRUE(ChangeForm1->GKitMSPlay1->Playing());
}

TEST_F(ConversionRunTest, AnsweringNoWritesNothingAndAnEmptySourceAsksNothing)
{
    Movie(10);
    Press(Reply::No);
    EXPECT_FALSE(std::filesystem::exists(out));
    QTest::mouseClick(ChangeForm1->SSButton2, Qt::LeftButton); // image mode, empty list
    int asked = -1;
    AnswerNextQuestion(Reply::Yes, &asked);
    QTest::mouseClick(ChangeForm1->SSButton1, Qt::LeftButton);
    QTest::qWait(30);
    EXPECT_EQ(asked, -1);
    MessageForm1->close();
}

TEST_F(ConversionRunTest, ARunClosesTheOpenPreview)
{
    Movie(10);
    ChangeForm1->GKitMSPlay1Click();
    ASSERT_TRUE(PreviewForm1->isVisible());
    Press();
    EXPECT_FALSE(PreviewForm1->isVisible());
    EXPECT_FALSE(PreviewForm1->GKitMSPlay1->Playing());
    EXPECT_EQ(FilesIn(out).size(), 10u);
}

TEST_F(ConversionRunTest, AFileThatFailsToLoadIsReportedAndNothingIsWrittenUnderItsName)
{
    const std::string good = dir.File("good.bmp"), bad = dir.File("bad.bmp");
    media::ImageEditor editor;
    media::Image img;
    img.Allocate(8, 8, media::PixelFormat::Rgb24);
    editor.SetImage(img);
    std::string error;
    ASSERT_TRUE(Take(editor.Save(good, media::ImageFormat::Bmp, {}), error));
    TempDir::Write(bad, "BM but nothing else");
    QTest::mouseClick(ChangeForm1->SSButton2, Qt::LeftButton);
    ChangeForm1->ListBox1->AddItem(QString::fromStdString(bad));
    ChangeForm1->ListBox1->AddItem(QString::fromStdString(good));
    ChangeForm1->Settings().setOutputFormat(conv::OutputFormat::Png);
    Press();
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"good.png"});
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QStringLiteral("2 枚中 1 枚の画像を変換できませんでした。"))) << errorsShown[0].toStdString();
    EXPECT_TRUE(errorsShown[0].contains(QString::fromStdString(bad)));

    // The command line names the same picture with the same reason.
    cli::Options o = cli::ParseOptions({"--format", "png", bad, good}, cli::DefaultOptions(""));
    o.outputFolder = dir.File("cli");
    std::vector<std::string> named;
    cli::RunTotals totals;
    cli::ConvertPictures(o, [&](const cli::Outcome& done, int) {
        if (!done.error.empty())
            named.push_back(conv::NamedFailure(done.source, done.error));
    }, totals);
    ASSERT_EQ(named.size(), 1u);
    EXPECT_NE(named[0].find("Invalid"), std::string::npos) << named[0];
    EXPECT_TRUE(errorsShown[0].contains(QString::fromStdString(named[0]))) << errorsShown[0].toStdString();
}

TEST_F(ConversionRunTest, AnUnwritableFolderStopsTheRunWithOneMessageAndTheRealReason)
{
    Movie(30);
    // The output "folder" lies under a plain file: it cannot be made.
    TempDir::Write(dir.File("plain"), "a file");
    const std::string blocked = dir.File("plain/out");
    ChangeForm1->Settings().setOutputFolder(QString::fromStdString(blocked));
    Press();
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QString::fromStdString(blocked + " に書き込めません: Not a directory")))
        << errorsShown[0].toStdString();
    EXPECT_TRUE(ChangeForm1->GKitMSPlay1->Playing());
    EXPECT_FALSE(ChangeForm1->Label1->isVisible());

    // A folder that refuses files (a file size limit refuses them as a full disk
    // does): the run stops at the first, one message, the older file intact.
    errorsShown.clear();
    std::filesystem::create_directories(out);
    TempDir::Write(out + "/clip_00000.bmp", "older");
    ChangeForm1->Settings().setOutputFolder(QString::fromStdString(out));
    ChangeForm1->Settings().setOutputFormat(conv::OutputFormat::Bmp);
    ChangeForm1->ComboBox1Change();
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{1024, old.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    Press();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QString::fromStdString(out + " に書き込めません: File too large")))
        << errorsShown[0].toStdString();
    EXPECT_TRUE(errorsShown[0].contains(QStringLiteral("0 枚を書き出したところで変換を中止しました。")));
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"clip_00000.bmp"});
    EXPECT_EQ(TempDir::Read(out + "/clip_00000.bmp"), "older");
}

TEST_F(ConversionRunTest, EscStopsARunAfterThePictureBeingSavedWhileTheWindowPaints)
{
    const std::string path = dir.File("long.avi");
    AviSpec spec{"mjpeg", 160, 120, 400};
    spec.textured = true;
    ASSERT_TRUE(WriteAvi(path, spec));
    ChangeForm1->Edit2->setFilename(QString::fromStdString(path));
    ChangeForm1->Settings().setOutputFormat(conv::OutputFormat::Bmp);
    ChangeForm1->ComboBox1Change();
    CaptionWatch progress(ChangeForm1->Label1);
    // A click during the run is dropped, not run afterwards; Esc stops it.
    int aboutShown = 0;
    QTimer duringRun;
    duringRun.setInterval(10);
    QObject::connect(&duringRun, &QTimer::timeout, [&] {
        if (!ChangeForm1->Label1->isVisible() || ChangeForm1->Label1->Caption().isEmpty())
            return; // not yet running
        duringRun.stop();
        QTest::mouseClick(ChangeForm1->SSButton5, Qt::LeftButton); // INFO.
        aboutShown = InfoForm1->isVisible();
        QCoreApplication::postEvent(ChangeForm1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    duringRun.start();
    Press();
    const std::vector<std::string> files = FilesIn(out);
    EXPECT_GT(files.size(), 0u);
    EXPECT_LT(files.size(), 400u);
    for (const std::string& f : files) {
        media::ImageEditor check;
        std::string error;
        EXPECT_TRUE(Take(check.Load(out + "/" + f), error)) << f << ": " << error;
    }
    // What was written, and what of the 400 was left untried.
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_EQ(errorsShown[0], QString::fromStdString("変換を中止しました。" + std::to_string(files.size()) +
                                                     " 枚を書き出しました。\n" + std::to_string(400 - files.size()) +
                                                     " 枚は変換しませんでした。"));
    EXPECT_EQ(aboutShown, 0);
    EXPECT_FALSE(InfoForm1->isVisible());
    // The counter was painted while the run went on.
    EXPECT_GT(progress.seen.size(), 1);
    EXPECT_TRUE(ChangeForm1->GKitMSPlay1->Playing());
}

TEST_F(ConversionRunTest, TheExtensionOfThePreviousRunStaysWhenNoFormatIsSelected)
{
    Movie(3);
    ChangeForm1->Settings().setOutputFormat(conv::OutputFormat::Pcx);
    Press();
    ChangeForm1->Settings().setOutputFormat(std::nullopt);
    std::filesystem::remove_all(out);
    Press();
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"clip_00000.pcx", "clip_00001.pcx", "clip_00002.pcx"}));
}

TEST_F(ConversionRunTest, TheCommandLineWritesTheSameFilesAsTheMainWindow)
{
    const QString movie = Movie(12);
    TConvertSettings s = ChangeForm1->Settings();
    s.setOutputFormat(conv::OutputFormat::Png);
    s.setColorDepth(conv::ColourDepth::Colours256);
    s.setBrightness(3);
    s.setRotation(conv::Rotation::Clockwise180);
    s.setResizeMode(conv::ResizeMode::Fit);
    ChangeForm1->ComboBox6Change();
    s.setResizeWidth(50);
    s.setResizeHeight(50);
    s.setFrameStep(4);
    Press();
    cli::Options o = cli::ParseOptions({"--format", "png", "--colors", "256", "--brightness", "3", "--rotate", "180",
                                        "--resize", "50x50", "--step", "4", movie.toStdString()},
                                       cli::DefaultOptions(""));
    o.outputFolder = dir.File("cli");
    cli::RunTotals totals;
    std::string error;
    ASSERT_TRUE(cli::ConvertMovie(o, nullptr, totals, error));
    const auto names = FilesIn(out);
    EXPECT_EQ(names, FilesIn(o.outputFolder));
    EXPECT_EQ(names.size(), 3u);
    for (const std::string& name : names)
        EXPECT_EQ(TempDir::Read(out + "/" + name), TempDir::Read(o.outputFolder + "/" + name)) << name;
}

// Every output format the rows hold is saved by the window (through its list and its
// image edit control) and by the command line, byte for byte alike.
TEST_F(ConversionRunTest, EveryFormatRowIsSavedByBothFrontEndsAlike)
{
    const QString movie = Movie(2);
    for (const media::FormatRow& row : media::kFormatRows) {
        if (!row.encode)
            continue; // only read
        SCOPED_TRACE(row.name);
        const std::string windowOut = dir.File(std::string("window-") + row.option);
        ChangeForm1->Settings().setOutputFolder(QString::fromStdString(windowOut));
        ChangeForm1->Settings().setOutputFormat(row.format);
        Press();
        cli::Options o = cli::ParseOptions({"--format", row.option, movie.toStdString()}, cli::DefaultOptions(""));
        o.outputFolder = dir.File(std::string("cli-") + row.option);
        cli::RunTotals totals;
        std::string error;
        ASSERT_TRUE(cli::ConvertMovie(o, nullptr, totals, error)) << error;
        const auto names = FilesIn(windowOut);
        ASSERT_EQ(names, (std::vector<std::string>{std::string("clip_00000") + row.extension,
                                                   std::string("clip_00001") + row.extension}));
        EXPECT_EQ(names, FilesIn(o.outputFolder));
        for (const std::string& name : names)
            EXPECT_EQ(TempDir::Read(windowOut + "/" + name), TempDir::Read(o.outputFolder + "/" + name)) << name;
    }
}

TEST(OutputNames, FramePositionsAtLeastFiveDigitsAndExtensionsReplaced)
{
    EXPECT_EQ(conv::MovieOutputPath("/o", "/v/clip.avi", 12, ".jpg"), "/o/clip_00012.jpg");
    EXPECT_EQ(conv::MovieOutputPath("/o", "/v/clip.avi", 123456, ".png"), "/o/clip_123456.png");
    EXPECT_EQ(conv::MovieOutputPath("/o", "/v.d/clip", 0, ".bmp"), "/o/clip_00000.bmp");
    EXPECT_EQ(conv::ImageOutputPath("/o", "/p/Cat.TIF", ".png"), "/o/Cat.png");
    EXPECT_EQ(conv::ImageOutputPath("/o", "/p/a.b.c", ".tif"), "/o/a.b.tif");
    EXPECT_EQ(conv::ImageOutputPath("/o", "/p/noext", ".pcx"), "/o/noext.pcx");
}

// A movie moved, deleted or replaced while the window has it open: playback stops
// quietly, the next use of its frames (a thumbnail, the preview, a run) says so once,
// naming the file, and the window is left as without a movie; nothing is written.
TEST_F(ConversionRunTest, AMovieThatGoesAwayIsNamedOnceByItsNextUseAndNothingIsWritten)
{
    namespace fs = std::filesystem;
    enum class Use { Thumbnail, Preview, Run };
    struct Case {
        const char* what;
        Use use;
        bool replaced;
    };
    int n = 0;
    for (const Case& c : {Case{"renamed", Use::Thumbnail, false}, Case{"deleted", Use::Preview, false},
                          Case{"replaced", Use::Run, true}, Case{"renamed", Use::Run, false}}) {
        SCOPED_TRACE(std::string(c.what) + " " + std::to_string(int(c.use)));
        errorsShown.clear();
        const std::string path = dir.File("gone" + std::to_string(++n) + ".avi");
        ASSERT_TRUE(WriteAvi(path, AviSpec{"mpeg4", 64, 48, 8, 4, 2}));
        ChangeForm1->Edit2->setFilename(QString::fromStdString(path));
        QTest::qWait(400); // it plays, and loops back to its start
        if (c.replaced) {
            ASSERT_TRUE(WriteAvi(dir.File("other.avi"), AviSpec{"mjpeg", 64, 48, 3}));
            fs::rename(dir.File("other.avi"), path);
        } else if (std::string(c.what) == "deleted") {
            fs::remove(path);
        } else {
            fs::rename(path, dir.File("elsewhere.avi"));
        }
        QTest::qWait(400); // playback goes on looping over the file that went away
        EXPECT_TRUE(errorsShown.empty());
        int asked = -1;
        if (c.use == Use::Thumbnail)
            ChangeForm1->SpinEdit4->setValue(3);
        else if (c.use == Use::Preview)
            ChangeForm1->GKitMSPlay1Click();
        else
            Press(Reply::Yes, &asked);
        ASSERT_EQ(errorsShown.size(), 1);
        EXPECT_TRUE(errorsShown[0].startsWith(QString::fromStdString(path + "\n"))) << errorsShown[0].toStdString();
        EXPECT_EQ(asked, -1);
        EXPECT_FALSE(PreviewForm1->isVisible());
        EXPECT_EQ(ChangeForm1->FadingLabel2->Caption(), QStringLiteral("全0ﾌﾚｰﾑ"));
        EXPECT_FALSE(ChangeForm1->GKitMSPlay1->HasMovie());
        ExpectARunWithoutAMovie(); // nothing asked, nothing said
    }
}

// Renamed while the run cuts it: the run goes on reading the file it opened, and
// every picture is the frame of that movie.
TEST_F(ConversionRunTest, AMovieRenamedDuringARunIsCutWholeFromTheFileThatWasOpened)
{
    const std::string movie = dir.File("long.avi");
    AviSpec spec{"mpeg4", 320, 240, 120, 10, 2};
    spec.quality = 2;
    ASSERT_TRUE(WriteAvi(movie, spec));
    ChangeForm1->Edit2->setFilename(QString::fromStdString(movie));
    // Renamed as soon as the run shows its counter.
    QTimer watch;
    bool renamedDuringRun = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!renamedDuringRun && ChangeForm1->Label1->isVisible()) {
            std::filesystem::rename(movie, dir.File("renamed.avi"));
            renamedDuringRun = true;
        }
    });
    watch.start(1);
    Press();
    ASSERT_TRUE(renamedDuringRun);
    const std::vector<std::string> files = FilesIn(out);
    ASSERT_EQ(files.size(), 120u);
    for (int f = 0; f < 120; ++f)
        EXPECT_TRUE(ShowsFrame(out + "/" + files[f], f)) << files[f];
    EXPECT_TRUE(errorsShown.empty());
}

// A file that is no movie, opened after a good one, leaves nothing of the good one.
TEST_F(ConversionRunTest, AFailedOpenAfterAGoodOneLeavesTheWindowAsWithoutAMovie)
{
    Movie(30);
    ChangeForm1->Settings().setStartFrame(5);
    ASSERT_FALSE(ChangeForm1->Image2->Picture().isNull());
    const std::string broken = dir.File("broken.avi");
    TempDir::Write(broken, "this is a text file");
    ChangeForm1->Edit2->setFilename(QString::fromStdString(broken));
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QString::fromStdString(broken))) << errorsShown[0].toStdString();
    EXPECT_EQ(ChangeForm1->Edit2->Filename(), QString::fromStdString(broken));
    EXPECT_EQ(ChangeForm1->FadingLabel2->Caption(), QStringLiteral("全0ﾌﾚｰﾑ"));
    EXPECT_EQ(ChangeForm1->FadingLabel3->Caption(), QStringLiteral("0 x 0"));
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("0"));
    for (TSpinEdit* field : {ChangeForm1->SpinEdit4, ChangeForm1->SpinEdit5}) {
        EXPECT_EQ(field->Value(), 0);
        EXPECT_EQ(field->MaxValue(), 1);
        EXPECT_FALSE(field->isEnabled());
    }
    EXPECT_TRUE(ChangeForm1->Image2->Picture().isNull());
    EXPECT_TRUE(ChangeForm1->Image3->Picture().isNull());
    ExpectARunWithoutAMovie();
}

// Image mode: a resize that cannot be done fails each picture with the reason and
// writes nothing; two sources with one output name are both named in the report,
// and the later one is what the file holds.
TEST_F(ConversionRunTest, ImpossibleResizesFailAndTwoSourcesWithOneNameAreReported)
{
    QTest::mouseClick(ChangeForm1->SSButton2, Qt::LeftButton);
    std::filesystem::create_directories(dir.File("a"));
    std::filesystem::create_directories(dir.File("b"));
    for (const auto& [name, shade] : {std::pair{"a/IMG_0001.png", 10}, {"b/IMG_0001.png", 200}}) {
        media::ImageEditor editor;
        media::Image img;
        ASSERT_TRUE(img.Allocate(40, 30, media::PixelFormat::Gray8));
        std::fill(img.pixels.begin(), img.pixels.end(), std::uint8_t(shade));
        editor.SetImage(std::move(img));
        std::string error;
        ASSERT_TRUE(Take(editor.Save(dir.File(name), media::ImageFormat::Png, {}), error)) << error;
        ChangeForm1->ListBox1->AddItem(QString::fromStdString(dir.File(name)));
    }
    conv::PictureSettings p;
    p.format = conv::OutputFormat::Png;
    p.resize = {conv::ResizeMode::Scale, 320, 240, 1};
    ChangeForm1->ShowPictureSettings(p, true);
    Press();
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_EQ(errorsShown[0].count(QStringLiteral("1% of 40 × 30 is less than one pixel")), 2) << errorsShown[0].toStdString();
    EXPECT_TRUE(FilesIn(out).empty());

    errorsShown.clear();
    p.resize = {};
    ChangeForm1->ShowPictureSettings(p, true);
    Press();
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_EQ(errorsShown[0], QString::fromStdString(dir.File("a/IMG_0001.png") + " と " + dir.File("b/IMG_0001.png") +
                                                     " は同じ名前 " + out + "/IMG_0001.png になり、後の画像が残りました。"));
    media::ImageEditor check;
    std::string error;
    ASSERT_TRUE(Take(check.Load(out + "/IMG_0001.png"), error)) << error;
    EXPECT_EQ(media::ToRgb24(check.Current()).pixels[0], 200);
}

TEST_F(ConversionRunTest, AnEmptyOutputFolderIsTheFolderMessageWithItsReason)
{
    Movie(5);
    ChangeForm1->Settings().setOutputFolder(QString());
    Press();
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QStringLiteral("出力先フォルダが指定されていません。")))
        << errorsShown[0].toStdString();
}

// The frame fields are the user's while typing: a number whose first digits lie
// below the start can be typed; the range rules apply when the field is left, on
// Enter, and when a run takes the value.
TEST_F(ConversionRunTest, FrameFieldsAreTypedFreelyAndKeptInRangeWhenLeftOrUsed)
{
    Movie(100);
    ChangeForm1->Settings().setStartFrame(10);
    QLineEdit* end = ChangeForm1->SpinEdit5->Editor();
    QLineEdit* start = ChangeForm1->SpinEdit4->Editor();
    const auto retype = [](QLineEdit* field, const QString& keys) {
        field->selectAll();
        QStringList seen;
        for (const QChar key : keys) {
            QTest::keyClicks(field, QString(key));
            seen << field->text();
        }
        return seen;
    };
    const auto leave = [](QLineEdit* field) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(field, &out);
    };
    EXPECT_EQ(retype(end, QStringLiteral("50")), (QStringList{"5", "50"}));
    leave(end);
    EXPECT_EQ(ChangeForm1->Settings().EndFrame(), 50);
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("41"));
    retype(end, QStringLiteral("5"));
    QTest::keyClick(end, Qt::Key_Return);
    EXPECT_EQ(ChangeForm1->Settings().EndFrame(), 10); // an end typed below the start becomes the start
    retype(end, QStringLiteral("150"));
    leave(end);
    EXPECT_EQ(ChangeForm1->Settings().EndFrame(), 99);
    EXPECT_EQ(retype(start, QStringLiteral("120")), (QStringList{"1", "12", "120"}));
    leave(start);
    EXPECT_EQ(ChangeForm1->Settings().StartFrame(), 99);
    ChangeForm1->Settings().setStartFrame(10);
    retype(end, QStringLiteral("5")); // not left: the run takes it as the start
    Press();
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"clip_00010.bmp"});
}

// What the user copied stays on the clipboard: frames go from the movie control to
// the picture control inside the program, for a run and for the thumbnails alike.
TEST_F(ConversionRunTest, TheUsersClipboardSurvivesARunAndTheThumbnails)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's own words"));
    Movie(12);
    ChangeForm1->Settings().setStartFrame(3);
    ChangeForm1->Settings().setEndFrame(9);
    ASSERT_FALSE(ChangeForm1->Image2->Picture().isNull());
    Press();
    EXPECT_EQ(FilesIn(out).size(), 7u);
    for (int f = 3; f <= 9; ++f)
        EXPECT_TRUE(ShowsFrame(out + "/clip_0000" + std::to_string(f) + ".bmp", f)) << f;
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own words"));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasImage());
}
