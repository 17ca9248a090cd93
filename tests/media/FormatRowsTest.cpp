// The format and container rows are where every format is written down once: each row
// must be what the program really does with that format's files, the names it takes,
// and the menu entry built from them; and the byte reader under the own decoders reads nothing
// that is not there.
#include "engine/Conversion.h"
#include "cli/Options.h"
#include "media/codecs/ByteReader.h"
#include "media/codecs/Formats.h"
#include "media/image/Processing.h"
#include "media/movie/Containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

using namespace media;

namespace {

// A file the build made (the menu entry, the AppStream file).
std::string Made(const char* path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The line of `text` that starts with `start`.
std::string LineOf(const std::string& text, const std::string& start)
{
    const std::size_t at = text.find("\n" + start);
    return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

} // namespace

TEST(FormatRows, EachRowReadsWritesAndNamesItsOwnFiles)
{
    Image picture;
    picture.Allocate(19, 7, PixelFormat::Rgb24);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = std::uint8_t(i * 37);
    const std::string entry = Made(POMI_DESKTOP_ENTRY);
    ASSERT_FALSE(entry.empty()) << POMI_DESKTOP_ENTRY;
    const std::string appStream = Made(POMI_APPSTREAM), comment = LineOf(entry, "Comment=");
    ASSERT_FALSE(appStream.empty()) << POMI_APPSTREAM;
    const std::string listed = FormatNames(", ", " or ");
    // The formats only read: a public file of each (see tests/data/public/SOURCES.md).
    const std::map<ImageFormat, std::pair<std::string, Size>> samples = {
        {ImageFormat::Heif, {"heif/C025.heic", {128, 72}}},
        {ImageFormat::Avif, {"avif/kimono.rotate90.avif", {722, 1024}}},
    };
    for (const FormatRow& row : kFormatRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(bool(row.encode), bool(row.option)) << "a format is written where it has a word";
        EXPECT_TRUE(!row.holdsMetadata || row.metadata) << "a format that holds metadata has its reader";
        Result<Bytes> bytes = Fail(FailureKind::Unsupported, "no sample");
        Size size{19, 7};
        if (row.encode) {
            bytes = row.encode(picture, {});
        } else if (samples.count(row.format)) {
            std::ifstream in(std::string(POMI_SOURCE_DIR) + "/tests/data/public/" + samples.at(row.format).first,
                             std::ios::binary);
            bytes = Bytes(std::istreambuf_iterator<char>(in), {});
            size = samples.at(row.format).second;
        }
        ASSERT_TRUE(bytes) << bytes.Message();
        EXPECT_EQ(DetectFormat(bytes->data(), bytes->size()), row.format);
        const Result<Image> back = DecodeImage(bytes->data(), bytes->size());
        ASSERT_TRUE(back) << back.Message();
        EXPECT_EQ(back->width, size.width);
        EXPECT_EQ(back->height, size.height);
        // The extension written is one the file lists take, in either case.
        std::string upper = row.extension;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
        EXPECT_TRUE(conv::IsPictureFileName(std::string("photo") + row.extension));
        EXPECT_TRUE(conv::IsPictureFileName("PHOTO" + upper));
        for (const char* ext : row.readExtensions)
            EXPECT_TRUE(!ext || conv::IsPictureFileName(std::string("a") + ext)) << ext;
        EXPECT_NE(listed.find(row.name), std::string::npos);
        for (const char* type : row.mimeTypes) {
            EXPECT_TRUE(!type || entry.find(std::string(type) + ";") != std::string::npos) << type;
            EXPECT_TRUE(!type || appStream.find(std::string("<mediatype>") + type + "<") != std::string::npos) << type;
        }
        EXPECT_NE(entry.find(std::string(";") + row.name + ";"), std::string::npos) << "keyword";
        // The menu says "convert pictures to …" the formats written, and no other.
        EXPECT_EQ(comment.find(std::string(" ") + row.name) != std::string::npos, bool(row.encode)) << comment;
    }
    EXPECT_EQ(listed, "BMP, TIFF, JPEG, PCX, PNG, WebP, HEIF or AVIF");
    EXPECT_EQ(FormatNames(", ", " or ", &FormatRow::option), "bmp, tiff, jpeg, pcx, png or webp");
    EXPECT_FALSE(conv::IsPictureFileName("clip.avi"));
    EXPECT_FALSE(conv::IsPictureFileName("notes.txt"));
}

TEST(FormatRows, AQualityOutsideItsScaleIsRefusedNotMovedIntoIt)
{
    Image picture;
    picture.Allocate(8, 8, PixelFormat::Rgb24);
    for (const auto& [quality, taken] : {std::pair{0, false}, {1, true}, {10, true}, {11, false}}) {
        const Result<Bytes> bytes = EncodeImage(picture, ImageFormat::Jpeg, {JpegQuality{quality - 1}, false});
        EXPECT_EQ(bool(bytes), taken) << quality;
        if (!taken) {
            EXPECT_EQ(bytes.Message(), "SaveQuality does not take the value " + std::to_string(quality));
        }
    }
}

TEST(ByteReader, ReadsWhatIsThereAndNothingPastTheEnd)
{
    const std::uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05};
    const ByteReader in(data, sizeof data);
    EXPECT_EQ(in.U8(4), 0x05);
    EXPECT_EQ(in.U16(3), 0x0504);
    EXPECT_EQ(in.U16(3, ByteOrder::Big), 0x0405);
    EXPECT_EQ(in.U32(1), 0x05040302u);
    EXPECT_EQ(in.U32(1, ByteOrder::Big), 0x02030405u);
    EXPECT_EQ(in.I32(0), 0x04030201);
    // One byte short, far past the end, and an offset that would wrap around.
    EXPECT_EQ(in.U8(5), std::nullopt);
    EXPECT_EQ(in.U16(4), std::nullopt);
    EXPECT_EQ(in.U32(2), std::nullopt);
    EXPECT_EQ(in.I32(2), std::nullopt);
    EXPECT_EQ(in.U32(std::size_t(-2)), std::nullopt);
    EXPECT_EQ(ByteReader(nullptr, 0).U8(0), std::nullopt);
}

// Each container row is what the program takes for a movie: its extensions in either
// case (never as pictures), its MIME types in the menu entry, its name in --help.
TEST(FormatRows, EachContainerRowNamesMoviesTheProgramTakes)
{
    const std::string entry = Made(POMI_DESKTOP_ENTRY), appStream = Made(POMI_APPSTREAM);
    const std::string help = cli::HelpText();
    for (const ContainerRow& row : kContainerRows) {
        for (const char* ext : row.extensions) {
            if (!ext)
                continue;
            std::string upper = ext;
            std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
            EXPECT_TRUE(conv::IsMovieFileName(std::string("clip") + ext)) << ext;
            EXPECT_TRUE(conv::IsMovieFileName("CLIP" + upper)) << upper;
            EXPECT_FALSE(conv::IsPictureFileName(std::string("clip") + ext)) << ext;
        }
        for (const char* type : row.mimeTypes) {
            EXPECT_TRUE(!type || entry.find(std::string("=") + type + ";") != std::string::npos ||
                        entry.find(std::string(";") + type + ";") != std::string::npos)
                << type;
            EXPECT_TRUE(!type || appStream.find(std::string("<mediatype>") + type + "<") != std::string::npos)
                << type;
        }
        EXPECT_TRUE(!row.name || help.find(std::string(row.name) + ",") != std::string::npos ||
                    help.find(std::string(row.name) + ";") != std::string::npos)
            << row.name;
    }
    EXPECT_FALSE(conv::IsMovieFileName("photo.png"));
}
