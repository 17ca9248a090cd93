#pragma once
// A pick that looks at the pictures before a run writes them: each stride's sharpest
// picture instead of its first. It reads the stretch of the movie once more, at a
// reduced size, so the run itself writes exactly the pictures chosen. (Passing over
// repeats is the run's own: see RepeatGate.)
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

// What looking found, by position.
struct LookedAt {
    std::map<int, int> nominal;  // a stride's sharpest picture: the stride's own pick
    std::map<int, double> score; // and its focus measure
};

// The pictures to take in place of `nominal` (ascending), as `picks` asks: with
// `sharpest`, stride i runs from nominal[i] up to nominal[i + 1] (the last one to
// `rangeEnd`) and gives its sharpest picture: the earliest of equals, the nominal one
// where none decodes. Reads with a reader of its own made from `reader`, telling
// `looking` (when set) how far it has come; stops early, the choice as it stands,
// when `cancel` is set.
using Looking = std::function<void(int done, int total)>;
media::Result<std::vector<int>> LookAtPictures(const media::MovieReader& reader, const MoviePicks& picks,
                                               const std::vector<int>& nominal, int rangeEnd, LookedAt& found,
                                               const std::atomic<bool>* cancel, const Looking& looking = nullptr);

} // namespace conv
