#include "framework/Panel.h"

#include "framework/StoreIfChanged.h"
#include "framework/ColorQt.h"

#include <QMouseEvent>
#include <QPainter>

namespace fw {

TPanel::TPanel(QWidget* parent) : QWidget(parent) {}

void TPanel::setColor(TColor color)
{
    if (fw::StoreIfChanged(m_color, color))
        update();
}
void TPanel::setColor(const QString& color) { setColor(ColorFromText(color)); }
QString TPanel::ColorText() const { return fw::ColorText(m_color); }

void TPanel::setBevelOuter(TBevelCut cut)
{
    if (fw::StoreIfChanged(m_bevelOuter, cut))
        update();
}

void TPanel::setBevelWidth(int width)
{
    if (width == m_bevelWidth || width < 1)
        return;
    m_bevelWidth = width;
    update();
}

void Frame3D(QPainter& p, QRect r, TColor topLeft, TColor bottomRight, int width)
{
    const QColor tl = ToQColor(topLeft), br = ToQColor(bottomRight);
    for (int i = 0; i < width; ++i) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), tl);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), tl);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
        r.adjust(1, 1, -1, -1);
    }
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ToQColor(m_color));
    if (m_bevelOuter == bvLowered)
        Frame3D(p, rect(), clBtnShadow, clBtnHighlight, m_bevelWidth);
    else if (m_bevelOuter == bvRaised)
        Frame3D(p, rect(), clBtnHighlight, clBtnShadow, m_bevelWidth);
}

void TPanel::mousePressEvent(QMouseEvent* event) { event->accept(); }

} // namespace fw
