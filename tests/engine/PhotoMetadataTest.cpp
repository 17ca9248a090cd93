// A phone's photo converted by the command line keeps what it carries, as exiftool
// reads it back: capture date, camera, the orientation made "as stored" (the pixels
// are turned already), no thumbnail, its pixel size, and the ICC profile byte for
// byte; its XMP (a date held only there, keywords, the orientation and size made true
// as the EXIF's) and IPTC keywords where the format holds them; formats that cannot
// hold a profile get sRGB pixels, matching LittleCMS's own tificc within 2 levels;
// --strip leaves everything out. The photo is made by ImageMagick and exiftool, its
// profile taken from a public AVIF sample.
#include "media/editor/ImageEditor.h"
#include "support/Outcome.h"
#include "support/ReferenceReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// One tag as exiftool prints it with -s3 (numbers with -n).
std::string Tag(const std::string& file, const std::string& tag, bool number = false)
{
    std::string value = CommandOutput("exiftool -s3 " + std::string(number ? "-n " : "") + "-" + tag + " '" + file + "'");
    while (!value.empty() && value.back() == '\n')
        value.pop_back();
    return value;
}

bool Have(const char* command) { return std::system((std::string(command) + " >/dev/null 2>&1").c_str()) == 0; }

} // namespace

TEST(PhotoMetadata, KeptWhereTheFormatHoldsItConvertedToSrgbWhereNotAndLeftOutWhenStripped)
{
    if (!Have("exiftool -ver") || !Have("command -v tificc") || !HaveImageMagick())
        GTEST_SKIP() << "exiftool, LittleCMS's tificc or ImageMagick is missing";
    TempDir dir;
    const std::string photo = dir.File("photo.jpg"), icc = dir.File("photo.icc");
    // 60 × 40 as stored, shown turned a quarter clockwise (40 × 60), with a thumbnail.
    ASSERT_EQ(std::system(("convert -size 60x40 gradient:red-blue -quality 95 '" + photo + "'" +
                           " && convert -size 16x16 xc:gray '" + dir.File("thumb.jpg") + "'" +
                           " && exiftool -q -icc_profile -b '" + POMI_SOURCE_DIR +
                           "/tests/data/public/avif/red-at-12-oclock-with-color-profile-lossy.avif' > '" + icc + "'" +
                           " && exiftool -q -overwrite_original -ExifByteOrder=II -Orientation#=6 -DateTimeOriginal='2024:06:01 10:20:30'"
                           " -Make=Acme -Model='Phone 9' -ExifImageWidth=60 -ExifImageHeight=40"
                           " -XMP-exif:DateTimeOriginal='2019:05:04 10:11:12' -XMP-tiff:Orientation#=6"
                           " -XMP-exif:ExifImageWidth=60 -XMP-dc:Subject=alpha -XMP-dc:Subject=beta"
                           " -IPTC:Keywords=alpha -IPTC:Keywords=beta -IPTC:City=Kyoto '-ThumbnailImage<=" +
                           dir.File("thumb.jpg") + "' '-icc_profile<=" + icc + "' '" + photo + "'")
                              .c_str()),
              0);
    ASSERT_EQ(Tag(photo, "ThumbnailLength").empty(), false);
    const std::string profile = TempDir::Read(icc);
    ASSERT_GT(profile.size(), 128u);
    // The reference for pixels without their profile: the photo turned upright, then
    // made sRGB by tificc (perceptual, to its built-in sRGB).
    const std::string upright = dir.File("upright.tif"), srgb = dir.File("srgb.tif");
    ASSERT_EQ(std::system(("convert '" + photo + "' -auto-orient '" + upright + "' && tificc '" + upright + "' '" +
                           srgb + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    Rgba reference;
    ASSERT_TRUE(ReferenceReading(srgb, false, reference));

    const struct {
        const char* format;
        const char* ext;
        bool strip;
        bool exif, profile, iptc; // kept in the file (XMP goes with the EXIF)
    } cases[] = {
        {"jpeg", "jpg", false, true, true, true},    {"png", "png", false, true, true, true},
        {"webp", "webp", false, true, true, false},  {"tiff", "tif", false, true, true, true},
        {"bmp", "bmp", false, false, false, false}, {"pcx", "pcx", false, false, false, false},
        {"jpeg", "jpg", true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + (c.strip ? " --strip" : ""));
        const std::string out = dir.File(std::string("out-") + c.format + (c.strip ? "-strip" : ""));
        ASSERT_EQ(std::system((std::string(POMI_CONVERT) + " -q -o '" + out + "' --format " + c.format +
                               " --quality 9 --colors full --brightness 0 --rotate 0 --resize none" + (c.strip ? " --strip" : "") + " '" + photo + "'")
                                  .c_str()),
                  0);
        const std::string file = out + "/photo." + c.ext;
        EXPECT_EQ(Tag(file, "DateTimeOriginal"), c.exif ? "2024:06:01 10:20:30" : "");
        EXPECT_EQ(Tag(file, "Make"), c.exif ? "Acme" : "");
        EXPECT_EQ(Tag(file, "Model"), c.exif ? "Phone 9" : "");
        const bool tiff = std::string(c.ext) == "tif"; // states an orientation of its own
        EXPECT_EQ(Tag(file, "Orientation", true), c.exif || tiff ? "1" : "");
        EXPECT_EQ(Tag(file, "ExifImageWidth"), c.exif ? "40" : "");
        EXPECT_EQ(Tag(file, "ExifImageHeight"), c.exif ? "60" : "");
        EXPECT_EQ(Tag(file, "ThumbnailLength"), "");
        EXPECT_EQ(Tag(file, "XMP:DateTimeOriginal") + "|" + Tag(file, "XMP:Subject") + "|" +
                      Tag(file, "XMP:Orientation", true) + "|" + Tag(file, "XMP:ExifImageWidth"),
                  c.exif ? "2019:05:04 10:11:12|alpha, beta|1|40" : "|||");
        EXPECT_EQ(Tag(file, "IPTC:Keywords") + "|" + Tag(file, "IPTC:City"), c.iptc ? "alpha, beta|Kyoto" : "|");
        const std::string written = CommandOutput("exiftool -q -b -icc_profile '" + file + "'");
        if (c.profile) {
            EXPECT_EQ(written, profile) << "the profile is not the photo's, byte for byte";
        } else {
            EXPECT_EQ(written, "");
            // Without its profile the picture is made sRGB: as tificc makes it.
            media::ImageEditor ours;
            std::string error;
            ASSERT_TRUE(Take(ours.Load(file), error)) << error;
            const bool lossy = std::string(c.format) == "jpeg"; // adds its own small loss
            EXPECT_EQ(Difference(ours.Current(), reference, lossy ? 4 : 2), "");
        }
        EXPECT_EQ(CommandOutput("exiftool -validate -error -a '" + file + "' | grep -ci 'error'"), "0\n")
            << CommandOutput("exiftool -validate -error -warning -a '" + file + "'");
    }

    // A picture set from elsewhere (a movie's frame) carries nothing of the photo before.
    media::ImageEditor editor;
    std::string error;
    ASSERT_TRUE(Take(editor.Load(photo), error)) << error;
    EXPECT_FALSE(editor.PhotoMetadata().Empty());
    editor.SetImage(editor.Current());
    EXPECT_TRUE(editor.PhotoMetadata().Empty());
}

// Every public HEIF and AVIF picture whose capture date exiftool reads keeps it in the
// JPEG made from it, C034.heic among them: its Exif block is a bare TIFF structure,
// without the offset HEIF puts first.
TEST(PhotoMetadata, PublicHeifPicturesKeepTheirCaptureDate)
{
    if (!Have("exiftool -ver"))
        GTEST_SKIP() << "exiftool is missing";
    TempDir dir;
    int dated = 0;
    for (const char* folder : {"heif", "avif"})
        for (const auto& entry : std::filesystem::directory_iterator(std::string(POMI_SOURCE_DIR) + "/tests/data/public/" + folder)) {
            const std::string source = entry.path().string(), date = Tag(source, "DateTimeOriginal");
            if (date.empty())
                continue;
            SCOPED_TRACE(source);
            ++dated;
            const std::string out = dir.File(entry.path().stem().string());
            if (std::system(("'" POMI_CONVERT "' -q --format jpeg -o '" + out + "' '" + source + "' 2>/dev/null").c_str()) != 0)
                continue; // a picture the program refuses (a sequence of pictures) has nothing to keep
            EXPECT_EQ(Tag(out + "/" + entry.path().stem().string() + ".jpg", "DateTimeOriginal"), date);
        }
    EXPECT_GE(dated, 1); // C034.heic
}

// Stills cut from a MOV and an MP4 made with a creation time, a camera and a place
// carry them as exiftool reads them: the picture's moment (the creation time plus
// its time in the movie, 10 / 25 s for frame 10) to the millisecond, in the local
// time QuickTime's date names or in UTC; a movie without a creation time gives
// stills without a date.
TEST(PhotoMetadata, StillsOfAMovieCarryWhenWithWhatAndWhereItWasShot)
{
    if (!Have("exiftool -ver") || !Have("ffmpeg -version"))
        GTEST_SKIP() << "exiftool or ffmpeg is missing";
    TempDir dir;
    const std::string source = "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=25 -frames:v 12 -c:v mpeg4 "
                               "-movflags use_metadata_tags ";
    const struct {
        const char* movie;
        std::string metadata;
        const char* date; // DateTimeOriginal, SubSecTimeOriginal, OffsetTimeOriginal
        const char* camera;
        const char* place; // latitude, longitude, altitude
    } cases[] = {
        {"shot.mov",
         "-metadata creation_time=2024-05-01T10:20:30.250000Z -metadata com.apple.quicktime.creationdate="
         "2024-05-01T19:20:30+0900 -metadata com.apple.quicktime.make=Pomi -metadata com.apple.quicktime.model='Cam 2' "
         "-metadata com.apple.quicktime.location.ISO6709=+35.6586+139.7454+012.500/",
         "2024:05:01 19:20:30 400 +09:00", "Pomi Cam 2", "35.6586 139.7454 12.5"},
        {"shot.mp4",
         "-metadata creation_time=2024-12-31T23:59:59.800000Z -metadata make=Acme -metadata model=X1 "
         "-metadata location=-33.8568+151.2153/",
         "2025:01:01 00:00:00 200 +00:00", "Acme X1", "-33.8568 151.2153 "},
        {"plain.mp4", "", "  ", " ", "  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.movie);
        const std::string movie = dir.File(c.movie);
        ASSERT_EQ(std::system((source + c.metadata + " '" + movie + "'").c_str()), 0);
        const std::string stem = std::string(c.movie).substr(0, std::string(c.movie).find('.'));
        for (const auto& [format, ext] : {std::pair{"jpeg", "jpg"}, {"png", "png"}, {"tiff", "tif"}, {"webp", "webp"}}) {
            SCOPED_TRACE(format);
            const std::string out = dir.File(stem + "-" + format);
            ASSERT_EQ(std::system(("'" POMI_CONVERT "' -q --start 10 --end 10 --format " + std::string(format) +
                                   " -o '" + out + "' '" + movie + "'")
                                      .c_str()),
                      0);
            const std::string still = out + "/" + stem + "_00010." + ext;
            EXPECT_EQ(Tag(still, "DateTimeOriginal") + " " + Tag(still, "SubSecTimeOriginal") + " " +
                          Tag(still, "OffsetTimeOriginal"),
                      c.date);
            EXPECT_EQ(Tag(still, "Make") + " " + Tag(still, "Model"), c.camera);
            // Degrees and metres to four places, as the movie states them.
            const auto number = [&](const std::string& tag) {
                const std::string v = Tag(still, tag, true);
                if (v.empty())
                    return v;
                char text[32];
                std::snprintf(text, sizeof text, "%.4f", std::stod(v));
                std::string t = text;
                t.erase(t.find_last_not_of('0') + 1);
                if (t.back() == '.')
                    t.pop_back();
                return t;
            };
            EXPECT_EQ(number("GPSLatitude") + " " + number("GPSLongitude") + " " + number("GPSAltitude"), c.place);
            EXPECT_EQ(Tag(still, "ExifImageWidth") + " " + Tag(still, "ExifImageHeight"), c.date[0] == ' ' ? " " : "64 48");
            EXPECT_EQ(CommandOutput("exiftool -validate -error -a '" + still + "' | grep -ci 'error'"), "0\n")
                << CommandOutput("exiftool -validate -error -warning -a '" + still + "'");
        }
    }
}
