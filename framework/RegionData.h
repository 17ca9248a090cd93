#pragma once
// The platform's region data block (RGNDATA) and QRegion: a 32-byte header (size 32,
// type 1 = rectangles, rectangle count, byte size of the rectangles, bounding
// rectangle) followed by the rectangles, 16 bytes each (left, top, right, bottom,
// right and bottom exclusive), every field a little-endian 32-bit integer.
#include <QRegion>

#include <cstdint>
#include <optional>
#include <vector>

namespace fw {

using RegionData = std::vector<std::uint8_t>;

// The block for `region`: its rectangles in QRegion's banded order (rows top to
// bottom, each row's rectangles left to right, equal rows joined), and its bounds.
RegionData RegionToData(const QRegion& region);

// The rectangles of a block through a transform: each corner scaled by (sx, sy) and
// moved by (dx, dy). Nothing when the block is malformed (a wrong header, a size that
// does not hold its rectangles).
std::optional<QRegion> DataToRegion(const RegionData& data, double sx = 1, double sy = 1, int dx = 0, int dy = 0);

// The number of rectangles of a well-formed block (header size 32, type 1, room for
// all its rectangles), or nothing.
std::optional<std::size_t> RectangleCount(const RegionData& data);

// The rectangles as stored (for tests and for building the block by hand).
std::vector<QRect> DataRectangles(const RegionData& data);
RegionData RectanglesToData(const std::vector<QRect>& rects);

} // namespace fw
