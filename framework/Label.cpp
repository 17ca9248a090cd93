#include "framework/Label.h"

#include "framework/StoreIfChanged.h"
#include "framework/ColorQt.h"
#include "framework/GraphicControl.h"
#include "framework/TextDraw.h"

#include <QEvent>
#include <QPainter>

namespace fw {

TLabel::TLabel(QWidget* parent) : QWidget(parent) { MarkGraphicControl(this); }

void TLabel::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    AdjustBounds();
    update();
}

void TLabel::setAutoSize(bool on)
{
    if (on == m_autoSize)
        return;
    m_autoSize = on;
    AdjustBounds();
}

void TLabel::setWordWrap(bool on)
{
    if (on == m_wordWrap)
        return;
    m_wordWrap = on;
    AdjustBounds();
    update();
}

void TLabel::setShowAccelChar(bool on)
{
    if (on == m_showAccelChar)
        return;
    m_showAccelChar = on;
    AdjustBounds();
    update();
}

unsigned TLabel::TextFlags() const
{
    unsigned flags = DT_EXPANDTABS;
    if (m_alignment & Qt::AlignHCenter)
        flags |= DT_CENTER;
    else if (m_alignment & Qt::AlignRight)
        flags |= DT_RIGHT;
    if (m_wordWrap)
        flags |= DT_WORDBREAK;
    if (!m_showAccelChar)
        flags |= DT_NOPREFIX;
    return flags;
}

QSize TLabel::CaptionExtent(const QString& caption) const
{
    QRect r(0, 0, width(), 0);
    DrawTextCalc(font(), caption, r, TextFlags() | DT_CALCRECT);
    return r.size();
}

void TLabel::AdjustBounds()
{
    if (!m_autoSize)
        return;
    // An empty caption keeps one line's height.
    const QSize size = CaptionExtent(m_caption.isEmpty() ? QStringLiteral(" ") : m_caption);
    QRect g(geometry().topLeft(), size);
    if (m_alignment & Qt::AlignRight)
        g.moveRight(geometry().right());
    setGeometry(g);
}

void TLabel::setFontColor(TColor color)
{
    if (fw::StoreIfChanged(m_fontColor, color))
        update();
}
void TLabel::setFontColor(const QString& color) { setFontColor(ColorFromText(color)); }
QString TLabel::FontColorText() const { return fw::ColorText(m_fontColor); }

void TLabel::setColor(TColor color)
{
    m_colorSet = true;
    if (fw::StoreIfChanged(m_color, color))
        update();
}
void TLabel::setColor(const QString& color) { setColor(ColorFromText(color)); }
QString TLabel::ColorText() const { return fw::ColorText(m_color); }

void TLabel::setAlignment(Qt::Alignment alignment)
{
    if (fw::StoreIfChanged(m_alignment, alignment))
        update();
}

void TLabel::setTransparent(bool on)
{
    if (fw::StoreIfChanged(m_transparent, on))
        update();
}

void TLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        AdjustBounds();
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_transparent)
        p.fillRect(rect(), ToQColor(m_color));
    p.setFont(font());
    const unsigned flags = TextFlags();
    QRect r = rect();
    if (isEnabled()) {
        p.setPen(ToQColor(m_fontColor));
        DrawText(p, m_caption, r, flags);
    } else {
        // Disabled text: the classic engraved look, highlight below right, shadow on top.
        QRect shifted = r.translated(1, 1);
        p.setPen(ToQColor(clBtnHighlight));
        DrawText(p, m_caption, shifted, flags);
        p.setPen(ToQColor(clBtnShadow));
        DrawText(p, m_caption, r, flags);
    }
}

} // namespace fw
