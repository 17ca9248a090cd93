// Draws the message window's speech balloon (balloon.png, 282 × 80, 8 bits per pixel)
// and writes its outline as the stored region data block (balloon.rgn, 432 bytes):
// the balloon's shape is exactly these 25 rectangles, its tail at the top left.
// Run by hand when the picture changes: make_balloon <folder>.
#include "framework/RegionData.h"

#include <QFile>
#include <QImage>
#include <QRegion>

#include <cmath>
#include <cstdio>

namespace {

// left, top, right, bottom (right and bottom exclusive)
constexpr int kRects[25][4] = {
    {7, 0, 9, 1},     {8, 1, 12, 2},    {9, 2, 15, 3},    {10, 3, 18, 4},   {11, 4, 21, 5},
    {12, 5, 24, 6},   {13, 6, 27, 7},   {14, 7, 30, 8},   {15, 8, 33, 9},   {16, 9, 36, 10},
    {6, 10, 274, 11}, {4, 11, 276, 12}, {3, 12, 277, 13}, {2, 13, 278, 14}, {1, 14, 279, 15},
    {1, 15, 280, 16}, {0, 16, 281, 18}, {0, 18, 282, 72}, {1, 72, 282, 74}, {2, 74, 281, 75},
    {3, 75, 281, 76}, {4, 76, 280, 77}, {5, 77, 279, 78}, {6, 78, 278, 79}, {8, 79, 276, 80},
};

} // namespace

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    std::vector<QRect> rects;
    QRegion shape;
    for (const auto& r : kRects) {
        rects.push_back(QRect(r[0], r[1], r[2] - r[0], r[3] - r[1]));
        shape += rects.back();
    }
    const fw::RegionData block = fw::RectanglesToData(rects);
    QFile out(folder + QStringLiteral("/balloon.rgn"));
    if (!out.open(QIODevice::WriteOnly) || out.write(reinterpret_cast<const char*>(block.data()), qint64(block.size())) !=
                                               qint64(block.size()))
        return 1;

    // The palette: see-through green outside, then outline, shadow and body shades.
    const QRgb green = qRgb(0, 255, 0), outline = qRgb(72, 64, 80), shadow = qRgb(168, 164, 176);
    QVector<QRgb> palette = {green, outline, shadow};
    for (int i = 0; i < 16; ++i) // the body: a soft vertical gradient of light grey
        palette.push_back(qRgb(250 - i * 2, 248 - i * 2, 252 - i * 2));
    QImage balloon(282, 80, QImage::Format_Indexed8);
    balloon.setColorTable(palette);
    const auto inside = [&](int x, int y) { return shape.contains(QPoint(x, y)); };
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 282; ++x) {
            int index = 0;
            if (inside(x, y)) {
                const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                // The drop shadow falls inside the outline, along its lower right.
                const bool shaded = !inside(x + 2, y + 2) || !inside(x + 3, y + 1) || !inside(x + 1, y + 3);
                index = edge ? 1 : shaded ? 2 : 3 + std::min(15, y / 5);
            }
            balloon.scanLine(y)[x] = std::uint8_t(index);
        }
    return balloon.save(folder + QStringLiteral("/balloon.png")) ? 0 : 1;
}
