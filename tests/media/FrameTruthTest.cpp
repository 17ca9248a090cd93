// Frame n is the movie's frame n: movies made by the ffmpeg program from a known
// lossless source, on every codec it can put into an AVI and with the oddities real
// files have, read in every access pattern and with 1, 2 and 8 decoder threads; each
// picture is matched against the source frames it was made from.
#include "media/GKitImageEdit.h"
#include "media/GKitMSPlay.h"
#include "media/movie/AviWriter.h"
#include "media/movie/MovieReader.h"
#include "support/Outcome.h"
#include "support/RunConverter.h"
#include "support/TempDir.h"
#include "support/TruthMovie.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

using media::MovieReader;

namespace {

// How far from the expected frame rivals are looked for: its neighbours.
constexpr int kRivalRadius = 4;

struct Case {
    const char* name;
    std::vector<std::string> options; // ffmpeg's output options
    double floorDb;                   // the least quality this codec gives this source
    int width = 160, height = 120, frames = 48;
    std::string rate = "25";
    std::vector<int> dropped; // source frames left out: empty chunks
    bool audio = false;
    bool stripIndex = false;
    double keep = 1; // share of the file kept
    std::string container = "avi"; // the file's extension, which picks ffmpeg's muxer
    // A second pass of the ffmpeg program copying the stream (`-c copy`): options
    // before its input (a start time: an edit list) and after it (metadata).
    std::vector<std::string> remuxIn, remuxOut;
    // The display matrix's a, b, c, d (a stored pixel (p, q) shows at (a p + c q,
    // b p + d q)) as players apply it; all zero: none.
    std::array<int, 4> matrix{};
    bool writeMatrix = false; // written into the MP4's track header by the test
    std::vector<std::string> firstPass; // ffmpeg's options for a first pass, if the encoding takes two
};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> Dropping(const std::vector<int>& frames, const std::vector<std::string>& codec)
{
    std::string expr = "select='not(";
    for (std::size_t i = 0; i < frames.size(); ++i)
        expr += (i ? "+eq(n\\," : "eq(n\\,") + std::to_string(frames[i]) + ")";
    return Join({"-vf", expr + ")'", "-fps_mode", "passthrough"}, codec);
}

std::vector<Case> Cases()
{
    const std::vector<std::string> mpeg4 = {"-c:v", "mpeg4", "-vtag", "XVID", "-bf", "2", "-g", "12", "-q:v", "3"};
    const std::vector<std::string> h264 = {"-c:v", "libx264", "-profile:v", "high", "-bf", "2", "-g", "12",
                                           "-crf", "16", "-pix_fmt", "yuv420p"};
    const std::vector<std::string> mjpeg = {"-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "3"};
    std::vector<Case> cases = {
        {"mjpeg_420", mjpeg, 30},
        {"mjpeg_422", {"-c:v", "mjpeg", "-pix_fmt", "yuvj422p", "-q:v", "3"}, 30},
        {"mjpeg_444", {"-c:v", "mjpeg", "-pix_fmt", "yuvj444p", "-q:v", "3"}, 30},
        {"mpeg4_asp_bframes", mpeg4, 28},
        {"msmpeg4v2", {"-c:v", "msmpeg4v2", "-q:v", "3"}, 28},
        {"msmpeg4v3", {"-c:v", "msmpeg4", "-q:v", "3"}, 28},
        {"wmv1", {"-c:v", "wmv1", "-q:v", "3"}, 28},
        {"wmv2", {"-c:v", "wmv2", "-q:v", "3"}, 28},
        {"h264_high_bframes", h264, 30},
        {"mpeg1_bframes", {"-c:v", "mpeg1video", "-bf", "2", "-g", "12", "-q:v", "3"}, 28},
        {"mpeg2_bframes", {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-q:v", "3"}, 28},
        {"dv_pal", {"-c:v", "dvvideo", "-pix_fmt", "yuv420p"}, 28, 720, 576, 20},
        {"dv_ntsc", {"-c:v", "dvvideo", "-pix_fmt", "yuv411p"}, 26, 720, 480, 20, "30000/1001"},
        {"huffyuv_rgb_odd_size", {"-c:v", "huffyuv", "-pix_fmt", "rgb24"}, 60, 317, 233},
        {"ffvhuff", {"-c:v", "ffvhuff", "-pix_fmt", "yuv444p"}, 38},
        {"ffv1", {"-c:v", "ffv1", "-pix_fmt", "bgr0"}, 60},
        {"utvideo", {"-c:v", "utvideo", "-pix_fmt", "gbrp"}, 60},
        {"raw_bgr24", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, 60},
        {"raw_pal8", {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, 18},
        {"raw_rgb555", {"-c:v", "rawvideo", "-pix_fmt", "rgb555le"}, 30},
        {"raw_yuyv", {"-c:v", "rawvideo", "-pix_fmt", "yuyv422"}, 30},
        {"msvideo1", {"-c:v", "msvideo1"}, 20},
        {"cinepak", {"-c:v", "cinepak"}, 20, 160, 120, 30},
        {"zmbv", {"-c:v", "zmbv", "-pix_fmt", "bgr0"}, 60},
        {"flv1", {"-c:v", "flv", "-q:v", "3"}, 28},
        {"mpeg4_odd_size", Join({"-c:v", "mpeg4", "-q:v", "3"}, {}), 28, 158, 98},
    };
    Case dropped{"mjpeg_dropped_frames", {}, 30};
    dropped.dropped = {5, 6, 7, 20, 46};
    dropped.options = Dropping(dropped.dropped, mjpeg);
    cases.push_back(dropped);
    Case droppedInter{"mpeg4_p_only_dropped_frames", {}, 28};
    droppedInter.dropped = {9, 30};
    droppedInter.options = Dropping(droppedInter.dropped, {"-c:v", "mpeg4", "-g", "12", "-q:v", "3"});
    cases.push_back(droppedInter);
    Case audio{"mpeg4_bframes_with_audio", Join(mpeg4, {"-c:a", "pcm_s16le", "-shortest"}), 28};
    audio.audio = true;
    cases.push_back(audio);
    Case noIndex{"mpeg4_bframes_no_index", mpeg4, 28};
    noIndex.stripIndex = true;
    cases.push_back(noIndex);
    Case h264NoIndex{"h264_bframes_no_index", h264, 30};
    h264NoIndex.stripIndex = true;
    cases.push_back(h264NoIndex);
    static const char* const h264Cuts[] = {"h264_bframes_cut_at_55", "h264_bframes_cut_at_63", "h264_bframes_cut_at_71",
                                           "h264_bframes_cut_at_80"};
    static const char* const mpeg4Cuts[] = {"mpeg4_bframes_cut_at_55", "mpeg4_bframes_cut_at_63",
                                            "mpeg4_bframes_cut_at_71", "mpeg4_bframes_cut_at_80"};
    const double keeps[] = {0.55, 0.63, 0.71, 0.8};
    for (int i = 0; i < 4; ++i) {
        Case cut{h264Cuts[i], h264, 30};
        cut.keep = keeps[i];
        cases.push_back(cut);
        Case mpeg4Cut{mpeg4Cuts[i], mpeg4, 28};
        mpeg4Cut.keep = keeps[i];
        cases.push_back(mpeg4Cut);
    }
    Case mpeg2Cut{"mpeg2_bframes_cut_at_70", {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-q:v", "3"}, 28};
    mpeg2Cut.keep = 0.7;
    cases.push_back(mpeg2Cut);
    Case mjpegCut{"mjpeg_cut_at_70", mjpeg, 30};
    mjpegCut.keep = 0.7;
    cases.push_back(mjpegCut);
    // The containers people use today, each with its usual codecs.
    const auto in = [&](const char* name, const char* container, std::vector<std::string> options, double floor,
                        int width = 160, int height = 120) {
        Case c{name, std::move(options), floor, width, height};
        c.container = container;
        cases.push_back(c);
        return &cases.back();
    };
    in("mp4_h264_high_bframes", "mp4", h264, 30);
    in("mov_h264_high_bframes", "mov", h264, 30);
    in("m4v_mpeg4_bframes", "m4v", {"-c:v", "mpeg4", "-bf", "2", "-g", "12", "-q:v", "3", "-f", "mp4"}, 28);
    in("mkv_h264_high_bframes", "mkv", h264, 30);
    in("mkv_mjpeg", "mkv", mjpeg, 30);
    in("webm_vp9", "webm", {"-c:v", "libvpx-vp9", "-crf", "20", "-b:v", "0", "-g", "12"}, 30);
    in("webm_vp8", "webm", {"-c:v", "libvpx", "-crf", "10", "-b:v", "2M", "-g", "12"}, 28);
    in("mp4_av1", "mp4", {"-c:v", "libaom-av1", "-crf", "20", "-b:v", "0", "-g", "12", "-cpu-used", "8"}, 30);
    in("ts_h264_high_bframes", "ts", h264, 30);
    in("m2ts_mpeg2_bframes", "m2ts", {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-q:v", "3"}, 28);
    in("mpg_mpeg2_bframes", "mpg", {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-q:v", "3"}, 28);
    in("mov_prores", "mov", {"-c:v", "prores_ks"}, 34);
    in("ogv_theora", "ogv", {"-c:v", "libtheora", "-q:v", "8", "-g", "12"}, 28);
    in("wmv_wmv2", "wmv", {"-c:v", "wmv2", "-q:v", "3"}, 28);
    in("flv_flv1", "flv", {"-c:v", "flv", "-q:v", "3"}, 28);
    in("3gp_h263", "3gp", {"-c:v", "h263", "-q:v", "3"}, 28, 176, 144);
    Case vfr{"mp4_h264_variable_frame_rate", Join({"-vf", "setpts='(N+N*N/40)/25/TB'", "-fps_mode", "passthrough",
                                                   "-video_track_timescale", "90000"}, h264), 30};
    vfr.container = "mp4";
    cases.push_back(vfr);
    Case trimmed{"mp4_h264_bframes_edit_list", h264, 30};
    trimmed.container = "mp4";
    trimmed.remuxIn = {"-ss", "0.5"};
    cases.push_back(trimmed);
    Case turned{"mp4_h264_turned_by_its_display_matrix", h264, 30};
    turned.container = "mp4";
    // ffmpeg 5.1 writes `rotate=90` as a matrix turning the frames a quarter
    // counter-clockwise, and players, ffmpeg among them, show them so.
    turned.remuxOut = {"-metadata:s:v:0", "rotate=90"};
    turned.matrix = {0, -1, 1, 0};
    cases.push_back(turned);
    // A phone's front camera mirrors as well as turns; ffmpeg 5.1 cannot write that.
    Case mirrored{"mp4_h264_mirrored_and_turned_by_its_display_matrix", h264, 30};
    mirrored.container = "mp4";
    mirrored.matrix = {0, -1, -1, 0};
    mirrored.writeMatrix = true;
    cases.push_back(mirrored);
    Case mkvCut{"mkv_h264_bframes_cut_at_70", h264, 30};
    mkvCut.container = "mkv";
    mkvCut.keep = 0.7;
    cases.push_back(mkvCut);
    Case tsCut{"ts_h264_bframes_cut_at_70", h264, 30};
    tsCut.container = "ts";
    tsCut.keep = 0.7;
    cases.push_back(tsCut);
    in("mp4_hevc_bframes", "mp4", {"-c:v", "libx265", "-x265-params", "bframes=2:keyint=12:log-level=error", "-crf", "16"}, 30);
    // Interlaced coding, frames never shown and FLV's seeks, as the world's encoders make them.
    in("ts_h264_interlaced", "ts", Join({"-flags", "+ildct+ilme", "-top", "1"}, h264), 30);
    in("ts_mpeg2_interlaced_bframes", "ts",
       {"-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-top", "1", "-bf", "2", "-g", "12", "-q:v", "3"}, 28);
    const std::vector<std::string> altRef = {"-auto-alt-ref", "1", "-lag-in-frames", "16", "-b:v", "2M", "-g", "24"};
    in("webm_vp9_alt_ref_frames_in_superframes", "webm", Join({"-c:v", "libvpx-vp9"}, altRef), 28);
    // Two passes make libvpx put VP8's alt-ref frames, never shown, in packets of their own.
    Case* vp8 = in("webm_vp8_hidden_alt_ref_frames", "webm", Join({"-c:v", "libvpx", "-pass", "2"}, altRef), 28);
    vp8->firstPass = Join({"-c:v", "libvpx", "-pass", "1", "-f", "null"}, altRef);
    in("flv_h264_bframes", "flv", h264, 30);
    return cases;
}

// A movie on disk and, for each of its positions, the source frame it must show.
struct TruthFile {
    TempDir dir;
    std::string path;
    SourceMovie source;
    std::vector<int> expected;
    double floorDb = 0;
    bool cut = false;
    int lastThere = 0; // the last source frame the file holds whole
};

// Which source frames a cut file still holds whole: those the reference decoder
// gives back at full quality.
std::set<int> FramesStillThere(const TruthFile& movie)
{
    std::set<int> there;
    for (const auto& picture : DecodeWithFfmpeg(movie.path, movie.source.width, movie.source.height)) {
        const FrameMatch m = MatchFrame(movie.source, picture.data(), 0);
        if (m.bestDb >= movie.floorDb)
            there.insert(m.best);
    }
    return there;
}

// Every frame as a player shows it through a display matrix of quarter turns and mirrors.
SourceMovie AsDisplayed(const SourceMovie& stored, const std::array<int, 4>& m)
{
    const auto [a, b, c, d] = m;
    const int w = stored.width, h = stored.height;
    // Where the stored corners land; the picture is moved to start at 0, 0.
    const int minX = std::min({0, a * (w - 1), c * (h - 1), a * (w - 1) + c * (h - 1)});
    const int minY = std::min({0, b * (w - 1), d * (h - 1), b * (w - 1) + d * (h - 1)});
    SourceMovie shown{a != 0 ? w : h, a != 0 ? h : w, {}};
    for (const auto& frame : stored.frames) {
        std::vector<std::uint8_t> out(frame.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int tx = a * x + c * y - minX, ty = b * x + d * y - minY;
                std::copy_n(&frame[(std::size_t(y) * w + x) * 3], 3, &out[(std::size_t(ty) * shown.width + tx) * 3]);
            }
        shown.frames.push_back(std::move(out));
    }
    return shown;
}

// Writes a display matrix (the signs a, b, c, d as whole units) into the first track
// header of an MP4, as a phone does.
bool WriteDisplayMatrix(const std::string& path, const std::array<int, 4>& m)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t at = bytes.find("tkhd");
    if (at == std::string::npos || at + 4 + 4 + 32 + 16 + 36 > bytes.size())
        return false;
    // After the version and flags: times, track, duration (20 or 32 bytes), then 16
    // bytes of layer and volume; the matrix is a b u / c d v / x y w.
    const std::size_t matrix = at + 8 + (bytes[at + 4] == 1 ? 32 : 20) + 16;
    const std::int32_t values[9] = {m[0] * 65536, m[1] * 65536, 0, m[2] * 65536, m[3] * 65536, 0, 0, 0, 1 << 30};
    for (int i = 0; i < 9; ++i)
        for (int k = 0; k < 4; ++k)
            bytes[matrix + 4 * i + k] = char(std::uint32_t(values[i]) >> (24 - 8 * k));
    file.seekp(0);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(file);
}

void Prepare(const Case& c, TruthFile& movie)
{
    movie.path = movie.dir.File("clip." + c.container);
    movie.source = MakeSource(c.width, c.height, c.frames);
    movie.floorDb = c.floorDb;
    std::string error;
    const std::vector<std::string> audio = {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=10"};
    const std::string passLog = movie.dir.File("pass");
    if (!c.firstPass.empty()) {
        ASSERT_TRUE(EncodeWithFfmpeg(movie.source, movie.dir.File("first-pass"), Join(c.firstPass, {"-passlogfile", passLog}), error))
            << error;
    }
    const std::vector<std::string> options = c.firstPass.empty() ? c.options : Join(c.options, {"-passlogfile", passLog});
    ASSERT_TRUE(EncodeWithFfmpeg(movie.source, movie.path, options, error, c.audio ? audio : std::vector<std::string>{},
                                 c.rate))
        << error;
    if (!c.remuxIn.empty() || !c.remuxOut.empty()) {
        const std::string copied = movie.dir.File("copied." + c.container);
        std::vector<std::string> args = c.remuxIn;
        args = Join(args, {"-i", movie.path, "-c", "copy"});
        args = Join(args, c.remuxOut);
        args.push_back(copied);
        ASSERT_TRUE(RunFfmpeg(args, error)) << error;
        movie.path = copied;
    }
    if (c.writeMatrix) {
        ASSERT_TRUE(WriteDisplayMatrix(movie.path, c.matrix));
    }
    if (c.matrix != std::array<int, 4>{})
        movie.source = AsDisplayed(movie.source, c.matrix);
    if (!c.remuxIn.empty()) {
        // Where an edit list starts the movie, position n is the n-th picture a player
        // shows: the reference decoder's pictures say which source frames those are.
        const std::set<int> shown = FramesStillThere(movie);
        ASSERT_GT(shown.size(), 5u);
        movie.expected.assign(shown.begin(), shown.end());
        movie.lastThere = movie.expected.back();
        return;
    }
    if (c.stripIndex) {
        ASSERT_TRUE(StripIndex(movie.path));
    }
    std::set<int> there;
    for (int n = 0; n < c.frames; ++n)
        if (std::find(c.dropped.begin(), c.dropped.end(), n) == c.dropped.end())
            there.insert(n);
    if (c.keep < 1) {
        std::filesystem::resize_file(movie.path,
                                     std::uintmax_t(double(std::filesystem::file_size(movie.path)) * c.keep));
        there = FramesStillThere(movie);
        movie.cut = true;
        ASSERT_GT(there.size(), 5u);
        if (c.container != "avi") {
            // Outside AVI a position is a picture: the n-th picture the file still shows.
            movie.expected.assign(there.begin(), there.end());
            movie.lastThere = int(movie.expected.size()) - 1;
            return;
        }
    }
    movie.lastThere = *there.rbegin();
    // Position n shows the latest frame there at or before n (the first before that).
    for (int n = 0; n < c.frames; ++n) {
        auto it = there.upper_bound(n);
        movie.expected.push_back(it == there.begin() ? *there.begin() : *std::prev(it));
    }
}

// Collects the positions whose pictures are not their source frames.
class Verdicts {
public:
    explicit Verdicts(const TruthFile& movie) : m_movie(movie) {}

    void Check(const std::string& how, int pos, const media::Image* picture)
    {
        ++m_checked;
        std::ostringstream why;
        if (pos < 0 || pos >= int(m_movie.expected.size()))
            why << "position outside the movie";
        else if (!picture || picture->width != m_movie.source.width || picture->height != m_movie.source.height)
            why << "no picture of the movie's size";
        else {
            const int want = m_movie.expected[pos];
            const FrameMatch m = MatchFrame(m_movie.source, picture->pixels.data(), want, kRivalRadius);
            if (m.expectedDb <= m.rivalDb || m.expectedDb < m_movie.floorDb)
                why << "shows frame " << m.best << " (" << m.bestDb << " dB), not " << want << " ("
                    << m.expectedDb << " dB)";
            m_worstDb = std::min(m_worstDb, m.expectedDb);
        }
        if (!why.str().empty() && ++m_wrong <= 8)
            m_report << "\n  " << how << ": position " << pos << " " << why.str();
    }
    void Expect() const
    {
        EXPECT_EQ(m_wrong, 0) << m_wrong << " of " << m_checked << " pictures wrong:" << m_report.str();
        EXPECT_GT(m_checked, 0);
    }
    double WorstDb() const { return m_worstDb; }

private:
    const TruthFile& m_movie;
    int m_checked = 0;
    int m_wrong = 0;
    double m_worstDb = 99;
    std::ostringstream m_report;
};

// A run handed out undeveloped and developed on two threads, as the command line
// does it: each picture must still be its source frame.
void CheckDevelopedRun(MovieReader& reader, int start, int step, Verdicts& verdicts)
{
    const int n = reader.PositionCount();
    std::vector<media::UndevelopedFrame> run;
    reader.ReadRunUndeveloped(start, n - 1, step, [&](int, media::UndevelopedFrame&& frame) {
        run.push_back(std::move(frame));
        return true;
    });
    EXPECT_EQ(int(run.size()), (n - 1 - start) / step + 1);
    std::vector<media::Image> pictures(run.size());
    std::vector<char> developed(run.size());
    std::vector<std::thread> developers;
    for (std::size_t t = 0; t < 2; ++t)
        developers.emplace_back([&, t] {
            media::FrameDeveloper developer(reader);
            for (std::size_t i = t; i < run.size(); i += 2)
                developed[i] = developer.Develop(run[i], pictures[i]);
        });
    for (std::thread& d : developers)
        d.join();
    const std::string how = std::string("developed") + (reader.DecodesInDevelopers() ? " (decoded by the developers)" : "") +
                            ", every " + std::to_string(step) + " from " + std::to_string(start);
    for (std::size_t i = 0; i < run.size(); ++i)
        verdicts.Check(how, run[i].Position(), developed[i] ? &pictures[i] : nullptr);
}

class FrameTruth : public ::testing::TestWithParam<Case> {};

// A case prints as its name in the test's report.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

} // namespace

// Every access pattern, with 1, 2 and 8 decoder threads.
TEST_P(FrameTruth, ShowsTheSourceFrame)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    const Case& c = GetParam();
    TruthFile movie;
    Prepare(c, movie);
    if (HasFatalFailure())
        return;
    Verdicts verdicts(movie);
    media::Image img;
    for (int threads : {1, 2, 8}) {
        std::string error;
        // The truth is the stored frame: DV and H.263 tag their pixels as not square.
        auto reader = Take(MovieReader::Open(movie.path, {threads, true}), error);
        ASSERT_TRUE(reader) << error;
        const int n = reader->PositionCount();
        if (movie.cut) {
            // The pictures whose places a cut leaves unknown (B-pictures cut off before
            // them) are left out, never more than a B-picture run.
            EXPECT_GE(n, movie.lastThere + 1 - 3);
            EXPECT_LE(n, movie.lastThere + 1);
        } else {
            EXPECT_EQ(n, int(movie.expected.size()));
        }
        const std::string how = "forward, " + std::to_string(threads) + " threads";
        for (int p = 0; p < n; ++p)
            verdicts.Check(how, p, reader->ReadFrame(p, img) ? &img : nullptr);
        EXPECT_FALSE(reader->ReadFrame(n, img));
        if (threads != 2)
            continue;
        for (int p = n - 1; p >= 0; --p)
            verdicts.Check("backward", p, reader->ReadFrame(p, img) ? &img : nullptr);
        reader->ReadRun(0, n - 1, 3, [&](int p, const media::Image* pic) {
            verdicts.Check("every 3rd", p, pic);
            return true;
        });
        reader->ReadRun(5, n - 1, 4, [&](int p, const media::Image* pic) {
            verdicts.Check("every 4th from 5", p, pic);
            return true;
        });
        // Short runs one after the other, as a strided run reads from key to key: the
        // decoder is emptied at each run's end and must not go on from there.
        for (int from = 1; from < n; from += 7)
            reader->ReadRun(from, std::min(from + 6, n - 1), 3, [&](int p, const media::Image* pic) {
                verdicts.Check("runs of 7, every 3rd", p, pic);
                return true;
            });
        for (const auto& [start, step] : {std::pair{0, 1}, std::pair{5, 4}})
            CheckDevelopedRun(*reader, start, step, verdicts);
        std::mt19937 random(2026);
        for (int i = 0; i < 60; ++i) {
            const int p = int(random() % unsigned(n));
            verdicts.Check("random", p, reader->ReadFrame(p, img) ? &img : nullptr);
        }
    }
    verdicts.Expect();
    std::printf("%-30s worst match %.1f dB\n", c.name, verdicts.WorstDb());
}

INSTANTIATE_TEST_SUITE_P(Codecs, FrameTruth, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

namespace {

std::uint32_t Le32(const std::string& s, std::size_t at)
{
    return std::uint32_t(std::uint8_t(s[at])) | std::uint32_t(std::uint8_t(s[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(s[at + 2])) << 16 | std::uint32_t(std::uint8_t(s[at + 3])) << 24;
}

void PutLe32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = char(v >> (8 * i));
}

} // namespace

// A header whose form type, rate, scale or sample size lies cannot make the movie
// longer than the chunks in the file; the pictures stay the source's.
TEST(FrameTruthDamage, ALyingHeaderNeverGivesMorePositionsThanTheFileHasChunks)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(160, 120, 200);
    const std::string whole = dir.File("whole.avi");
    std::string error;
    ASSERT_TRUE(EncodeWithFfmpeg(source, whole, {"-c:v", "mpeg4", "-bf", "2", "-q:v", "3"}, error)) << error;
    const std::string original = TempDir::Read(whole);
    const std::size_t strh = original.find("strh");
    ASSERT_NE(strh, std::string::npos);
    const std::size_t scale = strh + 8 + 20, rate = strh + 8 + 24, sampleSize = strh + 8 + 44;
    ASSERT_EQ(Le32(original, rate), 25u);

    struct Damage {
        const char* form;
        std::uint32_t scale, rate, sampleSize;
    };
    const Damage damages[] = {
        {"AVI ", 1, 1000000, 0}, {"AVI ", 1000000, 1, 0}, {"AVI ", 0, 0, 0},       {"AVI ", 1, 25, 1},
        {"AVI ", 1, 25, 4096},   {"AVIX", 1, 1000000, 0}, {"AVI\x19", 7, 3, 0},    {"AMV ", 1, 25, 0},
        {"AVIX", 1, 25, 1},      {"AVJ ", 1, 25, 0},      {"AVJ ", 1, 1000000, 0},
    };
    int opened = 0;
    for (const Damage& d : damages) {
        std::string damaged = original;
        damaged.replace(8, 4, d.form, 4);
        PutLe32(damaged, scale, d.scale);
        PutLe32(damaged, rate, d.rate);
        PutLe32(damaged, sampleSize, d.sampleSize);
        const std::string path = dir.File("damaged.avi");
        TempDir::Write(path, damaged);
        SCOPED_TRACE(std::string(d.form, 4) + " scale " + std::to_string(d.scale) + " rate " + std::to_string(d.rate) +
                     " sample size " + std::to_string(d.sampleSize));
        auto reader = Take(MovieReader::Open(path), error);
        if (!reader)
            continue;
        ++opened;
        EXPECT_LE(reader->PositionCount(), 200);
        EXPECT_GE(reader->PositionCount(), 190);
        media::Image img;
        for (int p : {0, 13, 100, 150, reader->PositionCount() - 1}) {
            ASSERT_TRUE(reader->ReadFrame(p, img)) << p;
            const FrameMatch m = MatchFrame(source, img.pixels.data(), p, kRivalRadius);
            EXPECT_EQ(m.best, p);
        }
    }
    EXPECT_GE(opened, 5);
}

// A file that is not an AVI, whatever its name, has one position per frame.
TEST(FrameTruthDamage, AnMp4OrMatroskaFileNamedAviHasOnePositionPerFrame)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    TempDir dir;
    const SourceMovie source = MakeSource(160, 120, 50);
    for (const char* container : {"mp4", "matroska"}) {
        SCOPED_TRACE(container);
        TruthFile movie;
        movie.path = dir.File(std::string(container) + ".avi");
        std::string error;
        ASSERT_TRUE(EncodeWithFfmpeg(source, movie.path,
                                     {"-c:v", "libx264", "-bf", "2", "-g", "12", "-crf", "16", "-pix_fmt", "yuv420p",
                                      "-f", container},
                                     error))
            << error;
        movie.source = source;
        movie.floorDb = 30;
        for (int n = 0; n < 50; ++n)
            movie.expected.push_back(n);
        auto reader = Take(MovieReader::Open(movie.path), error);
        ASSERT_TRUE(reader) << error;
        EXPECT_EQ(reader->PositionCount(), 50);
        Verdicts verdicts(movie);
        media::Image img;
        for (int p = 0; p < reader->PositionCount(); ++p)
            verdicts.Check("forward", p, reader->ReadFrame(p, img) ? &img : nullptr);
        for (int p = reader->PositionCount() - 1; p >= 0; p -= 3)
            verdicts.Check("backward", p, reader->ReadFrame(p, img) ? &img : nullptr);
        verdicts.Expect();
    }
}

namespace {

const Case& CaseNamed(const std::string& name)
{
    static const std::vector<Case> cases = Cases();
    for (const Case& c : cases)
        if (c.name == name)
            return c;
    throw std::runtime_error("no truth case " + name);
}

media::Image RgbOf(const QImage& image)
{
    media::Image rgb;
    if (image.isNull())
        return rgb;
    const QImage converted = image.convertToFormat(QImage::Format_RGB888);
    rgb.width = converted.width();
    rgb.height = converted.height();
    rgb.pixels.resize(std::size_t(rgb.width) * rgb.height * 3);
    for (int y = 0; y < rgb.height; ++y)
        std::copy_n(converted.constScanLine(y), rgb.width * 3, rgb.Row(y));
    return rgb;
}


} // namespace

// The main window's path (the movie play control's clipboard copy, then the image
// edit control saving it) and the command line's pipeline with one job and with
// eight write the source's frames under their positions' names.
TEST(FrameTruthPaths, TheWindowAndTheCommandLineSaveEachPositionsSourceFrame)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "the ffmpeg program is missing";
    // (Intra pictures that FFmpeg decodes in the developers: ffvhuff; DV's pixels are
    // not square, so the window shows its frames wider than the source.)
    for (const char* name : {"mpeg1_bframes", "h264_high_bframes", "ffvhuff", "huffyuv_rgb_odd_size",
                             "mjpeg_dropped_frames"}) {
        SCOPED_TRACE(name);
        TruthFile movie;
        Prepare(CaseNamed(name), movie);
        if (HasFatalFailure())
            return;
        const int positions = int(movie.expected.size());
        Verdicts verdicts(movie);

        TGKitMSPlay control;
        control.setFileName(QString::fromStdString(movie.path));
        ASSERT_EQ(control.Length(), positions - 1);
        control.Pause();
        TGKitImageEdit edit;
        edit.setSaveMediaFormat(106);
        const std::string saved = movie.dir.File("window.png");
        for (int p = 0; p < positions; ++p) {
            ASSERT_TRUE(control.CopyToClipboard(p));
            ASSERT_TRUE(edit.CreateFromClipboard());
            ASSERT_TRUE(edit.Save(QString::fromStdString(saved)));
            const media::Image picture = RgbOf(QImage(QString::fromStdString(saved)));
            verdicts.Check("window", p, &picture);
        }

        for (int jobs : {1, 8}) {
            const std::string out = movie.dir.File("out" + std::to_string(jobs));
            ASSERT_EQ(RunConverter("-q --format png --colors full --brightness 0 --rotate 0 --resize none --start 0 "
                                   "--end 99999 --step 1 -j " +
                                   std::to_string(jobs) + " -o '" + out + "' '" + movie.path + "'"),
                      0);
            int files = 0;
            for (const auto& e : std::filesystem::directory_iterator(out))
                files += e.path().extension() == ".png";
            EXPECT_EQ(files, positions);
            for (int p = 0; p < positions; ++p) {
                char file[32];
                std::snprintf(file, sizeof file, "/clip_%05d.png", p);
                const media::Image picture = RgbOf(QImage(QString::fromStdString(out + file)));
                verdicts.Check("command line -j " + std::to_string(jobs), p, &picture);
            }
        }
        verdicts.Expect();
    }
}
