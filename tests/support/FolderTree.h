#pragma once
// A folder of pictures as people have them: sub-folders, the same name in two of
// them, names in Japanese, with emoji and spaces, a name that is not UTF-8, a file
// that is no picture, and symbolic links to a picture inside, to one outside, to a
// folder outside and to a folder above (a loop).
#include "support/TempDir.h"

#include <filesystem>
#include <string>
#include <vector>

struct FolderTree {
    std::string root;                    // the folder to give
    std::vector<std::string> pictures;   // relative paths of the pictures taken, in the order taken
    std::vector<std::string> passedOver; // relative paths of what is passed over, with a reason
};

inline FolderTree MakeFolderTree(const TempDir& dir, const std::string& png)
{
    namespace fs = std::filesystem;
    FolderTree tree{dir.File("card"), {}, {}};
    const std::string outside = dir.File("elsewhere");
    for (const char* folder : {"card/2024/june", "card/2024/july", "card/links", "card/日本 語", "elsewhere"})
        fs::create_directories(dir.File(folder));
    const std::string notUtf8 = "bad\xff name.png";
    for (const std::string& picture : {std::string("top.png"), std::string("2024/june/IMG_0001.png"),
                                       std::string("2024/july/IMG_0001.png"), std::string("日本 語/写真 😀.png"), notUtf8})
        TempDir::Write(tree.root + "/" + picture, png);
    TempDir::Write(outside + "/secret.png", png);
    TempDir::Write(tree.root + "/notes.txt", "not a picture");
    fs::create_symlink("../top.png", tree.root + "/links/inside.png");
    fs::create_symlink(outside + "/secret.png", tree.root + "/links/outside.png");
    fs::create_directory_symlink(outside, tree.root + "/links/outdir");
    fs::create_directory_symlink("..", tree.root + "/links/loop");
    // A folder's pictures, then its sub-folders' in name order (bytes).
    tree.pictures = {notUtf8, "top.png", "2024/july/IMG_0001.png", "2024/june/IMG_0001.png", "links/inside.png",
                     "日本 語/写真 😀.png"};
    tree.passedOver = {"links/loop", "links/outdir", "links/outside.png"};
    return tree;
}
