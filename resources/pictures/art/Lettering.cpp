#include "resources/pictures/art/Lettering.h"

namespace art {

namespace {

constexpr double kGap = 2.6;   // between letters
constexpr double kSpace = 5.5; // a space, beyond the gaps around it

// One letter's centre line from x = 0 and its advance.
double Letter(QChar c, QPainterPath& path)
{
    switch (c.unicode()) {
    case 'Q':
        path.addEllipse(QRectF(0, 0, 12, 14));
        path.moveTo(7.5, 10);
        path.lineTo(12, 14.8);
        return 12;
    case 'W':
        path.moveTo(0, 0);
        path.lineTo(3.6, 14);
        path.lineTo(7.2, 3.5);
        path.lineTo(10.8, 14);
        path.lineTo(14.4, 0);
        return 14.4;
    case 'e':
        path.moveTo(0.2, 9.5);
        path.lineTo(8.8, 9.5);
        path.arcTo(QRectF(0, 5, 9, 9), 0, 300);
        return 9;
    case 'l':
        path.moveTo(0.5, 0);
        path.lineTo(0.5, 11.5);
        path.quadTo(0.5, 14, 2.5, 14);
        return 2.5;
    case 't':
        path.moveTo(2, 1.5);
        path.lineTo(2, 11.5);
        path.quadTo(2, 14, 5, 14);
        path.moveTo(0, 5.5);
        path.lineTo(5.5, 5.5);
        return 5.5;
    case 'o':
        path.addEllipse(QRectF(0, 5, 9, 9));
        return 9;
    case 'r':
        path.moveTo(0.5, 5);
        path.lineTo(0.5, 14);
        path.moveTo(0.5, 9.5);
        path.cubicTo(0.5, 6, 3, 5, 6.2, 5.3);
        return 6.2;
    case 'k':
        path.moveTo(0.5, 0);
        path.lineTo(0.5, 14);
        path.moveTo(7, 5);
        path.lineTo(0.5, 10.5);
        path.moveTo(3.2, 8.3);
        path.lineTo(7.6, 14);
        return 7.6;
    case 's':
        path.moveTo(7, 6.4);
        path.cubicTo(5.6, 4.6, 0.6, 4.6, 0.6, 7.2);
        path.cubicTo(0.6, 9.6, 7.6, 8.8, 7.6, 11.6);
        path.cubicTo(7.6, 14.6, 1.6, 14.6, 0.2, 12.6);
        return 7.8;
    default:
        return -1;
    }
}

} // namespace

QPainterPath LetterStrokes(const QString& text, double* width)
{
    QPainterPath all;
    double x = 0;
    bool first = true;
    for (QChar c : text) {
        if (c == u' ') {
            x += kSpace;
            continue;
        }
        QPainterPath one;
        const double advance = Letter(c, one);
        if (advance < 0)
            continue;
        if (!first)
            x += kGap;
        first = false;
        all.addPath(one.translated(x, 0));
        x += advance;
    }
    if (width)
        *width = x;
    return all;
}

} // namespace art
