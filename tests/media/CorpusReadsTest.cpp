// Every picture of the shared corpus read by us and by an independent reference,
// pixel for pixel, as tests/data/corpus-reads.tsv says: ImageMagick's reading of the
// file turned upright (`agree`) or as stored (`stored`: an orientation viewers do not
// read), a suite's own rendering, read by ImageMagick too (`reference <png>`),
// Pillow's reading where ImageMagick misreads a file (`pillow`), or a refusal with its
// reason (`refused`). `open` rows are read by us only: no reference reads them, or
// we do not yet read them as it does (the note says which); they must load, and are
// counted apart.
// One line a file; skipped without the corpus or ImageMagick.
#include "media/image/ImageEditor.h"
#include "support/Outcome.h"
#include "support/ReferenceReading.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string kCorpus = POMI_CORPUS_DIR;
const std::string kManifest = std::string(POMI_SOURCE_DIR) + "/tests/data/corpus-reads.tsv";

struct Row {
    std::string file;      // below the corpus folder
    std::string verdict;   // agree | stored | reference | pillow | refused | open
    int tolerance = 0;     // largest difference of a channel allowed
    std::string reference; // reference: the suite's rendering, below the corpus folder
    std::string note;      // refused: a piece of the reason; otherwise why the row is as it is
};

std::vector<Row> Manifest()
{
    std::vector<Row> rows;
    std::ifstream in(kManifest);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Row row;
        std::string tolerance;
        std::getline(fields, row.file, '\t');
        std::getline(fields, row.verdict, '\t');
        std::getline(fields, tolerance, '\t');
        std::getline(fields, row.reference, '\t');
        std::getline(fields, row.note, '\t');
        row.tolerance = tolerance.empty() ? 0 : std::stoi(tolerance);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(CorpusReads, EveryPictureReadsAsItsReferenceOrIsRefusedForItsReason)
{
    if (!std::filesystem::is_directory(kCorpus + "/bmp"))
        GTEST_SKIP() << "no corpus at " << kCorpus;
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is missing";
    const std::vector<Row> rows = Manifest();
    ASSERT_GT(rows.size(), 250u) << kManifest;
    int agreed = 0, refused = 0, open = 0;
    for (const Row& row : rows) {
        const std::string path = kCorpus + "/" + row.file;
        media::ImageEditor editor;
        std::string error;
        const bool read = Take(editor.Load(path), error);
        if (row.verdict == "refused") {
            EXPECT_FALSE(read) << row.file << ": read, though refused for " << row.note;
            EXPECT_NE(error.find(row.note), std::string::npos) << row.file << ": " << error;
            refused += !read;
            continue;
        }
        if (!read) {
            ADD_FAILURE() << row.file << ": " << error;
            continue;
        }
        if (row.verdict == "open") {
            ++open;
            continue;
        }
        const std::string reference = row.verdict == "reference" ? kCorpus + "/" + row.reference : path;
        Rgba want;
        if (row.verdict == "pillow" ? !PillowReading(path, want)
                                    : !ReferenceReading(reference, row.verdict != "stored", want)) {
            ADD_FAILURE() << row.file << ": ImageMagick cannot read " << reference;
            continue;
        }
        const std::string difference = Difference(editor.Current(), want, row.tolerance);
        if (difference.empty())
            ++agreed;
        else
            ADD_FAILURE() << row.file << ": " << difference;
    }
    std::printf("%d pictures agree with their reference, %d refused as expected, %d without a reference, of %zu\n",
                agreed, refused, open, rows.size());
}
