#include "framework/RegionData.h"

#include <cmath>

namespace fw {

namespace {

constexpr std::uint32_t kHeaderSize = 32;
constexpr std::uint32_t kRectangles = 1;

void Put(RegionData& d, std::size_t at, std::int32_t v)
{
    for (int i = 0; i < 4; ++i)
        d[at + i] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

std::int32_t Get(const RegionData& d, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(d[at + i]) << (8 * i);
    return std::int32_t(v);
}

// QRect keeps inclusive right and bottom edges; the block's are exclusive.
void PutRect(RegionData& d, std::size_t at, const QRect& r)
{
    Put(d, at, r.left());
    Put(d, at + 4, r.top());
    Put(d, at + 8, r.left() + r.width());
    Put(d, at + 12, r.top() + r.height());
}

} // namespace

RegionData RectanglesToData(const std::vector<QRect>& rects)
{
    RegionData d(kHeaderSize + 16 * rects.size(), 0);
    Put(d, 0, kHeaderSize);
    Put(d, 4, kRectangles);
    Put(d, 8, std::int32_t(rects.size()));
    Put(d, 12, std::int32_t(16 * rects.size()));
    QRect bounds;
    for (const QRect& r : rects)
        bounds = bounds.united(r);
    PutRect(d, 16, bounds);
    for (std::size_t i = 0; i < rects.size(); ++i)
        PutRect(d, kHeaderSize + 16 * i, rects[i]);
    return d;
}

RegionData RegionToData(const QRegion& region)
{
    return RectanglesToData(std::vector<QRect>(region.begin(), region.end()));
}

// The number of rectangles a well-formed block holds, or nothing.
std::optional<std::size_t> RectangleCount(const RegionData& data)
{
    if (data.size() < kHeaderSize || std::uint32_t(Get(data, 0)) != kHeaderSize ||
        std::uint32_t(Get(data, 4)) != kRectangles)
        return std::nullopt;
    const std::int64_t count = Get(data, 8);
    if (count < 0 || std::uint64_t(kHeaderSize) + 16 * std::uint64_t(count) > data.size())
        return std::nullopt;
    return std::size_t(count);
}

std::vector<QRect> DataRectangles(const RegionData& data)
{
    std::vector<QRect> rects;
    const std::size_t count = RectangleCount(data).value_or(0);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kHeaderSize + 16 * i;
        const int l = Get(data, at), t = Get(data, at + 4), r = Get(data, at + 8), b = Get(data, at + 12);
        if (r > l && b > t)
            rects.push_back(QRect(l, t, r - l, b - t));
    }
    return rects;
}

std::optional<QRegion> DataToRegion(const RegionData& data, double sx, double sy, int dx, int dy)
{
    if (!RectangleCount(data))
        return std::nullopt;
    QRegion region;
    for (const QRect& r : DataRectangles(data)) {
        const int l = int(std::lround(r.left() * sx)) + dx, t = int(std::lround(r.top() * sy)) + dy;
        const int right = int(std::lround((r.left() + r.width()) * sx)) + dx;
        const int bottom = int(std::lround((r.top() + r.height()) * sy)) + dy;
        if (right > l && bottom > t)
            region += QRect(l, t, right - l, bottom - t);
    }
    return region;
}

} // namespace fw
