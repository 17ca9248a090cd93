#include "framework/SpeedButton.h"

#include "framework/Color.h"
#include "framework/Panel.h"
#include "framework/TextDraw.h"

#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

namespace fw {

TSpeedButton::TSpeedButton(QWidget* parent) : QWidget(parent) {}

void TSpeedButton::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    delete m_shortcut;
    m_shortcut = nullptr;
    const QKeySequence key = QKeySequence::mnemonic(caption);
    if (!key.isEmpty()) {
        m_shortcut = new QShortcut(key, this);
        m_shortcut->setContext(Qt::WindowShortcut);
        connect(m_shortcut, &QShortcut::activated, this, [this] {
            if (isEnabled() && isVisible())
                AcceleratorPressed();
        });
    }
    update();
}

void TSpeedButton::setFlat(bool on)
{
    m_flat = on;
    update();
}

QList<TSpeedButton*> TSpeedButton::GroupSiblings() const
{
    QList<TSpeedButton*> list;
    if (m_groupIndex == 0 || !parentWidget())
        return list;
    for (auto* b : parentWidget()->findChildren<TSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (b != this && b->m_groupIndex == m_groupIndex)
            list << b;
    return list;
}

void TSpeedButton::setGroupIndex(int index)
{
    if (index == m_groupIndex)
        return;
    m_groupIndex = index;
    if (m_down)
        for (auto* b : GroupSiblings())
            if (b->m_down)
                b->ReleasedByGroup();
}

void TSpeedButton::ReleasedByGroup()
{
    m_down = false;
    update();
}

void TSpeedButton::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down || (m_down && !m_allowAllUp))
        return;
    m_down = down;
    if (down)
        for (auto* b : GroupSiblings())
            if (b->m_down)
                b->ReleasedByGroup();
    DownChanged();
    update();
}

void TSpeedButton::setAllowAllUp(bool on)
{
    m_allowAllUp = on;
    for (auto* b : GroupSiblings())
        b->m_allowAllUp = on;
}

void TSpeedButton::Click()
{
    if (m_groupIndex != 0)
        setDown(!m_down);
    emit OnClick();
}

void TSpeedButton::enterEvent(QEnterEvent*)
{
    m_hot = true;
    update();
}

void TSpeedButton::leaveEvent(QEvent*)
{
    m_hot = false;
    update();
}

void TSpeedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_pressed = true;
    update();
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        Click();
}

void TSpeedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void TSpeedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool sunken = m_pressed || m_down;
    if (sunken)
        Frame3D(p, rect(), clBtnShadow, clBtnHighlight, 1);
    else if (!m_flat || m_hot)
        Frame3D(p, rect(), clBtnHighlight, clBtnShadow, 1);
    if (m_caption.isEmpty())
        return;
    QRect r = rect();
    if (sunken)
        r.translate(1, 1);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    DrawText(p, m_caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace fw
