#pragma once
// Which pictures of a movie a run takes, as people ask for them: frames or times for
// the range, and every N-th frame, a picture every so many seconds, N pictures spread
// over the range, or the key pictures.
#include "media/Result.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace conv {

struct MoviePicks {
    // The range: frame positions, or times in seconds after the first picture (a
    // time names the last picture shown at or before it). Unset: the whole movie.
    std::optional<int> start, end;
    std::optional<double> startSeconds, endSeconds;
    // How to pick in the range; unset, every frame.
    std::optional<int> step;            // every step-th position
    std::optional<double> everySeconds; // the pictures shown at start, start + s, start + 2 s ... (from
                                        // the start's time as given, or its frame's)
    std::optional<int> count;           // this many, spread evenly, first and last included
    bool keyframes = false;             // the key pictures only
    // Looking at the pictures (see SmartPicks): each stride's sharpest picture instead
    // of its first, and none that looks the same as the last one written.
    bool sharpest = false;
    bool dedup = false;
    // One still per shot, found from the change between pictures: the shot's first,
    // middle or sharpest picture; a shot lasts at least minShot seconds.
    bool scenes = false;
    enum class ShotStill { First, Middle, Sharpest } shotStill = ShotStill::First;
    double minShot = 0.6;
    // Pictures at listed places (--at), in the list's order: a frame position, or a
    // time (the picture shown then), with the place as it was asked.
    struct Place {
        std::string asked;
        std::optional<int> frame;
        std::optional<double> seconds;
    };
    std::vector<Place> at;
};

// The positions of the listed places, in the list's order, each once (the first time
// it is asked), with what was asked for each position in `asked`; the places beyond the
// movie's end are named in `beyond` ("--at 99s lies beyond the movie's end, 12.3s").
std::vector<int> PlacesAt(const std::vector<MoviePicks::Place>& places, const std::vector<double>& times,
                          std::vector<std::pair<int, std::string>>& asked, std::vector<std::string>& beyond);

// The range's first and last positions (last < first: nothing in it), as PickPositions
// takes them; `times` holds at least one.
std::pair<int, int> PickRange(const MoviePicks& picks, const std::vector<double>& times);

// The positions to take, ascending, from each position's presentation time (never
// decreasing) and the key pictures' positions. Fails when the range starts beyond
// the movie's end (`movie` names it in the reason).
media::Result<std::vector<int>> PickPositions(const MoviePicks& picks, const std::vector<double>& times,
                                              const std::vector<int>& keys, const std::string& movie);

// The range brought inside a movie too short for it, as the window's fields keep it
// inside (a start beyond the end: the last picture; an end beyond it: the last), with
// what was changed said in `said` ("--start 500 lies beyond the last frame, 299: from
// 299"), empty when the range fits.
MoviePicks FitToMovie(const MoviePicks& picks, const std::vector<double>& times, std::string& said);

// A time as people write it: "62.5", "62.5s", "1:02.5" or "00:01:02.500"; none when
// it is not one.
std::optional<double> ParseSeconds(const std::string& text);

// A length of time above nothing, as --every takes it: a time, or a number of seconds
// alone ("2", "2s", "0.5", "1:30"); none when it is not one.
std::optional<double> ParseDuration(const std::string& text);

} // namespace conv
