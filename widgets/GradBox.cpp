#include "widgets/GradBox.h"

#include "framework/ColorQt.h"
#include "framework/GraphicControl.h"
#include "framework/StoreIfChanged.h"
#include "framework/TextDraw.h"

#include <QEvent>
#include <QPainter>

TGradBox::TGradBox(QWidget* parent) : QWidget(parent)
{
    fw::MarkGraphicControl(this);
    resize(200, 100);
}

#define POMI_GRADBOX_COLOUR_SETTER(Name, member)                                                                       \
    void TGradBox::set##Name(const QString& color) { set##Name(fw::ColorFromText(color)); }                           \
    QString TGradBox::Name##Text() const { return fw::ColorText(member); }

POMI_GRADBOX_COLOUR_SETTER(TopColor, m_topColor)
POMI_GRADBOX_COLOUR_SETTER(LastColor, m_lastColor)
POMI_GRADBOX_COLOUR_SETTER(OutLineColor, m_outLineColor)
POMI_GRADBOX_COLOUR_SETTER(BackFont, m_backFont)
POMI_GRADBOX_COLOUR_SETTER(FontColor, m_fontColor)
#undef POMI_GRADBOX_COLOUR_SETTER

void TGradBox::setCaptionLeft(int v)
{
    if (fw::StoreIfChanged(m_captionLeft, v))
        update();
}
void TGradBox::setCaptionTop(int v)
{
    if (fw::StoreIfChanged(m_captionTop, v))
        update();
}
void TGradBox::setTopColor(TColor color)
{
    if (fw::StoreIfChanged(m_topColor, color))
        update();
}
void TGradBox::setLastColor(TColor color)
{
    if (fw::StoreIfChanged(m_lastColor, color))
        update();
}
void TGradBox::setOutLineColor(TColor color)
{
    if (fw::StoreIfChanged(m_outLineColor, color) && m_drawOutLine)
        update();
}
void TGradBox::setDrawOutLine(bool on)
{
    if (fw::StoreIfChanged(m_drawOutLine, on))
        update();
}
void TGradBox::setGradStyle(TGradStyle style)
{
    if (fw::StoreIfChanged(m_style, style))
        update();
}
void TGradBox::setFont3D(bool on)
{
    if (fw::StoreIfChanged(m_font3D, on))
        update();
}
void TGradBox::setFontDepth(int depth)
{
    if (fw::StoreIfChanged(m_fontDepth, depth) && m_font3D)
        update();
}
void TGradBox::setStyle3D(TFontStyle3D style)
{
    if (fw::StoreIfChanged(m_style3D, style))
        update();
}
void TGradBox::setBackFont(TColor color)
{
    if (fw::StoreIfChanged(m_backFont, color) && m_font3D)
        update();
}
void TGradBox::setCaption(const QString& caption)
{
    if (fw::StoreIfChanged(m_caption, caption))
        update();
}
void TGradBox::setFontColor(TColor color)
{
    if (fw::StoreIfChanged(m_fontColor, color))
        update();
}

void TGradBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

std::array<TColor, 256> TGradBox::ColourTable() const
{
    std::array<TColor, 256> table{};
    const bool forward = m_style == gsTopBottom || m_style == gsLeftRight;
    const TColor start = forward ? m_topColor : m_lastColor, end = forward ? m_lastColor : m_topColor;
    const TColor s = fw::ColorToRGB(start), e = fw::ColorToRGB(end);
    using Extended = long double;
    Extended value[3] = {Extended(GetRValue(s)), Extended(GetGValue(s)), Extended(GetBValue(s))};
    const long double step[3] = {(value[0] - GetRValue(e)) / 255, (value[1] - GetGValue(e)) / 255,
                                 (value[2] - GetBValue(e)) / 255};
    table[0] = start;
    for (int i = 1; i <= 254; ++i) {
        for (int c = 0; c < 3; ++c)
            value[c] -= step[c];
        table[i] = RGB(int(value[0]), int(value[1]), int(value[2]));
    }
    table[255] = end;
    return table;
}

void TGradBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_style != gsNone) {
        const auto table = ColourTable();
        const bool vertical = m_style == gsTopBottom || m_style == gsBottomTop;
        const double a = (vertical ? height() : width()) / 255.0;
        const int band = int(a + 1);
        int edge = 0;
        for (int j = 0; j <= 255; ++j) {
            const QRect r = vertical ? QRect(0, edge, width(), band) : QRect(edge, 0, band, height());
            p.fillRect(r, fw::ToQColor(table[j]));
            edge = int(j * a);
        }
    }
    if (m_drawOutLine) {
        // The platform's rectangle leaves out its right and bottom edge lines' last point.
        p.setPen(fw::ToQColor(m_outLineColor));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(0, 0, width() - 1, height() - 1));
    }
    // Right and bottom are the box's edges in its parent; the text is clipped to the box.
    DrawCaptionText(p, QRect(QPoint(m_captionLeft, m_captionTop), QPoint(x() + width() - 1, y() + height() - 1)));
    p.end();
    emit OnPaint();
}

void TGradBox::DrawCaptionText(QPainter& p, QRect r)
{
    if (m_caption.isEmpty())
        return;
    const unsigned flags = fw::DT_WORDBREAK | fw::DT_EXPANDTABS;
    p.setFont(font());
    const auto draw = [&](QRect at, TColor colour) {
        p.setPen(fw::ToQColor(colour));
        fw::DrawText(p, m_caption, at, flags);
    };
    if (!isEnabled()) {
        draw(r.translated(1, 1), clWhite);
        draw(r, clGray);
        return;
    }
    if (m_font3D) {
        const int d = m_fontDepth;
        switch (m_style3D) {
        case fsLowShadow:
            draw(r.translated(d, d), m_backFont);
            break;
        case fsRaiseShadow:
            draw(r.translated(-d, -d), m_backFont);
            break;
        case fsLow3D:
        case fsRaise3D:
            for (int i = 1; i <= d; ++i)
                draw(r.translated(m_style3D == fsLow3D ? i : -i, m_style3D == fsLow3D ? i : -i), m_backFont);
            break;
        }
    }
    draw(r, m_fontColor);
}
