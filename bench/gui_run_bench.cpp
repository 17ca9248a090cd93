// The main window's run against the command line on the same job, timed from the
// answer to the grandmother's question taking effect to the end of the run, the
// command line from its start to its end:
// every frame of each movie to JPEG, same settings, into tmpfs. Prints both times and
// the ratio.
//
//   build/gui_run_bench [movie...]
//     default: /tmp/pomi-bench/mjpeg422-640-1000.avi (1,000 noisy 640 × 480 Motion
//     JPEG 4:2:2 frames) and /tmp/pomi-bench/h264-720.mp4 (720p H.264), made with
//     ffmpeg when missing.
#include "windows/ChangeWindow1.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "windows/MessageWindow1.h"

#include <QEvent>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long FilesIn(const std::string& folder)
{
    return long(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

void MakeMissing(const std::string& path, const std::string& ffmpegArguments)
{
    if (std::filesystem::exists(path))
        return;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string command = "ffmpeg -v error -nostdin -y " + ffmpegArguments + " '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not make %s (is ffmpeg installed?)\n", path.c_str());
        std::exit(1);
    }
}

// Notes when a widget is shown.
class ShownAt : public QObject {
public:
    Clock::time_point at;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            at = Clock::now();
        return false;
    }
};

// The window converts every frame of `movie` into `out`; seconds from the answer
// taking effect (the run's counter appearing) to the end of the run.
double WindowRun(const TProgramWindows& windows, const std::string& movie, const std::string& out)
{
    TChangeForm1* ChangeForm1 = &windows.Main();
    TMessageForm1* MessageForm1 = &windows.Message();
    TConvertSettings s = ChangeForm1->Settings();
    conv::PictureSettings picture;
    picture.format = conv::OutputFormat::Jpeg;
    picture.jpegQuality.step = 7;
    ChangeForm1->ShowPictureSettings(picture, true);
    s.setOutputFolder(QString::fromStdString(out));
    ChangeForm1->Edit2->setFilename(QString::fromStdString(movie));
    // Answered as a reader in a hurry does: a press on the text, then "yes". The
    // grandmother finishes her line before her window goes; the run begins when its
    // counter is shown.
    ShownAt started;
    ChangeForm1->Label1->hide(); // as after a run
    ChangeForm1->Label1->installEventFilter(&started);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!MessageForm1->isVisible())
            return;
        watch.stop();
        QTest::mousePress(MessageForm1->Image1, Qt::LeftButton);
        QTest::mouseClick(MessageForm1->SSButton1, Qt::LeftButton);
    });
    watch.start(1);
    ChangeForm1->SSButton1Click();
    ChangeForm1->Label1->removeEventFilter(&started);
    return Since(started.at);
}

double CommandLineRun(const std::string& program, const std::string& movie, const std::string& out)
{
    const std::string command = "'" + program + "' -q --format jpeg --quality 7 --colors full --brightness 0 " +
                                "--rotate 0 --resize none -o '" + out + "' '" + movie + "'";
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "the command line failed on %s\n", movie.c_str());
    return Since(start);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    fw::TApplication app(argc, argv);
    std::vector<std::string> movies(argv + 1, argv + argc);
    if (movies.empty()) {
        const std::string mjpeg = "/tmp/pomi-bench/mjpeg422-640-1000.avi", h264 = "/tmp/pomi-bench/h264-720.mp4";
        MakeMissing(mjpeg, "-f lavfi -i 'testsrc2=size=640x480:rate=25,noise=alls=10:allf=t' -frames:v 1000 "
                           "-c:v mjpeg -pix_fmt yuvj422p -q:v 2");
        MakeMissing(h264, "-f lavfi -i 'testsrc2=size=1280x720:rate=30,noise=alls=8:allf=t' -frames:v 600 "
                          "-c:v libx264 -preset veryfast -bf 3 -g 60 -b:v 8M -pix_fmt yuv420p");
        movies = {mjpeg, h264};
    }
    const std::string program = (std::filesystem::path(argv[0]).parent_path() / "pomi-pomira-convert").string();
    const std::string scratch = "/dev/shm/pomi-gui-run-bench";

    // What the window would show in a message box is printed instead (a box would wait).
    fw::SetErrorDisplay([](const QString& text) { std::fprintf(stderr, "the window says: %s\n", qPrintable(text)); });
    TProgramWindows windows;
    TChangeForm1* ChangeForm1 = &windows.Main();
    ChangeForm1->SettingsFileName = QString::fromStdString(scratch + ".ini");
    ChangeForm1->show();
    std::printf("%-44s %9s %9s %8s\n", "every frame to JPEG", "window s", "cli s", "window/cli");
    for (const std::string& movie : movies) {
        std::filesystem::remove_all(scratch);
        const double window = WindowRun(windows, movie, scratch + "/window");
        const double cli = CommandLineRun(program, movie, scratch + "/cli");
        const long files = FilesIn(scratch + "/window");
        if (files != FilesIn(scratch + "/cli"))
            std::fprintf(stderr, "the window wrote %ld files, the command line %ld\n", files, FilesIn(scratch + "/cli"));
        std::printf("%-44s %9.2f %9.2f %8.2f\n", (std::filesystem::path(movie).filename().string() + " (" +
                                                   std::to_string(files) + " files)").c_str(),
                    window, cli, window / cli);
    }
    std::filesystem::remove_all(scratch);
    return 0;
}
