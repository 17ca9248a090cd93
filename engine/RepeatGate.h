#pragma once
// Where a run passes over the pictures that look the same as the last one written
// (--dedup): the workers develop pictures side by side, and each asks here, in the
// run's order, whether its picture repeats. A picture is only ever compared with the
// last one kept before it, whichever worker made which.
#include "media/image/PictureMeasures.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace conv {

class RepeatGate {
public:
    // For a run of `total` pictures; waiting ends at once when `stop` is set.
    RepeatGate(int total, const std::atomic<bool>& stop);

    // The reading thread hands out the run's `index`-th picture, in ascending order:
    // those before it that it did not hand out never come, and are passed.
    // Handed(total) at the end of the reading.
    void Handed(int index);
    // The `index`-th picture is not compared (it failed, or the run stopped).
    void Pass(int index);
    // Once every picture before it is settled: the position of the last picture kept
    // when `planes` looks the same as it, else none, and `planes` at `position` is now
    // the one kept. None too when the run stops while waiting.
    std::optional<int> Decide(int index, int position, media::ComparedPlanes planes);
    // Wakes the waiting workers when the run has stopped.
    void Wake();

private:
    void Settle(int index); // under the lock
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::atomic<bool>& m_stop;
    std::vector<char> m_settled;
    int m_next = 0;   // the first picture not settled
    int m_handed = 0; // every picture before this was handed out or passed
    std::optional<media::ComparedPlanes> m_kept;
    int m_keptAt = -1;
};

} // namespace conv
