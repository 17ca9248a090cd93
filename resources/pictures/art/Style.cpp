#include "resources/pictures/art/Style.h"

namespace art {

void Fill(QPainter& p, const QPainterPath& shape, const QColor& colour, double line)
{
    p.setBrush(colour);
    if (line > 0)
        p.setPen(QPen(kInk, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
        p.setPen(Qt::NoPen);
    p.drawPath(shape);
}

void Shade(QPainter& p, const QPainterPath& shape, const QPainterPath& within, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(shape.intersected(within));
}

void OutlinedStroke(QPainter& p, const QPainterPath& path, double width, const QColor& colour, double line)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, width + 2 * line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void InkLine(QPainter& p, const QPainterPath& path, double width, const QColor& colour)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QPainterPath Circle(QPointF centre, double radius) { return Ellipse(centre, radius, radius); }

QPainterPath Ellipse(QPointF centre, double rx, double ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

} // namespace art
