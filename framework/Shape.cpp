#include "framework/Shape.h"

#include "framework/StoreIfChanged.h"
#include "framework/ColorQt.h"
#include "framework/GraphicControl.h"

#include <QPainter>

#include <algorithm>

namespace fw {

TShape::TShape(QWidget* parent) : QWidget(parent) { MarkGraphicControl(this); }

void TShape::setShape(TShapeType shape)
{
    if (fw::StoreIfChanged(m_shape, shape))
        update();
}

void TShape::setPenColor(TColor color)
{
    if (fw::StoreIfChanged(m_penColor, color))
        update();
}
void TShape::setPenColor(const QString& color) { setPenColor(ColorFromText(color)); }
QString TShape::PenColorText() const { return ColorText(m_penColor); }

void TShape::setBrushColor(TColor color)
{
    if (fw::StoreIfChanged(m_brushColor, color))
        update();
}
void TShape::setBrushColor(const QString& color) { setBrushColor(ColorFromText(color)); }
QString TShape::BrushColorText() const { return ColorText(m_brushColor); }

void TShape::setBrushClear(bool on)
{
    if (fw::StoreIfChanged(m_brushClear, on))
        update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect r = rect();
    if (m_shape == stSquare || m_shape == stRoundSquare || m_shape == stCircle) {
        const int side = std::min(r.width(), r.height());
        r = QRect(r.left() + (r.width() - side) / 2, r.top() + (r.height() - side) / 2, side, side);
    }
    // One-pixel lines are the commonest use: fill them exactly instead of stroking.
    if (r.width() <= 2 || r.height() <= 2) {
        p.fillRect(r, ToQColor(m_penColor));
        return;
    }
    p.setPen(QPen(ToQColor(m_penColor), 1));
    if (m_brushClear)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(ToQColor(m_brushColor));
    const QRect inner = r.adjusted(0, 0, -1, -1);
    switch (m_shape) {
    case stRectangle:
    case stSquare:
        p.drawRect(inner);
        break;
    case stRoundRect:
    case stRoundSquare: {
        const int radius = std::min(r.width(), r.height()) / 8;
        p.setRenderHint(QPainter::Antialiasing, false);
        p.drawRoundedRect(inner, radius, radius);
        break;
    }
    case stEllipse:
    case stCircle:
        p.drawEllipse(inner);
        break;
    }
}

} // namespace fw
