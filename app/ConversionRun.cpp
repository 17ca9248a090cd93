// The start button: converts the movie's chosen frames or every listed image.
#include "app/ChangeWindow1.h"
#include "app/LiveRun.h"
#include "app/conversion/Conversion.h"
#include "framework/Application.h"
#include "media/image/Image.h"
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

// The end of a run's message: empty when nothing failed, nothing was written twice
// and the run went to its end; else whether it was stopped and how many were
// written, how many of how many failed with the first few names and their reasons,
// and each file written twice.
std::string ReportText(const conv::RunReport& report)
{
    std::string text;
    if (report.stopped)
        text = "変換を中止しました。" + std::to_string(report.total - int(report.failed.size())) + " 枚を書き出しました。";
    if (!report.failed.empty()) {
        if (!text.empty())
            text += "\n";
        text += std::to_string(report.total) + " 枚中 " + std::to_string(report.failed.size()) + " 枚の画像を変換できませんでした。";
        constexpr std::size_t kShown = 5;
        for (std::size_t i = 0; i < report.failed.size() && i < kShown; ++i)
            text += "\n" + report.failed[i];
        if (report.failed.size() > kShown)
            text += "\nほか " + std::to_string(report.failed.size() - kShown) + " 件";
    }
    for (const conv::NameClash& clash : report.clashes) {
        if (!text.empty())
            text += "\n";
        std::string sources;
        for (const std::string& source : clash.sources)
            sources += (sources.empty() ? "" : " と ") + source;
        text += sources + " は同じ名前 " + clash.target + " になり、後の画像が残りました。";
    }
    return text;
}

// The window's words for a folder the run cannot write into.
QString FolderMessage(const conv::WriteError& e)
{
    if (e.Folder().empty())
        return QStringLiteral("出力先フォルダが指定されていません。");
    return QString::fromStdString(e.Folder() + " に書き込めません: " + e.Reason());
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
                std::vector<std::pair<std::string, std::string>> written;
                for (int i = 0; i < ListBox1->Count() && live.KeepGoing(); ++i) {
                    const std::string source = ListBox1->Item(i).toStdString();
                    edit.SetInputFileName(source);
                    std::optional<std::string> notLoaded;
                    if (!edit.Load())
                        notLoaded = edit.LastError();
                    StopWithoutBrightness(brightnessChosen);
                    const std::string target = conv::ImageOutputPath(folder, source, OutputExt.toStdString());
                    const conv::PictureOutcome outcome = conv::ConvertPicture(edit, picture, notLoaded, target, folder);
                    Record(outcome, source, report);
                    if (outcome.written)
                        written.emplace_back(source, target);
                    Label1->setCaption(QStringLiteral("%1/%2").arg(i + 1).arg(ListBox1->Count()));
                    Label1->repaint();
                }
                report.stopped = live.Stopped();
                report.clashes = conv::NameClashes(written);
            }
            Label1->hide();
            Label1->setCaption(QString());
            MessageForm1->Answer = 0;
        } else {
            // A typed frame field not yet left takes its range rules now.
            for (TSpinEdit* field : {SpinEdit4, SpinEdit5, SpinEdit6})
                field->Settle();
            if (s.MovieFile().isEmpty() || !GKitMSPlay1->HasMovie() || !MovieStillThere())
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
                // The frame is handed over inside the program: the clipboard stays the user's.
                media::Image frame;
                const bool copied = GKitMSPlay1->CopyFrame(f, frame);
                const bool taken = edit.SetPicture(std::move(frame));
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
        fw::ShowMessage(FolderMessage(e) + QStringLiteral("\n%1 枚を書き出したところで変換を中止しました。")
                                               .arg(report.total - int(report.failed.size())));
        return;
    } catch (const std::exception&) {
        fw::MessageBeep();
        fw::ShowMessage(QStringLiteral("非対応フォーマットが含まれていました。処理を中止します。"));
        return;
    }
    const std::string failures = ReportText(report);
    if (!failures.empty())
        fw::ShowMessage(QString::fromStdString(failures));
}
