// The main window's source: the movie or image mode, the movie field with its frame
// range and thumbnails, the image list, and files dropped on the window.
#include "windows/ChangeWindow1.h"
#include "engine/StillNames.h"

#include "engine/Conversion.h"
#include "engine/MoviePicks.h"
#include "engine/PictureTree.h"
#include "framework/Application.h"
#include "framework/CaptionFit.h"
#include "framework/Exception.h"
#include "media/QtImage.h"
#include "media/codecs/Formats.h"
#include "media/image/Image.h"
#include "windows/PreviewWindow1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

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

// ---- movie source and frame range -----------------------------------------------

void TChangeForm1::Edit2Change()
{
    const QString path = Edit2->Filename();
    if (path.isEmpty())
        return;
    if (!MoviesDropped.isEmpty() && MoviesDropped.last() != path)
        MoviesDropped.clear();
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

// One still a shot: how many shots there are is known once the run has looked.
void TChangeForm1::WriteFrameTotal()
{
    const bool shots = Options.pick == conv::PickWay::Scenes && GKitMSPlay1->HasMovie();
    ShadowLabel14->setCaption(shots ? QStringLiteral("?") : QString::number(FramesPicked()));
}

int TChangeForm1::FramesPicked()
{
    TMainState state = State();
    if (Options.pick == conv::PickWay::Step || !GKitMSPlay1->HasMovie())
        return conv::FrameTotal(state.startFrame, state.endFrame, state.frameStep);
    state.mode = smMovie;
    state.moviesDropped.clear(); // the shown movie's
    const conv::MoviePicks picks = RunRequestOf(state).picks;
    const std::vector<int> none;
    const auto positions = conv::PickPositions(picks, GKitMSPlay1->FrameTimes(),
                                               picks.keyframes ? GKitMSPlay1->KeyPositions() : none,
                                               state.movie.toStdString());
    return positions ? int(positions->size()) : 0;
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
        target->setToolTip(QString());
        return;
    }
    target->setPicture(QImageFromImage(picture));
    // The balloon hint says when the frame is shown.
    target->setToolTip(QString::fromStdString(conv::ClockText(GKitMSPlay1->FrameTime(frame))));
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
        // A folder brings the pictures inside it and its sub-folders, in name order;
        // what it holds that is not taken (links out of it, loops) is said once.
        QStringList passedOver;
        for (const QString& file : files) {
            const std::string path = file.toStdString();
            std::error_code ec;
            if (std::filesystem::is_directory(path, ec)) {
                const conv::FolderWalk walk = conv::PicturesInFolder(path, true, Settings().OutputFolder().toStdString());
                for (const conv::FolderPicture& picture : walk.pictures) {
                    // The list holds text: a name whose bytes are not UTF-8 cannot be
                    // named in it (the command line takes it).
                    const QString name = QString::fromStdString(picture.path);
                    if (name.toStdString() == picture.path)
                        ListBox1->AddItem(name);
                    else
                        passedOver << name + QStringLiteral(": 名前がUTF-8ではありません");
                }
                for (const std::string& why : walk.passedOver)
                    passedOver << QString::fromStdString(why);
            } else if (conv::IsPictureFileName(path)) {
                ListBox1->AddItem(file);
            }
        }
        if (!passedOver.isEmpty())
            fw::ShowMessage(QStringLiteral("フォルダの中で追加しなかったもの:\n") + passedOver.join(QLatin1Char('\n')));
    } else if (SSButton3->Down()) {
        // Each is opened in turn and the last one stays in the field; a run cuts them
        // all, one after another, in the order dropped (the end message says so).
        QStringList movies;
        for (const QString& file : files)
            if (conv::IsMovieFileName(file.toStdString())) {
                Edit2->setFilename(file);
                movies << file;
            }
        if (!movies.isEmpty())
            MoviesDropped = movies.size() > 1 ? movies : QStringList();
    }
}
