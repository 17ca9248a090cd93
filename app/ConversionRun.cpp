// The start button: converts the movie's chosen frames or every listed image.
#include "app/ChangeWindow1.h"
#include "app/LiveRun.h"
#include "app/conversion/Conversion.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "message/AskMessage.h"
#include "message/MessageWindow1.h"
#include "windows/PreviewWindow1.h"


namespace {

// Counts a picture's outcome; a save that failed for the disk's sake (no space, no
// permission) stops the run.
void Record(const conv::PictureOutcome& outcome, const std::string& name, conv::RunReport& report)
{
    if (outcome.stop)
        throw *outcome.stop;
    ++report.total;
    if (!outcome.written)
        report.failed.push_back(conv::NamedFailure(name, outcome.reason));
}

// A run without a brightness stops at its first picture, like one whose pictures
// cannot be read.
void StopWithoutBrightness(bool brightnessChosen)
{
    if (!brightnessChosen)
        throw fw::Exception("no brightness is selected");
}

} // namespace

void TChangeForm1::SSButton1Click()
{
    media::ImageEditControl& edit = ImageEdit1->Control();
    conv::RunReport report;
    try {
        PlaceMessageWindow();
        TConvertSettings s = Settings();
        const conv::PictureSettings picture = PictureSettingsShown();
        const std::string ext = conv::PrepareSave(edit, picture);
        if (s.OutputFormat()) {
            RunFormat = picture.format;
            OutputExt = QString::fromStdString(ext);
        }
        const bool brightnessChosen = BrightnessChosen();

        if (s.SourceMode() == smImages) {
            if (ListBox1->Count() == 0)
                return;
            MessageForm1->MessageNo = 0;
            MessageForm1->ShowModal();
            if (MessageForm1->Answer == 1) {
                const std::string folder = s.OutputFolder().toStdString();
                conv::CreateOutputFolder(folder);
                Label1->show();
                repaint();
                TLiveRun live;
                for (int i = 0; i < ListBox1->Count() && live.KeepGoing(); ++i) {
                    const std::string source = ListBox1->Item(i).toStdString();
                    edit.SetInputFileName(source);
                    std::optional<std::string> notLoaded;
                    if (!edit.Load())
                        notLoaded = edit.LastError();
                    StopWithoutBrightness(brightnessChosen);
                    Record(conv::ConvertPicture(edit, picture, notLoaded,
                                                conv::ImageOutputPath(folder, source, OutputExt.toStdString()), folder),
                           source, report);
                    Label1->setCaption(QStringLiteral("%1/%2").arg(i + 1).arg(ListBox1->Count()));
                    Label1->repaint();
                }
                report.stopped = live.Stopped();
            }
            Label1->hide();
            Label1->setCaption(QString());
            MessageForm1->Answer = 0;
        } else {
            if (s.MovieFile().isEmpty())
                return;
            MessageForm1->MessageNo = 1;
            MessageForm1->ShowModal();
            if (MessageForm1->Answer != 1)
                return;
            const std::string folder = s.OutputFolder().toStdString();
            const std::string movie = s.MovieFile().toStdString();
            conv::CreateOutputFolder(folder);
            Label1->show();
            repaint();
            int f = s.StartFrame();
            PreviewForm1->close();
            PreviewForm1->GKitMSPlay1->Stop();
            GKitMSPlay1->Pause();
            int n = 0;
            TLiveRun live;
            while (f <= s.EndFrame() && live.KeepGoing()) {
                const bool copied = GKitMSPlay1->CopyToClipboard(f);
                const bool taken = ImageEdit1->CreateFromClipboard();
                const std::string target = conv::MovieOutputPath(folder, movie, f, OutputExt.toStdString());
                std::optional<std::string> notTaken;
                if (!copied || !taken)
                    notTaken = conv::kFrameNotDecoded;
                StopWithoutBrightness(brightnessChosen);
                Record(conv::ConvertPicture(edit, picture, notTaken, target, folder), target, report);
                // A step typed below 1 (the field not yet left) counts as 1: the run always ends.
                f += std::max(1, s.FrameStep());
                ++n;
                Label1->setCaption(QStringLiteral("%1/%2").arg(n).arg(ShadowLabel14->Caption()));
                Label1->repaint();
            }
            report.stopped = live.Stopped();
            Label1->hide();
            Label1->setCaption(QString());
            MessageForm1->Answer = 0;
            GKitMSPlay1->Play();
        }
    } catch (const conv::WriteError& e) {
        // A folder that cannot be written: nothing after this picture can be saved either.
        Label1->hide();
        Label1->setCaption(QString());
        MessageForm1->Answer = 0;
        if (Settings().SourceMode() != smImages)
            GKitMSPlay1->Play();
        fw::MessageBeep();
        fw::ShowMessage(QString::fromStdString(std::string(e.what()) + "\n" +
                                               std::to_string(report.total - int(report.failed.size())) +
                                               " 枚を書き出したところで変換を中止しました。"));
        return;
    } catch (const std::exception&) {
        fw::MessageBeep();
        fw::ShowMessage(QStringLiteral("非対応フォーマットが含まれていました。処理を中止します。"));
        return;
    }
    const std::string failures = report.Message();
    if (!failures.empty())
        fw::ShowMessage(QString::fromStdString(failures));
}
