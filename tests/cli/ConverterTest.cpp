// The command-line converter: options, defaults, exit codes, and the same files
// whatever the number of jobs, and as the main window writes.
#include "engine/Conversion.h"
#include "cli/Manual.h"
#include "cli/Options.h"
#include "cli/Pipeline.h"
#include "cli/Progress.h"
#include "media/editor/ImageEditControl.h"
#include "media/editor/ImageEditor.h"
#include "media/movie/AviWriter.h"
#include "support/Outcome.h"
#include "support/PictureSettingsPrint.h"
#include "support/RunConverter.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"
#include "support/Text.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

using cli::Options;
using cli::ParseOptions;
using cli::UsageError;

namespace {

Options Parse(std::vector<std::string> args) { return ParseOptions(args, cli::DefaultOptions("")); }

std::string UsageMessage(std::vector<std::string> args)
{
    try {
        Parse(std::move(args));
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

// Which source frame the picture file `out`/clip_<frame>.png shows (-1 when it cannot be read).
int SourceFrameOf(const SourceMovie& source, const std::string& out, int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "/clip_%05d.png", frame);
    media::ImageEditor picture;
    std::string error;
    if (!Take(picture.Load(out + name), error))
        return -1;
    return MatchFrame(source, media::ToRgb24(picture.Current()).pixels.data(), frame).best;
}

} // namespace

TEST(ConverterOptions, EveryBadValueIsAUsageErrorNamingTheOptionAndValue)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--format", "gif", "a.avi"}, "--format takes bmp|tiff|jpeg|pcx|png|webp, not 'gif'"},
        {{"--quality", "10", "a.avi"}, "--quality takes a whole number from 0 to 9, not '10'"},
        {{"--quality=x", "a.avi"}, "not 'x'"},
        {{"--quality", "90", "a.avi"}, "not '90'; 90 on a 0-100 scale is about step 6"},
        {{"--colors", "8", "a.avi"}, "--colors takes 2|16|256|gray|full, not '8'"},
        {{"--brightness", "11", "a.avi"}, "--brightness takes a whole number from -10 to 10, not '11'"},
        {{"--rotate", "45", "a.avi"}, "--rotate takes 0, 90, 180 or 270 (clockwise), not '45'"},
        {{"--resize", "0x10", "a.avi"}, "--resize takes WxH"},
        {{"--resize", "2000%", "a.avi"}, "a scale runs from 1% to 1000%"},
        {{"--resize", "0L", "a.avi"}, "sides run from 1 to 9999"},
        {{"--resize", "20Lx", "a.avi"}, "NL, NL> or NS (the long or short side)"},
        {{"--resize", "20x30*", "a.avi"}, "--resize takes WxH"},
        {{"--step", "0", "a.avi"}, "--step takes a whole number from 1"},
        {{"--jobs", "0", "a.avi"}, "--jobs takes a whole number from 1 to 64"},
        {{"--start", "9", "--end", "3", "a.avi"}, "--end 3 lies before --start 9"},
        {{"--output"}, "--output needs a value"},
        {{"--quiet=yes", "a.png"}, "--quiet takes no value"},
        {{"--progresive", "a.avi"}, "unknown option '--progresive'; did you mean '--progressive'?"},
        {{"--zzz", "a.avi"}, "unknown option '--zzz'"},
        {{}, "no files to convert"},
        {{"a.avi", "b.png"}, "'b.png' is not a movie: movies and pictures are converted in runs of their own"},
        {{"a.png", "b.avi"}, "'a.png' is not a movie"},
        {{"--step", "2", "a.png"}, "--start, --end and --step are for movies"},
        {{"--start", "1:75", "a.avi"}, "--start takes a frame or a time (62.5s, 1:02.5, 00:01:02.500), not '1:75'"},
        {{"--start", "9s", "--end", "3s", "a.avi"}, "--end lies before --start"},
        {{"--every", "0", "a.avi"}, "--every takes a time above nothing"},
        {{"--count", "3", "--every", "2s", "a.avi"}, "each pick the pictures their own way: give one"},
        {{"--count", "0", "a.avi"}, "--count takes a whole number from 1"},
        {{"--name", "a/{frame}", "a.avi"}, "--name: the name template 'a/{frame}' holds a '/'"},
        {{"--name", "{x}", "a.avi"}, "has an unknown field {x}"},
        {{"--exists", "keep", "a.avi"}, "--exists takes overwrite, skip or number, not 'keep'"},
        {{"--manifest", "run.txt", "a.avi"}, "--manifest takes a file name ending in .csv, .json or .jsonl, not 'run.txt'"},
        {{"--keyframes", "a.png"}, "are for movies"},
        {{"--stored-size", "a.png"}, "are for movies"},
        {{"--dedup", "a.png"}, "are for movies"},
        {{"--sharpest", "a.avi"}, "--sharpest picks within the strides of --step, --every or --count"},
        {{"--sharpest", "--keyframes", "a.avi"}, "--sharpest picks within the strides"},
        {{"--scenes", "--step", "3", "a.avi"}, "each pick the pictures their own way: give one"},
        {{"--shot-still", "middle", "a.avi"}, "--shot-still and --min-shot go with --scenes"},
        {{"--scenes", "--shot-still", "last", "a.avi"}, "--shot-still takes first, middle or sharpest, not 'last'"},
        {{"--sheet", "0x3", "a.avi"}, "--sheet takes COLSxROWS, each from 1 to 20, or none, not '0x3'"},
        {{"--sprite", "10", "a.avi"}, "--sprite takes COLSxROWS, each from 1 to 50, or none, not '10'"},
        {{"--sheet-only", "a.avi"}, "--sheet-only goes with --sheet or --sprite"},
        {{"--shard", "4/4", "a.avi"}, "--shard takes K/N, K from 0 to N-1, not '4/4'"},
        {{"--at", "1.5s,x", "a.avi"}, "--at takes times or frames (1.5s, 00:01:02.500, 120), not 'x'"},
        {{"--at", "@/nonexistent/at.csv", "a.avi"}, "--at: cannot read '/nonexistent/at.csv'"},
        {{"--at", "3", "--step", "2", "a.avi"}, "--at each pick the pictures their own way"},
        {{"--at", "3", "--start", "2", "a.avi"}, "--at names its pictures itself"},
        {{"--at", "3", "--dedup", "a.avi"}, "--dedup compares each picture with the one before: not with --at"},
        {{"--at", "3", "a.png"}, "are for movies"},
        {{"--shard", "1", "a.avi"}, "--shard takes K/N"},
        {{"--resume", "--manifest", "run.csv", "a.avi"}, "--resume reads and extends the record of --manifest FILE.jsonl"},
        {{"--files-from", "/nonexistent/list.txt"}, "--files-from: cannot read '/nonexistent/list.txt'"},
        {{"--sheet", "4x4", "a.png"}, "are for movies"},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_NE(UsageMessage(args).find(expected), std::string::npos) << UsageMessage(args);
}

TEST(ConverterOptions, ValuesBecomeTheEnginesSettings)
{
    const Options o = Parse({"--format=JPG", "--quality", "7", "--progressive", "--colors", "gray", "--brightness", "-3",
                             "--rotate", "90", "--resize", "640x480!", "-o", "/tmp/x", "-j", "3", "-q", "--start", "5",
                             "--end", "50", "--step", "5", "clip.AVI"});
    EXPECT_EQ(o.picture.format, conv::OutputFormat::Jpeg);
    EXPECT_EQ(o.picture.jpegQuality.step, 7);
    EXPECT_TRUE(o.picture.progressive);
    EXPECT_EQ(o.picture.colourDepth, conv::ColourDepth::Grey);
    EXPECT_EQ(o.picture.brightness, -3);
    EXPECT_EQ(o.picture.rotation, conv::Rotation::Clockwise90);
    EXPECT_EQ(o.picture.resize.mode, conv::ResizeMode::Stretch);
    EXPECT_EQ(o.picture.resize.width, 640);
    EXPECT_EQ(o.picture.resize.height, 480);
    EXPECT_EQ(o.outputFolder, "/tmp/x");
    EXPECT_EQ(o.jobs, 3);
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(o.movieMode);
    EXPECT_EQ(*o.picks.step, 5);
    const Options scaled = Parse({"--resize", "50%", "a.png"});
    EXPECT_EQ(scaled.picture.resize.mode, conv::ResizeMode::Scale);
    EXPECT_EQ(scaled.picture.resize.scalePercent, 50);
    EXPECT_EQ(Parse({"--resize", "50x40", "a.png"}).picture.resize.mode, conv::ResizeMode::Fit);
    EXPECT_EQ(Parse({"--rotate", "270", "a.png"}).picture.rotation, conv::Rotation::Clockwise270);
    EXPECT_EQ(Parse({"--colors", "FULL", "a.png"}).picture.colourDepth, conv::ColourDepth::Full);
    EXPECT_EQ(Parse({"--format", "tif", "a.png"}).picture.format, conv::OutputFormat::Tiff);
    EXPECT_EQ(Parse({"--brightness", "+10", "a.png"}).picture.brightness, 10);
    EXPECT_FALSE(Parse({"--progressive", "--baseline", "a.png"}).picture.progressive);
    EXPECT_EQ(Parse({"--", "-odd name.png"}).inputs, std::vector<std::string>{"-odd name.png"});
}

TEST(ConverterOptions, DefaultsComeFromTheSettingsFileElseTheResetValues)
{
    const Options reset = cli::DefaultOptions("");
    const conv::PictureSettings resetValues; // the struct's defaults, checked here against the window's reset
    EXPECT_EQ(reset.picture, resetValues);
    EXPECT_EQ(resetValues.format, conv::OutputFormat::Bmp);
    EXPECT_EQ(resetValues.jpegQuality.step, 3);
    EXPECT_FALSE(resetValues.progressive);
    EXPECT_EQ(resetValues.colourDepth, conv::ColourDepth::Full);
    EXPECT_EQ(resetValues.brightness, 0);
    EXPECT_EQ(resetValues.rotation, conv::Rotation::None);
    EXPECT_EQ(resetValues.resize, (conv::Resize{conv::ResizeMode::None, 320, 240, 100}));
    EXPECT_EQ(reset.outputFolder, ".");

    // The file keeps list positions: brightness 7 is the eighth entry from +10, +3.
    TempDir dir;
    const std::string ini = dir.File("Pomi_Pomira.ini");
    TempDir::Write(ini, "[SET1]\nPATH=/srv/out\nFORMAT=4\nQUALLITY=9\nINTER=1\nCOLOR=2\nBRIGHT=7\nROTATE=2\nSIZE=1\n"
                        "WIDTH=99999\nHEIGHT=abc\n");
    const Options saved = cli::DefaultOptions(ini);
    EXPECT_EQ(saved.outputFolder, "/srv/out");
    conv::PictureSettings stored;
    stored.format = conv::OutputFormat::Png;
    stored.jpegQuality.step = 9;
    stored.progressive = true;
    stored.colourDepth = conv::ColourDepth::Colours256;
    stored.brightness = 3;
    stored.rotation = conv::Rotation::Clockwise180;
    stored.resize = {conv::ResizeMode::Fit, 9999, 240, 100};
    EXPECT_EQ(saved.picture, stored);
    // Options given override the file.
    EXPECT_EQ(ParseOptions({"--format", "bmp", "a.png"}, saved).picture.format, conv::OutputFormat::Bmp);

    TempDir::Write(ini, "[SET1]\nFORMAT=9\nCOLOR=-1\nBRIGHT=21\n");
    EXPECT_EQ(cli::DefaultOptions(ini).picture.format, conv::OutputFormat::Bmp);
    EXPECT_EQ(cli::DefaultOptions(ini).picture.colourDepth, conv::ColourDepth::Full);
    EXPECT_EQ(cli::DefaultOptions(ini).picture.brightness, 0);
}

TEST(Converter, ParallelRunsWriteTheSameFilesAsOneAtATime)
{
    // An inter codec (decoded by one thread, converted by the workers) and an intra
    // codec with dropped frames (decoded by the workers themselves).
    for (const AviSpec& spec : {AviSpec{"mpeg4", 96, 64, 40, 12, 2, {}, true}, AviSpec{"mjpeg", 96, 64, 40, 1, 0, {4, 5, 21}, true}}) {
        SCOPED_TRACE(spec.codec);
        TempDir dir;
        const std::string movie = dir.File("clip.avi");
        ASSERT_TRUE(WriteAvi(movie, spec));
        std::map<std::string, std::string> first;
        for (int jobs : {1, 4}) {
            Options o = Parse({"--format", "png", "--colors", "256", "--resize", "50x50", "--rotate", "270", "--step", "3", movie});
            o.jobs = jobs;
            o.outputFolder = dir.File("out" + std::to_string(jobs));
            std::vector<int> reported;
            cli::RunTotals totals;
            std::string error;
            ASSERT_TRUE(cli::ConvertMovie(o, [&](const cli::Outcome& out, int) { reported.push_back(out.index); }, totals, error));
            EXPECT_EQ(totals.converted, 14);
            EXPECT_EQ(totals.failed, 0);
            std::vector<int> inOrder(14);
            std::iota(inOrder.begin(), inOrder.end(), 0);
            EXPECT_EQ(reported, inOrder);
            const auto files = TempDir::Contents(o.outputFolder);
            EXPECT_EQ(files.size(), 14u);
            EXPECT_TRUE(files.count("clip_00039.png"));
            if (jobs == 1)
                first = files;
            else
                EXPECT_TRUE(files == first);
        }
    }
}

TEST(Converter, PicturesWithTheSameOutputNameEndAsTheLastOneGiven)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("a"));
    std::filesystem::create_directories(dir.File("b"));
    media::ImageEditControl make;
    for (const auto& [path, value] : {std::pair{dir.File("a/pic.bmp"), 10}, {dir.File("b/pic.png"), 200}, {dir.File("c.bmp"), 90}}) {
        media::Image img;
        img.Allocate(8, 8, media::PixelFormat::Gray8);
        std::fill(img.pixels.begin(), img.pixels.end(), std::uint8_t(value));
        make.SetPicture(img);
        make.SetSaveMediaFormat(path.back() == 'p' ? 101 : 106);
        ASSERT_TRUE(make.Save(path));
    }
    for (int jobs : {1, 3}) {
        Options o = Parse({"--format", "tiff", dir.File("a/pic.bmp"), dir.File("c.bmp"), dir.File("b/pic.png")});
        o.jobs = jobs;
        o.outputFolder = dir.File("out");
        cli::RunTotals totals;
        cli::ConvertPictures(o, nullptr, totals);
        EXPECT_EQ(totals.converted, 3);
        media::ImageEditor check;
        std::string error;
        ASSERT_TRUE(Take(check.Load(dir.File("out/pic.tif")), error));
        EXPECT_EQ(check.Current().pixels[0], 200);
        // Nobody is left in the dark about the picture that was written over.
        const auto clashes = conv::NameClashes(totals.written);
        ASSERT_EQ(clashes.size(), 1u);
        EXPECT_EQ(cli::ClashText(clashes[0]), dir.File("a/pic.bmp") + " and " + dir.File("b/pic.png") +
                                                  " were both written as " + dir.File("out") +
                                                  "/pic.tif; the later one is kept");
    }
}

// A worker whose converter cannot be made (here: a quality the control refuses)
// fails each of its pictures with the reason instead of ending the program, and the
// run still comes to its end.
TEST(Converter, AWorkerThatCannotWorkFailsItsPicturesWithTheReasonAndTheRunEnds)
{
    TempDir dir;
    const std::string movie = dir.File("clip.avi");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{"mpeg4", 32, 24, 12}));
    TempDir::Write(dir.File("note.png"), "not even a picture");
    for (int jobs : {1, 3}) {
        for (bool movieMode : {true, false}) {
            Options o = Parse({"--format", "jpeg", movie});
            if (!movieMode)
                o.inputs = {dir.File("note.png"), dir.File("note.png")};
            o.picture.jpegQuality.step = 42;
            o.jobs = jobs;
            o.outputFolder = dir.File("out");
            cli::RunTotals totals;
            std::vector<std::string> errors;
            const cli::Report report = [&](const cli::Outcome& out, int) { errors.push_back(out.error); };
            std::string error;
            if (movieMode)
                EXPECT_TRUE(cli::ConvertMovie(o, report, totals, error)) << error;
            else
                cli::ConvertPictures(o, report, totals);
            EXPECT_EQ(totals.converted, 0);
            EXPECT_EQ(totals.failed, movieMode ? 12 : 2);
            for (const std::string& e : errors)
                EXPECT_NE(e.find("SaveQuality"), std::string::npos) << e;
        }
    }
}

TEST(Converter, ExitStatusTellsWhetherEverythingWasWritten)
{
    TempDir dir;
    const std::string movie = dir.File("clip.avi");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{"mjpeg", 32, 24, 12}));
    const std::string out = dir.File("out");
    EXPECT_EQ(RunConverter("-q --format jpeg --step 5 -o '" + out + "' '" + movie + "'"), 0);
    EXPECT_EQ(TempDir::Contents(out).size(), 3u);
    TempDir::Write(dir.File("broken.png"), "not a png");
    EXPECT_EQ(RunConverter("-q -o '" + out + "' '" + dir.File("broken.png") + "' '" + out + "/clip_00000.jpg'"), 1);
    EXPECT_EQ(RunConverter("--nope '" + movie + "'"), 2);
    EXPECT_EQ(RunConverter("'" + dir.File("missing.avi") + "'"), 1);
    EXPECT_EQ(RunConverter("--help"), 0);
}

// Several movies in one run: each cut with the same settings under its own name, the
// same files as a run of its own; a range beyond a shorter movie's end brought inside
// it and said; a movie that cannot be read named with its reason, the others done.
TEST(Converter, SeveralMoviesInOneRunGiveTheFilesOfARunEach)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const std::string a = dir.File("a.mp4"), b = dir.File("b v.mkv"), c = dir.File("c.avi");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(MakeSource(48, 32, 30), a, {"-c:v", "libx264", "-bf", "2"}, error)) << error;
    ASSERT_TRUE(EncodeWithFfmpeg(MakeSource(40, 30, 12), b, {"-c:v", "mpeg4", "-q:v", "2"}, error)) << error;
    ASSERT_TRUE(WriteAvi(c, AviSpec{"mjpeg", 32, 24, 20}));
    const std::string settings = "--format png --start 15 --step 2 -o ";
    for (const std::string& movie : {a, b, c})
        RunConverter("-q " + settings + "'" + dir.File("apart") + "' '" + movie + "'");
    const auto apart = TempDir::Contents(dir.File("apart"));
    // The mkv has 12 frames: alone, its start lies beyond its end and it fails.
    EXPECT_FALSE(apart.count("b v_00011.png"));

    const std::string log = dir.File("log.txt");
    const int status = std::system(("'" + std::string(POMI_CONVERT) + "' " + settings + "'" + dir.File("together") +
                                    "' '" + a + "' '" + b + "' '" + dir.File("missing.mp4") + "' '" + c + "' 2>'" + log +
                                    "'")
                                       .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a movie failed";
    const auto together = TempDir::Contents(dir.File("together"));
    std::map<std::string, std::string> expected = apart;
    expected["b v_00011.png"] = together.count("b v_00011.png") ? together.at("b v_00011.png") : "";
    EXPECT_EQ(together.size(), 8u + 1 + 3); // a: 15..29 by 2; b: its last; c: 15, 17, 19
    EXPECT_TRUE(together == expected) << "the files differ from a run each";
    const std::string said = TempDir::Read(log);
    for (const std::string& line : std::vector<std::string>{"b v.mkv: --start 15 lies beyond the last frame, 11: from 11",
                                    dir.File("missing.mp4") + ": ", "12 written to"})
        EXPECT_NE(said.find(line), std::string::npos) << line << "\nin:\n" << said;
}

// Movies in the containers people use are taken by their names in either case, and
// their pictures come out under the movie's name.
TEST(Converter, MoviesInEveryCommonContainerAreCutUnderTheirNames)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(48, 32, 12);
    for (const char* name : {"clip.mp4", "clip.MKV", "clip.webm", "clip.ts", "clip.mov", "clip.mpg"}) {
        SCOPED_TRACE(name);
        const std::string movie = dir.File(name), out = dir.File(std::string("out-") + name);
        std::string error;
        const std::string ext = name + 5;
        const std::vector<std::string> codec = ext == "webm" ? std::vector<std::string>{"-c:v", "libvpx", "-b:v", "1M"}
                                               : ext == "mpg" ? std::vector<std::string>{"-c:v", "mpeg2video", "-q:v", "2"}
                                                              : std::vector<std::string>{"-c:v", "mpeg4", "-q:v", "2"};
        ASSERT_TRUE(EncodeWithFfmpeg(source, movie, codec, error)) << error;
        EXPECT_EQ(RunConverter("-q --format png --step 5 -o '" + out + "' '" + movie + "'"), 0);
        const auto files = TempDir::Contents(out);
        EXPECT_EQ(files.size(), 3u);
        for (const char* want : {"clip_00000.png", "clip_00005.png", "clip_00010.png"})
            EXPECT_TRUE(files.count(want)) << want;
    }
}

// Where a movie's key pictures let runs begin anywhere (MP4 here), a strided run reads
// its stretches with a reader a core: every picture is still its source frame, and
// the files are those of one reader.
TEST(Converter, StretchesReadSideBySideGiveTheSourceFramesAndTheFilesOfOneReader)
{
    if (!HaveFfmpeg() || !HasEncoder("libx264"))
        GTEST_SKIP() << "the ffmpeg program or its H.264 encoder is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(64, 48, 60);
    const std::string movie = dir.File("clip.mp4");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie, {"-c:v", "libx264", "-bf", "2", "-g", "8", "-crf", "10"}, error)) << error;
    std::map<std::string, std::string> first;
    for (int jobs : {1, 3}) {
        const std::string out = dir.File("out" + std::to_string(jobs));
        EXPECT_EQ(RunConverter("-q --format png --colors full --step 3 --start 1 -j " + std::to_string(jobs) + " -o '" +
                               out + "' '" + movie + "'"),
                  0);
        const auto files = TempDir::Contents(out);
        ASSERT_EQ(files.size(), 20u);
        if (jobs == 1) {
            first = files;
            continue;
        }
        EXPECT_TRUE(files == first);
        for (int frame = 1; frame < 60; frame += 3)
            EXPECT_EQ(SourceFrameOf(source, out, frame), frame);
    }
}

// A movie whose frame n is shown at 5 n² ms (a variable frame rate), cut by time,
// by count and by key pictures: the files are the frames those times and counts name
// (worked out from 5 n² by hand), each its source frame.
TEST(Converter, TimesCountsAndKeyPicturesPickTheFramesTheySay)
{
    if (!HaveFfmpeg() || !HasEncoder("libx264"))
        GTEST_SKIP() << "the ffmpeg program or its H.264 encoder is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(64, 48, 40);
    const std::string movie = dir.File("clip.mp4");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie,
                                 {"-vf", "settb=1/1000,setpts=N*N*0.005/TB", "-fps_mode", "passthrough", "-enc_time_base",
                                  "1:1000", "-video_track_timescale", "1000", "-c:v", "libx264", "-bf", "2", "-g", "8",
                                  "-sc_threshold", "0", "-crf", "10"},
                                 error))
        << error;
    const struct {
        const char* options;
        std::vector<int> frames;
    } cases[] = {
        // The last frame shown by 0, 1, 2 ... 7 s: 5 n² <= 1000 k.
        {"--every 1s", {0, 14, 20, 24, 28, 31, 34, 37}},
        {"--count 5", {0, 10, 20, 29, 39}},
        {"--keyframes", {0, 8, 16, 24, 32}},
        {"--start 0:01 --end 3s --step 2", {14, 16, 18, 20, 22, 24}},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string out = dir.File("out" + std::to_string(run++));
        EXPECT_EQ(RunConverter(std::string("-q --format png --colors full -j 3 ") + c.options + " -o '" + out + "' '" +
                               movie + "'"),
                  0);
        const auto files = TempDir::Contents(out);
        EXPECT_EQ(files.size(), c.frames.size());
        for (int frame : c.frames)
            EXPECT_EQ(SourceFrameOf(source, out, frame), frame);
    }

    // The manifest: each file with its frame, its time (5 n² ms), whether it is a key
    // picture (every 8th), its size and the SHA-256 sha256sum gives its bytes.
    const std::string out = dir.File("recorded"), manifest = dir.File("run.csv");
    ASSERT_EQ(RunConverter("-q --format png --every 1s --manifest '" + manifest + "' -o '" + out + "' '" + movie + "'"),
              0);
    std::istringstream rows(TempDir::Read(manifest));
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row, "file,source,frame,time,key,width,height,sha256,error,status");
    for (int frame : cases[0].frames) {
        ASSERT_TRUE(std::getline(rows, row));
        char name[32], time[32];
        std::snprintf(name, sizeof name, "/clip_%05d.png", frame);
        std::snprintf(time, sizeof time, "%.6f", 0.005 * frame * frame);
        const std::string sum = CommandOutput("sha256sum '" + out + name + "'").substr(0, 64);
        EXPECT_EQ(row, out + name + "," + movie + "," + std::to_string(frame) + "," + time + "," +
                           (frame % 8 == 0 ? "yes" : "no") + ",64,48," + sum + ",,written");
    }
    EXPECT_FALSE(std::getline(rows, row)) << row;
    // Run again passing over the files there: the same rows, as they are on disk.
    const std::string again = dir.File("again.csv");
    ASSERT_EQ(RunConverter("-q --format png --every 1s --exists skip --manifest '" + again + "' -o '" + out + "' '" +
                           movie + "'"),
              0);
    EXPECT_EQ(TempDir::Read(again),
              ReplacedAll(ReplacedAll(TempDir::Read(manifest), ",64,48,", ",,,"), ",written\n", ",there already\n"));
}

// Stills named from a template (frame n of a 25 fps movie shows at n / 25 s); a
// template giving two stills one name writes nothing; files there already are
// written over, passed over or written beside under numbered names.
TEST(Converter, StillsAreNamedFromATemplateAndFilesThereAlreadyAreTreatedAsAsked)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(64, 48, 10);
    const std::string movie = dir.File("clip.avi");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, movie, {"-c:v", "mpeg4", "-q:v", "2"}, error)) << error;
    const auto run = [&](const std::string& options, const std::string& out) {
        return RunConverter("-q --format png " + options + " -o '" + out + "' '" + movie + "'");
    };
    const std::string named = dir.File("named");
    EXPECT_EQ(run("--step 3 --name '{movie}-{n}-{time}'", named), 0);
    std::vector<std::string> names;
    for (const auto& [name, bytes] : TempDir::Contents(named))
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"clip-1-00.00.00.000.png", "clip-2-00.00.00.120.png",
                                               "clip-3-00.00.00.240.png", "clip-4-00.00.00.360.png"}));
    EXPECT_EQ(run("--name '{movie}'", dir.File("one-name")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("one-name")));

    const std::string out = dir.File("out");
    ASSERT_EQ(run("--step 5", out), 0);
    TempDir::Write(out + "/clip_00000.png", "kept");
    std::filesystem::remove(out + "/clip_00005.png");
    EXPECT_EQ(run("--step 5 --exists skip", out), 0);
    auto files = TempDir::Contents(out);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files["clip_00000.png"], "kept");
    EXPECT_EQ(SourceFrameOf(source, out, 5), 5);
    EXPECT_EQ(run("--step 5 --exists number", out), 0);
    files = TempDir::Contents(out);
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(files["clip_00000.png"], "kept");
    EXPECT_TRUE(files.count("clip_00000-1.png") && files.count("clip_00005-1.png"));
    EXPECT_EQ(run("--step 5", out), 0);
    EXPECT_NE(TempDir::Contents(out)["clip_00000.png"], "kept");
}

TEST(ConverterProgress, FailuresAreNamedOnceAndTheSummaryCounts)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        cli::Progress progress(out, false, false);
        cli::Outcome failed;
        failed.source = "/p/a.png";
        failed.error = "/p/a.png: not a BMP, TIFF, JPEG, PCX or PNG picture";
        progress.Update(failed, 2);
        cli::Outcome otherFailure;
        otherFailure.source = "clip.avi#3";
        otherFailure.error = "the frame cannot be decoded";
        progress.Update(otherFailure, 2);
        cli::RunTotals totals{0, 2};
        totals.shape = "720 x 480 stored, shown 640 x 480";
        progress.Summary(totals, "/out/put");
    }
    std::rewind(out);
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, out))
        text += buf;
    std::fclose(out);
    EXPECT_NE(text.find("pomi-pomira-convert: /p/a.png: not a BMP"), std::string::npos) << text;
    EXPECT_EQ(text.find("/p/a.png: /p/a.png"), std::string::npos) << text;
    EXPECT_NE(text.find("pomi-pomira-convert: clip.avi#3: the frame cannot be decoded"), std::string::npos);
    EXPECT_NE(text.find("0 written to /out/put, 2 failed"), std::string::npos);
    EXPECT_NE(text.find("pixels not square: 720 x 480 stored, shown 640 x 480\n"), std::string::npos) << text;
}

// --help fits a terminal, says every exit status and has each section once; the manual made from it, as groff
// renders it, has the help's sections as its only sub-headings (an option's wrapped
// lines are its text, not headings of their own).
TEST(ConverterManual, HelpFitsATerminalAndTheManualRendersOnlyItsSectionsAsHeadings)
{
    const std::string help = cli::HelpText();
    std::istringstream lines(help);
    std::vector<std::string> sections;
    for (std::string line; std::getline(lines, line);) {
        const auto characters = std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
        EXPECT_LE(characters, 80) << line;
        if (line.size() > 1 && line.back() == ':' && line.front() != ' ')
            sections.push_back(line);
    }
    EXPECT_NE(help.find("130 when stopped by Ctrl+C"), std::string::npos);
    ASSERT_GE(sections.size(), 4u);
    EXPECT_EQ(std::set<std::string>(sections.begin(), sections.end()).size(), sections.size()) << "a section twice";
    if (std::system("command -v groff >/dev/null") != 0)
        GTEST_SKIP() << "groff is missing";
    TempDir dir;
    const std::string page = dir.File("pomi-pomira-convert.1"), shown = dir.File("shown.txt"), said = dir.File("said");
    TempDir::Write(page, cli::ManualPage());
    ASSERT_EQ(std::system(("groff -man -Tutf8 -P-cbou -ww '" + page + "' >'" + shown + "' 2>'" + said + "'").c_str()), 0);
    EXPECT_EQ(TempDir::Read(said), "");
    std::vector<std::string> headings; // sub-headings are set three columns in
    std::istringstream rendered(TempDir::Read(shown));
    for (std::string line; std::getline(rendered, line);)
        if (line.size() > 3 && line.compare(0, 3, "   ") == 0 && line[3] != ' ')
            headings.push_back(line.substr(3));
    EXPECT_EQ(headings, sections);
}
