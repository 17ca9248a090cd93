// JSON Lines records: appending keeps what was there byte for byte (a line a killed
// run cut short included, left on a line of its own), and a resumed run reads back
// which movies are done: ended by their "movie done" line, their files as recorded.
#include "engine/Manifest.h"
#include "engine/ResumeRecord.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

conv::Outcome Written(const std::string& movie, int frame, const std::string& file)
{
    conv::Outcome o;
    o.source = movie + "#" + std::to_string(frame);
    o.frame = frame;
    o.target = o.written = file;
    o.width = 4, o.height = 3;
    return o;
}

} // namespace

TEST(ManifestLines, AppendingKeepsWhatWasThereAndResumeKnowsTheMoviesDone)
{
    TempDir dir;
    const std::string record = dir.File("records/shard-0-of-2.jsonl");
    for (const std::string name : {"a_1.png", "a_2.png", "b_1.png", "c_1.png"})
        TempDir::Write(dir.File(name), "pixels of " + name);
    // A name with a quote, a backslash and a newline stays one line and reads back.
    const std::string a = dir.File("a \"odd\\\nname.mp4");
    std::string error;
    ASSERT_TRUE(conv::AppendManifestLines(record, {Written(a, 1, dir.File("a_1.png")), Written(a, 2, dir.File("a_2.png"))},
                                          a, error))
        << error;
    // A killed run's line, cut short.
    const std::string before = TempDir::Read(record) + "{\"file\": \"" + dir.File("x");
    TempDir::Write(record, before);
    ASSERT_TRUE(conv::AppendManifestLines(record, {Written("b.mkv", 1, dir.File("b_1.png"))}, "b.mkv", error));
    ASSERT_TRUE(conv::AppendManifestLines(record, {Written("c.avi", 1, dir.File("c_1.png"))}, "", error));
    const std::string after = TempDir::Read(record);
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(after[before.size()], '\n') << "the cut line stays a line of its own";
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 3 + 1 + 2 + 1);

    auto movies = conv::ReadRecordedMovies(record);
    EXPECT_TRUE(movies[a].complete && movies[a].filesThere);
    EXPECT_TRUE(movies["b.mkv"].complete && movies["b.mkv"].filesThere);
    EXPECT_FALSE(movies["c.avi"].complete) << "no movie-done line: cut off";
    EXPECT_EQ(movies.size(), 3u);
    // A file changed since (or gone) is not as recorded.
    TempDir::Write(dir.File("a_2.png"), "other pixels");
    std::filesystem::remove(dir.File("b_1.png"));
    movies = conv::ReadRecordedMovies(record);
    EXPECT_TRUE(movies[a].complete && !movies[a].filesThere);
    EXPECT_FALSE(movies["b.mkv"].filesThere);
}
