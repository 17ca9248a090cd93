// Every picture of the shared corpus read by us and by an independent reference,
// pixel for pixel, as tests/data/corpus-reads.tsv says: ImageMagick's reading of the
// file turned upright (`agree`) or as stored (`stored`: an orientation viewers do not
// read), a suite's own rendering, read by ImageMagick too (`reference <png>`),
// Pillow's reading where ImageMagick misreads a file (`pillow`), libwebp's own dwebp
// (`dwebp`) or libheif's heif-convert (`heif-convert`), or a refusal with its reason (`refused`). `open` rows are read by us only:
// no reference reads them, or we do not yet read them as it does (the note says
// which); they must load, and are counted apart.
// One line a file; skipped without the corpus or ImageMagick. The same for the public
// HEIF, AVIF, WebP and BMP suites kept in tests/data/public (tests/data/public-reads.tsv).
#include "media/editor/ImageEditor.h"
#include "support/Outcome.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string kCorpus = POMI_CORPUS_DIR;
const std::string kManifest = std::string(POMI_SOURCE_DIR) + "/tests/data/corpus-reads.tsv";
const std::string kPublic = std::string(POMI_SOURCE_DIR) + "/tests/data/public";
const std::string kPublicManifest = std::string(POMI_SOURCE_DIR) + "/tests/data/public-reads.tsv";

struct Row {
    std::string file;      // below the corpus folder
    std::string verdict;   // agree | stored | reference | pillow | refused | open
    int tolerance = 0;     // largest difference of a channel allowed
    std::string reference; // reference: the suite's rendering, below the suite's folder
    std::string note;      // refused: a piece of the reason; otherwise why the row is as it is
};

std::vector<Row> Manifest(const std::string& manifest)
{
    std::vector<Row> rows;
    std::ifstream in(manifest);
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

// libwebp's own reading of `path`, through a PNG that ImageMagick reads.
bool DwebpReading(const std::string& path, Rgba& out)
{
    const TempDir dir;
    const std::string png = dir.File("dwebp.png");
    return std::system(("dwebp -quiet '" + path + "' -o '" + png + "' 2>/dev/null").c_str()) == 0 &&
           ReferenceReading(png, false, out);
}

// FFmpeg's reading of `path` (12-bit JPEG, which ImageMagick's libjpeg refuses), through a PNG.
bool FfmpegReading(const std::string& path, Rgba& out)
{
    const TempDir dir;
    const std::string png = dir.File("ffmpeg.png");
    return std::system(("ffmpeg -v error -i '" + path + "' -pix_fmt rgb24 '" + png + "'").c_str()) == 0 &&
           ReferenceReading(png, false, out);
}

// Reads every row's file below `base` and compares it with its reference; the counts.
struct Counts {
    int agreed = 0, refused = 0, open = 0;
};
Counts ReadAll(const std::vector<Row>& rows, const std::string& base)
{
    Counts counts;
    for (const Row& row : rows) {
        const std::string path = base + "/" + row.file;
        media::ImageEditor editor;
        std::string error;
        const bool read = Take(editor.Load(path), error);
        if (row.verdict == "refused") {
            EXPECT_FALSE(read) << row.file << ": read, though refused for " << row.note;
            EXPECT_NE(error.find(row.note), std::string::npos) << row.file << ": " << error;
            counts.refused += !read;
            continue;
        }
        if (!read) {
            ADD_FAILURE() << row.file << ": " << error;
            continue;
        }
        if (row.verdict == "open") {
            ++counts.open;
            continue;
        }
        const std::string reference = row.verdict == "reference" ? base + "/" + row.reference : path;
        Rgba want;
        const bool referenceRead = row.verdict == "pillow"         ? PillowReading(path, want)
                                   : row.verdict == "dwebp"        ? DwebpReading(path, want)
                                   : row.verdict == "ffmpeg"       ? FfmpegReading(path, want)
                                   : row.verdict == "heif-convert" ? HeifConvertReading(path, want)
                                   : ReferenceReading(reference, row.verdict != "stored", want);
        if (!referenceRead) {
            ADD_FAILURE() << row.file << ": the reference cannot read " << reference;
            continue;
        }
        const std::string difference = Difference(editor.Current(), want, row.tolerance);
        if (difference.empty())
            ++counts.agreed;
        else
            ADD_FAILURE() << row.file << ": " << difference;
    }
    return counts;
}

void Report(const Counts& c, std::size_t rows)
{
    std::printf("%d pictures agree with their reference, %d refused as expected, %d without a reference, of %zu\n",
                c.agreed, c.refused, c.open, rows);
}

} // namespace

TEST(CorpusReads, EveryPictureReadsAsItsReferenceOrIsRefusedForItsReason)
{
    if (!std::filesystem::is_directory(kCorpus + "/bmp"))
        GTEST_SKIP() << "no corpus at " << kCorpus;
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is missing";
    const std::vector<Row> rows = Manifest(kManifest);
    ASSERT_GT(rows.size(), 250u) << kManifest;
    Report(ReadAll(rows, kCorpus), rows.size());
}

// HEIF and AVIF against libheif's own heif-convert (ImageMagick 6 turns their YCbCr into
// RGB its own way), WebP against libwebp's dwebp, the BMP suite's files missing from the
// shared corpus against ImageMagick, Pillow or the suite's own renderings.
TEST(CorpusReads, EveryPublicSuitePictureReadsAsItsReferenceOrIsRefusedForItsReason)
{
    if (!HaveImageMagick() || std::system("dwebp -version >/dev/null 2>&1") != 0 ||
        std::system("heif-convert --help >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's convert, libwebp's dwebp or libheif's heif-convert is missing";
    const std::vector<Row> rows = Manifest(kPublicManifest);
    ASSERT_GT(rows.size(), 150u) << kPublicManifest;
    Report(ReadAll(rows, kPublic), rows.size());
}
