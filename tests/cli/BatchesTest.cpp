// Batches as people have them: folders of pictures given with -r (every picture
// inside, the tree mirrored under the output folder or all in it with --flat, same
// names reported, nothing taken from outside the folder, every refusal named), and
// a long run stopped with Ctrl+C.
#include "support/FolderTree.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace {

std::set<std::string> FilesUnder(const std::string& folder)
{
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.insert(std::filesystem::relative(entry.path(), folder).string());
    return files;
}

std::string Png(const TempDir& dir)
{
    const std::string path = dir.File("red.png");
    if (std::system(("convert -size 6x4 xc:red '" + path + "'").c_str()) != 0)
        return {};
    return TempDir::Read(path);
}

} // namespace

TEST(Batches, AFoldersPicturesAreWrittenInTheSameTreeOrFlatAndEveryRefusalIsNamed)
{
    TempDir dir;
    const std::string png = Png(dir);
    ASSERT_FALSE(png.empty()) << "ImageMagick's convert is needed";
    const FolderTree tree = MakeFolderTree(dir, png);
    const struct {
        const char* name;
        const char* options;
        std::set<std::string> written;
        std::vector<std::string> said;
    } cases[] = {
        {"tree", "-r", {"bad\xff name.bmp", "top.bmp", "2024/july/IMG_0001.bmp", "2024/june/IMG_0001.bmp",
                        "links/inside.bmp", "日本 語/写真 😀.bmp"}, {}},
        {"flat", "-r --flat", {"bad\xff name.bmp", "top.bmp", "IMG_0001.bmp", "inside.bmp", "写真 😀.bmp"},
         {"2024/july/IMG_0001.png and " + tree.root + "/2024/june/IMG_0001.png were both written as"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = dir.File(std::string("out-") + c.name), log = dir.File("log.txt");
        const int status = std::system(("'" + std::string(POMI_CONVERT) + "' " + c.options + " --format bmp -o '" +
                                        out + "' '" + tree.root + "' 2>'" + log + "'")
                                           .c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1) << "what was refused is not converted";
        EXPECT_EQ(FilesUnder(out), c.written);
        const std::string said = TempDir::Read(log);
        std::vector<std::string> expected = c.said;
        for (const std::string& refused : tree.passedOver)
            expected.push_back(tree.root + "/" + refused + ": ");
        for (const char* words : {"a loop", "leads out of"})
            expected.emplace_back(words);
        for (const std::string& line : expected)
            EXPECT_NE(said.find(line), std::string::npos) << line << "\nin:\n" << said;
        EXPECT_EQ(said.find("secret"), std::string::npos) << said;
    }
    // An output folder inside the folder read: the run never reads what it wrote, so
    // running the same command again gives the same tree.
    const std::string inside = tree.root + "/converted";
    for (int run = 1; run <= 2; ++run) {
        std::system(("'" + std::string(POMI_CONVERT) + "' -q -r --format bmp -o '" + inside + "' '" + tree.root +
                     "' 2>/dev/null")
                        .c_str());
        EXPECT_EQ(FilesUnder(inside), cases[0].written) << "run " << run;
    }
    // Without -r a folder is named and left.
    const int status = std::system(("'" + std::string(POMI_CONVERT) + "' -q -o '" + dir.File("none") + "' '" +
                                    tree.root + "' 2>/dev/null")
                                       .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

namespace {

// A manifest's rows as (file, sha256, status), the header left out.
std::vector<std::array<std::string, 3>> ManifestRows(const std::string& path)
{
    std::vector<std::array<std::string, 3>> rows;
    std::istringstream text(TempDir::Read(path));
    std::string line;
    std::getline(text, line);
    while (std::getline(text, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');)
            fields.push_back(cell);
        if (fields.size() >= 10)
            rows.push_back({fields[0], fields[7], fields[9]});
    }
    return rows;
}

} // namespace

// Ctrl+C stops a run after the pictures in flight: what was written is whole (every
// file reads back, no temporary file is left), the rest is not begun, the exit status
// says the user stopped it, and the run's record lists what it wrote and says it was
// cut off. A run resumed with --exists skip ends with one record of the whole set.
TEST(Batches, CtrlCStopsAfterThePicturesInFlightWithEveryFileWhole)
{
    TempDir dir;
    const std::string photo = dir.File("noise.jpg");
    ASSERT_EQ(std::system(("convert -size 1024x768 xc: +noise Random '" + photo + "'").c_str()), 0);
    std::filesystem::create_directory(dir.File("in"));
    constexpr int kPictures = 400;
    for (int i = 0; i < kPictures; ++i)
        std::filesystem::create_hard_link(photo, dir.File("in/p" + std::to_string(1000 + i) + ".jpg"));
    const std::string out = dir.File("out"), log = dir.File("log.txt");
    std::vector<std::string> words = {POMI_CONVERT, "-r",   "-j", "2", "--format", "png", "--manifest",
                                      dir.File("first.csv"), "-o", out, dir.File("in")};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto written = [&] {
        std::error_code ec;
        int n = 0;
        for (std::filesystem::directory_iterator it(out, ec), end; !ec && it != end; it.increment(ec))
            n += it->path().extension() == ".png";
        return n;
    };
    for (int waited = 0; written() < 6 && waited < 3000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal, not by the program";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(TempDir::Read(log).find("stopped by the user"), std::string::npos) << TempDir::Read(log);
    EXPECT_NE(TempDir::Read(log).find("pictures left untried"), std::string::npos) << TempDir::Read(log);
    const auto files = FilesUnder(out);
    EXPECT_GE(files.size(), 6u);
    EXPECT_LT(files.size(), std::size_t(kPictures)) << "the run went on";
    for (const std::string& file : files) {
        EXPECT_EQ(std::filesystem::path(file).extension(), ".png") << file;
        EXPECT_EQ(std::system(("identify -regard-warnings '" + out + "/" + file + "' >/dev/null 2>&1").c_str()), 0)
            << file << " does not read back whole";
    }
    auto rows = ManifestRows(dir.File("first.csv"));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back()[2], "cut off");
    rows.pop_back();
    std::set<std::string> recorded;
    for (const auto& [file, sha, state] : rows)
        if (state == "written")
            recorded.insert(std::filesystem::path(file).filename().string());
    EXPECT_EQ(recorded, std::set<std::string>(files.begin(), files.end()));

    // Resumed: one record of all 400, each with the SHA-256 of the bytes on disk.
    ASSERT_EQ(std::system(("'" + std::string(POMI_CONVERT) + "' -q -r --format png --exists skip --manifest '" +
                           dir.File("whole.csv") + "' -o '" + out + "' '" + dir.File("in") + "'")
                              .c_str()),
              0);
    std::map<std::string, std::string> sums; // file → sha256sum's digest
    std::istringstream listed(CommandOutput("cd '" + out + "' && sha256sum *.png"));
    for (std::string digest, name; listed >> digest >> name;)
        sums[out + "/" + name] = digest;
    ASSERT_EQ(sums.size(), std::size_t(kPictures));
    std::map<std::string, std::string> whole;
    int there = 0;
    for (const auto& [file, sha, state] : ManifestRows(dir.File("whole.csv"))) {
        whole[file] = sha;
        there += state == "there already";
        EXPECT_TRUE(state == "written" || state == "there already") << file << " " << state;
    }
    EXPECT_EQ(whole, sums);
    EXPECT_EQ(there, int(files.size()));
}
