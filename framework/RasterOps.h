#pragma once
// Raster-operation blits on pictures, as the platform's BitBlt and PatBlt do them:
// plain copies, bitwise AND and OR of the colour channels, and filling black or white.
#include <QImage>
#include <QRect>

namespace fw {

enum class RasterOp { SrcCopy, SrcAnd, SrcPaint };

// Combines the w × h block of `src` at (sx, sy) into `dst` at (x, y); the parts
// outside either picture are left out.
void BitBlt(QImage& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy, RasterOp op);

enum class PatternOp { Blackness, Whiteness };
void PatBlt(QImage& dst, const QRect& area, PatternOp op);

} // namespace fw
