#include "app/ChangeWindow1.h"

#include "engine/SettingsLocation.h"
#include "engine/Conversion.h"
#include "media/movie/Containers.h"
#include "engine/StoredSettings.h"
#include "framework/Application.h"
#include "framework/CaptionFit.h"
#include "framework/Exception.h"
#include "framework/IniFile.h"
#include "framework/MbScan.h"
#include "framework/Paths.h"
#include "media/QtImage.h"
#include "media/codecs/Formats.h"
#include "media/image/Image.h"
#include "message/AskMessage.h"
#include "message/MessageWindow1.h"
#include "widgets/ShapeHint.h"
#include "windows/InfoWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

TChangeForm1* ChangeForm1 = nullptr;

namespace {

// White text on silver for the edit, list and spin fields.
void ApplyFieldColours(QWidget* field)
{
    QPalette pal = field->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, QColor(192, 192, 192));
        pal.setColor(group, QPalette::Button, QColor(192, 192, 192));
        pal.setColor(group, QPalette::Text, Qt::white);
        pal.setColor(group, QPalette::ButtonText, Qt::white);
        pal.setColor(group, QPalette::WindowText, Qt::white);
    }
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(192, 192, 192));
    pal.setColor(QPalette::Disabled, QPalette::Button, QColor(192, 192, 192));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    // No engraved white copy under greyed text: on silver it made the text look enabled.
    pal.setColor(QPalette::Disabled, QPalette::Light, QColor(192, 192, 192));
    field->setPalette(pal);
}

// The movie field's dialog: every movie the program reads, and AVI alone.
QString MovieDialogFilter()
{
    QStringList patterns;
    for (const std::string& ext : media::MovieExtensions())
        patterns << QStringLiteral("*") + QString::fromStdString(ext);
    const QString all = patterns.join(QLatin1Char(';'));
    return QStringLiteral("動画ファイル (%1)|%1|AVIファイル (*.avi)|*.avi").arg(all);
}

QImage LoadCharacterPicture(int n)
{
    QImage picture(QStringLiteral(":/pictures/character%1.png").arg(n));
    if (picture.isNull()) {
        picture = QImage(88, 120, QImage::Format_RGB32);
        picture.fill(Qt::white);
    }
    return picture;
}

} // namespace

QString TChangeForm1::DefaultOutputFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

TChangeForm1::TChangeForm1(QWidget* parent)
    : fw::TForm(parent, Qt::Window | Qt::FramelessWindowHint), Timer1(new QTimer(this)), ShapeHint1(new TShapeHint(this))
{
    setupUi(this);
    // The layout's folder is a Windows path; here the documents folder stands in for it.
    BrowseEdit1->setPath(DefaultOutputFolder());
    SetDragByFreeSpot(true);
    LoadLayout();
    FillPictureLists();
    SetClientSize(498, 294);
    move(20, 20);

    for (QWidget* field : findChildren<QWidget*>())
        if (qobject_cast<TSpinEdit*>(field) || qobject_cast<TButtonEdit*>(field) || qobject_cast<fw::TComboBox*>(field)
            || qobject_cast<fw::TListBox*>(field))
            ApplyFieldColours(field);

    Edit2->setFilter(MovieDialogFilter());
    connect(BrowseEdit1, &TButtonEdit::OnExit, this, &TChangeForm1::DropFolderSeparator);
    connect(SpinEdit4, &TSpinEdit::OnExit, this, &TChangeForm1::SpinEdit4Change);
    connect(SpinEdit5, &TSpinEdit::OnExit, this, &TChangeForm1::SpinEdit5Change);
    setAcceptDrops(true);
    ProgramFolder = QCoreApplication::applicationDirPath();
    SettingsFileName = QString::fromStdString(conv::SettingsFilePath(ProgramFolder.toStdString()));
    CommandLine = QCoreApplication::arguments().mid(1);

    ImageList1 << LoadCharacterPicture(0) << LoadCharacterPicture(1);
    ShapeHint1->setActive(true);

    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, &TChangeForm1::Timer1Timer);
    Timer1->start();
}

TChangeForm1::~TChangeForm1() = default;

// ---- start-up and closing -------------------------------------------------------

void TChangeForm1::FormShow()
{
    // The message window gets its balloon outline once, before it is ever shown.
    if (MessageForm1 && MessageForm1->mask().isEmpty())
        MessageForm1->Rgn1->SetWndRgn();
    fw::TIniFile ini(SettingsFileName.toStdString());
    TConvertSettings s = Settings();

    const int top = ini.ReadInteger("SET0", "M_TOP", y());
    move(x(), top);
    const int left = ini.ReadInteger("SET0", "M_LEFT", x());
    move(left, y());

    s.setOutputFolder(QString::fromStdString(conv::ReadOutputFolder(ini, s.OutputFolder().toStdString())));
    // Values absent or outside their lists start at their reset values, so that a
    // first run (no settings file yet) can convert.
    ShowPictureSettings(conv::ReadPictureSettings(ini, PictureSettingsShown()), false);

    QStringList pictures;
    bool movieOpened = false;
    for (const QString& arg : CommandLine) {
        if (!fw::FileExists(arg.toStdString()))
            continue;
        ArgExt = QString::fromStdString(fw::ExtractFileExt(arg.toStdString()));
        if (conv::IsMovieFileName(arg.toStdString())) {
            Edit2->setFilename(arg);
            movieOpened = true;
        } else if (conv::IsPictureFileName(arg.toStdString())) {
            pictures << arg;
        }
    }
    // Pictures opened with the program (the desktop's "Open with") are registered as
    // if dropped in image mode; a movie among them wins.
    if (!movieOpened && !pictures.isEmpty()) {
        SSButton2Click();
        DropFiles(pictures);
    }

    DrawCharacter();
}

void TChangeForm1::FormClose()
{
    fw::TIniFile ini(SettingsFileName.toStdString());
    TConvertSettings s = Settings();
    try {
        // Every key in one replacement of the file.
        const auto number = [](int v) { return std::to_string(v); };
        std::vector<fw::IniEntry> entries = {{"SET0", "M_TOP", number(y())}, {"SET0", "M_LEFT", number(x())}};
        for (fw::IniEntry& e : conv::PictureSettingsEntries(PictureSettingsShown(), s.OutputFolder().toStdString()))
            entries.push_back(std::move(e));
        ini.Write(entries);
    } catch (const fw::Exception& e) {
        // The window closes all the same: otherwise the program could not be ended.
        fw::ShowException(QString::fromUtf8(e.what()));
    }
}

// ---- output settings ------------------------------------------------------------

void TChangeForm1::ComboBox1Change()
{
    Label5->setEnabled(false);
    ComboBox3->setEnabled(false);
    ShadowLabel15->setEnabled(false);
    ComboBox2->setEnabled(false);
    const auto format = Settings().OutputFormat();
    if (format == conv::OutputFormat::Jpeg) {
        Label5->setEnabled(true);
        ComboBox3->setEnabled(true);
        ShadowLabel15->setEnabled(true);
        ComboBox2->setEnabled(true);
    }
    if (format == conv::OutputFormat::Png) {
        ShadowLabel15->setEnabled(true);
        ComboBox2->setEnabled(true);
    }
}

void TChangeForm1::ComboBox6Change()
{
    const auto mode = Settings().ResizeMode();
    if (!mode)
        return;
    const bool pixels = mode == conv::ResizeMode::Fit || mode == conv::ResizeMode::Stretch;
    const bool scale = mode == conv::ResizeMode::Scale;
    ShadowLabel7->setEnabled(pixels);
    SpinEdit1->setEnabled(pixels);
    SpinEdit2->setEnabled(pixels);
    ShadowLabel16->setEnabled(scale);
    SpinEdit3->setEnabled(scale);
    const auto connector = [](bool active) { return active ? clFuchsia : clSilver; };
    Shape2->setPenColor(connector(pixels || scale));
    Shape3->setPenColor(connector(pixels));
    Shape6->setPenColor(connector(scale));
    Shape5->setPenColor(connector(scale));
}

// The folder's trailing separator goes whenever the text is set from code, when the
// field is left and whenever the value is used; never while the user types, or
// "/home/me/out" typed key by key would lose every "/".
void TChangeForm1::BrowseEdit1Change()
{
    if (!BrowseEdit1->Typing())
        DropFolderSeparator();
    BrowseEdit1->setToolTip(Settings().OutputFolder());
}

void TChangeForm1::DropFolderSeparator()
{
    const QString path = QString::fromStdString(fw::WithoutTrailingSeparator(BrowseEdit1->Path().toStdString()));
    if (path != BrowseEdit1->Path())
        BrowseEdit1->setPath(path);
}

// ---- source mode ----------------------------------------------------------------

void TChangeForm1::SSButton3Click()
{
    SSButton3->setDown(true);
    SSButton3->setAllowAllUp(false);
    FadingLabel1->setCaption(QStringLiteral("変換元のAVIﾌｧｲﾙ"));
    fw::FitCaption(FadingLabel1);
    FadingLabel3->show();
    GKitMSPlay1->show();
    GKitMSPlay1->Stop();
    FadingLabel2->setEnabled(true);
    FadingLabel3->setEnabled(true);
    ListBox1->hide();
    Panel20->hide();
    SSButton2->setAllowAllUp(true);
    SSButton2->setDown(false);
    Timer1->setInterval(300);
}

void TChangeForm1::SSButton2Click()
{
    SSButton2->setDown(true);
    SSButton2->setAllowAllUp(false);
    FadingLabel1->setCaption(QStringLiteral("変換元の") + QString::fromStdString(media::FormatNames(",", ",")) +
                             QStringLiteral("ﾌｧｲﾙ"));
    fw::FitCaption(FadingLabel1);
    FadingLabel3->hide();
    GKitMSPlay1->hide();
    GKitMSPlay1->Play();
    FadingLabel2->setEnabled(false);
    FadingLabel3->setEnabled(false);
    ListBox1->show();
    Panel20->show();
    SSButton3->setAllowAllUp(true);
    SSButton3->setDown(false);
    Timer1->setInterval(1000);
}

void TChangeForm1::SSButton11Click() { ListBox1->Clear(); }

// ---- title-bar buttons, reset ---------------------------------------------------

void TChangeForm1::SSButton5Click() { InfoForm1->ShowModal(); }

void TChangeForm1::SSButton6Click()
{
    if (AskMessage(2) == 1)
        OpenGuide();
}

// The desktop's viewer opens the guide; when it cannot (no guide, no viewer, the
// viewer refusing), the user is told why instead of nothing happening. xdg-open runs
// on its own, so a viewer it waits for never holds up the window, and it is not
// ended with the window.
void TChangeForm1::OpenGuide()
{
    const QString guide = QString::fromStdString(conv::GuidePath(ProgramFolder.toStdString()));
    const auto fail = [this, guide](const QString& reason) {
        fw::MessageBeep();
        fw::ShowMessage(guide + QStringLiteral(" を開けません: ") + reason);
    };
    if (!QFileInfo(guide).isFile()) {
        fail(QStringLiteral("ファイルがありません"));
        return;
    }
    auto* opener = new QProcess;
    connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    connect(opener, &QProcess::finished, this, [fail](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit)
            fail(QStringLiteral("xdg-open が異常終了しました"));
        else if (code == 2)
            fail(QStringLiteral("ファイルがありません"));
        else if (code == 3)
            fail(QStringLiteral("開くためのプログラムが見つかりません"));
        else if (code != 0)
            fail(QStringLiteral("開くためのプログラムが失敗しました (xdg-open %1)").arg(code));
    });
    connect(opener, &QProcess::errorOccurred, this, [fail, opener](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        fail(QStringLiteral("xdg-open を起動できません (%1)").arg(opener->errorString()));
    });
    opener->start(QStringLiteral("xdg-open"), {guide});
}

void TChangeForm1::SSButton7Click() { setWindowState(windowState() | Qt::WindowMinimized); }

void TChangeForm1::SSButton8Click()
{
    const int answer = AskMessage(4);
    if (answer != 1)
        close();
}

void TChangeForm1::SSButton33Click()
{
    const int answer = AskMessage(3);
    if (answer != 1)
        return;
    ShowPictureSettings(conv::PictureSettings(), true);
}

// ---- character ------------------------------------------------------------------

void TChangeForm1::DrawCharacter()
{
    QImage& picture = Image1->Bitmap();
    {
        QPainter p(&picture);
        if (AnimFrame >= 0 && AnimFrame < ImageList1.size())
            p.drawImage(0, 0, ImageList1[AnimFrame]);
    }
    Image1->repaint();
}

void TChangeForm1::Timer1Timer()
{
    DrawCharacter();
    AnimFrame = AnimFrame == 0 ? 1 : 0;
}

// ---- movie source and frame range -----------------------------------------------

void TChangeForm1::Edit2Change()
{
    const QString path = Edit2->Filename();
    if (path.isEmpty())
        return;
    try {
        GKitMSPlay1->setFileName(path);
    } catch (const fw::Exception& e) {
        // Nothing of the movie before may stay: its range would be cut from this one.
        ForgetMovie();
        fw::ShowException(QString::fromUtf8(e.what()));
        return;
    }
    const int n = GKitMSPlay1->Length();
    FadingLabel2->setCaption(QStringLiteral("全%1ﾌﾚｰﾑ").arg(n + 1));
    FadingLabel3->setCaption(QStringLiteral("%1 x %2").arg(GKitMSPlay1->MovieWidth()).arg(GKitMSPlay1->MovieHeight()));
    SpinEdit4->setEnabled(true);
    SpinEdit5->setEnabled(true);
    SpinEdit6->setEnabled(true);
    SpinEdit4->setMaxValue(n);
    SpinEdit4->setValue(0);
    SpinEdit4Change();
    SpinEdit5->setMaxValue(n);
    SpinEdit5->setMinValue(0);
    SpinEdit5->setValue(n);
    SpinEdit6->setMaxValue(n);
    SpinEdit6->setValue(1);
    WriteFrameTotal();
    FadingLabel2->setEnabled(true);
    FadingLabel3->setEnabled(true);
}

void TChangeForm1::ForgetMovie()
{
    GKitMSPlay1->setFileName(QString());
    FadingLabel2->setCaption(QStringLiteral("全0ﾌﾚｰﾑ"));
    FadingLabel3->setCaption(QStringLiteral("0 x 0"));
    // The fields as the layout starts them: 0 to 0 within 0..1, every frame, disabled.
    SpinEdit5->setMinValue(0);
    for (TSpinEdit* field : {SpinEdit4, SpinEdit5}) {
        field->setMaxValue(1);
        field->setValue(0);
    }
    SpinEdit6->setMaxValue(9999);
    SpinEdit6->setValue(1);
    for (TSpinEdit* field : {SpinEdit4, SpinEdit5, SpinEdit6})
        field->setEnabled(false);
    Image2->Clear();
    Image3->Clear();
    ShadowLabel14->setCaption(QStringLiteral("0"));
}

bool TChangeForm1::MovieStillThere()
{
    using Presence = media::MovieFile::Presence;
    const Presence presence = GKitMSPlay1->MoviePresence();
    if (presence == Presence::Same)
        return true;
    const QString movie = GKitMSPlay1->FileName();
    ForgetMovie();
    PreviewForm1->close();
    PreviewForm1->GKitMSPlay1->setFileName(QString());
    fw::MessageBeep();
    fw::ShowMessage(movie + (presence == Presence::Gone
                                 ? QStringLiteral("\n動画ファイルが見つかりません。開いた後に移動または削除されました。")
                                 : QStringLiteral("\n動画ファイルが開いた後に置き換えられました。もう一度選んでください。")));
    return false;
}

void TChangeForm1::WriteFrameTotal()
{
    TConvertSettings s = Settings();
    ShadowLabel14->setCaption(QString::number(conv::FrameTotal(s.StartFrame(), s.EndFrame(), s.FrameStep())));
}

void TChangeForm1::ShowThumbnail(int frame, fw::TImage* target)
{
    if (!MovieStillThere())
        return;
    // Handed over inside the program: the user's clipboard is theirs. A frame that
    // cannot be had leaves the thumbnail empty.
    media::Image picture;
    if (!GKitMSPlay1->CopyFrame(frame, picture)) {
        target->Clear();
        return;
    }
    target->setPicture(QImageFromImage(picture));
}

// The frame fields are the user's while typing (a number whose first digits lie
// below the start must be typable): the range rules apply when the field is left,
// Enter is pressed, an arrow is used or a run takes the value.
void TChangeForm1::SpinEdit4Change()
{
    if (SpinEdit4->Typing()) {
        WriteFrameTotal();
        return;
    }
    TConvertSettings s = Settings();
    try {
        if (s.StartFrame() != 0) {
            if (s.StartFrame() < 0)
                s.setStartFrame(0);
            if (s.EndFrame() < s.StartFrame())
                s.setStartFrame(s.EndFrame());
        }
    } catch (const std::exception&) {
        fw::MessageBeep();
        SpinEdit4->Undo();
        SpinEdit4->ClearUndo();
    }
    SpinEdit5->setMinValue(s.StartFrame());
    WriteFrameTotal();
    ShowThumbnail(s.StartFrame(), Image2);
}

void TChangeForm1::SpinEdit5Change()
{
    if (SpinEdit5->Typing()) {
        WriteFrameTotal();
        return;
    }
    TConvertSettings s = Settings();
    try {
        if (s.EndFrame() != 0) {
            if (s.EndFrame() < s.StartFrame())
                s.setEndFrame(s.StartFrame());
            if (s.EndFrame() > SpinEdit5->MaxValue())
                s.setEndFrame(SpinEdit5->MaxValue());
        }
    } catch (const std::exception&) {
        fw::MessageBeep();
        SpinEdit5->Undo();
        SpinEdit5->ClearUndo();
    }
    SpinEdit4->setMaxValue(s.EndFrame());
    WriteFrameTotal();
    ShowThumbnail(s.EndFrame(), Image3);
}

void TChangeForm1::SpinEdit6Change() { WriteFrameTotal(); }

void TChangeForm1::GKitMSPlay1Click()
{
    const QString movie = Settings().MovieFile();
    if (movie.isEmpty() || !GKitMSPlay1->HasMovie() || !MovieStillThere())
        return;
    GKitMSPlay1->Pause();
    PreviewForm1->show();
    PreviewForm1->raise();
    PreviewForm1->setWindowTitle(QStringLiteral("Preview - ") + movie);
    PreviewForm1->GKitMSPlay1->ShareMovie(*GKitMSPlay1);
}

// ---- dropped files --------------------------------------------------------------

void TChangeForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TChangeForm1::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    DropFiles(files);
    event->acceptProposedAction();
}

void TChangeForm1::DropFiles(const QStringList& files)
{
    if (SSButton2->Down()) {
        for (const QString& file : files)
            if (conv::IsPictureFileName(file.toStdString()))
                ListBox1->AddItem(file);
    } else if (SSButton3->Down()) {
        for (const QString& file : files)
            if (conv::IsMovieFileName(file.toStdString()))
                Edit2->setFilename(file);
    }
}
