#include "engine/ResumeRecord.h"

#include "engine/Manifest.h"

#include <cstdlib>
#include <fstream>
#include <optional>

namespace conv {

namespace {

// The string value of `"key": "..."` in one of the record's lines (which escape only
// quotes, backslashes and control characters); nothing for null or no such key.
std::optional<std::string> StringField(const std::string& line, const std::string& key)
{
    const std::string opening = "\"" + key + "\": \"";
    const std::size_t at = line.find(opening);
    if (at == std::string::npos)
        return std::nullopt;
    std::string value;
    for (std::size_t i = at + opening.size(); i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            return value;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i >= line.size())
            break;
        if (line[i] == 'u') {
            const std::string hex = line.substr(i + 1, 4);
            char* end = nullptr;
            const long code = std::strtol(hex.c_str(), &end, 16);
            if (hex.size() != 4 || end != hex.c_str() + 4 || code < 0 || code > 0x7F)
                return std::nullopt;
            value += char(code);
            i += 4;
        } else {
            value += line[i];
        }
    }
    return std::nullopt; // cut short
}

bool WholeLine(const std::string& line) { return line.size() > 2 && line.front() == '{' && line.back() == '}'; }

} // namespace

std::map<std::string, RecordedMovie> ReadRecordedMovies(const std::string& path)
{
    std::map<std::string, RecordedMovie> movies;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!WholeLine(line))
            continue;
        const std::optional<std::string> source = StringField(line, "source"), status = StringField(line, "status");
        if (!source || !status)
            continue;
        RecordedMovie& movie = movies[*source];
        if (*status == kMovieDone) {
            movie.complete = true;
            continue;
        }
        if (*status != "written" && *status != "there already")
            continue;
        const std::optional<std::string> file = StringField(line, "file"), sha = StringField(line, "sha256");
        if (!file || !sha || Sha256Of(*file) != *sha)
            movie.filesThere = false;
    }
    return movies;
}

} // namespace conv
