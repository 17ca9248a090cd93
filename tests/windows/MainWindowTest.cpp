// The main window's handlers: questions, closing, drops, modes, reset, fields.
#include "windows/AskMessage.h"
#include "media/movie/AviWriter.h"
#include "support/FolderTree.h"
#include "support/MainWindowFixture.h"
#include "support/TruthMovie.h"
#include "widgets/FileOpenEdit.h"
#include "windows/InfoWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>
#include <QCursor>
#include <QDir>
#include <QTransform>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

class MainWindowTest : public MainWindowFixture {
protected:
    static void ClickButton(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // A small real movie in the scratch folder.
    QString Movie(const std::string& name, int frames = 20)
    {
        const std::string path = dir.File(name);
        AviSpec movie;
        movie.frames = frames;
        EXPECT_TRUE(WriteAvi(path, movie));
        return QString::fromStdString(path);
    }
    // Picks entry `index` the way a user does, with the keyboard on the closed list.
    static void Choose(fw::TComboBox* list, int index)
    {
        ASSERT_TRUE(list->isEnabled());
        list->setFocus();
        for (int guard = 0; guard < 50 && list->ItemIndex() < index; ++guard)
            QTest::keyClick(list, Qt::Key_Down);
        for (int guard = 0; guard < 50 && list->ItemIndex() > index; ++guard)
            QTest::keyClick(list, Qt::Key_Up);
        ASSERT_EQ(list->ItemIndex(), index);
    }
};

TEST_F(MainWindowTest, CloseAnsweredYesStaysAndWritesNothing)
{
    Start();
    int asked = -1;
    AnswerNextQuestion(Reply::Yes, &asked);
    ClickButton(ChangeForm1->SSButton8);
    EXPECT_EQ(asked, 4);
    EXPECT_TRUE(ChangeForm1->isVisible());
    EXPECT_FALSE(fw::Application()->Terminated());
    EXPECT_EQ(MessageForm1->Answer, 0);
    EXPECT_FALSE(std::filesystem::exists(iniPath));
}

TEST_F(MainWindowTest, CloseAnsweredOtherwiseSavesAndEnds)
{
    for (Reply reply : {Reply::No, Reply::CloseWindow}) {
        std::filesystem::remove(iniPath);
        Start();
        AnswerNextQuestion(reply);
        ClickButton(ChangeForm1->SSButton8);
        EXPECT_FALSE(ChangeForm1->isVisible());
        EXPECT_TRUE(fw::Application()->Terminated());
        EXPECT_NE(IniText().find("[SET1]\nPATH="), std::string::npos);
        fw::Application()->ClearTerminated();
    }
}

TEST_F(MainWindowTest, ClosingAfterAResetWritesTheWholeSettingsFile)
{
    Start();
    AnswerNextQuestion(Reply::Yes);
    ClickButton(ChangeForm1->SSButton33);
    ChangeForm1->close();
    EXPECT_EQ(IniText(), "[SET0]\nM_TOP=20\nM_LEFT=20\n[SET1]\nPATH=" +
                             TChangeForm1::DefaultOutputFolder().toStdString() +
                             "\nFORMAT=0\nQUALLITY=3\nINTER=0\nCOLOR=4\nBRIGHT=10\nROTATE=0\nSIZE=0\n"
                             "WIDTH=320\nHEIGHT=240\n");
}

TEST_F(MainWindowTest, ClosingKeepsUnknownLinesOfTheSettingsFile)
{
    TempDir::Write(iniPath, "; written by hand\n[SET0]\nM_TOP=33\nCOLOUR_THEME=dark\n[Other]\nx=1\n");
    Start();
    ChangeForm1->close();
    const std::string text = IniText();
    EXPECT_EQ(text.rfind("; written by hand\n[SET0]\nM_TOP=33\nCOLOUR_THEME=dark\nM_LEFT=20\n[Other]\nx=1\n[SET1]\n", 0),
              0u)
        << text;
}

TEST_F(MainWindowTest, AFailedSaveIsReportedAndTheWindowStillCloses)
{
    TempDir::Write(dir.File("plain"), "a file where the settings folder would be");
    ChangeForm1->SettingsFileName = QString::fromStdString(dir.File("plain/folder/Pomi_Pomira.ini"));
    Start();
    QStringList shown;
    auto previous = fw::SetErrorDisplay([&](const QString& text) { shown << text; });
    ChangeForm1->close();
    fw::SetErrorDisplay(previous);
    EXPECT_EQ(shown, QStringList{ChangeForm1->SettingsFileName + QStringLiteral(" に書き込めません")});
    EXPECT_FALSE(ChangeForm1->isVisible());
}

TEST_F(MainWindowTest, ResetSetsTheDefaultsAndLeavesSourceAndFolderAlone)
{
    Start();
    TConvertSettings s = ChangeForm1->Settings();
    Choose(ChangeForm1->ComboBox1, conv::PositionOf(conv::OutputFormat::Png));
    Choose(ChangeForm1->ComboBox4, conv::PositionOf(conv::ColourDepth::Colours256));
    Choose(ChangeForm1->ComboBox6, conv::PositionOf(conv::ResizeMode::Scale));
    s.setScalePercent(50);
    s.setOutputFolder(QStringLiteral("/srv/frames"));
    ChangeForm1->ListBox1->AddItem(QStringLiteral("/p/a.png"));

    AnswerNextQuestion(Reply::No);
    ClickButton(ChangeForm1->SSButton33);
    EXPECT_EQ(s.OutputFormat(), conv::OutputFormat::Png);

    int asked = -1;
    AnswerNextQuestion(Reply::Yes, &asked);
    ClickButton(ChangeForm1->SSButton33);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(s.OutputFormat(), conv::OutputFormat::Bmp);
    EXPECT_EQ(s.JpegQuality(), 3);
    EXPECT_EQ(s.Progressive(), false);
    EXPECT_EQ(s.ColorDepth(), conv::ColourDepth::Full);
    EXPECT_EQ(s.Brightness(), 0);
    EXPECT_EQ(s.Rotation(), conv::Rotation::None);
    EXPECT_EQ(s.ResizeMode(), conv::ResizeMode::None);
    EXPECT_EQ(s.ResizeWidth(), 320);
    EXPECT_EQ(s.ResizeHeight(), 240);
    EXPECT_EQ(s.ScalePercent(), 100);
    EXPECT_FALSE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_FALSE(ChangeForm1->ComboBox2->isEnabled());
    EXPECT_FALSE(ChangeForm1->SpinEdit3->isEnabled());
    EXPECT_EQ(ChangeForm1->Shape2->PenColor(), clSilver);
    EXPECT_EQ(s.OutputFolder(), QStringLiteral("/srv/frames"));
    EXPECT_EQ(s.ImageFiles(), QStringList{QStringLiteral("/p/a.png")});
    EXPECT_FALSE(std::filesystem::exists(iniPath));
}

TEST_F(MainWindowTest, FormatChoiceEnablesItsFieldsButSelectingFromCodeDoesNot)
{
    Start();
    ChangeForm1->ComboBox3->setItemIndex(5); // a disabled list still holds a selection
    Choose(ChangeForm1->ComboBox1, conv::PositionOf(conv::OutputFormat::Jpeg));
    EXPECT_TRUE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_TRUE(ChangeForm1->ComboBox2->isEnabled());
    Choose(ChangeForm1->ComboBox1, conv::PositionOf(conv::OutputFormat::Png));
    EXPECT_FALSE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_TRUE(ChangeForm1->ComboBox2->isEnabled());
    Choose(ChangeForm1->ComboBox1, conv::PositionOf(conv::OutputFormat::Webp)); // lossy, never interlaced
    EXPECT_TRUE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_FALSE(ChangeForm1->ComboBox2->isEnabled());
    Choose(ChangeForm1->ComboBox1, conv::PositionOf(conv::OutputFormat::Bmp));
    EXPECT_FALSE(ChangeForm1->ComboBox3->isEnabled());
    EXPECT_FALSE(ChangeForm1->ComboBox2->isEnabled());
    EXPECT_EQ(ChangeForm1->ComboBox3->ItemIndex(), 5);

    ChangeForm1->ComboBox1->setItemIndex(conv::PositionOf(conv::OutputFormat::Jpeg));
    EXPECT_FALSE(ChangeForm1->ComboBox3->isEnabled());
}

TEST_F(MainWindowTest, EachListShowsItsEntriesAndEachEntryMeansWhatItSays)
{
    Start();
    const auto entries = [](fw::TComboBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
        return texts;
    };
    EXPECT_EQ(entries(ChangeForm1->ComboBox1),
              (QStringList{"BMP形式", "TIFF形式", "JPEG形式", "PCX形式", "PNG形式", "WebP形式"}));
    EXPECT_EQ(entries(ChangeForm1->ComboBox2), (QStringList{"ﾍﾞｰｽﾗｲﾝ/ﾉﾝｲﾝﾀｰﾚｰｽ", "ﾌﾟﾛｸﾞﾚｯｼﾌﾞ/ｲﾝﾀｰﾚｰｽ"}));
    EXPECT_EQ(entries(ChangeForm1->ComboBox4), (QStringList{"2色", "16色", "256色", "ｸﾞﾚｰｽｹｰﾙ", "ﾌﾙｶﾗｰ"}));
    EXPECT_EQ(entries(ChangeForm1->ComboBox5), (QStringList{"そのまま", "90度", "180度", "270度"}));
    EXPECT_EQ(entries(ChangeForm1->ComboBox6),
              (QStringList{"そのまま", "ﾋﾟｸｾﾙ指定", "ﾋﾟｸｾﾙ指定-余白伸し", "倍率指定"}));
    const QStringList qualities = entries(ChangeForm1->ComboBox3);
    ASSERT_EQ(qualities.size(), 10);
    EXPECT_EQ(qualities[0], "0-低画質(高圧縮率)");
    EXPECT_EQ(qualities[3], "3-標準");
    EXPECT_EQ(qualities[6], "6-高画質");
    EXPECT_EQ(qualities[9], "9-最高画質(低圧縮率)");

    // What a run takes from each entry is what the entry reads: the quality its
    // leading digit, the brightness the step it shows, the rotation its degrees.
    TConvertSettings s = ChangeForm1->Settings();
    for (int i = 0; i < 10; ++i) {
        ChangeForm1->ComboBox3->setItemIndex(i);
        EXPECT_EQ(ChangeForm1->PictureSettingsShown().jpegQuality.step, qualities[i].left(1).toInt());
    }
    ASSERT_EQ(ChangeForm1->ComboBox7->count(), 21);
    for (int i = 0; i < 21; ++i) {
        ChangeForm1->ComboBox7->setItemIndex(i);
        const QString text = ChangeForm1->ComboBox7->Text();
        const int step = text == "そのまま" ? 0 : text.toInt();
        EXPECT_EQ(ChangeForm1->PictureSettingsShown().brightness, step) << text.toStdString();
        EXPECT_EQ(i == 10, text == "そのまま");
    }
    EXPECT_EQ(ChangeForm1->ComboBox7->itemText(0), "+10");
    EXPECT_EQ(ChangeForm1->ComboBox7->itemText(20), "-10");
    const int clockwise[] = {0, 90, 180, 270};
    for (int i = 0; i < 4; ++i) {
        ChangeForm1->ComboBox5->setItemIndex(i);
        EXPECT_EQ(conv::EntryOf(conv::kRotations, ChangeForm1->PictureSettingsShown().rotation).clockwise, clockwise[i]);
    }
    ChangeForm1->ComboBox2->setItemIndex(1);
    EXPECT_TRUE(ChangeForm1->PictureSettingsShown().progressive);
    ChangeForm1->ComboBox4->setItemIndex(3);
    EXPECT_EQ(s.ColorDepth(), conv::ColourDepth::Grey);
    ChangeForm1->ComboBox4->setItemIndex(-1);
    EXPECT_EQ(ChangeForm1->PictureSettingsShown().colourDepth, std::nullopt); // each picture keeps its own
}

TEST_F(MainWindowTest, ResizeChoiceEnablesItsRowAndColoursTheConnectors)
{
    Start();
    Choose(ChangeForm1->ComboBox6, conv::PositionOf(conv::ResizeMode::Stretch));
    EXPECT_TRUE(ChangeForm1->SpinEdit1->isEnabled());
    EXPECT_TRUE(ChangeForm1->SpinEdit2->isEnabled());
    EXPECT_TRUE(ChangeForm1->ShadowLabel7->isEnabled());
    EXPECT_FALSE(ChangeForm1->SpinEdit3->isEnabled());
    EXPECT_EQ(ChangeForm1->Shape2->PenColor(), clFuchsia);
    EXPECT_EQ(ChangeForm1->Shape3->PenColor(), clFuchsia);
    EXPECT_EQ(ChangeForm1->Shape6->PenColor(), clSilver);
    // The connector really shows in magenta.
    const QImage shot = ChangeForm1->grab().toImage();
    EXPECT_EQ(shot.pixelColor(329, 195), QColor(255, 0, 255));
    EXPECT_EQ(shot.pixelColor(329, 220), QColor(192, 192, 192));

    Choose(ChangeForm1->ComboBox6, conv::PositionOf(conv::ResizeMode::None));
    EXPECT_FALSE(ChangeForm1->SpinEdit1->isEnabled());
    EXPECT_FALSE(ChangeForm1->SpinEdit3->isEnabled());
    for (auto* shape : {ChangeForm1->Shape2, ChangeForm1->Shape3, ChangeForm1->Shape6, ChangeForm1->Shape5})
        EXPECT_EQ(shape->PenColor(), clSilver);
}

TEST_F(MainWindowTest, ImageDropsKeepImagesSortedWithDuplicatesAndIgnoreTheRest)
{
    Start();
    ClickButton(ChangeForm1->SSButton2);
    ASSERT_EQ(ChangeForm1->Settings().SourceMode(), smImages);
    Drop({QStringLiteral("/p/Zebra.JPG"), QStringLiteral("/p/notes.txt"), QStringLiteral("/p/apple.png"),
          QStringLiteral("/p/folder"), QStringLiteral("/p/clip.avi")});
    Drop({QStringLiteral("/p/apple.png"), QStringLiteral("/q/Mango.Tiff"), QStringLiteral("/q/b.jpe")});
    EXPECT_EQ(ChangeForm1->Settings().ImageFiles(),
              (QStringList{QStringLiteral("/p/apple.png"), QStringLiteral("/p/apple.png"), QStringLiteral("/p/Zebra.JPG"),
                           QStringLiteral("/q/b.jpe"), QStringLiteral("/q/Mango.Tiff")}));
    EXPECT_EQ(ChangeForm1->Edit2->Filename(), QString());

    ClickButton(ChangeForm1->SSButton11);
    EXPECT_EQ(ChangeForm1->ListBox1->Count(), 0);
}

// A folder dropped on the image list brings every picture in it and its sub-folders;
// what is not taken (links out of it, a loop, a name that is not UTF-8) is said once.
TEST_F(MainWindowTest, AFolderDroppedOnTheImageListBringsItsPicturesAndSaysWhatItLeft)
{
    Start();
    ClickButton(ChangeForm1->SSButton2);
    const FolderTree tree = MakeFolderTree(dir, "not read here");
    Drop({QString::fromStdString(tree.root)});
    QStringList expected;
    for (const std::string& picture : tree.pictures)
        if (picture.rfind("bad", 0) != 0)
            expected << QString::fromStdString(tree.root + "/" + picture);
    QStringList listed = ChangeForm1->Settings().ImageFiles();
    expected.sort();
    listed.sort();
    EXPECT_EQ(listed, expected);
    ASSERT_EQ(errorsShown.size(), 1);
    for (const std::string& refused : tree.passedOver)
        EXPECT_TRUE(errorsShown[0].contains(QString::fromStdString(tree.root + "/" + refused + ": ")))
            << errorsShown[0].toStdString();
    EXPECT_TRUE(errorsShown[0].contains(QStringLiteral("bad"))) << "the name that is not UTF-8";
}

// A long path loses its middle, never its file name; the entry and its hint keep
// the whole path.
TEST_F(MainWindowTest, TheImageListShowsEachFilesNameAndItsHintTheWholePath)
{
    Start();
    ClickButton(ChangeForm1->SSButton2);
    const QString shortPath = QStringLiteral("/p/a.png");
    const QString longPath = QStringLiteral("/home/someone/Pictures/holidays/2026/the long trip to the sea/pics/plasma.bmp");
    Drop({longPath, shortPath});
    fw::TListBox* list = ChangeForm1->ListBox1;
    ASSERT_EQ(list->Items(), (QStringList{longPath, shortPath}));
    EXPECT_EQ(list->ShownText(1), shortPath);
    const QString shown = list->ShownText(0);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("plasma.bmp"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(list->fontMetrics().horizontalAdvance(shown), list->viewport()->width());
    EXPECT_EQ(list->item(0)->toolTip(), longPath);

    // A picture's hint adds what its header tells (the size as shown: this one is
    // stored 1024 × 722 and turned by its boxes), read when the hint is first asked for.
    const QString avif = QStringLiteral(POMI_SOURCE_DIR "/tests/data/public/avif/kimono.rotate90.avif");
    Drop({avif});
    const QListWidgetItem* picture = list->findItems(avif, Qt::MatchExactly).value(0);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->toolTip().toStdString(), (avif + QStringLiteral("\n722 × 1024 ・ AVIF ・ 24ビット")).toStdString());
}

TEST_F(MainWindowTest, MovieDropsOpenEachAviInTurnAndIgnoreImages)
{
    Start();
    const QString first = Movie("first.avi", 12), second = Movie("日本語 の clip.AVI", 30);
    Drop({first, QStringLiteral("/m/photo.png"), second});
    EXPECT_EQ(ChangeForm1->Settings().MovieFile(), second);
    EXPECT_EQ(ChangeForm1->GKitMSPlay1->Length(), 29);
    EXPECT_EQ(ChangeForm1->ListBox1->Count(), 0);
    EXPECT_TRUE(errorsShown.isEmpty());
}

// A phone's movie (MP4, H.264 with B-frames, turned by its display matrix) is taken
// by a drop and by the dialog's filter, and the run cuts the pictures a player shows,
// upright, named after the movie.
TEST_F(MainWindowTest, AnMp4IsDroppedPickedThroughTheFilterAndConvertedUpright)
{
    if (!HaveFfmpeg() || !HasEncoder("libx264"))
        GTEST_SKIP() << "the ffmpeg program or its H.264 encoder is missing";
    Start();
    const SourceMovie source = MakeSource(64, 48, 12);
    const std::string coded = dir.File("coded.mp4"), phone = dir.File("Phone Clip.MP4");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, coded, {"-c:v", "libx264", "-bf", "2", "-g", "6", "-crf", "12"}, error)) << error;
    ASSERT_TRUE(RunFfmpeg({"-i", coded, "-c", "copy", "-metadata:s:v:0", "rotate=90", phone}, error)) << error;

    // The dialog's first filter shows it (and every other movie name, in either case).
    const QStringList filters = DialogFilter(ChangeForm1->Edit2->Filter()).split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 2);
    const QString movies = filters[0].section(QLatin1Char('('), 1).chopped(1);
    for (const QString& name : {QStringLiteral("Phone Clip.MP4"), QStringLiteral("a.mov"), QStringLiteral("b.mkv"),
                               QStringLiteral("c.webm"), QStringLiteral("d.ts"), QStringLiteral("e.avi")})
        EXPECT_TRUE(QDir::match(movies, name)) << name.toStdString();
    EXPECT_TRUE(QDir::match(filters[1].section(QLatin1Char('('), 1).chopped(1), QStringLiteral("E.AVI")));

    Drop({QString::fromStdString(phone)});
    ASSERT_EQ(ChangeForm1->Settings().MovieFile(), QString::fromStdString(phone));
    EXPECT_EQ(ChangeForm1->GKitMSPlay1->Length(), 11);
    // Turned a quarter counter-clockwise by its matrix, as players show it.
    EXPECT_EQ(ChangeForm1->FadingLabel3->Caption(), QStringLiteral("48 x 64"));
    const std::string out = dir.File("out");
    ChangeForm1->Settings().setOutputFolder(QString::fromStdString(out));
    ChangeForm1->Settings().setFrameStep(5);
    AnswerNextQuestion(Reply::Yes);
    ClickButton(ChangeForm1->SSButton1);
    ASSERT_TRUE(errorsShown.isEmpty()) << errorsShown.join(QLatin1Char('\n')).toStdString();
    for (int frame : {0, 5, 10}) {
        char name[32];
        std::snprintf(name, sizeof name, "/Phone Clip_%05d.bmp", frame);
        const QImage picture(QString::fromStdString(out + name));
        ASSERT_EQ(picture.size(), QSize(48, 64)) << name;
        // Turned back, the picture is its source frame.
        const QImage upright = picture.transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_RGB888);
        std::vector<std::uint8_t> rgb;
        for (int y = 0; y < upright.height(); ++y)
            rgb.insert(rgb.end(), upright.constScanLine(y), upright.constScanLine(y) + upright.width() * 3);
        EXPECT_EQ(MatchFrame(source, rgb.data(), frame).best, frame) << name;
    }
}

TEST_F(MainWindowTest, AMovieThatCannotBeOpenedIsReportedByNameAndLeavesTheControlEmpty)
{
    Start();
    Drop({QStringLiteral("/m/missing.avi")});
    ASSERT_EQ(errorsShown.size(), 1);
    EXPECT_TRUE(errorsShown[0].startsWith(QStringLiteral("/m/missing.avi: "))) << errorsShown[0].toStdString();
    EXPECT_EQ(ChangeForm1->GKitMSPlay1->Length(), 0);
    EXPECT_EQ(ChangeForm1->GKitMSPlay1->MovieWidth(), 0);
    EXPECT_EQ(ChangeForm1->FadingLabel2->Caption(), QStringLiteral("全0ﾌﾚｰﾑ"));
}

TEST_F(MainWindowTest, OpeningAMovieShowsItsFramesSizeRangeAndThumbnails)
{
    Start();
    ChangeForm1->Edit2->setFilename(Movie("clip.avi", 100));
    TConvertSettings s = ChangeForm1->Settings();
    EXPECT_EQ(ChangeForm1->FadingLabel2->Caption(), QStringLiteral("全100ﾌﾚｰﾑ"));
    EXPECT_EQ(ChangeForm1->FadingLabel3->Caption(), QStringLiteral("64 x 48"));
    EXPECT_EQ(s.StartFrame(), 0);
    EXPECT_EQ(s.EndFrame(), 99);
    EXPECT_EQ(s.FrameStep(), 1);
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("100"));
    EXPECT_TRUE(ChangeForm1->SpinEdit4->isEnabled() && ChangeForm1->SpinEdit5->isEnabled());
    const auto colourAt = [](const QImage& img, int frame) {
        const auto c = FrameColour(frame);
        const QColor got = img.pixelColor(0, 0);
        return std::abs(got.red() - c[0]) < 10 && std::abs(got.green() - c[1]) < 10 && std::abs(got.blue() - c[2]) < 10;
    };
    EXPECT_TRUE(colourAt(ChangeForm1->Image2->Picture(), 0));
    EXPECT_TRUE(colourAt(ChangeForm1->Image3->Picture(), 99));
    // Their balloon hints say when the frames are shown (25 a second).
    EXPECT_EQ(ChangeForm1->Image3->toolTip(), QStringLiteral("00:00:03.960"));

    s.setStartFrame(10);
    EXPECT_TRUE(colourAt(ChangeForm1->Image2->Picture(), 10));
    EXPECT_EQ(ChangeForm1->Image2->toolTip(), QStringLiteral("00:00:00.400"));
    s.setFrameStep(10);
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("9"));
    ChangeForm1->SpinEdit6->setText(QStringLiteral("0")); // typed, not yet left
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("90"));
    s.setFrameStep(60);
    s.setStartFrame(0);
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("2"));
}

TEST_F(MainWindowTest, TheFrameRangeStaysConsistentWhileTyping)
{
    Start();
    ChangeForm1->Edit2->setFilename(Movie("clip.avi", 100));
    TConvertSettings s = ChangeForm1->Settings();
    s.setStartFrame(10);
    ChangeForm1->SpinEdit5->setText(QStringLiteral("5")); // typed: below the start
    EXPECT_EQ(s.EndFrame(), 10);
    s.setEndFrame(99);
    ChangeForm1->SpinEdit4->setText(QStringLiteral("120")); // typed: beyond the end
    EXPECT_EQ(s.StartFrame(), 99);
    s.setStartFrame(10);
    s.setFrameStep(10);
    EXPECT_EQ(ChangeForm1->ShadowLabel14->Caption(), QStringLiteral("9"));
    // The end can no longer be set below the start, nor the start above the end.
    EXPECT_EQ(ChangeForm1->SpinEdit5->MinValue(), 10);
    EXPECT_EQ(ChangeForm1->SpinEdit4->MaxValue(), 99);
}

TEST_F(MainWindowTest, SwitchingModesKeepsBothSources)
{
    Start();
    const QString movie = Movie("clip.avi");
    Drop({movie});
    ClickButton(ChangeForm1->SSButton2);
    EXPECT_TRUE(ChangeForm1->SSButton2->Down());
    EXPECT_FALSE(ChangeForm1->SSButton3->Down());
    EXPECT_TRUE(ChangeForm1->ListBox1->isVisible());
    EXPECT_TRUE(ChangeForm1->Panel20->isVisible());
    EXPECT_FALSE(ChangeForm1->GKitMSPlay1->isVisible());
    EXPECT_EQ(ChangeForm1->FadingLabel1->Caption(), QStringLiteral("変換元のBMP,TIFF,JPEG,PCX,PNG,WebP,HEIF,AVIFﾌｧｲﾙ"));
    EXPECT_EQ(ChangeForm1->Timer1->interval(), 1000);
    Drop({QStringLiteral("/p/a.bmp")});

    ClickButton(ChangeForm1->SSButton3);
    EXPECT_TRUE(ChangeForm1->SSButton3->Down());
    EXPECT_FALSE(ChangeForm1->SSButton2->Down());
    EXPECT_FALSE(ChangeForm1->ListBox1->isVisible());
    EXPECT_TRUE(ChangeForm1->GKitMSPlay1->isVisible());
    EXPECT_EQ(ChangeForm1->FadingLabel1->Caption(), QStringLiteral("変換元のAVIﾌｧｲﾙ"));
    EXPECT_EQ(ChangeForm1->Timer1->interval(), 300);
    EXPECT_EQ(ChangeForm1->Settings().MovieFile(), movie);
    EXPECT_EQ(ChangeForm1->Settings().ImageFiles(), QStringList{QStringLiteral("/p/a.bmp")});

    // Pressing the button that is already down keeps that mode.
    ClickButton(ChangeForm1->SSButton3);
    EXPECT_TRUE(ChangeForm1->SSButton3->Down());
    EXPECT_EQ(ChangeForm1->Settings().SourceMode(), smMovie);
}

TEST_F(MainWindowTest, TheFolderFieldDropsOneTrailingSeparatorAndShowsTheFolderAsItsHint)
{
    Start();
    ChangeForm1->BrowseEdit1->setPath(QStringLiteral("/srv/出力/"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/srv/出力"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->toolTip(), QStringLiteral("/srv/出力"));
    ChangeForm1->BrowseEdit1->setPath(QStringLiteral("/"));
    EXPECT_EQ(ChangeForm1->BrowseEdit1->Path(), QStringLiteral("/"));
}

TEST_F(MainWindowTest, TheMessageWindowOpensAtTheMouseAndStaysOnScreenAtTheRightEdge)
{
    EXPECT_EQ(MessageWindowPosition(QPoint(100, 50), 1024, 282), QPoint(102, 56));
    EXPECT_EQ(MessageWindowPosition(QPoint(800, 50), 1024, 282), QPoint(742, 56));
    EXPECT_EQ(MessageWindowPosition(QPoint(740, 700), 1024, 282), QPoint(742, 706)); // bottom not considered
    EXPECT_EQ(MessageWindowPosition(QPoint(741, 0), 1024, 282), QPoint(742, 6));

    Start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCursor::setPos(screen.right() - 10, 40);
    if (QCursor::pos() != QPoint(screen.right() - 10, 40))
        GTEST_SKIP() << "this platform cannot place the pointer";
    QPoint shownAt;
    auto* watch = new QTimer;
    QObject::connect(watch, &QTimer::timeout, [&, watch] {
        if (MessageForm1->isVisible()) {
            shownAt = MessageForm1->pos();
            watch->stop();
        }
    });
    watch->start(2);
    AnswerNextQuestion(Reply::No);
    ClickButton(ChangeForm1->SSButton6);
    delete watch;
    EXPECT_EQ(shownAt, QPoint(screen.x() + screen.width() - 282, 46));
}

// The guide opens in the desktop's viewer (a stand-in xdg-open first on PATH, which
// notes what it was asked and answers with the status a desktop would), only on Yes;
// a guide that cannot be opened is a message with the reason, not silence.
TEST_F(MainWindowTest, TheGuideOpensOnlyOnYesAndOneThatCannotBeOpenedSaysWhy)
{
    Start();
    TempDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.Path()) + ":" + oldPath);
    const std::string asked = bin.File("asked");
    const auto opener = [&](int status) {
        TempDir::Write(bin.File("xdg-open"), "#!/bin/sh\nprintf '%s' \"$1\" >> '" + asked + "'\nexit " +
                                                 std::to_string(status) + "\n");
        std::filesystem::permissions(bin.File("xdg-open"), std::filesystem::perms::owner_all);
    };
    const QString guide = QString::fromStdString(dir.File("Readme.txt"));
    struct Case {
        bool guideThere;
        int status;
        QString message; // what the window says, empty for nothing
    };
    for (const Case& c : {Case{true, 0, {}}, Case{true, 3, guide + " を開けません: 開くためのプログラムが見つかりません"},
                          Case{true, 4, guide + " を開けません: 開くためのプログラムが失敗しました (xdg-open 4)"},
                          Case{false, 0, guide + " を開けません: ファイルがありません"}}) {
        SCOPED_TRACE(c.status);
        errorsShown.clear();
        std::filesystem::remove(asked);
        if (c.guideThere)
            TempDir::Write(guide.toStdString(), "guide");
        else
            std::filesystem::remove(guide.toStdString());
        opener(c.status);
        AnswerNextQuestion(Reply::No);
        ClickButton(ChangeForm1->SSButton6);
        QTest::qWait(50);
        EXPECT_FALSE(std::filesystem::exists(asked));
        AnswerNextQuestion(Reply::Yes);
        ClickButton(ChangeForm1->SSButton6);
        EXPECT_EQ(MessageForm1->Answer, 0);
        if (c.guideThere) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(asked); }, 5000));
        }
        QTest::qWait(100); // the opener's end is reported
        EXPECT_EQ(errorsShown, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (c.guideThere) {
            EXPECT_EQ(TempDir::Read(asked), guide.toStdString());
        }
    }
    qputenv("PATH", oldPath);
}

TEST_F(MainWindowTest, InfoShowsTheAboutWindowModallyAndMinimiseMinimises)
{
    Start();
    bool wasShown = false;
    QTimer::singleShot(20, [&] {
        wasShown = InfoForm1->isVisible() && InfoForm1->Modal();
        QTest::mouseClick(InfoForm1->SpeedButton2, Qt::LeftButton);
    });
    ClickButton(ChangeForm1->SSButton5);
    EXPECT_TRUE(wasShown);
    EXPECT_FALSE(InfoForm1->isVisible());

    ClickButton(ChangeForm1->SSButton7);
    EXPECT_TRUE(ChangeForm1->windowState() & Qt::WindowMinimized);
}

TEST_F(MainWindowTest, PressingAFreeSpotDragsTheWindow)
{
    Start();
    const QPoint before = ChangeForm1->pos();
    // On the title bar's gradient: drawn on the window, so the press is the window's.
    QWidget* target = ChangeForm1->childAt(QPoint(300, 8));
    EXPECT_TRUE(target == nullptr) << "a control took the press";
    const QPoint local(300, 8);
    const QPoint global = ChangeForm1->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ChangeForm1, &press);
    QMouseEvent move(QEvent::MouseMove, local + QPoint(30, 15), global + QPoint(30, 15), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(ChangeForm1, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + QPoint(30, 15), global + QPoint(30, 15), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ChangeForm1, &release);
    EXPECT_EQ(ChangeForm1->pos(), before + QPoint(30, 15));
}

TEST_F(MainWindowTest, ThePreviewOpensOnlyWithAMovieAndPlaysTheMainViewWhenClosed)
{
    Start();
    ChangeForm1->GKitMSPlay1Click();
    EXPECT_FALSE(PreviewForm1->isVisible());

    const QString movie = Movie("clip.avi");
    Drop({movie});
    ChangeForm1->GKitMSPlay1Click();
    EXPECT_TRUE(PreviewForm1->isVisible());
    EXPECT_EQ(PreviewForm1->windowTitle(), QStringLiteral("Preview - ") + movie);
    EXPECT_EQ(PreviewForm1->GKitMSPlay1->FileName(), movie);
    EXPECT_FALSE(ChangeForm1->GKitMSPlay1->Playing());
    PreviewForm1->close();
    EXPECT_FALSE(PreviewForm1->isVisible());
    EXPECT_TRUE(ChangeForm1->GKitMSPlay1->Playing());
    EXPECT_FALSE(PreviewForm1->GKitMSPlay1->Playing());
}

TEST_F(MainWindowTest, FocusMovesThroughTheFieldsInLayoutOrder)
{
    Start();
    ChangeForm1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ChangeForm1));
    Choose(ChangeForm1->ComboBox1, conv::PositionOf(conv::OutputFormat::Jpeg));
    Choose(ChangeForm1->ComboBox6, conv::PositionOf(conv::ResizeMode::Fit));
    ChangeForm1->Edit2->setFocus();
    QStringList order;
    for (int i = 0; i < 12; ++i) {
        QWidget* w = QApplication::focusWidget();
        while (w && w->parentWidget() != ChangeForm1)
            w = w->parentWidget();
        order << (w ? w->objectName() : QStringLiteral("?"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Frame fields are disabled until a movie opens; the scale field until scale is chosen.
    EXPECT_EQ(order, (QStringList{"Edit2", "ComboBox1", "ComboBox3", "ComboBox2", "ComboBox4", "ComboBox7", "ComboBox5",
                                  "ComboBox6", "SpinEdit1", "SpinEdit2", "BrowseEdit1", "GKitMSPlay1"}));
}


namespace {
// How many pixels of a list's closed box are text-white (the field is silver).
int WhitePixels(QWidget* control)
{
    const QImage img = control->grab().toImage();
    int white = 0;
    for (int y = 3; y < img.height() - 3; ++y)
        for (int x = 3; x < img.width() - 20; ++x)
            white += qGray(img.pixel(x, y)) >= 245;
    return white;
}
} // namespace

TEST_F(MainWindowTest, ADisabledListLooksDisabledAndAnOpenListHasItsOwnFontAndColours)
{
    Start();
    ASSERT_FALSE(ChangeForm1->ComboBox3->isEnabled());
    ASSERT_TRUE(ChangeForm1->ComboBox1->isEnabled());
    EXPECT_GT(WhitePixels(ChangeForm1->ComboBox1), 20); // white text
    EXPECT_EQ(WhitePixels(ChangeForm1->ComboBox3), 0);  // greyed text
    // The drop-down shows the list's white 11-pixel text on silver, as list entries.
    ChangeForm1->ComboBox1->showPopup();
    QAbstractItemView* popup = ChangeForm1->ComboBox1->view();
    for (QWidget* w : {static_cast<QWidget*>(popup), popup->parentWidget()}) {
        EXPECT_EQ(w->font().pixelSize(), 11);
        EXPECT_EQ(w->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::white));
        EXPECT_EQ(w->palette().color(QPalette::Active, QPalette::Base), QColor(192, 192, 192));
    }
    EXPECT_NE(qobject_cast<QStyledItemDelegate*>(popup->itemDelegate()), nullptr);
    ChangeForm1->ComboBox1->hidePopup();
}
