#pragma once
// The EXIF of a still cut from a movie: when its picture was shown (the movie's
// creation time plus the picture's time), the camera that shot it and where.
#include "media/codecs/Codecs.h"

#include <cstdint>
#include <optional>
#include <string>

namespace media {

struct ShotFacts {
    std::int64_t utcMicros = 0;       // when, in microseconds since 1970 (UTC)
    std::optional<int> offsetMinutes; // the local time's offset from UTC, where known
    std::string make, model;
    std::optional<double> latitude, longitude, altitude; // degrees, metres
};

// A little-endian EXIF block: DateTimeOriginal (local time where the offset is
// known), SubSecTimeOriginal (milliseconds), OffsetTimeOriginal, Make, Model and
// the GPS position.
Bytes MakeShotExif(const ShotFacts& shot);

} // namespace media
