#include "resources/pictures/art/Props.h"

#include "resources/pictures/art/Style.h"

#include <QLinearGradient>
#include <QtMath>

namespace art {

namespace {

QPointF Along(double degrees, double distance)
{
    const double a = qDegreesToRadians(degrees);
    return {std::cos(a) * distance, std::sin(a) * distance};
}

// One blade: a long slim wedge from the pivot to a rounded point, its straight
// cutting edge on the side of `towards` (+1 or −1).
void Blade(QPainter& p, QPointF pivot, double angle, double length, int towards)
{
    const double width = length * 0.12;
    const QPointF tip = pivot + Along(angle, length);
    const QPointF back = pivot + Along(angle + towards * -90, width) + Along(angle, length * 0.25);
    const QPointF heel = pivot + Along(angle + 180, width * 0.6);
    QPainterPath blade;
    blade.moveTo(heel);
    blade.lineTo(pivot + Along(angle + towards * 90, width * 0.15));
    blade.lineTo(tip);
    blade.quadTo(back + Along(angle, length * 0.35), back);
    blade.quadTo(pivot + Along(angle + towards * -90, width * 1.1), heel);
    Fill(p, blade, kBlade);
    // The bevel along the cutting edge catches the light differently.
    QPainterPath bevel;
    bevel.moveTo(pivot + Along(angle, length * 0.2));
    bevel.lineTo(tip);
    InkLine(p, bevel, width * 0.35, kBladeShade);
}

// One handle, `length` long: a shank from the pivot and a finger ring at its end.
void Handle(QPainter& p, QPointF pivot, double angle, double length)
{
    const double ring = std::max(length * 0.28, 2.2);
    const QPointF centre = pivot + Along(angle, length - ring);
    QPainterPath shank;
    shank.moveTo(pivot);
    shank.lineTo(pivot + Along(angle, length - 2 * ring));
    QPainterPath loop;
    loop.addEllipse(centre, ring, ring * 0.82);
    const double thick = ring * 0.45;
    OutlinedStroke(p, shank, thick, kHandle);
    OutlinedStroke(p, loop, thick, kHandle);
}

} // namespace

void DrawScissors(QPainter& p, QPointF pivot, double angle, double length, double open, double handle)
{
    p.save();
    Handle(p, pivot, angle + 180 + open / 2, handle);
    Handle(p, pivot, angle + 180 - open / 2, handle);
    Blade(p, pivot, angle - open / 2, length, +1);
    Blade(p, pivot, angle + open / 2, length, -1);
    Fill(p, Circle(pivot, length * 0.06), kBladeShade);
    p.restore();
}

void DrawFilmStrip(QPainter& p, QPointF topLeft, int frames, QSizeF frame, bool vertical)
{
    p.save();
    // The perforated edges run across the strip's length.
    const double edge = (vertical ? frame.width() : frame.height()) * 0.2;
    const QPointF step = vertical ? QPointF(0, frame.height()) : QPointF(frame.width(), 0);
    for (int i = 0; i < frames; ++i) {
        const QRectF cell(topLeft + step * i, frame);
        QPainterPath band;
        band.addRect(cell);
        Fill(p, band, kFilm, 0);
        // Two holes a frame along each edge.
        for (int h = 0; h < 2; ++h)
            for (int side = 0; side < 2; ++side) {
                const double along = 0.14 + 0.5 * h, hole = 0.22;
                const double across = side == 0 ? edge * 0.3 : (vertical ? cell.width() : cell.height()) - edge * 0.72;
                const QRectF r = vertical ? QRectF(cell.left() + across, cell.top() + cell.height() * along, edge * 0.42,
                                                   cell.height() * hole)
                                          : QRectF(cell.left() + cell.width() * along, cell.top() + across,
                                                   cell.width() * hole, edge * 0.42);
                QPainterPath punched;
                punched.addRoundedRect(r, edge * 0.1, edge * 0.1);
                Fill(p, punched, QColor(250, 248, 236), 0);
            }
        // The picture: evening sky, a sun and a green hill.
        const QRectF picture = vertical ? cell.adjusted(edge, cell.height() * 0.08, -edge, -cell.height() * 0.08)
                                        : cell.adjusted(cell.width() * 0.08, edge, -cell.width() * 0.08, -edge);
        QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
        sky.setColorAt(0, QColor(120, 170, 255));
        sky.setColorAt(1, QColor(255, 214, 170));
        p.setPen(Qt::NoPen);
        p.setBrush(sky);
        p.drawRect(picture);
        p.save();
        p.setClipRect(picture, Qt::IntersectClip);
        const double sun = std::min(picture.width(), picture.height()) * 0.17;
        p.setBrush(QColor(255, 236, 90));
        p.drawEllipse(picture.topLeft() + QPointF(picture.width() * (0.25 + 0.12 * (i % 3)), picture.height() * 0.35),
                      sun, sun);
        p.setBrush(QColor(96, 186, 96));
        p.drawEllipse(QPointF(picture.center().x(), picture.bottom() + picture.height() * 0.2), picture.width() * 0.7,
                      picture.height() * 0.5);
        p.restore();
    }
    QPainterPath outline;
    outline.addRect(QRectF(topLeft, QSizeF(frame.width() + step.x() * (frames - 1), frame.height() + step.y() * (frames - 1))));
    InkLine(p, outline, kLine * 0.8);
    p.restore();
}

} // namespace art
