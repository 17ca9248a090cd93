// The start button: converts the movie's chosen frames or every listed image.
#include "windows/ChangeWindow1.h"
#include "windows/ConversionRun.h"
#include "windows/RunInputGuard.h"
#include "engine/Conversion.h"
#include "engine/Pipeline.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Label.h"
#include "engine/Manifest.h"
#include "windows/AskMessage.h"
#include "windows/MessageWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QEventLoop>

#include <exception>
#include <functional>
#include <optional>

namespace {

// The engine's run on its own threads while the window stays alive: `counter` shows
// "saved/total" for every picture in the run's order, Esc stops the run after the
// pictures in flight, clicks and keys are dropped. Returns when the run has ended,
// having waited as a modal dialog does, in an event loop of its own. The report is
// filled in as the pictures come. A run that failed as a whole (a folder that cannot
// be written, a movie whose reading broke off) gives its failure.
// Several movies: `movieDone` is told each one's end, after its pictures, and
// whether the run was stopped in it.
using MovieDone = std::function<void(const std::string& movie, bool cutOff)>;
media::Result<void> RunOnWorkers(conv::RunRequest request, TConversionRun::Kind kind, fw::TLabel& counter,
                                 conv::RunReport& report, std::vector<conv::Outcome>* record = nullptr,
                                 const MovieDone& movieDone = nullptr)
{
    const bool movie = kind != TConversionRun::Kind::Pictures;
    TConversionRun run(std::move(request), kind);
    TRunInputGuard guard;
    QEventLoop loop;
    std::optional<media::Failure> stop;
    int shown = 0;
    QObject::connect(&guard, &TRunInputGuard::EscapePressed, &run, &TConversionRun::Stop);
    QObject::connect(&run, &TConversionRun::Ended, &loop, &QEventLoop::quit);
    if (movieDone)
        QObject::connect(&run, &TConversionRun::MovieDone,
                         [&](const std::string& movie) { movieDone(movie, guard.Stopped()); });
    QObject::connect(&run, &TConversionRun::PictureDone, [&](const conv::Outcome& outcome, int total) {
        if (record)
            record->push_back(outcome);
        if (outcome.stop) {
            stop = outcome.stop;
            return;
        }
        // A picture passed over (its file there already, or a repeat) is counted but not
        // tried; one made for the sheets alone is no failure.
        if (!outcome.existed && !outcome.repeats && !outcome.onSheet) {
            ++report.total;
            if (outcome.written.empty())
                report.failed.push_back(conv::NamedFailure(movie ? outcome.target : outcome.source, outcome.error));
        }
        counter.setCaption(QStringLiteral("%1/%2").arg(++shown).arg(total));
    });
    run.Start();
    loop.exec();
    counter.repaint(); // the last count is seen before the counter goes
    report.stopped = guard.Stopped();
    report.skipped = run.Totals().untried;
    report.moviesNotRead = run.MoviesNotRead();
    report.clashes = conv::NameClashes(run.Totals().written);
    if (!run.Result())
        return run.Result();
    if (stop)
        return *stop;
    return {};
}

// The end of a run's message: empty when nothing failed, nothing was written twice
// and the run went to its end; else whether it was stopped and how many were
// written, how many of how many failed with the first few names and their reasons,
// and each file written twice.
std::string ReportText(const conv::RunReport& report)
{
    std::string text;
    if (report.movies > 1) {
        text = "動画 " + std::to_string(report.movies) + " 本を続けて変換しました。";
        for (const std::string& why : report.moviesNotRead)
            text += "\n読めなかった動画: " + why;
    }
    if (report.stopped && !text.empty())
        text += "\n";
    if (report.stopped)
        text += "変換を中止しました。" + std::to_string(report.total - int(report.failed.size())) + " 枚を書き出しました。";
    if (report.skipped > 0) {
        if (!text.empty())
            text += "\n";
        text += std::to_string(report.skipped);
        text += " 枚は変換しませんでした。";
    }
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
QString FolderMessage(const media::Failure& folder)
{
    if (folder.place.empty())
        return QStringLiteral("出力先フォルダが指定されていません。");
    return QString::fromStdString(folder.place + " に書き込めません: " + folder.cause);
}

// A run without a brightness stops at its first picture, like one whose pictures
// cannot be read.
media::Result<void> StopWithoutBrightness(bool brightnessChosen)
{
    if (!brightnessChosen)
        return media::Fail(media::FailureKind::StepFailed, "no brightness is selected");
    return {};
}

// Puts the window back however a run ends: the counter hidden and empty, and the
// movie view (when the run paused it) playing again, unless the run was refused
// (no brightness, a movie that cannot be read): then the view stays still.
class AfterRun {
public:
    explicit AfterRun(fw::TLabel& counter, TGKitMSPlay* view = nullptr) : m_counter(counter), m_view(view) {}
    ~AfterRun()
    {
        m_counter.hide();
        m_counter.setCaption(QString());
        if (m_view && m_resume)
            m_view->Play();
    }
    AfterRun(const AfterRun&) = delete;
    AfterRun& operator=(const AfterRun&) = delete;

    // Passes the run's result through, noting whether the view may play again.
    media::Result<void> Ended(media::Result<void> run)
    {
        m_resume = run || run.Error().kind == media::FailureKind::WriteFailed;
        return run;
    }

private:
    fw::TLabel& m_counter;
    TGKitMSPlay* m_view;
    bool m_resume = true;
};

} // namespace

void TChangeForm1::SSButton1Click()
{
    conv::RunReport report;
    media::Result<void> run;
    try {
        PlaceMessageWindow(*MessageForm1);
        if (Settings().OutputFormat())
            RunFormat = PictureSettingsShown().format;
        run = Settings().SourceMode() == smImages ? RunImages(report) : RunMovie(report);
    } catch (const std::exception& e) {
        run = media::Fail(media::FailureKind::StepFailed, e.what());
    }
    if (!run && run.Error().kind == media::FailureKind::WriteFailed) {
        // A folder that cannot be written: nothing after this picture can be saved either.
        fw::MessageBeep();
        fw::ShowMessage(FolderMessage(run.Error()) + QStringLiteral("\n%1 枚を書き出したところで変換を中止しました。")
                                                         .arg(report.total - int(report.failed.size())));
        return;
    }
    if (!run) {
        fw::MessageBeep();
        fw::ShowMessage(QStringLiteral("非対応フォーマットが含まれていました。処理を中止します。"));
        return;
    }
    const std::string failures = ReportText(report);
    if (!failures.empty())
        fw::ShowMessage(QString::fromStdString(failures));
}

TMainState TChangeForm1::State()
{
    const TConvertSettings s = Settings();
    TMainState state;
    state.mode = s.SourceMode();
    state.movie = s.MovieFile();
    state.lastFrame = GKitMSPlay1->Length();
    state.moviesDropped = MoviesDropped;
    state.images = s.ImageFiles();
    state.startFrame = s.StartFrame();
    state.endFrame = s.EndFrame();
    state.frameStep = s.FrameStep();
    state.picture = PictureSettingsShown();
    state.brightnessChosen = BrightnessChosen();
    state.outputFolder = s.OutputFolder();
    state.options = Options;
    return state;
}

// The run's record, when the options ask for one, beside its pictures (a run stopped
// with Esc says so in it); a record that cannot be written is said, the pictures stay.
void TChangeForm1::WriteRecord(const std::vector<conv::Outcome>& outcomes, const std::string& folder,
                               const std::string& movie, bool cutOff)
{
    const std::string path = conv::ManifestPath(Options.manifest, folder, movie);
    if (path.empty())
        return;
    std::string error;
    if (!conv::WriteManifest(path, outcomes, error, cutOff)) {
        fw::MessageBeep();
        fw::ShowMessage(QString::fromStdString(path + " に書き込めません: " + error));
    }
}

media::Result<void> TChangeForm1::RunImages(conv::RunReport& report)
{
    if (ListBox1->Count() == 0)
        return {};
    const bool yes = AskPlacedMessage(*MessageForm1, 0) == 1;
    AfterRun after(*Label1);
    if (!yes)
        return {};
    const TMainState state = State();
    conv::RunRequest request = RunRequestOf(state);
    const std::string folder = request.outputFolder;
    MEDIA_TRY(conv::CreateOutputFolder(folder));
    Label1->show();
    repaint();
    MEDIA_TRY(StopWithoutBrightness(state.brightnessChosen));
    std::vector<conv::Outcome> record;
    MEDIA_TRY(RunOnWorkers(std::move(request), TConversionRun::Kind::Pictures, *Label1, report, &record));
    WriteRecord(record, folder, "", report.stopped);
    return {};
}

media::Result<void> TChangeForm1::RunMovie(conv::RunReport& report)
{
    // A typed frame field not yet left takes its range rules now.
    for (TSpinEdit* field : {SpinEdit4, SpinEdit5, SpinEdit6})
        field->Settle();
    if (Settings().MovieFile().isEmpty() || !GKitMSPlay1->HasMovie() || !MovieStillThere())
        return {};
    if (AskPlacedMessage(*MessageForm1, 1) != 1)
        return {};
    AfterRun after(*Label1, GKitMSPlay1);
    const TMainState state = State();
    conv::RunRequest request = RunRequestOf(state);
    const std::string folder = request.outputFolder;
    MEDIA_TRY(conv::CreateOutputFolder(folder));
    Label1->show();
    repaint();
    PreviewForm1->close();
    PreviewForm1->GKitMSPlay1->Stop();
    GKitMSPlay1->Pause();
    if (FramesPicked() > 0)
        MEDIA_TRY(after.Ended(StopWithoutBrightness(state.brightnessChosen)));
    std::vector<conv::Outcome> record;
    if (request.inputs.size() > 1) {
        // Several movies dropped: each cut in turn with the same settings, its range
        // brought inside it, its record written when it is done.
        report.movies = int(request.inputs.size());
        const auto movieDone = [&](const std::string& movie, bool cutOff) {
            WriteRecord(record, folder, movie, cutOff);
            record.clear();
        };
        return after.Ended(
            RunOnWorkers(std::move(request), TConversionRun::Kind::Movies, *Label1, report, &record, movieDone));
    }
    // The frames are read through the file the movie control opened, and handed from
    // the reading thread to the workers inside the program: the user's clipboard is
    // never touched.
    request.movieFile = GKitMSPlay1->OpenFile();
    MEDIA_TRY(after.Ended(RunOnWorkers(std::move(request), TConversionRun::Kind::Movie, *Label1, report, &record)));
    WriteRecord(record, folder, state.movie.toStdString(), report.stopped);
    return {};
}
