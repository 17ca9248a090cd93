#include "media/movie/MovieOrigin.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace media {

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

// A whole number of exactly `digits` digits at `at`.
bool Digits(const std::string& s, std::size_t& at, int digits, int& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i, ++at) {
        if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at])))
            return false;
        value = value * 10 + (s[at] - '0');
    }
    return true;
}

bool Skip(const std::string& s, std::size_t& at, const char* any)
{
    if (at < s.size() && std::strchr(any, s[at])) {
        ++at;
        return true;
    }
    return false;
}

// The value of the first of `keys` in the stream's or the container's metadata.
std::string Tag(const AVFormatContext* format, int stream, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        for (const AVDictionary* dict : {format->metadata, stream >= 0 ? format->streams[stream]->metadata : nullptr})
            if (const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0); e && e->value && *e->value)
                return e->value;
    }
    return "";
}

// ISO 6709, as QuickTime and Android write it: "+35.6586+139.7454+012.000/".
void ReadLocation(const std::string& text, MovieOrigin& origin)
{
    const char* p = text.c_str();
    double values[3];
    int n = 0;
    while (n < 3 && (*p == '+' || *p == '-')) {
        char* end = nullptr;
        values[n] = std::strtod(p, &end);
        if (end == p)
            break;
        ++n;
        p = end;
    }
    if (n < 2 || values[0] < -90 || values[0] > 90 || values[1] < -180 || values[1] > 180)
        return;
    origin.latitude = values[0], origin.longitude = values[1];
    if (n == 3)
        origin.altitude = values[2];
}

} // namespace

bool ParseIsoTime(const std::string& s, std::int64_t& utcMicros, std::optional<int>& offsetMinutes)
{
    std::size_t at = 0;
    int year, month, day, hour, minute, second;
    if (!Digits(s, at, 4, year) || !Skip(s, at, "-") || !Digits(s, at, 2, month) || !Skip(s, at, "-") ||
        !Digits(s, at, 2, day) || !Skip(s, at, "T ") || !Digits(s, at, 2, hour) || !Skip(s, at, ":") ||
        !Digits(s, at, 2, minute) || !Skip(s, at, ":") || !Digits(s, at, 2, second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    std::int64_t micros = 0;
    if (Skip(s, at, ".")) {
        std::int64_t scale = 100000;
        for (; at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])); ++at, scale /= 10)
            micros += (s[at] - '0') * scale;
    }
    offsetMinutes.reset();
    int offset = 0;
    if (Skip(s, at, "Z")) {
        offsetMinutes = 0;
    } else if (at < s.size() && (s[at] == '+' || s[at] == '-')) {
        const int sign = s[at++] == '-' ? -1 : 1;
        int oh, om;
        if (!Digits(s, at, 2, oh))
            return false;
        Skip(s, at, ":");
        if (!Digits(s, at, 2, om) || oh > 14 || om > 59)
            return false;
        offset = sign * (oh * 60 + om);
        offsetMinutes = offset;
    }
    if (at != s.size())
        return false;
    const std::int64_t local = ((DaysFromCivil(year, unsigned(month), unsigned(day)) * 24 + hour) * 60 + minute) * 60 +
                               second;
    utcMicros = (local - std::int64_t(offset) * 60) * 1000000 + micros;
    return true;
}

MovieOrigin ReadMovieOrigin(const AVFormatContext* format, int stream)
{
    MovieOrigin origin;
    if (!format)
        return origin;
    std::int64_t micros = 0;
    std::optional<int> offset;
    // QuickTime's local date names the offset; the container's creation time is UTC.
    if (ParseIsoTime(Tag(format, stream, {"com.apple.quicktime.creationdate"}), micros, offset) ||
        ParseIsoTime(Tag(format, stream, {"creation_time", "DATE_UTC", "date"}), micros, offset)) {
        // A zero creation time (1904 or 1970) is an unset one.
        if (micros > 86400LL * 1000000)
            origin.createdUtcMicros = micros, origin.offsetMinutes = offset;
    }
    origin.make = Tag(format, stream, {"com.apple.quicktime.make", "make", "com.android.manufacturer"});
    origin.model = Tag(format, stream, {"com.apple.quicktime.model", "model", "com.android.model"});
    ReadLocation(Tag(format, stream, {"com.apple.quicktime.location.ISO6709", "location"}), origin);
    return origin;
}

} // namespace media
