#include "media/codecs/ShotExif.h"

#include "media/codecs/ByteReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace media {

namespace {

enum Type : std::uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7 };

struct Entry {
    std::uint16_t tag;
    Type type;
    std::uint32_t count;
    Bytes value; // count values of the type, little-endian
};

Entry Text(std::uint16_t tag, const std::string& text)
{
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    return {tag, kAscii, std::uint32_t(value.size()), value};
}

Entry Rationals(std::uint16_t tag, std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> values)
{
    Entry e{tag, kRational, std::uint32_t(values.size()), {}};
    for (const auto& [num, den] : values)
        PutU32(e.value, num), PutU32(e.value, den);
    return e;
}

// Degrees as degrees, minutes and seconds (to a ten-thousandth of a second).
Entry Dms(std::uint16_t tag, double degrees)
{
    degrees = std::fabs(degrees);
    const double d = std::floor(degrees), m = std::floor((degrees - d) * 60);
    const double s = ((degrees - d) * 60 - m) * 60;
    return Rationals(tag, {{std::uint32_t(d), 1}, {std::uint32_t(m), 1}, {std::uint32_t(std::lround(s * 10000)), 10000}});
}

// Bytes an IFD of `entries` takes, its values that do not fit in an entry after it.
std::size_t IfdSize(const std::vector<Entry>& entries)
{
    std::size_t size = 2 + 12 * entries.size() + 4;
    for (const Entry& e : entries)
        if (e.value.size() > 4)
            size += (e.value.size() + 1) & ~std::size_t(1);
    return size;
}

// Appends the IFD (which `out` reaches at its end) with no IFD after it, its entries
// in the order of their tags.
void PutIfd(Bytes& out, std::vector<Entry> entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const std::size_t start = out.size();
    const std::size_t data = start + 2 + 12 * entries.size() + 4;
    Bytes values;
    PutU16(out, unsigned(entries.size()));
    for (const Entry& e : entries) {
        PutU16(out, e.tag);
        PutU16(out, e.type);
        PutU32(out, e.count);
        if (e.value.size() <= 4) {
            Bytes inline4 = e.value;
            inline4.resize(4, 0);
            out.insert(out.end(), inline4.begin(), inline4.end());
        } else {
            PutU32(out, std::uint32_t(data + values.size()));
            values.insert(values.end(), e.value.begin(), e.value.end());
            if (values.size() % 2)
                values.push_back(0);
        }
    }
    PutU32(out, 0);
    out.insert(out.end(), values.begin(), values.end());
}

Entry Pointer(std::uint16_t tag, std::size_t offset)
{
    Entry e{tag, kLong, 1, {}};
    PutU32(e.value, std::uint32_t(offset));
    return e;
}

} // namespace

Bytes MakeShotExif(const ShotFacts& shot)
{
    // The local time where the offset is known; else the time as the movie gives it.
    const std::int64_t micros = shot.utcMicros + std::int64_t(shot.offsetMinutes.value_or(0)) * 60 * 1000000;
    const std::int64_t secondsSinceEpoch = micros >= 0 ? micros / 1000000 : (micros - 999999) / 1000000;
    const int milliseconds = int((micros - secondsSinceEpoch * 1000000) / 1000);
    // Civil date from days since 1970.
    std::int64_t z = (secondsSinceEpoch >= 0 ? secondsSinceEpoch : secondsSinceEpoch - 86399) / 86400;
    const std::int64_t daySeconds = secondsSinceEpoch - z * 86400;
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = std::int64_t(yoe) + era * 400 + (month <= 2);
    char when[64], sub[8];
    std::snprintf(when, sizeof when, "%04lld:%02u:%02u %02lld:%02lld:%02lld", (long long)year, month, day,
                  (long long)(daySeconds / 3600), (long long)(daySeconds / 60 % 60), (long long)(daySeconds % 60));
    std::snprintf(sub, sizeof sub, "%03d", milliseconds);

    std::vector<Entry> exif = {{0x9000, kUndefined, 4, {'0', '2', '3', '2'}}, Text(0x9003, when), Text(0x9004, when)};
    if (shot.offsetMinutes) {
        const int o = *shot.offsetMinutes;
        char offset[16];
        std::snprintf(offset, sizeof offset, "%c%02d:%02d", o < 0 ? '-' : '+', std::abs(o) / 60, std::abs(o) % 60);
        exif.push_back(Text(0x9011, offset)); // OffsetTimeOriginal
        exif.push_back(Text(0x9012, offset)); // OffsetTimeDigitized
    }
    exif.push_back(Text(0x9291, sub)); // SubSecTimeOriginal
    exif.push_back(Text(0x9292, sub)); // SubSecTimeDigitized
    // What every EXIF must state: the components' order, its Flashpix version, sRGB,
    // and the pixel size (set to the written picture's when it is written).
    exif.push_back({0x9101, kUndefined, 4, {1, 2, 3, 0}});
    exif.push_back({0xA000, kUndefined, 4, {'0', '1', '0', '0'}});
    exif.push_back({0xA001, kShort, 1, {1, 0}});
    exif.push_back(Pointer(0xA002, 0));
    exif.push_back(Pointer(0xA003, 0));

    std::vector<Entry> gps;
    if (shot.latitude && shot.longitude) {
        gps = {{0x0000, kByte, 4, {2, 3, 0, 0}},
               Text(0x0001, *shot.latitude < 0 ? "S" : "N"),
               Dms(0x0002, *shot.latitude),
               Text(0x0003, *shot.longitude < 0 ? "W" : "E"),
               Dms(0x0004, *shot.longitude)};
        if (shot.altitude) {
            gps.push_back({0x0005, kByte, 1, {std::uint8_t(*shot.altitude < 0 ? 1 : 0)}});
            gps.push_back(Rationals(0x0006, {{std::uint32_t(std::lround(std::fabs(*shot.altitude) * 100)), 100}}));
        }
    }

    std::vector<Entry> first;
    if (!shot.make.empty())
        first.push_back(Text(0x010F, shot.make));
    if (!shot.model.empty())
        first.push_back(Text(0x0110, shot.model));
    first.push_back(Rationals(0x011A, {{72, 1}})); // 72 dpi, as the writers say
    first.push_back(Rationals(0x011B, {{72, 1}}));
    first.push_back({0x0128, kShort, 1, {2, 0}}); // inches
    first.push_back({0x0213, kShort, 1, {1, 0}}); // chroma samples centred
    first.push_back(Pointer(0x8769, 0));
    if (!gps.empty())
        first.push_back(Pointer(0x8825, 0));
    const std::size_t exifAt = 8 + IfdSize(first), gpsAt = exifAt + IfdSize(exif);
    for (Entry& e : first)
        if (e.tag == 0x8769 || e.tag == 0x8825)
            e = Pointer(e.tag, e.tag == 0x8769 ? exifAt : gpsAt);

    Bytes out = {'I', 'I', 42, 0};
    PutU32(out, 8);
    PutIfd(out, first);
    PutIfd(out, exif);
    if (!gps.empty())
        PutIfd(out, gps);
    return out;
}

} // namespace media
