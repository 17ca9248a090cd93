// The main window's run against the engine's own time for the same work: every
// frame of a 640 × 480 MJPEG movie to JPEG. The window's run goes frame by frame
// through the clipboard on one thread; the engine's reference decodes, runs the
// picture chain and saves on one thread too. Prints both and the ratio.
//
//   build/gui_run_bench [movie, default /tmp/pomi-bench/mjpeg.avi]
#include "app/ChangeWindow1.h"
#include "app/Startup.h"
#include "app/conversion/Conversion.h"
#include "framework/Application.h"
#include "media/movie/MovieReader.h"
#include "message/MessageWindow1.h"

#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {
double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    fw::TApplication app(argc, argv);
    const std::string movie = argc > 1 ? argv[1] : "/tmp/pomi-bench/mjpeg.avi";
    const std::string out = "/tmp/pomi-bench/gui-run";
    std::filesystem::remove_all(out);
    std::filesystem::remove_all(out + "-engine");

    CreateForms();
    ChangeForm1->SettingsFileName = QString::fromStdString(out + ".ini");
    ChangeForm1->show();
    TConvertSettings s = ChangeForm1->Settings();
    conv::PictureSettings picture;
    picture.format = conv::OutputFormat::Jpeg;
    picture.jpegQuality = 7;
    ChangeForm1->ShowPictureSettings(picture, true);
    s.setOutputFolder(QString::fromStdString(out));
    ChangeForm1->Edit2->setFilename(QString::fromStdString(movie));
    // The question is answered yes as soon as it is asked.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (MessageForm1->isVisible())
            MessageForm1->SSButton1Click();
    });
    answer.start(1);
    const double window = Seconds([] { ChangeForm1->SSButton1Click(); });
    answer.stop();
    const auto files = std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator());

    // The engine alone, one thread: decode, chain, save.
    const double engine = Seconds([&] {
        std::string error;
        auto reader = media::MovieReader::Open(movie, error);
        media::ImageEditControl control;
        const std::string ext = conv::PrepareSave(control, picture);
        conv::CreateOutputFolder(out + "-engine");
        reader->ReadRun(0, reader->PositionCount() - 1, 1, [&](int pos, const media::Image* img) {
            media::Image image;
            image.Allocate(img->width, img->height, media::PixelFormat::Rgb24);
            image.pixels = img->pixels;
            control.SetPicture(std::move(image));
            conv::ApplyPictureChain(control, picture);
            conv::SavePicture(control, conv::MovieOutputPath(out + "-engine", movie, pos, ext));
            return true;
        });
    });
    std::printf("window's run: %ld files in %.2f s; engine alone: %.2f s; overhead %.2fx\n", long(files), window, engine,
                window / engine);
    DestroyForms();
    return 0;
}
