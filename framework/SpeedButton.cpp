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
                Click();
        });
    }
    update();
}

void TSpeedButton::setFlat(bool on)
{
    m_flat = on;
    update();
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
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
    }
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

void TSpeedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_pressed)
        Frame3D(p, rect(), clBtnShadow, clBtnHighlight, 1);
    else if (!m_flat || m_hot)
        Frame3D(p, rect(), clBtnHighlight, clBtnShadow, 1);
    if (m_caption.isEmpty())
        return;
    QRect r = rect();
    if (m_pressed)
        r.translate(1, 1);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    DrawText(p, m_caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace fw
