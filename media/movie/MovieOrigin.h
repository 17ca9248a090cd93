#pragma once
// When, with what and where a movie was shot, as its container says: MP4/MOV's
// creation time and QuickTime's make, model, location and local creation date;
// Matroska's date. The stills cut from it carry these in their EXIF.
#include <cstdint>
#include <optional>
#include <string>

extern "C" {
struct AVFormatContext;
}

namespace media {

struct MovieOrigin {
    std::optional<std::int64_t> createdUtcMicros; // microseconds since 1970 (UTC)
    std::optional<int> offsetMinutes;              // the local time's offset from UTC, where the movie says
    std::string make, model;
    std::optional<double> latitude, longitude, altitude; // degrees, metres
};

MovieOrigin ReadMovieOrigin(const AVFormatContext* format, int stream);

// "2024-05-01T10:20:30.25Z", "2024-05-01T12:20:30+0200", "2024-05-01 10:20:30": the
// instant in UTC microseconds, and the offset where the text names one.
bool ParseIsoTime(const std::string& text, std::int64_t& utcMicros, std::optional<int>& offsetMinutes);

} // namespace media
