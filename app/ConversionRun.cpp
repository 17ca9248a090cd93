// The start button: converts the movie's chosen frames or every listed image.
#include "app/ChangeWindow1.h"
#include "app/LiveRun.h"
#include "app/conversion/Conversion.h"
#include "app/conversion/Pipeline.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Label.h"
#include "message/AskMessage.h"
#include "message/MessageWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// How often the counter is painted: as often as the eye needs.
constexpr int kPaintEveryMs = 30;

// The engine's pipeline (a reading thread and a worker a core, as on the command
// line) on threads of its own, while the window stays alive: `counter` shows
// "saved/total" for every picture in the run's order, Esc stops the run after the
// pictures in flight, clicks and keys are dropped. The report is filled in as the
// pictures come; a folder that cannot be written ends the run with its WriteError.
void RunOnWorkers(conv::RunRequest request, bool movie, fw::TLabel& counter, const QString& total,
                  conv::RunReport& report)
{
    std::atomic<bool> cancel = false;
    request.cancel = &cancel;
    std::mutex mutex;
    std::condition_variable arrivedOrDone;
    std::deque<conv::Outcome> arrived;
    bool done = false;
    conv::RunTotals totals;
    std::string error;
    std::exception_ptr failure;
    std::thread run([&] {
        try {
            const conv::Report report = [&](const conv::Outcome& outcome, int) {
                std::lock_guard lock(mutex);
                arrived.push_back(outcome);
                arrivedOrDone.notify_one();
            };
            if (movie) {
                if (!conv::ConvertMovie(request, report, totals, error))
                    throw fw::Exception(error);
            } else {
                conv::ConvertPictures(request, report, totals);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        arrivedOrDone.notify_one();
    });

    std::optional<conv::WriteError> stop;
    TLiveRun live;
    int shown = 0;
    const auto count = [&](bool paint) {
        counter.setCaption(QStringLiteral("%1/%2").arg(shown).arg(total));
        if (paint)
            counter.repaint();
    };
    QElapsedTimer sincePaint;
    sincePaint.start();
    for (bool finished = false; !finished;) {
        std::deque<conv::Outcome> batch;
        {
            std::unique_lock lock(mutex);
            arrivedOrDone.wait_for(lock, std::chrono::milliseconds(10), [&] { return done || !arrived.empty(); });
            batch.swap(arrived);
            finished = done && batch.empty();
        }
        for (const conv::Outcome& outcome : batch) {
            if (outcome.stop) {
                stop = outcome.stop;
                continue;
            }
            ++report.total;
            if (outcome.written.empty())
                report.failed.push_back(conv::NamedFailure(movie ? outcome.target : outcome.source, outcome.error));
            // Every picture is counted; the counter is painted as often as the eye needs
            // (painting it for each of a thousand pictures would slow the run itself).
            const bool paint = sincePaint.elapsed() >= kPaintEveryMs;
            if (paint)
                sincePaint.restart();
            ++shown;
            count(paint);
        }
        if (!live.KeepGoing())
            cancel = true;
    }
    run.join();
    count(true);
    report.stopped = live.Stopped();
    report.clashes = conv::NameClashes(totals.written);
    if (failure)
        std::rethrow_exception(failure);
    if (stop)
        throw *stop;
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
                StopWithoutBrightness(brightnessChosen);
                conv::RunRequest request;
                request.picture = picture;
                request.outputFolder = folder;
                for (int i = 0; i < ListBox1->Count(); ++i)
                    request.inputs.push_back(ListBox1->Item(i).toStdString());
                RunOnWorkers(std::move(request), false, *Label1, QString::number(ListBox1->Count()), report);
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
            conv::CreateOutputFolder(folder);
            Label1->show();
            repaint();
            PreviewForm1->close();
            PreviewForm1->GKitMSPlay1->Stop();
            GKitMSPlay1->Pause();
            if (conv::FrameTotal(s.StartFrame(), s.EndFrame(), s.FrameStep()) > 0)
                StopWithoutBrightness(brightnessChosen);
            // The frames are read through the file the movie control opened, and handed
            // from the reading thread to the workers inside the program: the user's
            // clipboard is never touched.
            conv::RunRequest request;
            request.inputs = {s.MovieFile().toStdString()};
            request.movieFile = GKitMSPlay1->OpenFile();
            request.picture = picture;
            request.outputFolder = folder;
            request.start = s.StartFrame();
            request.end = s.EndFrame();
            // A step typed below 1 (the field not yet left) counts as 1: the run always ends.
            request.step = std::max(1, s.FrameStep());
            RunOnWorkers(std::move(request), true, *Label1, ShadowLabel14->Caption(), report);
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
