#include "engine/Manifest.h"

#include "framework/AtomicFile.h"
#include "framework/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

namespace conv {

std::string Sha256Of(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::unique_ptr<AVSHA, decltype(&av_free)> sha(av_sha_alloc(), &av_free);
    if (!in || !sha || av_sha_init(sha.get(), 256) < 0)
        return "";
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        av_sha_update(sha.get(), reinterpret_cast<const std::uint8_t*>(buffer), unsigned(in.gcount()));
    if (in.bad())
        return "";
    std::uint8_t digest[32];
    av_sha_final(sha.get(), digest);
    std::string hex;
    for (const std::uint8_t b : digest) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

namespace {

// One line of the record.
struct Entry {
    std::string file, source, error, sha256;
    std::string status; // "written", "there already", "repeat", "on sheet", "failed", or "cut off" for a stopped run
    std::optional<int> frame;
    double seconds = 0;
    bool key = false;
    int width = 0, height = 0;
    std::optional<int> nominal, repeats;
    std::optional<double> score;
    std::optional<conv::ShotSpan> shot;
    std::optional<std::string> asked;
};

std::string Number(const std::optional<int>& n) { return n ? std::to_string(*n) : std::string(); }

std::string Score(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

// The movie's path, without the "#frame" the outcome's source carries.
std::string SourceOf(const conv::Outcome& o)
{
    if (!o.frame)
        return o.source;
    const std::size_t hash = o.source.rfind('#');
    return hash == std::string::npos ? o.source : o.source.substr(0, hash);
}

std::string Seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", s);
    return text;
}

std::string Csv(const std::string& field)
{
    if (field.find_first_of(",\"\n\r") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Json(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string AsCsv(const std::vector<Entry>& entries)
{
    // The columns of picks that look at the pictures only where a run made them.
    const auto any = [&](auto field) {
        return std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return (e.*field).has_value(); });
    };
    const bool looked = any(&Entry::nominal) || any(&Entry::score), repeats = any(&Entry::repeats),
               shots = any(&Entry::shot), asked = any(&Entry::asked);
    std::string text = "file,source,frame,time,key,width,height,sha256,error,status";
    text.append(looked ? ",nominal,score" : "").append(repeats ? ",repeats" : "");
    text.append(shots ? ",shot,shot_first,shot_last,shot_start,shot_end" : "").append(asked ? ",asked\n" : "\n");
    for (const Entry& e : entries) {
        const bool movie = e.frame.has_value();
        text += Csv(e.file) + "," + Csv(e.source) + "," + (movie ? std::to_string(*e.frame) : "") + "," +
                (movie ? Seconds(e.seconds) : "") + "," + (movie ? (e.key ? "yes" : "no") : "") + "," +
                (e.width ? std::to_string(e.width) : "") + "," + (e.height ? std::to_string(e.height) : "") + "," +
                e.sha256 + "," + Csv(e.error) + "," + e.status;
        if (looked)
            text.append(",").append(Number(e.nominal)).append(",").append(e.score ? Score(*e.score) : "");
        if (repeats)
            text.append(",").append(Number(e.repeats));
        if (shots && e.shot)
            text.append(",").append(std::to_string(e.shot->number)).append(",").append(std::to_string(e.shot->first))
                .append(",").append(std::to_string(e.shot->last)).append(",").append(Seconds(e.shot->firstSeconds))
                .append(",").append(Seconds(e.shot->lastSeconds));
        else if (shots)
            text.append(",,,,,");
        if (asked)
            text.append(",").append(Csv(e.asked.value_or("")));
        text.append("\n");
    }
    return text;
}

// One entry as a JSON object, on one line.
std::string JsonObject(const Entry& e)
{
    std::string text;
    text += "{\"file\": " + (e.file.empty() ? std::string("null") : Json(e.file)) + ", \"source\": " + Json(e.source);
    if (e.frame)
        text += ", \"frame\": " + std::to_string(*e.frame) + ", \"time\": " + Seconds(e.seconds) +
                ", \"key\": " + (e.key ? "true" : "false");
    if (e.width > 0)
        text += ", \"width\": " + std::to_string(e.width) + ", \"height\": " + std::to_string(e.height);
    if (!e.sha256.empty())
        text += ", \"sha256\": " + Json(e.sha256);
    if (!e.error.empty())
        text += ", \"error\": " + Json(e.error);
    // Appended piece by piece: GCC 12 misjudges the sums of such pieces at -O3.
    if (e.nominal)
        text.append(", \"nominal\": ").append(std::to_string(*e.nominal));
    if (e.score)
        text.append(", \"score\": ").append(Score(*e.score));
    if (e.repeats)
        text.append(", \"repeats\": ").append(std::to_string(*e.repeats));
    if (e.shot)
        text.append(", \"shot\": {\"number\": ")
            .append(std::to_string(e.shot->number))
            .append(", \"first\": ")
            .append(std::to_string(e.shot->first))
            .append(", \"last\": ")
            .append(std::to_string(e.shot->last))
            .append(", \"start\": ")
            .append(Seconds(e.shot->firstSeconds))
            .append(", \"end\": ")
            .append(Seconds(e.shot->lastSeconds))
            .append("}");
    if (e.asked)
        text.append(", \"asked\": ").append(Json(*e.asked));
    text += ", \"status\": " + Json(e.status);
    return text + "}";
}

std::string AsJson(const std::vector<Entry>& entries)
{
    std::string text = "[\n";
    for (std::size_t i = 0; i < entries.size(); ++i)
        text.append("  ").append(JsonObject(entries[i])).append(i + 1 < entries.size() ? ",\n" : "\n");
    return text + "]\n";
}

bool IsJson(const std::string& path)
{
    const std::string ext = fw::ExtractFileExt(path);
    return fw::SameTextAscii(ext, ".json");
}

} // namespace

bool IsManifestName(const std::string& path)
{
    const std::string ext = fw::ExtractFileExt(path);
    return fw::SameTextAscii(ext, ".csv") || fw::SameTextAscii(ext, ".json") || IsManifestLines(path);
}

bool IsManifestLines(const std::string& path) { return fw::SameTextAscii(fw::ExtractFileExt(path), ".jsonl"); }

namespace {

// The record's entries of the outcomes (each not tried left out).
std::vector<Entry> EntriesOf(const std::vector<conv::Outcome>& outcomes)
{
    std::vector<Entry> entries;
    for (const conv::Outcome& o : outcomes) {
        if (o.skipped)
            continue; // not tried
        Entry e;
        e.source = SourceOf(o);
        e.frame = o.frame, e.seconds = o.seconds, e.key = o.key;
        e.nominal = o.nominal, e.score = o.score, e.repeats = o.repeats, e.shot = o.shot, e.asked = o.asked;
        if (o.repeats) {
            e.status = "repeat";
        } else if (o.onSheet) {
            e.status = "on sheet";
            e.width = o.width, e.height = o.height;
        } else if (o.existed) {
            e.file = o.target;
            e.status = "there already";
            e.sha256 = Sha256Of(o.target);
            if (e.sha256.empty())
                e.error = "there already, but cannot be read";
        } else if (!o.written.empty()) {
            e.file = o.written;
            e.status = "written";
            e.width = o.width, e.height = o.height;
            e.sha256 = Sha256Of(o.written);
            if (e.sha256.empty())
                e.error = "written, but cannot be read back";
        } else {
            e.file = o.target;
            e.status = "failed";
            e.error = o.error.empty() ? "could not be converted" : o.error;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace

bool WriteManifest(const std::string& path, const std::vector<conv::Outcome>& outcomes, std::string& error,
                   bool cutOff)
{
    std::vector<Entry> entries = EntriesOf(outcomes);
    if (cutOff) {
        Entry e;
        e.status = "cut off";
        e.error = "the run was stopped: pictures not tried are not listed";
        entries.push_back(std::move(e));
    }
    return fw::WriteFileAtomically(path, IsJson(path) ? AsJson(entries) : AsCsv(entries), &error);
}

bool AppendManifestLines(const std::string& path, const std::vector<conv::Outcome>& outcomes,
                         const std::string& movieDone, std::string& error)
{
    std::string block;
    for (const Entry& e : EntriesOf(outcomes))
        block.append(JsonObject(e)).append("\n");
    if (!movieDone.empty()) {
        Entry done;
        done.source = movieDone;
        done.status = kMovieDone;
        block.append(JsonObject(done)).append("\n");
    }
    // A task's record has its folder even when its share wrote nothing.
    std::error_code ec;
    if (const auto folder = std::filesystem::path(path).parent_path(); !folder.empty())
        std::filesystem::create_directories(folder, ec);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // A line a killed run left unfinished stays a line of its own, which readers pass over.
    struct stat st {};
    char last = '\n';
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
        block.insert(0, "\n");
    // One write of the whole block, flushed: each line is there whole, or cut at the end.
    for (std::size_t done = 0; done < block.size();) {
        const ssize_t n = ::write(fd, block.data() + done, block.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += std::size_t(n);
    }
    const bool flushed = ::fsync(fd) == 0;
    if (!flushed)
        error = std::strerror(errno);
    return ::close(fd) == 0 && flushed;
}

} // namespace conv
