#include "widgets/ShineSpdBtn.h"

#include "framework/StoreIfChanged.h"
#include "framework/ColorQt.h"
#include "framework/TextDraw.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

TShineSpeedButton::TShineSpeedButton(QWidget* parent) : QWidget(parent) {}

void TShineSpeedButton::setCaption(const QString& caption)
{
    if (fw::StoreIfChanged(m_caption, caption))
        update();
}

QList<TShineSpeedButton*> TShineSpeedButton::GroupSiblings() const
{
    QList<TShineSpeedButton*> list;
    if (m_groupIndex == 0 || !parentWidget())
        return list;
    for (auto* b : parentWidget()->findChildren<TShineSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (b != this && b->m_groupIndex == m_groupIndex)
            list << b;
    return list;
}

void TShineSpeedButton::setGroupIndex(int index)
{
    if (index == m_groupIndex)
        return;
    m_groupIndex = index;
    if (m_down)
        for (auto* b : GroupSiblings())
            b->m_down = false, b->update();
}

void TShineSpeedButton::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    if (down)
        for (auto* b : GroupSiblings())
            if (b->m_down)
                b->m_down = false, b->update();
    update();
}

void TShineSpeedButton::setAllowAllUp(bool on)
{
    m_allowAllUp = on;
    for (auto* b : GroupSiblings())
        b->m_allowAllUp = on;
}

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
    QPointer<TShineSpeedButton> self(this);
    if (m_groupIndex != 0)
        setDown(!m_down);
    if (m_clickDownHook) {
        m_inHandler = true;
        repaint();
    }
    emit OnClick();
    if (self && m_clickDownHook) {
        m_inHandler = false;
        update();
    }
}

void TShineSpeedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_pressed = true;
    update();
}

void TShineSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        Click();
}

void TShineSpeedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void TShineSpeedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool drawnDown = m_down || m_pressed || m_inHandler;
    p.fillRect(rect(), fw::ToQColor(m_color));
    p.setPen(fw::ToQColor(drawnDown ? clRed : clGray));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QRect r = rect();
    if (drawnDown)
        r.translate(1, 1);
    p.setFont(font());
    p.setPen(fw::ToQColor(isEnabled() ? m_fontColor : clGray));
    fw::DrawText(p, m_caption, r, fw::DT_CENTER | fw::DT_VCENTER | fw::DT_SINGLELINE);
}
