#pragma once
// Interlaced pictures made whole by FFmpeg's motion-adaptive bwdif filter: one
// picture for each frame, from the frame and its neighbours (the fields of the
// frames before and after tell moving edges from still ones).
#include "media/movie/AvHandles.h"

#include <cstdint>
#include <memory>

namespace media {

class Deinterlacer {
public:
    Deinterlacer();
    ~Deinterlacer();
    Deinterlacer(const Deinterlacer&) = delete;
    Deinterlacer& operator=(const Deinterlacer&) = delete;

    // `current`, the picture at `position`, deinterlaced; `before` and `after` its
    // neighbours (null at the movie's ends). Null when the filter cannot take them.
    const AVFrame* Deinterlace(std::int64_t position, const AVFrame* before, const AVFrame* current,
                               const AVFrame* after);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace media
