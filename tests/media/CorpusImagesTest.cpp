// The public image test suites of the shared corpus: every good file loads (unless
// ImageMagick fails it too, and then it fails cleanly), PCX files match their
// reference renderings, broken files fail cleanly or load. Skipped without the corpus.
#include "media/GKitImageEdit.h"
#include "support/Outcome.h"
#include "media/editor/ImageEditor.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const std::string kCorpus = POMI_CORPUS_DIR;

// MANIFEST.tsv: file → ImageMagick's lenient verdict ("ok", "warn" or "FAIL").
std::map<std::string, std::string> ImageMagickVerdicts()
{
    std::map<std::string, std::string> verdicts;
    std::ifstream in(kCorpus + "/MANIFEST.tsv");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, bytes, lenient;
        std::getline(fields, file, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, lenient, '\t');
        verdicts[file] = lenient;
    }
    return verdicts;
}

} // namespace

TEST(CorpusImages, GoodFilesLoadAndBadFilesFailCleanly)
{
    if (!std::filesystem::is_directory(kCorpus + "/bmp"))
        GTEST_SKIP() << "no corpus at " << kCorpus;
    const auto verdicts = ImageMagickVerdicts();
    struct Counts {
        int loaded = 0, failed = 0, failedLikeImageMagick = 0;
    };
    std::map<std::string, Counts> byFolder;
    std::vector<std::string> unexpected;
    for (const char* folder : {"bmp", "png", "jpeg", "tiff", "pcx", "bad"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kCorpus + "/" + folder)) {
            if (!entry.is_regular_file())
                continue;
            const std::string relative = std::string(folder) + "/" + entry.path().filename().string();
            media::ImageEditor editor;
            std::string error;
            const bool ok = Take(editor.Load(entry.path().string()), error);
            Counts& c = byFolder[folder];
            if (ok) {
                ++c.loaded;
                EXPECT_TRUE(editor.HasImage());
                continue;
            }
            ++c.failed;
            EXPECT_FALSE(editor.HasImage());
            EXPECT_FALSE(error.empty());
            const auto v = verdicts.find(relative);
            const bool imageMagickFails = v != verdicts.end() && v->second == "FAIL";
            c.failedLikeImageMagick += imageMagickFails;
            if (std::string(folder) != "bad" && !imageMagickFails)
                unexpected.push_back(relative + ": " + error);
        }
    }
    for (const auto& [folder, c] : byFolder)
        std::printf("%-5s loaded %3d, failed %3d (ImageMagick fails %d of those)\n", folder.c_str(), c.loaded, c.failed,
                    c.failedLikeImageMagick);
    for (const std::string& u : unexpected)
        std::printf("  unexpected failure: %s\n", u.c_str());
    EXPECT_TRUE(unexpected.empty());
}

TEST(CorpusImages, PcxFilesMatchTheirReferenceRenderings)
{
    const std::string folder = kCorpus + "/pcx";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no corpus";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/kimageformats_ref")) {
        if (entry.path().extension() != ".png")
            continue;
        const std::string stem = entry.path().stem().string();
        const std::string pcx = folder + "/kimageformats_" + stem + ".pcx";
        if (!std::filesystem::exists(pcx))
            continue;
        SCOPED_TRACE(pcx);
        media::ImageEditor editor;
        std::string error;
        ASSERT_TRUE(Take(editor.Load(pcx), error)) << error;
        const QImage ours = QImageFromImage(editor.Current()).convertToFormat(QImage::Format_ARGB32);
        const QImage reference = QImage(QString::fromStdString(entry.path().string())).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(ours.size(), reference.size());
        int different = 0;
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x)
                different += ours.pixel(x, y) != reference.pixel(x, y);
        EXPECT_EQ(different, 0);
        ++compared;
    }
    std::printf("PCX files compared with their references: %d\n", compared);
    EXPECT_GT(compared, 5);
}
