#include "fuzz/FuzzBodies.h"

#include "engine/Manifest.h"
#include "engine/ResumeRecord.h"
#include "engine/MoviePicks.h"
#include "engine/StillNames.h"
#include "framework/IniFile.h"
#include "media/codecs/Codecs.h"
#include "media/codecs/Formats.h"
#include "media/codecs/JpegCoefficients.h"
#include "media/codecs/Metadata.h"
#include "media/codecs/ShotExif.h"
#include "media/codecs/XmpIptc.h"
#include "media/movie/MovieOrigin.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace fuzz {

namespace {

void Check(bool truth)
{
    if (!truth)
        __builtin_trap();
}

std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// The input's lines (at most `most`), the last one running to the end.
std::vector<std::string> Lines(const std::uint8_t* data, std::size_t size, std::size_t most)
{
    std::vector<std::string> lines;
    std::string_view rest = Text(data, size);
    while (lines.size() + 1 < most && rest.find('\n') != std::string_view::npos) {
        lines.emplace_back(rest.substr(0, rest.find('\n')));
        rest.remove_prefix(rest.find('\n') + 1);
    }
    lines.emplace_back(rest);
    return lines;
}

void Bmp(const std::uint8_t* data, std::size_t size) { (void)media::DecodeBmp(data, size); }

void Pcx(const std::uint8_t* data, std::size_t size) { (void)media::DecodePcx(data, size); }

// What Load does with a file's bytes (format detection, then the decoder it picks),
// then a save to every format of our own, so the writers see odd pictures too; the
// header step and, for HEIF, the planes route that walks its boxes itself.
void Load(const std::uint8_t* data, std::size_t size)
{
    (void)media::ReadImageHeader(data, size);
    if (const auto planes = media::DecodeHeifPlanes(data, size, true))
        (void)media::EncodeJpegPlanes(*planes, {});
    const media::Result<media::Image> img = media::DecodeImage(data, size);
    if (!img || std::size_t(img->width) * img->height > 1 << 16)
        return;
    for (auto format : {media::ImageFormat::Bmp, media::ImageFormat::Pcx, media::ImageFormat::Png})
        (void)media::EncodeImage(*img, format, {});
}

// The settings file's reader and writer: every lookup, the one-pass index, and a
// rewrite with keys the window saves, which must then read back.
void Settings(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content = Text(data, size);
    fw::IniLookup(content, "SET1", "PATH");
    const std::string updated =
        fw::IniApply(content, {{"SET0", "M_TOP", "1"}, {"SET1", "PATH", "/a"}, {"set1", "width", "2"}});
    Check(fw::IniLookup(updated, "SET1", "PATH") == "/a");
    static const int fd = memfd_create("settings", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        return;
    const fw::TIniFile ini("/proc/self/fd/" + std::to_string(fd));
    ini.ReadString("SET1", "PATH", "");
    ini.ReadInteger("SET0", "M_TOP", 0);
    ini.ReadInteger("SET1", "WIDTH", 0);
}

// A photo's metadata read from a whole file, made ready for writing and written with
// a small picture into every format that holds it. The XMP made true once is true.
void Metadata(const std::uint8_t* data, std::size_t size)
{
    media::Metadata meta = media::ReadMetadata(data, size);
    const media::Bytes xmp = media::XmpForWriting(meta.xmp, 3, 2);
    Check(media::XmpForWriting(xmp, 3, 2) == xmp);
    (void)media::IptcOfPhotoshop(meta.iptc.data(), meta.iptc.size());
    (void)media::BytesOfRawProfile(Text(meta.iptc.data(), meta.iptc.size()));
    media::Image picture;
    picture.Allocate(3, 2, media::PixelFormat::Rgb24);
    media::SaveOptions options;
    options.metadata = &meta;
    for (auto format : {media::ImageFormat::Jpeg, media::ImageFormat::Png, media::ImageFormat::Tiff,
                        media::ImageFormat::Webp}) {
        const media::Result<media::Bytes> file = media::EncodeImage(picture, format, options);
        if (file)
            (void)media::ReadMetadata(file->data(), file->size());
    }
}

// The creation time, camera and place read from a movie's tags (lines "key=value",
// the container's and then, after an empty line, the stream's), and the stills' EXIF
// made of them, which our own EXIF reader must take.
void MovieOrigin(const std::uint8_t* data, std::size_t size)
{
    static constexpr const char* kKeys[] = {"com.apple.quicktime.creationdate", "creation_time", "DATE_UTC", "date",
                                            "com.apple.quicktime.make", "make", "com.apple.quicktime.model", "model",
                                            "com.apple.quicktime.location.ISO6709", "location"};
    AVFormatContext* format = avformat_alloc_context();
    AVStream* stream = format ? avformat_new_stream(format, nullptr) : nullptr;
    if (!stream) {
        avformat_free_context(format);
        return;
    }
    AVDictionary** dict = &format->metadata;
    for (const std::string& line : Lines(data, size, 32)) {
        if (line.empty()) {
            dict = &stream->metadata;
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals), value = equals == std::string::npos ? "" : line.substr(equals + 1);
        const bool known = key.size() == 1 && std::uint8_t(key[0]) % 16 < std::size(kKeys);
        av_dict_set(dict, known ? kKeys[std::uint8_t(key[0]) % 16] : key.c_str(), value.c_str(), 0);
    }
    const media::MovieOrigin origin = media::ReadMovieOrigin(format, 0);
    avformat_free_context(format);
    if (!origin.createdUtcMicros)
        return;
    const media::Bytes exif = media::MakeShotExif(media::ShotFacts{*origin.createdUtcMicros, origin.offsetMinutes,
                                                                   origin.make, origin.model, origin.latitude,
                                                                   origin.longitude, origin.altitude});
    Check(!media::ExifForWriting(exif, 2, 2).empty());
}

// A Motion JPEG frame (after two bytes choosing the quality, the turn and the
// coding) written again without decoding; a second frame after the first's end is
// written the same way, as a movie's next frame would be.
void Coefficients(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return;
    media::CoefficientWrite how;
    how.quality.step = data[0] % 10;
    how.quarterTurns = (data[0] >> 4) % 4;
    how.progressive = data[1] & 1;
    const std::string_view frames = Text(data + 2, size - 2);
    const std::size_t second = frames.find("\xFF\xD9\xFF\xD8");
    for (const std::string_view frame : {frames.substr(0, second), second == std::string_view::npos
                                                                       ? std::string_view()
                                                                       : frames.substr(second + 2)}) {
        // Its size from its frame header, as the movie's stream would state it.
        const std::size_t sof = std::min({frame.find("\xFF\xC0"), frame.find("\xFF\xC1"), frame.find("\xFF\xC2")});
        if (sof == std::string_view::npos || sof + 9 > frame.size())
            continue;
        const auto* f = reinterpret_cast<const std::uint8_t*>(frame.data());
        how.height = f[sof + 5] << 8 | f[sof + 6];
        how.width = f[sof + 7] << 8 | f[sof + 8];
        if (std::size_t(how.width) * how.height > 1 << 20)
            continue;
        (void)media::RewriteJpegCoefficients(f, frame.size(), how);
    }
}

// A name template and a time as users type them; a name made never holds a folder.
void Names(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> lines = Lines(data, size, 3);
    const std::optional<double> seconds = conv::ParseSeconds(lines.size() > 1 ? lines[1] : "");
    (void)conv::ParseDuration(lines.size() > 2 ? lines[2] : "");
    const media::Result<conv::StillNames> names = conv::StillNames::Parse(lines[0]);
    if (!names)
        return;
    const double at = seconds && *seconds < 1e9 ? *seconds : 0;
    const std::string name = names->Name("/movies/clip.avi", int(at) & 0xFFFFF, at, 7);
    Check(!name.empty() && name.find('/') == std::string::npos);
    (void)conv::ClockText(at);
}

// RFC 4180 fields of a CSV text, in rows.
std::vector<std::vector<std::string>> CsvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            rows.back().back() += '"', ++i;
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            rows.back().emplace_back();
        else if (!quoted && c == '\n')
            rows.emplace_back(1);
        else
            rows.back().back() += c;
    }
    if (rows.back() == std::vector<std::string>(1))
        rows.pop_back();
    return rows;
}

// The manifest of a run whose files, sources and reasons are names from the disk
// (the input's lines): its CSV gives every one of them back, field for field.
void Manifest(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> names = Lines(data, size, 9);
    std::vector<conv::Outcome> outcomes;
    for (std::size_t i = 0; i < names.size(); ++i) {
        conv::Outcome o;
        o.index = int(i);
        o.source = names[i] + (i % 2 ? "#12" : "");
        o.frame = i % 2 ? std::optional(12) : std::nullopt;
        o.target = names[(i + 1) % names.size()];
        o.error = names[i];
        outcomes.push_back(o);
    }
    static const std::string folder = [] {
        char made[] = "/tmp/fuzz-manifest-XXXXXX";
        return std::string(mkdtemp(made) ? made : "/tmp");
    }();
    std::string error;
    Check(conv::WriteManifest(folder + "/run.csv", outcomes, error, true));
    Check(conv::WriteManifest(folder + "/run.json", outcomes, error));
    std::ifstream in(folder + "/run.csv", std::ios::binary);
    std::stringstream csv;
    csv << in.rdbuf();
    const std::vector<std::vector<std::string>> rows = CsvRows(csv.str());
    Check(rows.size() == outcomes.size() + 2); // the heading and the cut-off row
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        Check(rows[i + 1].size() == 10);
        const std::string reason = names[i].empty() ? "could not be converted" : names[i];
        Check(rows[i + 1][0] == outcomes[i].target && rows[i + 1][1] == names[i] && rows[i + 1][8] == reason);
    }
    // The JSON Lines record, read back as a resumed run reads it: every source, and the
    // movie said done.
    std::remove((folder + "/run.jsonl").c_str());
    Check(conv::AppendManifestLines(folder + "/run.jsonl", outcomes, names.empty() ? "" : names[0] + "!", error));
    const auto movies = conv::ReadRecordedMovies(folder + "/run.jsonl");
    for (const std::string& name : names)
        Check(movies.count(name) == 1);
    Check(names.empty() || movies.at(names[0] + "!").complete);
}

} // namespace

Body BodyOf(const std::string& target)
{
    static const std::map<std::string, Body> kBodies = {
        {"fuzz_bmp", Bmp},           {"fuzz_pcx", Pcx},         {"fuzz_load", Load},
        {"fuzz_settings", Settings}, {"fuzz_metadata", Metadata}, {"fuzz_movie_origin", MovieOrigin},
        {"fuzz_coefficients", Coefficients}, {"fuzz_names", Names}, {"fuzz_manifest", Manifest},
    };
    const auto found = kBodies.find(target);
    return found == kBodies.end() ? nullptr : found->second;
}

} // namespace fuzz
