// The bound of a movie job on this machine: the same job's decoding (to RGB) and its
// encoding and saving, each timed alone on one thread with the converter's own
// libraries and settings; divided by the cores, it is the least wall time a job
// that keeps every core busy could take.
//
//   build/pipeline_bound OPTION... MOVIE   (the converter's options, e.g. --format jpeg;
//                                           with -o DIR the files are written there and kept)
// prints: "<decode s> <encode s> <cores>"
#include "cli/Options.h"
#include "media/editor/ImageEditControl.h"
#include "media/movie/MovieReader.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    cli::Options o;
    try {
        o = cli::ParseOptions(args, cli::DefaultOptions(""));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pipeline_bound: %s\n", e.what());
        return 2;
    }
    if (o.inputs.size() != 1)
        return 2;
    auto opened = media::MovieReader::Open(o.inputs.front(), {1});
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.Message().c_str());
        return 1;
    }
    auto& reader = *opened;
    // With -o the files stay for the caller to remove (bench/run deletes nothing while
    // it measures: on this disk, creating files just after many were deleted is slower).
    const bool keep = o.outputFolder != cli::DefaultOptions("").outputFolder;
    const std::string folder =
        keep ? o.outputFolder : (std::filesystem::temp_directory_path() / "pomi-bound").string();
    std::filesystem::create_directories(folder);
    media::ImageEditor editor;
    const std::string ext = conv::EntryOf(conv::kOutputFormats, o.picture.format).ext;

    using Clock = std::chrono::steady_clock;
    const auto since = [](Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); };
    double decode = 0, encode = 0;
    media::FrameDeveloper developer(*reader);
    auto mark = Clock::now();
    const media::Result<std::vector<int>> positions =
        conv::PickPositions(o.picks, reader->PresentationTimes(), reader->KeyPositions(), o.inputs.front());
    if (!positions) {
        std::fprintf(stderr, "%s\n", positions.Message().c_str());
        return 1;
    }
    reader->ReadPositionsUndeveloped(*positions,
                               [&](int position, media::UndevelopedFrame&& frame) {
                                   media::Image picture;
                                   const bool developed = developer.Develop(frame, picture);
                                   decode += since(mark);
                                   mark = Clock::now();
                                   editor.SetImage(std::move(picture));
                                   if (developed && editor.HasImage())
                                       (void)conv::ConvertPicture(
                                           editor, o.picture, std::nullopt,
                                           conv::MovieOutputPath(folder, o.inputs.front(), position, ext), folder);
                                   encode += since(mark);
                                   mark = Clock::now();
                                   return true;
                               });
    if (!keep)
        std::filesystem::remove_all(folder);
    std::printf("%.3f %.3f %u\n", decode, encode, std::max(1u, std::thread::hardware_concurrency()));
    return 0;
}
