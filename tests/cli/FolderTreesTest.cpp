// Folders of pictures given with -r: every picture inside, the tree mirrored under
// the output folder (or all in it with --flat, same names reported), nothing taken
// from outside the folder, every refusal named.
#include "support/FolderTree.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/wait.h>

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

TEST(FolderTrees, AFoldersPicturesAreWrittenInTheSameTreeOrFlatAndEveryRefusalIsNamed)
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
    // Without -r a folder is named and left.
    const int status = std::system(("'" + std::string(POMI_CONVERT) + "' -q -o '" + dir.File("none") + "' '" +
                                    tree.root + "' 2>/dev/null")
                                       .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
}
