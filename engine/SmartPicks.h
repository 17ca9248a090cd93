#pragma once
// Picks that look at the pictures before a run writes them: each stride's sharpest
// picture instead of its first, or one still per shot. They read the stretch of the
// movie once more, at a reduced size, so the run itself writes exactly the pictures
// chosen. (Passing over repeats is the run's own: see RepeatGate.)
#include "engine/MoviePicks.h"
#include "media/Result.h"

#include <atomic>
#include <functional>
#include <map>
#include <vector>

namespace media {
class MovieReader;
}

namespace conv {

// A shot of a movie: its number from 1, its first and last positions and their times.
struct ShotSpan {
    int number = 0;
    int first = 0, last = 0;
    double firstSeconds = 0, lastSeconds = 0;
};

// What looking found, by position.
struct LookedAt {
    std::map<int, int> nominal;  // a stride's sharpest picture: the stride's own pick
    std::map<int, double> score; // and its focus measure (a shot's sharpest too)
    std::map<int, ShotSpan> shot; // a shot's still: its shot
};

// The pictures to take in place of `nominal` (ascending), as `picks` asks: with
// `sharpest`, stride i runs from nominal[i] up to nominal[i + 1] (the last one to
// `rangeEnd`) and gives its sharpest picture: the earliest of equals, the nominal one
// where none decodes. With `scenes`, each shot from nominal[0] to `rangeEnd` gives its
// still (`times` holds every position's time). Reads with a reader of its own made from `reader`, telling
// `looking` (when set) how far it has come; stops early, the choice as it stands,
// when `cancel` is set.
using Looking = std::function<void(int done, int total)>;
struct LookingAt {
    const std::vector<int>& nominal;
    int rangeEnd;
    const std::vector<double>& times;
    const std::atomic<bool>* cancel = nullptr;
    Looking looking;
};
media::Result<std::vector<int>> LookAtPictures(const media::MovieReader& reader, const MoviePicks& picks,
                                               const LookingAt& what, LookedAt& found);

} // namespace conv
