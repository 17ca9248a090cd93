// Lists of inputs and shards of them: a list's paths are read from its folder, the
// shards of a list together take each input exactly once, adding inputs moves no other
// one, and a folder's pictures go by their paths inside it.
#include "cli/InputList.h"
#include "cli/Pipeline.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

// Which shard of `count` each input falls to, as the runs take them.
std::map<std::string, int> Shards(const std::vector<std::string>& keys, int count)
{
    std::map<std::string, int> shardOf;
    for (int k = 0; k < count; ++k) {
        cli::Options o;
        o.inputs = o.inputKeys = keys;
        o.shard = {k, count};
        cli::KeepShard(o.shard, o.inputs, o.within, o.inputKeys);
        for (const std::string& key : o.inputKeys)
            EXPECT_TRUE(shardOf.emplace(key, k).second) << key << " in two shards";
    }
    return shardOf;
}

} // namespace

TEST(InputList, ListedPathsAreReadFromTheListsFolderAndShardsTakeEachOnceAndStay)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("lists"));
    TempDir::Write(dir.File("lists/movies.txt"), "a.mp4\r\n\nsub/b mkv.mkv\n/abs/c.avi\n");
    const auto listed = cli::ReadInputList(dir.File("lists/movies.txt"));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {dir.File("lists/a.mp4"), "a.mp4"}, {dir.File("lists/sub/b mkv.mkv"), "sub/b mkv.mkv"}, {"/abs/c.avi", "/abs/c.avi"}};
    EXPECT_EQ(listed, expected);
    EXPECT_THROW(cli::ReadInputList(dir.File("lists/none.txt")), cli::UsageError);

    std::vector<std::string> keys;
    for (int i = 0; i < 300; ++i)
        keys.push_back("day" + std::to_string(i % 7) + "/clip" + std::to_string(i) + ".mp4");
    for (const int count : {1, 3, 4, 16}) {
        const std::map<std::string, int> before = Shards(keys, count);
        EXPECT_EQ(before.size(), keys.size()) << count << " shards take every input";
        std::vector<std::string> more = keys;
        for (int i = 0; i < 100; ++i)
            more.insert(more.begin() + i * 3, "new/clip" + std::to_string(i) + ".mov");
        const std::map<std::string, int> after = Shards(more, count);
        for (const auto& [key, shard] : before)
            EXPECT_EQ(after.at(key), shard) << key << " moved when inputs were added";
    }
    // Four shards of 300 inputs are near a quarter each.
    std::map<int, int> sizes;
    for (const auto& [key, shard] : Shards(keys, 4))
        ++sizes[shard];
    for (const auto& [shard, size] : sizes)
        EXPECT_NEAR(size, 75, 25) << "shard " << shard;

    // A folder's pictures go by their paths inside it, wherever the folder is.
    for (const std::string name : {"photos/x.png", "photos/2024/y.png"}) {
        std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
        TempDir::Write(dir.File(name), "");
    }
    cli::Options o;
    o.subFolders = true;
    o.inputs = o.inputKeys = {dir.File("photos")};
    cli::TakeFolders(o);
    std::sort(o.inputKeys.begin(), o.inputKeys.end());
    EXPECT_EQ(o.inputKeys, (std::vector<std::string>{"2024/y.png", "x.png"}));
}
