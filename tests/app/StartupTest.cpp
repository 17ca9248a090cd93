// Start-up: the windows, restoring the settings, the command line.
#include "media/movie/AviWriter.h"
#include "support/MainWindowFixture.h"
#include "windows/InfoWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QDir>
#include <QLineEdit>

#include <filesystem>
#include <unistd.h>

class StartupTest : public MainWindowFixture {};

TEST_F(StartupTest, FourWindowsExistHiddenAndTheMainOneEndsTheProgram)
{
    ASSERT_TRUE(ChangeForm1 && PreviewForm1 && InfoForm1 && MessageForm1);
    for (QWidget* w : std::initializer_list<QWidget*>{ChangeForm1, PreviewForm1, InfoForm1, MessageForm1})
        EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(fw::Application()->MainForm(), ChangeForm1);
    EXPECT_EQ(ChangeForm1->windowTitle(), QStringLiteral("Pomi-Pomira AVI"));
    EXPECT_TRUE(ChangeForm1->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(ChangeForm1->size(), QSize(498, 294));
    EXPECT_EQ(MessageForm1->width(), 282);
}

TEST_F(StartupTest, FirstRunWithoutSettingsStartsTheListsAtTheirResetValues)
{
    Start();
    EXPECT_EQ(ChangeForm1->pos(), QPoint(20, 20));
    TConvertSettings s = ChangeForm1->Settings();
    EXPECT_EQ(s.OutputFolder(), TChangeForm1::DefaultOutputFolder());
    // The values the リセット button gives, so that the first run converts.
    EXPECT_EQ(s.OutputFormat(), conv::OutputFormat::Bmp);
    EXPECT_EQ(s.JpegQuality(), 3);
    EXPECT_EQ(s.Progressive(), false);
    EXPECT_EQ(s.ColorDepth(), conv::ColourDepth::Full);
    EXPECT_EQ(s.Brightness(), 0);
    EXPECT_EQ(s.Rotation(), conv::Rotation::None);
    EXPECT_EQ(s.ResizeMode(), conv::ResizeMode::None);
    EXPECT_FALSE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_FALSE(ChangeForm1->ComboBox2->isEnabled());
    EXPECT_FALSE(ChangeForm1->SpinEdit1->isEnabled());
    EXPECT_FALSE(ChangeForm1->SpinEdit2->isEnabled());
    EXPECT_EQ(s.ResizeWidth(), 320);
    EXPECT_EQ(s.ResizeHeight(), 240);
    EXPECT_EQ(s.SourceMode(), smMovie);
    EXPECT_EQ(ChangeForm1->BrowseEdit1->toolTip(), QStringLiteral(" 保存先パスの指定"));

    ChangeForm1->close();
    const std::string expected = "[SET0]\nM_TOP=20\nM_LEFT=20\n[SET1]\nPATH=" +
                                 TChangeForm1::DefaultOutputFolder().toStdString() +
                                 "\nFORMAT=0\nQUALLITY=3\nINTER=0\nCOLOR=4\nBRIGHT=10\nROTATE=0\nSIZE=0\n"
                                 "WIDTH=320\nHEIGHT=240\n";
    EXPECT_EQ(IniText(), expected);
}

TEST_F(StartupTest, EverySettingIsRestoredWithLowerCaseNamesAndHex)
{
    TempDir::Write(iniPath, "[set0]\nm_top=120\nm_left=0x40\n[Set1]\npath=/data/out\nformat=2\nquallity=7\n"
                            "inter=1\ncolor=$2\nbright=13\nrotate=3\nsize=3\nwidth=640\nheight=480\n");
    Start();
    EXPECT_EQ(ChangeForm1->pos(), QPoint(64, 120));
    TConvertSettings s = ChangeForm1->Settings();
    EXPECT_EQ(s.OutputFolder(), QStringLiteral("/data/out"));
    EXPECT_EQ(s.OutputFormat(), conv::OutputFormat::Jpeg);
    EXPECT_EQ(s.JpegQuality(), 7);
    EXPECT_EQ(s.Progressive(), true);
    EXPECT_EQ(s.ColorDepth(), conv::ColourDepth::Colours256);
    EXPECT_EQ(s.Brightness(), -3);
    EXPECT_EQ(ChangeForm1->ComboBox7->Text(), QStringLiteral("-3"));
    EXPECT_EQ(s.Rotation(), conv::Rotation::Clockwise270);
    EXPECT_EQ(s.ResizeMode(), conv::ResizeMode::Scale);
    EXPECT_EQ(s.ResizeWidth(), 640);
    EXPECT_EQ(s.ResizeHeight(), 480);
    // JPEG enables quality and save form; scale enables the scale field only.
    EXPECT_TRUE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_TRUE(ChangeForm1->ComboBox2->isEnabled());
    EXPECT_TRUE(ChangeForm1->Label5->isEnabled());
    EXPECT_TRUE(ChangeForm1->SpinEdit3->isEnabled());
    EXPECT_FALSE(ChangeForm1->SpinEdit1->isEnabled());
    EXPECT_EQ(ChangeForm1->Shape2->PenColor(), clFuchsia);
    EXPECT_EQ(ChangeForm1->Shape3->PenColor(), clSilver);
    EXPECT_EQ(ChangeForm1->Shape6->PenColor(), clFuchsia);
    EXPECT_EQ(ChangeForm1->Shape5->PenColor(), clFuchsia);
}

TEST_F(StartupTest, PngEnablesOnlyTheSaveForm)
{
    TempDir::Write(iniPath, "[SET1]\nFORMAT=4\n");
    Start();
    EXPECT_FALSE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_TRUE(ChangeForm1->ComboBox2->isEnabled());
    EXPECT_TRUE(ChangeForm1->ShadowLabel15->isEnabled());
}

TEST_F(StartupTest, BadValuesClampAndListValuesOutsideTheirListsStartAtTheResetValues)
{
    TempDir::Write(iniPath, "[SET1]\nWIDTH=0\nHEIGHT=12345\nFORMAT=7\nBRIGHT=-5\nCOLOR=abc\nROTATE=\nSIZE=-1\n"
                            "QUALLITY=9\nINTER=1\n");
    Start();
    TConvertSettings s = ChangeForm1->Settings();
    EXPECT_EQ(s.ResizeWidth(), 1);
    EXPECT_EQ(s.ResizeHeight(), 9999);
    EXPECT_EQ(s.OutputFormat(), conv::OutputFormat::Bmp);
    EXPECT_EQ(s.Brightness(), 0);
    EXPECT_EQ(s.ColorDepth(), conv::ColourDepth::Full);
    EXPECT_EQ(s.Rotation(), conv::Rotation::None);
    EXPECT_EQ(s.ResizeMode(), conv::ResizeMode::None);
    // Valid stored values are kept.
    EXPECT_EQ(s.JpegQuality(), 9);
    EXPECT_EQ(s.Progressive(), true);

    TempDir::Write(iniPath, "[SET1]\nWIDTH=wide\n");
    ChangeForm1->FormShow();
    EXPECT_EQ(s.ResizeWidth(), 1); // "wide" counts as absent: the field keeps what it has
}

TEST_F(StartupTest, AStoredFolderLosesItsTrailingSeparatorInTheFieldAndTheHint)
{
    TempDir::Write(iniPath, "[SET1]\nPATH=/home/写真/出力/\n");
    Start();
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/home/写真/出力"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->toolTip(), QStringLiteral("/home/写真/出力"));

    TempDir::Write(iniPath, "[SET1]\nPATH=\n");
    ChangeForm1->FormShow();
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QString());
}

TEST_F(StartupTest, AviArgumentsOpenInTurnAndOtherFilesAreSkipped)
{
    const std::string first = dir.File("first.avi"), second = dir.File("Second Clip.AVI"), picture = dir.File("p.bmp");
    ASSERT_TRUE(WriteAvi(first, AviSpec{}));
    ASSERT_TRUE(WriteAvi(second, AviSpec{"mjpeg", 32, 24, 8}));
    TempDir::Write(picture, "x");
    ChangeForm1->CommandLine = {QString::fromStdString(first), QString::fromStdString(second),
                                QString::fromStdString(dir.File("missing.avi")), QString::fromStdString(picture)};
    Start();
    EXPECT_EQ(ChangeForm1->Edit2->Filename(), QString::fromStdString(second));
    EXPECT_EQ(ChangeForm1->GKitMSPlay1->FileName(), QString::fromStdString(second));
    EXPECT_TRUE(ChangeForm1->SpinEdit4->isEnabled());
    EXPECT_EQ(ChangeForm1->GKitMSPlay1->Length(), 7);
    EXPECT_EQ(ChangeForm1->FadingLabel3->Caption(), QStringLiteral("32 x 24"));
}

TEST_F(StartupTest, PicturesOpenedWithTheProgramAreRegisteredInImageMode)
{
    const std::string a = dir.File("b.png"), b = dir.File("a photo.JPG"), notes = dir.File("notes.txt");
    for (const std::string& f : {a, b, notes})
        TempDir::Write(f, "x");
    ChangeForm1->CommandLine = {QString::fromStdString(a), QString::fromStdString(notes), QString::fromStdString(b),
                                QString::fromStdString(dir.File("missing.png"))};
    Start();
    EXPECT_TRUE(ChangeForm1->SSButton2->Down());
    EXPECT_FALSE(ChangeForm1->SSButton3->Down());
    ASSERT_EQ(ChangeForm1->ListBox1->Count(), 2);
    EXPECT_EQ(ChangeForm1->ListBox1->Item(0), QString::fromStdString(b)); // the list keeps its items sorted
    EXPECT_EQ(ChangeForm1->ListBox1->Item(1), QString::fromStdString(a));
}

TEST_F(StartupTest, AMovieAmongOpenedPicturesKeepsMovieMode)
{
    const std::string movie = dir.File("clip.avi"), picture = dir.File("p.png");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{}));
    TempDir::Write(picture, "x");
    ChangeForm1->CommandLine = {QString::fromStdString(picture), QString::fromStdString(movie)};
    Start();
    EXPECT_TRUE(ChangeForm1->SSButton3->Down());
    EXPECT_EQ(ChangeForm1->Edit2->Filename(), QString::fromStdString(movie));
    EXPECT_EQ(ChangeForm1->ListBox1->Count(), 0);
}

TEST_F(StartupTest, TheFirstCharacterPictureIsDrawnAndTheTimerAlternates)
{
    Start();
    const QImage& shown = ChangeForm1->Image1->Picture();
    ASSERT_EQ(shown.size(), QSize(50, 108));
    EXPECT_EQ(shown.pixel(25, 34), ChangeForm1->ImageList1[0].pixel(25, 34));
    EXPECT_EQ(ChangeForm1->AnimFrame, 0);
    ChangeForm1->Timer1Timer();
    EXPECT_EQ(ChangeForm1->AnimFrame, 1);
    ChangeForm1->Timer1Timer();
    EXPECT_EQ(ChangeForm1->AnimFrame, 0);
    EXPECT_EQ(ChangeForm1->Image1->Picture().pixel(25, 41), ChangeForm1->ImageList1[1].pixel(25, 41));
    EXPECT_TRUE(ChangeForm1->Timer1->isActive());
    EXPECT_EQ(ChangeForm1->Timer1->interval(), 300);
}

TEST_F(StartupTest, TheFirstRunWithoutASettingsFileConvertsWithTheResetValues)
{
    Start();
    const std::string movie = dir.File("sample.avi"), out = dir.File("out");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{"mjpeg", 64, 48, 12}));
    ChangeForm1->Edit2->setFilename(QString::fromStdString(movie));
    ChangeForm1->Settings().setOutputFolder(QString::fromStdString(out));
    AnswerNextQuestion(Reply::Yes);
    QTest::mouseClick(ChangeForm1->SSButton1, Qt::LeftButton);
    EXPECT_TRUE(errorsShown.isEmpty()) << errorsShown.join('\n').toStdString();
    int bmps = 0;
    for (const auto& e : std::filesystem::directory_iterator(out))
        bmps += e.path().extension() == ".bmp";
    EXPECT_EQ(bmps, 12);
}

TEST_F(StartupTest, ATypedFolderKeepsItsSeparatorsButTheTrailingOneOnLeaving)
{
    Start();
    QLineEdit* field = ChangeForm1->BrowseEdit1->Editor();
    field->clear();
    QTest::keyClicks(field, QStringLiteral("/home/me/out/"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/home/me/out/"));
    // Wherever the value is used, it comes without the trailing separator.
    EXPECT_EQ(ChangeForm1->Settings().OutputFolder(), QStringLiteral("/home/me/out"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->toolTip(), QStringLiteral("/home/me/out"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/home/me/out"));
    // "/" alone stays.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("/"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/"));
    // Set from code, the separator goes at once.
    ChangeForm1->Settings().setOutputFolder(QStringLiteral("/data/"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/data"));
}

TEST_F(StartupTest, AnUnwritableOutputFolderIsOneMessageWithItsReasonAndNothingIsTried)
{
    Start();
    const std::string movie = dir.File("sample.avi");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{"mjpeg", 64, 48, 6}));
    ChangeForm1->Edit2->setFilename(QString::fromStdString(movie));
    TempDir::Write(dir.File("plain"), "");
    const std::string readOnly = dir.File("ro");
    std::filesystem::create_directories(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    struct Blocked {
        std::string folder, reason;
    };
    std::vector<Blocked> cases = {{dir.File("plain/out"), "Not a directory"},
                                  {dir.File("plain/a/b"), "Not a directory"}};
    if (::geteuid() != 0) // root writes into read-only folders
        cases.push_back({readOnly, "Permission denied"});
    for (const Blocked& c : cases) {
        errorsShown.clear();
        ChangeForm1->Settings().setOutputFolder(QString::fromStdString(c.folder));
        AnswerNextQuestion(Reply::Yes);
        QTest::mouseClick(ChangeForm1->SSButton1, Qt::LeftButton);
        ASSERT_EQ(errorsShown.size(), 1) << c.folder;
        EXPECT_TRUE(errorsShown[0].startsWith(QString::fromStdString(c.folder + " に書き込めません: " + c.reason)))
            << errorsShown[0].toStdString();
    }
    EXPECT_TRUE(std::filesystem::is_empty(readOnly));
}
