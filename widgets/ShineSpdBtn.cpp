#include "widgets/ShineSpdBtn.h"

#include "framework/ColorQt.h"
#include "framework/PictureControl.h"
#include "framework/StoreIfChanged.h"
#include "framework/TextDraw.h"
#include "widgets/ShineGlyph.h"

#include <QFontMetrics>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

// ---- TShineBtnColors --------------------------------------------------------------

TShineBtnColors::TShineBtnColors(TColor color, QObject* parent) : QObject(parent), m_color(color) {}

template <class T>
void TShineBtnColors::Set(T& field, T value)
{
    if (fw::StoreIfChanged(field, value))
        emit OnChange();
}
void TShineBtnColors::setHighlight(TColor c) { Set(m_highlight, c); }
void TShineBtnColors::setShadow(TColor c) { Set(m_shadow, c); }
void TShineBtnColors::setDarkShadow(TColor c) { Set(m_darkShadow, c); }
void TShineBtnColors::setGradColor(TColor c) { Set(m_gradColor, c); }
void TShineBtnColors::setGradVertical(bool on) { Set(m_gradVertical, on); }
void TShineBtnColors::setGradation(bool on) { Set(m_gradation, on); }
void TShineBtnColors::setColor(TColor c) { Set(m_color, c); }

void TShineBtnColors::Assign(const TShineBtnColors& from)
{
    m_highlight = from.m_highlight, m_shadow = from.m_shadow, m_darkShadow = from.m_darkShadow;
    m_gradColor = from.m_gradColor, m_gradVertical = from.m_gradVertical, m_gradation = from.m_gradation;
    m_color = from.m_color;
    emit OnChange();
}

// ---- TShineSpeedButton: properties ---------------------------------------------------

TShineSpeedButton::TShineSpeedButton(QWidget* parent)
    : fw::TSpeedButton(parent), m_colors(new TShineBtnColors(clBtnFace, this)),
      m_pressedColors(new TShineBtnColors(clBtnHighlight, this))
{
    resize(25, 25);
    connect(m_colors, &TShineBtnColors::OnChange, this, [this] { update(); });
    connect(m_pressedColors, &TShineBtnColors::OnChange, this, [this] { update(); });
    m_activeButtonTimer.setInterval(200);
    connect(&m_activeButtonTimer, &QTimer::timeout, this, &TShineSpeedButton::ActiveButtonTimerOnTimer);
    setMouseTracking(true);
}

#define POMI_STORE(setter, type, field)                                                                               \
    void TShineSpeedButton::setter(type v)                                                                            \
    {                                                                                                                  \
        if (fw::StoreIfChanged(field, v))                                                                              \
            update();                                                                                                  \
    }
POMI_STORE(setClickDownHook, bool, m_clickDownHook)
POMI_STORE(setAccelCharDown, bool, m_accelCharDown)
POMI_STORE(setFrameType, TFrameType, m_frameType)
POMI_STORE(setTransparent, bool, m_transparent)
POMI_STORE(setActiveFrame, bool, m_activeFrame)
POMI_STORE(setUpFrame, bool, m_upFrame)
POMI_STORE(setDownFrame, bool, m_downFrame)
POMI_STORE(setLayout, TButtonLayout, m_layout)
POMI_STORE(setMargin, int, m_margin)
POMI_STORE(setSpacing, int, m_spacing)
POMI_STORE(setFontColor, TColor, m_fontColor)
POMI_STORE(setActiveFontColor, TColor, m_activeFontColor)
POMI_STORE(setActiveFontBold, bool, m_activeFontBold)
POMI_STORE(setActiveImage, TActiveImageType, m_activeImage)
POMI_STORE(setDisabledImage, TDisabledImageType, m_disabledImage)
POMI_STORE(setShineColor, TColor, m_shineColor)
POMI_STORE(setDisabledHighlight, TColor, m_disabledHighlight)
POMI_STORE(setDisabledShadow, TColor, m_disabledShadow)
#undef POMI_STORE

void TShineSpeedButton::setFontHighlight(TColor c)
{
    m_fontHighlight = c;
    update();
}
void TShineSpeedButton::setFontShadow(TColor c)
{
    m_fontShadow = c;
    update();
}
void TShineSpeedButton::setGlyph(const QImage& glyph)
{
    m_glyph = glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_RGB32);
    update();
}

QFont TShineSpeedButton::ActiveFont() const
{
    QFont f = font();
    if (m_activeFontBold)
        f.setBold(true);
    return f;
}

#define POMI_SHINE_COLOUR(Name, getter, setter)                                                                        \
    QString TShineSpeedButton::Name##Text() const { return fw::ColorText(getter); }                                   \
    void TShineSpeedButton::set##Name(const QString& c) { setter(fw::ColorFromText(c)); }
POMI_SHINE_COLOUR(ColorsColor, m_colors->Color(), m_colors->setColor)
POMI_SHINE_COLOUR(ColorsGradColor, m_colors->GradColor(), m_colors->setGradColor)
POMI_SHINE_COLOUR(ColorsHighlight, m_colors->Highlight(), m_colors->setHighlight)
POMI_SHINE_COLOUR(ColorsShadow, m_colors->Shadow(), m_colors->setShadow)
POMI_SHINE_COLOUR(PressedColorsColor, m_pressedColors->Color(), m_pressedColors->setColor)
POMI_SHINE_COLOUR(PressedColorsGradColor, m_pressedColors->GradColor(), m_pressedColors->setGradColor)
POMI_SHINE_COLOUR(PressedColorsHighlight, m_pressedColors->Highlight(), m_pressedColors->setHighlight)
POMI_SHINE_COLOUR(PressedColorsShadow, m_pressedColors->Shadow(), m_pressedColors->setShadow)
POMI_SHINE_COLOUR(FontColor, m_fontColor, setFontColor)
POMI_SHINE_COLOUR(ActiveFontColor, m_activeFontColor, setActiveFontColor)
POMI_SHINE_COLOUR(FontHighlight, m_fontHighlight, setFontHighlight)
POMI_SHINE_COLOUR(FontShadow, m_fontShadow, setFontShadow)
#undef POMI_SHINE_COLOUR

// ---- states ---------------------------------------------------------------------------

void TShineSpeedButton::DownChanged()
{
    m_state = Down() ? sdDown : sdUp;
    update();
}

void TShineSpeedButton::ReleasedByGroup()
{
    SetDownField(false);
    m_state = sdUp;
    update();
}

void TShineSpeedButton::AcceleratorPressed()
{
    if (m_accelCharDown)
        setDown(!Down());
    Click();
}

void TShineSpeedButton::Click()
{
    // Drawn pressed while the handler runs, even when it opens a modal window.
    QPointer<TShineSpeedButton> self(this);
    const TShineDrawState remembered = m_state;
    if (m_clickDownHook) {
        m_state = sdActiveDown;
        repaint();
    }
    emit OnClick();
    if (self && m_clickDownHook) {
        m_state = remembered;
        repaint();
    }
}

void TShineSpeedButton::MouseEnter()
{
    emit OnMouseEnter();
    if (m_mouseIn || !isEnabled() || QWidget::mouseGrabber())
        return;
    m_mouseIn = true;
    if (m_state == sdUp)
        m_state = sdActive;
    else if (m_state == sdDown)
        m_state = sdActiveDown;
    repaint();
    m_activeButtonTimer.start();
}

void TShineSpeedButton::MouseLeave()
{
    emit OnMouseLeave();
    if (!m_mouseIn || !isEnabled() || m_pressing)
        return;
    m_activeButtonTimer.stop();
    m_mouseIn = false;
    if (m_state == sdActive)
        m_state = sdUp;
    else if (m_state == sdActiveDown)
        m_state = sdDown;
    repaint();
}

void TShineSpeedButton::UpdateTracking()
{
    if (!isEnabled())
        return;
    const QPoint cursor = QCursor::pos();
    const bool over = rect().contains(mapFromGlobal(cursor)) && QApplication::widgetAt(cursor) == this;
    // Set to the opposite, so that the notification's own guard lets it through.
    m_mouseIn = !over;
    if (over)
        MouseEnter();
    else
        MouseLeave();
}

void TShineSpeedButton::ActiveButtonTimerOnTimer()
{
    if (!m_mouseIn || !isEnabled() || m_pressing) {
        m_activeButtonTimer.stop();
        return;
    }
    if (!InClient(mapFromGlobal(QCursor::pos())))
        MouseLeave();
}

void TShineSpeedButton::enterEvent(QEnterEvent*) { MouseEnter(); }

void TShineSpeedButton::leaveEvent(QEvent*) { MouseLeave(); }

void TShineSpeedButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_state = sdActiveDown;
    if (!Down())
        update();
    m_pressing = true;
}

void TShineSpeedButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressing) {
        if (!m_mouseIn)
            UpdateTracking();
        return;
    }
    const TShineDrawState wanted = InClient(event->position().toPoint()) ? sdActiveDown : Down() ? sdDown : sdUp;
    if (wanted != m_state) {
        m_state = wanted;
        update();
    }
}

void TShineSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressing || event->button() != Qt::LeftButton)
        return;
    const bool inside = InClient(event->position().toPoint());
    if (GroupIndex() == 0) {
        m_state = sdUp;
        m_mouseIn = false;
        SetDownField(false);
        if (inside)
            repaint();
    } else if (inside) {
        setDown(!Down());
        if (Down())
            repaint();
    } else {
        m_state = Down() ? sdActiveDown : sdActive;
        repaint();
    }
    m_pressing = false;
    if (inside)
        Click();
    UpdateTracking();
}

void TShineSpeedButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
    if (Down())
        emit OnDblClick();
}

void TShineSpeedButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        SetDownField(false); // raised without telling the group
        m_state = isEnabled() ? sdUp : sdDisabled;
        UpdateTracking();
        update();
    } else if (event->type() == QEvent::FontChange) {
        update();
    }
    QWidget::changeEvent(event);
}

// ---- drawing --------------------------------------------------------------------------

void TShineSpeedButton::CalcDrawPosition(QPoint& glyphAt, QRect& caption) const
{
    const int w = m_glyph.width(), h = m_glyph.height();
    const bool hasGlyph = !m_glyph.isNull(), hasCaption = !Caption().isEmpty();
    QRect measured(0, 0, width(), 0);
    fw::DrawTextCalc(font(), Caption(), measured, fw::DT_CALCRECT);
    const int tw = measured.width(), th = measured.height();
    int bw = 0, bh = 0, gx = 0, gy = 0, tx = 0, ty = 0;
    switch (m_layout) {
    case blGlyphLeft:
        gx = bw;
        bw += w, bh = std::max(h, bh);
        if (hasGlyph && hasCaption)
            bw += m_spacing;
        tx = bw;
        if (hasCaption)
            bw += tw, bh = std::max(th, bh);
        if (hasGlyph)
            gy = (bh - h) / 2;
        if (hasCaption)
            ty = (bh - th) / 2;
        break;
    case blGlyphRight:
        tx = bw;
        if (hasCaption)
            bw += tw, bh = std::max(th, bh);
        if (hasGlyph && hasCaption)
            bw += m_spacing;
        gx = bw;
        if (hasGlyph)
            bw += w, bh = std::max(h, bh), gy = (bh - h) / 2;
        if (hasCaption)
            ty = (bh - th) / 2;
        break;
    case blGlyphTop:
        gy = bh;
        if (hasGlyph)
            bh += h, bw = std::max(w, bw);
        if (hasCaption)
            bh += m_spacing;
        ty = bh;
        if (hasCaption)
            bh += th, bw = std::max(tw, bw);
        if (hasGlyph)
            gx = (bw - w) / 2;
        if (hasCaption)
            tx = (bw - tw) / 2;
        break;
    case blGlyphBottom:
        ty = bh;
        if (hasCaption)
            bh += th, bw = std::max(tw, bw);
        if (hasGlyph && hasCaption)
            bh += m_spacing;
        gy = bh;
        bh += h, bw = std::max(w, bw);
        if (hasGlyph)
            gx = (bw - w) / 2;
        if (hasCaption)
            tx = (bw - tw) / 2;
        break;
    }
    const int cw = width(), ch = height();
    int ox, oy;
    if (m_margin < 0) {
        ox = (cw - bw) / 2, oy = (ch - bh) / 2;
    } else if (m_layout == blGlyphLeft) {
        ox = m_margin, oy = (ch - bh) / 2;
    } else if (m_layout == blGlyphRight) {
        ox = cw - bw - m_margin, oy = (ch - bh) / 2;
    } else if (m_layout == blGlyphTop) {
        ox = (cw - bw) / 2, oy = m_margin;
    } else {
        ox = (cw - bw) / 2, oy = ch - bh - m_margin;
    }
    glyphAt = QPoint(gx + ox, gy + oy);
    caption = measured.translated(tx + ox, ty + oy);
}

void TShineSpeedButton::BackDraw(QPainter& p)
{
    if (m_transparent)
        return;
    const TShineBtnColors* set = m_state <= sdDown ? m_pressedColors : m_colors;
    if (!set->Gradation()) {
        p.fillRect(rect(), fw::ToQColor(set->Color()));
        return;
    }
    // A 256-entry strip from Color to GradColor, stretched over the button so that
    // its first and last rows (or columns) are the two colours exactly.
    const TColor c = fw::ColorToRGB(set->Color()), g = fw::ColorToRGB(set->GradColor());
    QColor strip[256];
    for (int i = 0; i < 256; ++i) {
        const auto ch = [&](int cc, int gg) { return (gg - cc) * i / 255 + cc; };
        strip[i] = QColor(ch(GetRValue(c), GetRValue(g)), ch(GetGValue(c), GetGValue(g)), ch(GetBValue(c), GetBValue(g)));
    }
    const bool vertical = set->GradVertical();
    const int n = vertical ? height() : width();
    for (int k = 0; k < n; ++k) {
        const QColor& colour = strip[n > 1 ? k * 255 / (n - 1) : 0];
        p.fillRect(vertical ? QRect(0, k, width(), 1) : QRect(k, 0, 1, height()), colour);
    }
}

void TShineSpeedButton::ImageDraw(QPainter& p)
{
    const bool active = m_state == sdActiveDown || m_state == sdActive;
    const bool down = m_state <= sdDown;
    p.setFont(active ? ActiveFont() : font());
    QPoint glyphAt;
    QRect caption;
    CalcDrawPosition(glyphAt, caption);
    if (!m_glyph.isNull()) {
        const GlyphState glyphState = active ? GlyphState::Active
                                      : m_state == sdDisabled ? GlyphState::Disabled
                                                              : GlyphState::Plain;
        const QImage copy = CreateStateGlyph(m_glyph, glyphState, ActiveEffect(m_activeImage),
                                             DisabledEffect(m_disabledImage), m_shineColor, m_colors->Color());
        const QPoint at = glyphAt + (down ? QPoint(1, 1) : QPoint());
        if (glyphState == GlyphState::Disabled && m_disabledImage == diDefault) {
            // The edge mask stamped twice: the light copy down-right, the dark one in place.
            const auto stamp = [&](QPoint where, TColor colour) {
                for (int y = 0; y < copy.height(); ++y)
                    for (int x = 0; x < copy.width(); ++x)
                        if ((copy.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                            p.fillRect(where.x() + x, where.y() + y, 1, 1, fw::ToQColor(colour));
            };
            stamp(at + QPoint(1, 1), m_disabledHighlight);
            stamp(at, m_disabledShadow);
        } else {
            p.drawImage(at, fw::SeeThroughBottomLeft(copy));
        }
    }
    if (Caption().isEmpty())
        return;
    if (down)
        caption.translate(1, 1);
    // A caption whose ink lies below the line (the full-width low line "＿" sits under
    // the descent of the face that stands in here) is moved up into the button, and
    // not clipped to its line.
    const QFontMetrics fm(font());
    const QRect ink = fm.tightBoundingRect(Caption()).translated(0, caption.top() + fm.ascent());
    const int below = ink.bottom() - (height() - 2);
    if (below > 0)
        caption.translate(0, -std::min(below, std::max(0, ink.top() - 1)));
    const unsigned flags = fw::DT_CENTER | fw::DT_VCENTER | fw::DT_NOCLIP;
    const auto draw = [&](QRect r, TColor colour) {
        p.setPen(fw::ToQColor(colour));
        fw::DrawText(p, Caption(), r, flags);
    };
    if (m_state == sdDisabled) {
        draw(caption.translated(1, 1), m_disabledHighlight);
        draw(caption, m_disabledShadow);
        return;
    }
    if (m_fontShadow != clNone)
        draw(caption.translated(1, 1), m_fontShadow);
    if (m_fontHighlight != clNone)
        draw(caption.translated(-1, -1), m_fontHighlight);
    draw(caption, active ? m_activeFontColor : m_fontColor);
}

namespace {
// A horizontal or vertical line from the first point up to, not including, the second.
void Line(QPainter& p, int x1, int y1, int x2, int y2, TColor colour)
{
    const QColor c = fw::ToQColor(colour);
    if (y1 == y2) {
        const int step = x2 >= x1 ? 1 : -1;
        for (int x = x1; x != x2; x += step)
            p.fillRect(x, y1, 1, 1, c);
    } else {
        const int step = y2 >= y1 ? 1 : -1;
        for (int y = y1; y != y2; y += step)
            p.fillRect(x1, y, 1, 1, c);
    }
}
} // namespace

void TShineSpeedButton::FrameDraw(QPainter& p)
{
    const bool down = m_state <= sdDown;
    const bool drawn = (m_state == sdActive || m_state == sdActiveDown) ? m_activeFrame
                       : m_state == sdDown                               ? m_downFrame
                                                                         : m_upFrame;
    if (!drawn)
        return;
    const TShineBtnColors* set = down ? m_pressedColors : m_colors;
    const int w = width(), h = height();
    switch (m_frameType) {
    case ftFlatFrame: {
        const TColor tl = down ? set->Shadow() : set->Highlight(), br = down ? set->Highlight() : set->Shadow();
        Line(p, 0, 0, w - 1, 0, tl);
        Line(p, 0, 0, 0, h - 1, tl);
        Line(p, w - 1, h - 1, 0, h - 1, br);
        Line(p, w - 1, h - 1, w - 1, 0, br);
        break;
    }
    case ftNormalFrame:
        if (!down) {
            Line(p, w - 2, h - 2, 0, h - 2, set->Shadow());
            Line(p, w - 2, h - 2, w - 2, 0, set->Shadow());
            Line(p, w - 1, h - 1, 0, h - 1, set->DarkShadow());
            Line(p, w - 1, h - 1, w - 1, 0, set->DarkShadow());
            Line(p, 0, 0, w - 1, 0, set->Highlight());
            Line(p, 0, 0, 0, h - 1, set->Highlight());
        } else {
            Line(p, 1, 1, w - 1, 1, set->Shadow());
            Line(p, 1, 1, 1, h - 1, set->Shadow());
            Line(p, 0, 0, w - 1, 0, set->DarkShadow());
            Line(p, 0, 0, 0, h - 1, set->DarkShadow());
            Line(p, w - 1, h - 1, 0, h - 1, set->Highlight());
            Line(p, w - 1, h - 1, w - 1, 0, set->Highlight());
        }
        break;
    case ftEnclosedFrame: {
        const TColor tl = down ? set->Shadow() : set->Highlight(), br = down ? set->Highlight() : set->Shadow();
        Line(p, 1, 1, w - 2, 1, tl);
        Line(p, 1, 1, 1, h - 2, tl);
        Line(p, w - 2, h - 2, 1, h - 2, br);
        Line(p, w - 2, h - 2, w - 2, 1, br);
        p.setPen(fw::ToQColor(m_colors->DarkShadow()));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
        break;
    }
    }
}

void TShineSpeedButton::paintEvent(QPaintEvent*)
{
    if (!isEnabled()) {
        m_state = sdDisabled;
        m_pressing = false;
    }
    QPainter p(this);
    BackDraw(p);
    ImageDraw(p);
    FrameDraw(p);
}
