#include "widgets/GradBox.h"

#include "framework/StoreIfChanged.h"
#include "framework/ColorQt.h"
#include "framework/GraphicControl.h"

#include <QLinearGradient>
#include <QPainter>

TGradBox::TGradBox(QWidget* parent) : QWidget(parent) { fw::MarkGraphicControl(this); }

void TGradBox::setTopColor(TColor color)
{
    if (fw::StoreIfChanged(m_topColor, color))
        update();
}
void TGradBox::setTopColor(const QString& color) { setTopColor(fw::ColorFromText(color)); }
QString TGradBox::TopColorText() const { return fw::ColorText(m_topColor); }

void TGradBox::setLastColor(TColor color)
{
    if (fw::StoreIfChanged(m_lastColor, color))
        update();
}
void TGradBox::setLastColor(const QString& color) { setLastColor(fw::ColorFromText(color)); }
QString TGradBox::LastColorText() const { return fw::ColorText(m_lastColor); }

void TGradBox::setGradStyle(TGradStyle style)
{
    if (fw::StoreIfChanged(m_style, style))
        update();
}

void TGradBox::setDrawOutLine(bool on)
{
    if (fw::StoreIfChanged(m_drawOutLine, on))
        update();
}

void TGradBox::setOutLineColor(TColor color)
{
    if (fw::StoreIfChanged(m_outLineColor, color))
        update();
}
void TGradBox::setOutLineColor(const QString& color) { setOutLineColor(fw::ColorFromText(color)); }
QString TGradBox::OutLineColorText() const { return fw::ColorText(m_outLineColor); }

void TGradBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r = rect();
    QLinearGradient g;
    switch (m_style) {
    case gsTopBottom:
        g = QLinearGradient(r.topLeft(), r.bottomLeft());
        break;
    case gsBottomTop:
        g = QLinearGradient(r.bottomLeft(), r.topLeft());
        break;
    case gsLeftRight:
        g = QLinearGradient(r.topLeft(), r.topRight());
        break;
    case gsRightLeft:
        g = QLinearGradient(r.topRight(), r.topLeft());
        break;
    case gsNone:
        break;
    }
    if (m_style == gsNone) {
        p.fillRect(rect(), fw::ToQColor(m_topColor));
    } else {
        g.setColorAt(0, fw::ToQColor(m_topColor));
        g.setColorAt(1, fw::ToQColor(m_lastColor));
        p.fillRect(rect(), g);
    }
    if (m_drawOutLine) {
        p.setPen(fw::ToQColor(m_outLineColor));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
