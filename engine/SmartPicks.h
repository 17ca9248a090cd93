#pragma once
// Picks that look at the pictures before a run writes them: each stride's sharpest
// picture instead of its first, and no picture that looks the same as the last one
// written. They read the movie once more (the sharpness at a reduced size), so the
// run itself writes exactly the pictures chosen.
#include "engine/MoviePicks.h"
#include "media/Result.h"

#include <atomic>
#include <map>
#include <vector>

namespace media {
class MovieReader;
}

namespace conv {

// What looking found, by position.
struct LookedAt {
    std::map<int, int> nominal;  // a stride's sharpest picture: the stride's own pick
    std::map<int, double> score; // and its focus measure
    std::map<int, int> repeats;  // a picture passed over: the earlier one it looks the same as
};

// The pictures to take in place of `nominal` (ascending, not empty), as `picks` asks.
// With `sharpest`, stride i runs from nominal[i] up to nominal[i + 1] (the last one to
// `rangeEnd`) and gives its sharpest picture: the earliest of equals, the nominal one
// where none decodes. With `dedup`, a picture that looks the same as the last one kept
// is marked in `found.repeats` and stays in the list, so the run can report it; one
// that cannot be decoded is kept, for the run to say why. Reads with a reader of its
// own made from `reader`; stops early, the choice as it stands, when `cancel` is set.
media::Result<std::vector<int>> LookAtPictures(const media::MovieReader& reader, const MoviePicks& picks,
                                               const std::vector<int>& nominal, int rangeEnd, LookedAt& found,
                                               const std::atomic<bool>* cancel);

} // namespace conv
