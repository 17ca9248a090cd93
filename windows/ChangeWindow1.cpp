// The main window: building it, showing it with the saved settings and the files it
// was opened with, closing it with the settings saved, the title-bar buttons and the
// character.
#include "windows/ChangeWindow1.h"

#include "engine/Conversion.h"
#include "engine/SettingsLocation.h"
#include "engine/StoredSettings.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/IniFile.h"
#include "framework/Paths.h"
#include "media/movie/Containers.h"
#include "widgets/ShapeHint.h"
#include "windows/AskMessage.h"
#include "windows/FieldColours.h"
#include "windows/InfoWindow1.h"
#include "windows/MessageWindow1.h"
#include "windows/OptionsWindow1.h"
#include "windows/PictureFacts.h"
#include "windows/PreviewWindow1.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

namespace {

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

    ListBox1->SetHintOf(PictureFacts);
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

    // The options window opens with F2 as well as from the right click's menu.
    connect(new QShortcut(Qt::Key_F2, this), &QShortcut::activated, this, &TChangeForm1::OpenOptions);

    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, &TChangeForm1::Timer1Timer);
    Timer1->start();
}

TChangeForm1::~TChangeForm1() = default;

void TChangeForm1::SetPeers(TPreviewForm1& preview, TInfoForm1& info, TMessageForm1& message, TOptionsForm1& options)
{
    PreviewForm1 = &preview;
    InfoForm1 = &info;
    MessageForm1 = &message;
    OptionsForm1 = &options;
    connect(PreviewForm1, &TPreviewForm1::Closed, this, [this] { GKitMSPlay1->Play(); });
}

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
    Options = conv::ReadRunOptions(ini);

    QStringList pictures;
    bool movieOpened = false;
    for (const QString& arg : CommandLine) {
        if (!fw::FileExists(arg.toStdString()))
            continue;
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
    const TMainState state = State();
    try {
        // Every key in one replacement of the file.
        const auto number = [](int v) { return std::to_string(v); };
        std::vector<fw::IniEntry> entries = {{"SET0", "M_TOP", number(y())}, {"SET0", "M_LEFT", number(x())}};
        for (fw::IniEntry& e : conv::PictureSettingsEntries(state.picture, state.outputFolder.toStdString()))
            entries.push_back(std::move(e));
        // A file that never had options keeps the design's keys alone.
        if (state.options != conv::RunOptions() || conv::HoldsRunOptions(ini))
            for (fw::IniEntry& e : conv::RunOptionsEntries(state.options))
                entries.push_back(std::move(e));
        ini.Write(entries);
    } catch (const fw::Exception& e) {
        // The window closes all the same: otherwise the program could not be ended.
        fw::ShowException(QString::fromUtf8(e.what()));
    }
}

// ---- title-bar buttons, reset ---------------------------------------------------

void TChangeForm1::SSButton5Click() { InfoForm1->ShowModal(); }

void TChangeForm1::SSButton6Click()
{
    if (AskMessage(*MessageForm1, 2) == 1)
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
    const int answer = AskMessage(*MessageForm1, 4);
    if (answer != 1)
        close();
}

void TChangeForm1::SSButton33Click()
{
    const int answer = AskMessage(*MessageForm1, 3);
    if (answer != 1)
        return;
    ShowPictureSettings(conv::PictureSettings(), true);
}

// ---- options ---------------------------------------------------------------------

void TChangeForm1::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("オプション...\tF2"), this, &TChangeForm1::OpenOptions);
    menu.exec(event->globalPos());
}

void TChangeForm1::OpenOptions()
{
    const TMainState state = State();
    const QString ext = QString::fromStdString(conv::OutputExtension(state.picture));
    const int first = state.startFrame;
    OptionsForm1->SetExample(state.movie, first, GKitMSPlay1->HasMovie() ? GKitMSPlay1->FrameTime(first) : 0.0, ext);
    // Over the middle of this window, and whole on its screen (the options are taller
    // than this window).
    QPoint at(x() + (width() - OptionsForm1->width()) / 2, y() + (height() - OptionsForm1->height()) / 2);
    if (const QScreen* screen = QGuiApplication::screenAt(geometry().center())) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - OptionsForm1->width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - OptionsForm1->height())));
    }
    OptionsForm1->move(at);
    if (const auto chosen = OptionsForm1->Edit(Options))
        SetOptions(*chosen);
}

void TChangeForm1::SetOptions(const conv::RunOptions& options)
{
    Options = options;
    WriteFrameTotal();
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
