#include "widgets/ShineSpdBtn.h"

#include "framework/ColorQt.h"
#include "framework/StoreIfChanged.h"
#include "framework/TextDraw.h"

#include <QPainter>
#include <QPointer>

TShineSpeedButton::TShineSpeedButton(QWidget* parent) : fw::TSpeedButton(parent) {}

void TShineSpeedButton::setColor(TColor color)
{
    if (fw::StoreIfChanged(m_color, color))
        update();
}
void TShineSpeedButton::setColor(const QString& color) { setColor(fw::ColorFromText(color)); }
QString TShineSpeedButton::ColorText() const { return fw::ColorText(m_color); }

void TShineSpeedButton::setFontColor(TColor color)
{
    if (fw::StoreIfChanged(m_fontColor, color))
        update();
}
void TShineSpeedButton::setFontColor(const QString& color) { setFontColor(fw::ColorFromText(color)); }
QString TShineSpeedButton::FontColorText() const { return fw::ColorText(m_fontColor); }

void TShineSpeedButton::Click()
{
    if (!m_clickDownHook) {
        fw::TSpeedButton::Click();
        return;
    }
    QPointer<TShineSpeedButton> self(this);
    m_inHandler = true;
    repaint();
    fw::TSpeedButton::Click();
    if (self) {
        m_inHandler = false;
        update();
    }
}

void TShineSpeedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool drawnDown = Down() || Pressed() || m_inHandler;
    p.fillRect(rect(), fw::ToQColor(m_color));
    p.setPen(fw::ToQColor(drawnDown ? clRed : clGray));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QRect r = rect();
    if (drawnDown)
        r.translate(1, 1);
    p.setFont(font());
    p.setPen(fw::ToQColor(isEnabled() ? m_fontColor : clGray));
    fw::DrawText(p, Caption(), r, fw::DT_CENTER | fw::DT_VCENTER | fw::DT_SINGLELINE);
}
