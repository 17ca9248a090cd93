// Runs that start far into a movie go there by a seek, not by decoding everything
// before their start; also in an OpenDML AVI over 1 GiB, whose index is spread over
// several RIFF chunks.
#include "media/movie/AviWriter.h"
#include "media/movie/MovieReader.h"
#include "support/Outcome.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using media::MovieReader;

// The flat colour of a picture's top-left pixel is its frame's.
bool ShowsFrame(const media::Image& picture, int frame, int tolerance)
{
    const auto want = FrameColour(frame);
    for (int c = 0; c < 3; ++c)
        if (std::abs(int(picture.pixels[c]) - int(want[c])) > tolerance)
            return false;
    return true;
}

// The last ten positions of a 400-frame movie, read by both kinds of run.
void ExpectTheEndCostsAboutTenPictures(const AviSpec& spec, long mostDecoded)
{
    TempDir dir;
    const std::string path = dir.File("long.avi");
    std::string error;
    ASSERT_TRUE(Take(WriteAvi(path, spec), error)) << error;
    auto reader = Take(MovieReader::Open(path), error);
    ASSERT_TRUE(reader) << error;
    ASSERT_EQ(reader->PositionCount(), 400);

    const MovieReader::Stats before = reader->Statistics();
    int shown = 0;
    reader->ReadRun(390, 399, 1, [&](int n, const media::Image* picture) {
        EXPECT_TRUE(picture && ShowsFrame(*picture, n, 12)) << "position " << n;
        ++shown;
        return true;
    });
    EXPECT_EQ(shown, 10);
    EXPECT_LE(reader->Statistics().decoded - before.decoded, mostDecoded);

    const MovieReader::Stats middle = reader->Statistics();
    media::FrameDeveloper developer(*reader);
    media::Image picture;
    shown = 0;
    reader->ReadRunUndeveloped(390, 399, 1, [&](int n, media::UndevelopedFrame&& frame) {
        EXPECT_TRUE(developer.Develop(frame, picture) && ShowsFrame(picture, n, 12)) << "position " << n;
        ++shown;
        return true;
    });
    EXPECT_EQ(shown, 10);
    EXPECT_LE(reader->Statistics().decoded - middle.decoded, reader->DecodesInDevelopers() ? 0 : mostDecoded);
}

TEST(LongMovies, TheLastTenFramesCostAboutTenPictures)
{
    // Every picture a key frame: the run starts at its own first position.
    ExpectTheEndCostsAboutTenPictures(AviSpec{"mjpeg", 64, 48, 400, 1}, 12);
    // Key frames every 30 (the last at 390) with B-frames: from that key frame on.
    ExpectTheEndCostsAboutTenPictures(AviSpec{"mpeg4", 64, 48, 400, 30, 2}, 16);
}

TEST(LongMovies, WhoDecodesARunsPicturesFollowsTheCodec)
{
    TempDir dir;
    const struct {
        AviSpec spec;
        bool developersDecode;
    } cases[] = {
        {AviSpec{"mjpeg", 64, 48, 20, 1}, true},
        {AviSpec{"rawvideo", 64, 48, 20, 1}, true},
        {AviSpec{"mpeg4", 64, 48, 20, 12, 2}, false},
        {AviSpec{"mpeg4", 64, 48, 20, 1}, false}, // intra pictures of an inter codec
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec.codec);
        const std::string path = dir.File("m.avi");
        std::string error;
        ASSERT_TRUE(Take(WriteAvi(path, c.spec), error)) << error;
        auto reader = Take(MovieReader::Open(path), error);
        ASSERT_TRUE(reader) << error;
        EXPECT_EQ(reader->DecodesInDevelopers(), c.developersDecode);
    }
}

// A damaged Motion JPEG picture is decoded as far as it goes, the same by every path:
// the single read and a run's developers give the same picture, whatever each
// decoded before.
TEST(LongMovies, ADamagedJpegFrameIsTheSameWhicheverPathReadsIt)
{
    TempDir dir;
    const std::string path = dir.File("m.avi");
    ASSERT_TRUE(WriteAvi(path, AviSpec{"mjpeg", 96, 64, 12, 1, 0, {}, true}));
    std::string bytes = TempDir::Read(path);
    // Frame 7's JPEG: an end-of-image marker in the middle of its coded data.
    std::size_t soi = 0;
    for (int frame = 0; frame <= 7; ++frame)
        soi = bytes.find("\xFF\xD8\xFF", soi + 1);
    const std::size_t sos = bytes.find("\xFF\xDA", soi);
    ASSERT_NE(sos, std::string::npos);
    bytes[sos + 60] = '\xFF';
    bytes[sos + 61] = '\xD9';
    TempDir::Write(path, bytes);

    std::string error;
    auto reader = Take(MovieReader::Open(path), error);
    ASSERT_TRUE(reader) << error;
    ASSERT_TRUE(reader->DecodesInDevelopers());
    std::vector<media::Image> single(12);
    std::vector<bool> read(12);
    for (int n = 0; n < 12; ++n)
        read[n] = reader->ReadFrame(n, single[n]);
    EXPECT_TRUE(read[6] && read[8]);
    // Read again after another picture: nothing of what came before shows through.
    media::Image again;
    ASSERT_TRUE(reader->ReadFrame(3, again) && reader->ReadFrame(7, again));
    EXPECT_TRUE(again.pixels == single[7].pixels);
    EXPECT_TRUE(read[7]) << "the part before the damage is still a picture";
    media::FrameDeveloper developer(*reader);
    reader->ReadRunUndeveloped(0, 11, 1, [&](int n, media::UndevelopedFrame&& frame) {
        media::Image picture;
        EXPECT_EQ(developer.Develop(frame, picture), bool(read[n])) << "position " << n;
        EXPECT_TRUE(picture.pixels == single[n].pixels) << "position " << n;
        return true;
    });
}

TEST(LongMovies, AnOpenDmlMovieOverOneGibibyteSeeksThroughItsLaterIndexes)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const std::string path = dir.File("big.avi");
    std::string error;
    // Uncompressed 1080p: 190 frames make 1.18 GB, so the file goes on in AVIX chunks.
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25", "-frames:v", "190", "-c:v",
                           "rawvideo", "-pix_fmt", "bgr24", path},
                          error))
        << error;
    {
        std::ifstream in(path, std::ios::binary);
        std::string head(12, '\0');
        in.read(head.data(), 12);
        const std::uint32_t firstRiff = std::uint8_t(head[4]) | std::uint8_t(head[5]) << 8 | std::uint8_t(head[6]) << 16 |
                                        std::uint32_t(std::uint8_t(head[7])) << 24;
        std::string next(12, '\0');
        in.seekg(std::streamoff(firstRiff) + 8);
        in.read(next.data(), 12);
        ASSERT_EQ(next.substr(0, 4), "RIFF");
        ASSERT_EQ(next.substr(8, 4), "AVIX") << "the movie was meant to continue past its first RIFF chunk";
    }
    const auto truth = DecodeWithFfmpeg(path, 1920, 1080, 184, 189);
    ASSERT_EQ(truth.size(), 6u);

    auto reader = Take(MovieReader::Open(path), error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->PositionCount(), 190);
    const MovieReader::Stats before = reader->Statistics();
    int shown = 0;
    reader->ReadRun(184, 189, 1, [&](int n, const media::Image* picture) {
        EXPECT_TRUE(picture && picture->pixels == truth[n - 184]) << "position " << n;
        ++shown;
        return true;
    });
    EXPECT_EQ(shown, 6);
    EXPECT_LE(reader->Statistics().decoded - before.decoded, 7);

    ASSERT_TRUE(reader->DecodesInDevelopers());
    media::FrameDeveloper developer(*reader);
    media::Image picture;
    reader->ReadRunUndeveloped(184, 189, 5, [&](int n, media::UndevelopedFrame&& frame) {
        EXPECT_TRUE(developer.Develop(frame, picture) && picture.pixels == truth[n - 184]) << "position " << n;
        return true;
    });
}

} // namespace
