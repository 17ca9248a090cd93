#include "widgets/ShadoLbl.h"

#include "framework/TextDraw.h"

TShadowLabel::TShadowLabel(QWidget* parent) : fw::TLabel(parent) {}

void TShadowLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    AdjustSize();
}

void TShadowLabel::setCaption(const QString& caption)
{
    fw::TLabel::setCaption(caption);
    AdjustSize();
}

void TShadowLabel::AdjustSize()
{
    if (!m_autoSize)
        return;
    QRect r(0, 0, width(), 0);
    // An empty caption keeps one line's height.
    fw::DrawTextCalc(font(), Caption().isEmpty() ? QStringLiteral(" ") : Caption(), r, fw::DT_EXPANDTABS);
    const QRect old = geometry();
    QRect g(old.topLeft(), r.size());
    if (Alignment() & Qt::AlignHCenter)
        g.moveLeft(old.left() + (old.width() - r.width()) / 2);
    else if (Alignment() & Qt::AlignRight)
        g.moveLeft(old.right() + 1 - r.width());
    setGeometry(g);
}
