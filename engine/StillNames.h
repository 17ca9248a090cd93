#pragma once
// The names of a movie's stills, from a template: {movie} (the movie's name without
// its extension), {frame} (its position, five digits; {frame:N} for N), {time} (its
// presentation time, hh.mm.ss.mmm), {ms} (the same in milliseconds), {n} (1, 2, 3 ...
// in the run). The extension is added after it. The default, "{movie}_{frame}".
#include "media/Result.h"

#include <string>
#include <vector>

namespace conv {

inline constexpr const char* kDefaultStillName = "{movie}_{frame}";

// A time as a clock shows it, "01:02:03.046" (hours, minutes, seconds and
// milliseconds between `separator`s; a '.' before the milliseconds).
std::string ClockText(double seconds, char separator = ':');

class StillNames {
public:
    // The template read, or why it is none: an unknown field, an unclosed brace, a
    // folder separator, nothing at all.
    static media::Result<StillNames> Parse(const std::string& text);

    // The name of the still of `frame` shown at `seconds`, the run's `n`-th, cut from
    // `movie` (a path), without the extension.
    std::string Name(const std::string& movie, int frame, double seconds, int n) const;

private:
    struct Piece {
        enum Kind { Text, Movie, Frame, Time, Ms, N } kind = Text;
        std::string text; // Text
        int digits = 5;   // Frame
    };
    std::vector<Piece> m_pieces;
};

// The file names of a run's stills in the folder (with `ext`), one a position, or a
// failure naming the two pictures a template gives one name.
media::Result<std::vector<std::string>> StillPaths(const std::string& folder, const std::string& movie,
                                                   const std::string& nameTemplate, const std::vector<int>& positions,
                                                   const std::vector<double>& times, const std::string& ext);

} // namespace conv
