#include "engine/StillNames.h"

#include "framework/Paths.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

namespace conv {

namespace {

media::Failure Refused(const std::string& text, const std::string& why)
{
    return media::Fail(media::FailureKind::StepFailed, "the name template '" + text + "' " + why);
}

} // namespace

std::string ClockText(double seconds, char separator)
{
    const long long ms = std::llround(std::max(seconds, 0.0) * 1000);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld%c%02lld%c%02lld.%03lld", ms / 3600000, separator, ms / 60000 % 60,
                  separator, ms / 1000 % 60, ms % 1000);
    return text;
}

media::Result<StillNames> StillNames::Parse(const std::string& text)
{
    StillNames names;
    if (text.empty())
        return Refused(text, "is empty");
    if (text.find('/') != std::string::npos || text.find('\0') != std::string::npos)
        return Refused(text, "holds a '/': it names a file, not a folder");
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find('{', at);
        if (open != at) {
            const std::string plain = text.substr(at, open == std::string::npos ? std::string::npos : open - at);
            if (plain.find('}') != std::string::npos)
                return Refused(text, "has a '}' without its '{'");
            names.m_pieces.push_back({Piece::Text, plain});
            if (open == std::string::npos)
                break;
        }
        const std::size_t close = text.find('}', open);
        if (close == std::string::npos)
            return Refused(text, "has a '{' without its '}'");
        const std::string field = text.substr(open + 1, close - open - 1);
        Piece piece;
        if (field == "movie")
            piece.kind = Piece::Movie;
        else if (field == "frame")
            piece.kind = Piece::Frame;
        else if (field.size() == 7 && field.rfind("frame:", 0) == 0 && field[6] >= '1' && field[6] <= '9')
            piece.kind = Piece::Frame, piece.digits = field[6] - '0';
        else if (field == "time")
            piece.kind = Piece::Time;
        else if (field == "ms")
            piece.kind = Piece::Ms;
        else if (field == "n")
            piece.kind = Piece::N;
        else
            return Refused(text, "has an unknown field {" + field +
                                     "}; it takes {movie}, {frame}, {frame:N}, {time}, {ms} and {n}");
        names.m_pieces.push_back(piece);
        at = close + 1;
    }
    return names;
}

std::string StillNames::Name(const std::string& movie, int frame, double seconds, int n) const
{
    std::string name;
    for (const Piece& p : m_pieces) {
        switch (p.kind) {
        case Piece::Text:
            name += p.text;
            break;
        case Piece::Movie:
            name += fw::ChangeFileExt(fw::ExtractFileName(movie), "");
            break;
        case Piece::Frame: {
            char number[24];
            std::snprintf(number, sizeof number, "%0*d", p.digits, frame);
            name += number;
            break;
        }
        case Piece::Time:
            name += ClockText(seconds, '.');
            break;
        case Piece::Ms:
            name += std::to_string(std::llround(std::max(seconds, 0.0) * 1000));
            break;
        case Piece::N:
            name += std::to_string(n);
            break;
        }
    }
    return name;
}

media::Result<std::vector<std::string>> StillPaths(const std::string& folder, const std::string& movie,
                                                   const std::string& nameTemplate, const std::vector<int>& positions,
                                                   const std::vector<double>& times, const std::string& ext)
{
    const std::string text = nameTemplate.empty() ? kDefaultStillName : nameTemplate;
    media::Result<StillNames> names = StillNames::Parse(text);
    if (!names)
        return names.Error();
    std::vector<std::string> paths;
    paths.reserve(positions.size());
    std::unordered_map<std::string, int> taken; // name → the frame that has it
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const int frame = positions[i];
        const double seconds = std::size_t(frame) < times.size() ? times[std::size_t(frame)] : 0;
        const std::string name = names->Name(movie, frame, seconds, int(i) + 1) + ext;
        if (const auto [it, fresh] = taken.emplace(name, frame); !fresh)
            return Refused(text, "gives frames " + std::to_string(it->second) + " and " + std::to_string(frame) +
                                     " one name, " + name);
        paths.push_back(folder + "/" + name);
    }
    return paths;
}

} // namespace conv
