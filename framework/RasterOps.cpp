#include "framework/RasterOps.h"

#include <algorithm>
#include <cstring>

namespace fw {

void BitBlt(QImage& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy, RasterOp op)
{
    if (dst.isNull() || src.isNull())
        return;
    if (dst.format() != QImage::Format_RGB32 && dst.format() != QImage::Format_ARGB32)
        dst = dst.convertToFormat(QImage::Format_RGB32);
    const QImage source = src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32
                              ? src
                              : src.convertToFormat(QImage::Format_RGB32);
    // Clip against both pictures.
    if (sx < 0)
        x -= sx, w += sx, sx = 0;
    if (sy < 0)
        y -= sy, h += sy, sy = 0;
    if (x < 0)
        sx -= x, w += x, x = 0;
    if (y < 0)
        sy -= y, h += y, y = 0;
    w = std::min({w, dst.width() - x, source.width() - sx});
    h = std::min({h, dst.height() - y, source.height() - sy});
    if (w <= 0 || h <= 0)
        return;
    // Rows in the order that is safe when both are the same picture.
    const bool upward = &dst == &src && y > sy;
    for (int i = 0; i < h; ++i) {
        const int row = upward ? h - 1 - i : i;
        const QRgb* s = reinterpret_cast<const QRgb*>(source.constScanLine(sy + row)) + sx;
        QRgb* d = reinterpret_cast<QRgb*>(dst.scanLine(y + row)) + x;
        switch (op) {
        case RasterOp::SrcCopy:
            std::memmove(d, s, std::size_t(w) * sizeof(QRgb));
            break;
        case RasterOp::SrcAnd:
            for (int j = 0; j < w; ++j)
                d[j] = (d[j] & s[j]) | 0xFF000000u;
            break;
        case RasterOp::SrcPaint:
            for (int j = 0; j < w; ++j)
                d[j] = d[j] | s[j] | 0xFF000000u;
            break;
        }
    }
}

void PatBlt(QImage& dst, const QRect& area, PatternOp op)
{
    const QRect r = area.intersected(dst.rect());
    const QRgb colour = op == PatternOp::Blackness ? 0xFF000000u : 0xFFFFFFFFu;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb* d = reinterpret_cast<QRgb*>(dst.scanLine(y));
        std::fill(d + r.left(), d + r.right() + 1, colour);
    }
}

} // namespace fw
