// The command line against what a hostile user or a failing disk does: folders and
// junk among the arguments, a disk that refuses writes, kills at any moment, odd
// names; and atomic writes on many threads at once.
#include "framework/AtomicFile.h"
#include "media/editor/ImageEditor.h"
#include "media/movie/AviWriter.h"
#include "support/Outcome.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string errors;
};

// Runs the converter through the shell (`prefix` may set limits first), capturing stderr.
Result Convert(const std::string& arguments, const std::string& prefix = "")
{
    TempDir scratch;
    const std::string err = scratch.File("stderr");
    const std::string command = prefix + "'" + POMI_CONVERT + "' -q " + arguments + " 2>'" + err + "'";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TempDir::Read(err)};
}

int Lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WritePng(const std::string& path, int shade, int width = 8, int height = 8)
{
    media::ImageEditor editor;
    media::Image img;
    ASSERT_TRUE(img.Allocate(width, height, media::PixelFormat::Rgb24));
    std::fill(img.pixels.begin(), img.pixels.end(), std::uint8_t(shade));
    editor.SetImage(std::move(img));
    std::string error;
    ASSERT_TRUE(Take(editor.Save(path, media::ImageFormat::Png, {}), error)) << error;
}

} // namespace

TEST(HostileRuns, FoldersMissingFilesAndJunkArePassedOverTheRestConverted)
{
    TempDir dir;
    WritePng(dir.File("a.png"), 10);
    WritePng(dir.File("b.png"), 20);
    fs::create_directories(dir.File("sub.png")); // a folder named like a picture
    fs::create_directories(dir.File("folder"));
    TempDir::Write(dir.File("notes.txt"), "hello");
    const std::string out = dir.File("out");
    const Result r = Convert("--format bmp -o '" + out + "' '" + dir.File("a.png") + "' '" + dir.File("folder") + "' '" +
                             dir.File("sub.png") + "' '" + dir.File("missing.png") + "' '" + dir.File("notes.txt") +
                             "' '" + dir.File("b.png") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Names(out), (std::vector<std::string>{"a.bmp", "b.bmp"}));
    for (const char* named : {"folder: is a folder", "sub.png: is a folder", "missing.png: No such file or directory",
                              "notes.txt: is neither"})
        EXPECT_NE(r.errors.find(named), std::string::npos) << named << " in\n" << r.errors;
    EXPECT_EQ(Lines(r.errors), 4) << r.errors;
    // A missing input is named with the system's reason, alone (whatever its name),
    // among pictures and among movies.
    const std::string movie = dir.File("clip.avi");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{"mjpeg", 32, 24, 5}));
    for (const auto& [missing, others] : {std::pair(dir.File("missing"), std::string()),
                                          std::pair(dir.File("missing.jpg"), std::string()),
                                          std::pair(dir.File("missing.png"), dir.File("a.png")),
                                          std::pair(dir.File("missing.mp4"), movie)}) {
        const Result run = Convert("-q -o '" + out + "' '" + missing + "'" + (others.empty() ? "" : " '" + others + "'"));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find(missing + ": No such file or directory"), std::string::npos) << run.errors;
    }
    // A run that has nothing to write makes no folder and gives no rate.
    const std::string log = dir.File("log.txt");
    std::system(("'" + std::string(POMI_CONVERT) + "' -o '" + dir.File("never") + "' '" + dir.File("missing.png") +
                 "' 2>'" + log + "'")
                    .c_str());
    EXPECT_FALSE(fs::exists(dir.File("never")));
    EXPECT_NE(TempDir::Read(log).find("0 written to"), std::string::npos) << TempDir::Read(log);
    EXPECT_EQ(TempDir::Read(log).find("pictures/s"), std::string::npos) << TempDir::Read(log);
    // A usage error still stops everything at once.
    EXPECT_EQ(Convert("--colors 3 '" + dir.File("a.png") + "'").status, 2);
}

TEST(HostileRuns, AnOutputFolderThatCannotBeMadeIsOneErrorWithTheRealReason)
{
    TempDir dir;
    const std::string movie = dir.File("clip.avi");
    ASSERT_TRUE(WriteAvi(movie, AviSpec{"mjpeg", 32, 24, 100}));
    TempDir::Write(dir.File("plain"), "a file, not a folder");
    const Result r = Convert("-o '" + dir.File("plain/out") + "' '" + movie + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.errors), 1) << r.errors;
    EXPECT_NE(r.errors.find(dir.File("plain/out")), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("Not a directory"), std::string::npos) << r.errors;
}

// A disk that refuses to write (here: a file size limit, as a full disk refuses):
// the run stops at the first refusal with one message naming the folder and the
// reason, leaves no temporary file, keeps the older file under the same name, and
// the end report counts what was written.
TEST(HostileRuns, AWriteErrorStopsTheRunAtOnceAndLosesNothing)
{
    TempDir dir;
    const std::string movie = dir.File("clip.avi");
    AviSpec spec{"mjpeg", 160, 120, 60};
    spec.textured = true;
    ASSERT_TRUE(WriteAvi(movie, spec));
    const std::string out = dir.File("out");
    fs::create_directories(out);
    TempDir::Write(out + "/clip_00000.bmp", "older file");
    // BMPs of 160 × 120 take 57 KB; the limit allows 20 KB a file.
    for (int jobs : {1, 4}) {
        const Result r = Convert("--format bmp --colors full -j " + std::to_string(jobs) + " -o '" + out + "' '" +
                                     movie + "'",
                                 "ulimit -f 40; trap '' XFSZ; ");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(Lines(r.errors), 1) << r.errors;
        EXPECT_NE(r.errors.find("cannot write into " + out + ": File too large"), std::string::npos) << r.errors;
        EXPECT_EQ(Names(out), (std::vector<std::string>{"clip_00000.bmp"}));
        EXPECT_EQ(TempDir::Read(out + "/clip_00000.bmp"), "older file");
    }
}

// A resize that cannot be done fails the picture with the reason and writes
// nothing, instead of saving it at its old size as if it had been done.
TEST(HostileRuns, AnImpossibleResizeFailsThePictureWithTheReasonAndWritesNothing)
{
    struct Case {
        int width, height;
        const char* resize;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {40, 30, "1%", "1% of 40 × 30 is less than one pixel"},
        {150, 1, "50%", "50% of 150 × 1 is less than one pixel"},
        {4000, 3000, "1000%", "1000% of 4000 × 3000 is 40000 × 30000, larger than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resize);
        TempDir dir;
        const std::string picture = dir.File("pic.png"), out = dir.File("out");
        WritePng(picture, 90, c.width, c.height);
        const Result r = Convert("--format png --resize " + std::string(c.resize) + " -o '" + out + "' '" + picture + "'");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.errors.find(picture + ": " + c.reason), std::string::npos) << r.errors;
        EXPECT_TRUE(Names(out).empty());
    }
}

// Killed at any moment, the converter never leaves a broken picture under a final
// name, and no temporary file stays behind the next run.
TEST(HostileRuns, KilledAtAnyMomentEveryFinishedPictureIsWholeAndNoTemporaryFileStays)
{
    TempDir dir;
    const std::string movie = dir.File("clip.avi");
    AviSpec spec{"mjpeg", 320, 240, 400};
    spec.textured = true;
    ASSERT_TRUE(WriteAvi(movie, spec));
    const std::string out = dir.File("out");
    std::mt19937 random(77);
    for (int trial = 0; trial < 20; ++trial) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execl(POMI_CONVERT, POMI_CONVERT, "-q", "--format", "png", "-j", "2", "-o", out.c_str(), movie.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 400));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    ASSERT_TRUE(fs::is_directory(out));
    // A kill between naming a replacement and putting it in place may leave one
    // temporary file: the next run into the folder removes it.
    EXPECT_EQ(Convert("--format png --end 0 -o '" + out + "' '" + movie + "'").status, 0);
    int pictures = 0;
    for (const auto& e : fs::directory_iterator(out)) {
        const std::string name = e.path().filename().string();
        EXPECT_FALSE(fw::IsTemporaryName(name)) << name;
        EXPECT_EQ(name.rfind("clip_", 0), 0u) << name;
        media::ImageEditor check;
        std::string error;
        EXPECT_TRUE(Take(check.Load(e.path().string()), error)) << error;
        EXPECT_EQ(check.Current().width, 320);
        ++pictures;
    }
    EXPECT_GT(pictures, 0);
}

TEST(HostileRuns, NamesWithBlanksJapaneseNewlinesAndDashesKeepTheirNames)
{
    TempDir dir;
    const std::string folder = dir.File("出力 フォルダ " + std::string(200, 'x'));
    fs::create_directories(folder);
    const std::vector<std::string> sources = {"a picture.png", "写真.png", "line\nbreak.png", "-dash.png",
                                              std::string(240, 'n') + ".png"};
    std::string args;
    for (const std::string& s : sources) {
        WritePng(folder + "/" + s, 50);
        args += " '" + folder + "/" + s + "'";
    }
    const std::string out = dir.File("結果");
    const Result r = Convert("--format jpeg -o '" + out + "' --" + args);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(Names(out), (std::vector<std::string>{"-dash.jpg", "a picture.jpg", "line\nbreak.jpg",
                                                    std::string(240, 'n') + ".jpg", "写真.jpg"}));
    // Output names of 255 bytes are written (the temporary name is short); one byte
    // more is a clear error with the system's reason, never about a temporary file.
    for (int length : {245, 246}) {
        const std::string movie = dir.File(std::string(std::size_t(length), 'm') + ".avi");
        ASSERT_TRUE(WriteAvi(movie, AviSpec{"mjpeg", 32, 24, 3}));
        const std::string movieOut = dir.File("movie out");
        const Result run = Convert("--format jpeg -o '" + movieOut + "' '" + movie + "'");
        if (length == 245) {
            EXPECT_EQ(run.status, 0) << run.errors;
            EXPECT_TRUE(fs::exists(movieOut + "/" + std::string(245, 'm') + "_00002.jpg"));
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.errors.find("File name too long"), std::string::npos) << run.errors;
            EXPECT_EQ(Lines(run.errors), 1) << run.errors;
        }
        EXPECT_EQ(run.errors.find(".pomi-"), std::string::npos) << run.errors;
    }
}

// Many threads saving at once: every new file gets 0666 less the umask, a replaced
// file keeps its own mode, and the process's umask is left as it was.
TEST(AtomicWrites, ModesFollowTheUmaskOnEveryThreadAndTheUmaskIsNeverTouched)
{
    TempDir dir;
    TempDir::Write(dir.File("kept"), "old");
    ::chmod(dir.File("kept").c_str(), 0604);
    const mode_t previous = ::umask(027);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 150; ++i) {
                std::string error;
                EXPECT_TRUE(fw::WriteFileAtomically(dir.File(std::to_string(t) + "_" + std::to_string(i)), "data",
                                                    &error, fw::Durability::ProcessSafe))
                    << error;
            }
        });
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(fw::WriteFileAtomically(dir.File("kept"), "new " + std::to_string(i)));
    for (std::thread& t : threads)
        t.join();
    const mode_t during = ::umask(previous);
    EXPECT_EQ(during, mode_t(027));
    int wrong = 0;
    for (const auto& e : fs::directory_iterator(dir.Path())) {
        struct stat st {};
        ASSERT_EQ(::stat(e.path().c_str(), &st), 0);
        const mode_t want = e.path().filename() == "kept" ? 0604 : (0666 & ~027);
        wrong += (st.st_mode & 07777) != want;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Names(dir.Path()).size(), 8u * 150 + 1);
}

TEST(AtomicWrites, StaleTemporariesOfAKilledRunAreRemovedAndOthersKept)
{
    TempDir dir;
    TempDir::Write(dir.File(".pomi-123-abc.tmp"), "left by a kill");
    TempDir::Write(dir.File(".pomi-notours"), "someone else's");
    TempDir::Write(dir.File("picture.png"), "a picture");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& e : fs::directory_iterator(dir.Path()))
        fs::last_write_time(e.path(), old);
    TempDir::Write(dir.File(".pomi-124-def.tmp"), "being written now");
    EXPECT_EQ(fw::RemoveStaleTemporaries(dir.Path()), 1);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{".pomi-124-def.tmp", ".pomi-notours", "picture.png"}));
}
