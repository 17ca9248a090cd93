// A picture's header step, against exiftool's reading of the same files and against
// what decoding the pixels gives: the size, orientation, profile and EXIF it tells
// without decoding, and the PNG suite's depths, which its files' names say.
#include "media/codecs/Formats.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

struct Told { // exiftool's columns, "-" where it found nothing
    std::string width, height, orientation, exif, icc;
};

// exiftool's reading of every file, one run: file → what it told.
std::map<std::string, Told> ExiftoolReadings(const std::vector<std::string>& files)
{
    std::string command = "exiftool -q -q -T -n -FilePath -ImageWidth -ImageHeight -Orientation -ExifByteOrder "
                          "-ProfileVersion";
    for (const std::string& f : files)
        command.append(" '").append(f).append("'");
    std::map<std::string, Told> told;
    std::istringstream lines(CommandOutput(command + " 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cells(line);
        std::string path;
        Told t;
        if (std::getline(cells, path, '\t') && std::getline(cells, t.width, '\t') && std::getline(cells, t.height, '\t') &&
            std::getline(cells, t.orientation, '\t') && std::getline(cells, t.exif, '\t') && std::getline(cells, t.icc))
            told[path] = t;
    }
    return told;
}

// Files exiftool reads otherwise, and why.
const std::map<std::string, std::string> kExiftoolDiffers = {
    {"bmpsuite_q_pal8os2v2.bmp", "exiftool gives a height of 0 for OS/2's short 2.x header"},
    {"bmpsuite_q_pal8os2v2-16.bmp", "exiftool gives a height of 0 for OS/2's short 2.x header"},
    {"pillow_icc-after-SOF.jpg", "exiftool stops at the frame header; libjpeg and we read the profile after it"},
    {"pillow_invalid-exif.jpg", "its APP1 holds an EXIF block exiftool cannot parse; we carry it as it is"},
    {"pillow_exif_imagemagick_orientation.png",
     "its EXIF is in ImageMagick's hex text chunk, which we read for XMP and IPTC only; the decoder does not turn it either"},
};

std::vector<std::string> PictureFiles()
{
    std::vector<std::string> files;
    const std::string corpus = POMI_CORPUS_DIR, pub = std::string(POMI_SOURCE_DIR) + "/tests/data/public";
    for (const std::string& folder : {corpus + "/jpeg", corpus + "/png", corpus + "/tiff", corpus + "/bmp",
                                      corpus + "/pcx", pub + "/webp", pub + "/heif", pub + "/avif", pub + "/bmp"})
        if (std::filesystem::is_directory(folder))
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                files.push_back(std::filesystem::canonical(entry.path()).string()); // as exiftool names it
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(ImageHeaders, TellWhatExiftoolAndTheDecodedPixelsTell)
{
    if (!std::filesystem::is_directory(POMI_CORPUS_DIR) || CommandOutput("exiftool -ver").empty())
        GTEST_SKIP() << "no corpus, or exiftool is missing";
    const std::vector<std::string> files = PictureFiles();
    const std::map<std::string, Told> told = ExiftoolReadings(files);
    int compared = 0, suiteDepths = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const std::string text = TempDir::Read(path);
        const media::Bytes bytes(text.begin(), text.end());
        const media::Result<media::ImageHeader> header = media::ReadImageHeader(bytes.data(), bytes.size());
        const media::Result<media::Image> decoded = media::DecodeImage(bytes.data(), bytes.size());
        if (!header) { // what the header refuses is not decoded either
            EXPECT_FALSE(decoded) << header.Message();
            continue;
        }
        if (decoded) {
            EXPECT_EQ(header->UprightWidth(), decoded->width);
            EXPECT_EQ(header->UprightHeight(), decoded->height);
        }
        const auto t = told.find(path);
        const media::ImageFormat format = media::DetectFormat(bytes.data(), bytes.size());
        const bool heif = format == media::ImageFormat::Heif || format == media::ImageFormat::Avif;
        if (t == told.end() || t->second.width == "-" ||
            kExiftoolDiffers.count(std::filesystem::path(path).filename().string()))
            continue;
        ++compared;
        if (!heif) { // exiftool gives a HEIF's size before its boxes turn it
            EXPECT_EQ(std::to_string(header->width), t->second.width);
            EXPECT_EQ(std::to_string(header->height), t->second.height);
        }
        if (format == media::ImageFormat::Jpeg || format == media::ImageFormat::Png || format == media::ImageFormat::Tiff) {
            EXPECT_EQ(header->orientation, t->second.orientation == "-" ? 1 : std::stoi(t->second.orientation));
        }
        if (format != media::ImageFormat::Tiff) { // every TIFF is EXIF's structure to exiftool
            EXPECT_EQ(header->exif, t->second.exif != "-");
        }
        if (format != media::ImageFormat::Bmp) { // a BMP's profile is not read here
            EXPECT_EQ(header->icc, t->second.icc != "-");
        }
        // The PNG suite's names: "pngsuite_basn2c08.png" is colour type 2 at 8 bits a sample.
        const std::string name = std::filesystem::path(path).filename().string();
        if (name.size() == 21 && name.rfind("pngsuite_", 0) == 0 && name.ends_with(".png") &&
            name[13] >= '0' && name[13] <= '6' && std::isalpha(name[14]) && std::isdigit(name[15]) && std::isdigit(name[16])) {
            const int channels[] = {1, 0, 3, 1, 2, 0, 4};
            EXPECT_EQ(header->bitsPerPixel, channels[name[13] - '0'] * std::stoi(name.substr(15, 2)));
            ++suiteDepths;
        }
    }
    EXPECT_GT(compared, 300);
    EXPECT_GT(suiteDepths, 50);
}
