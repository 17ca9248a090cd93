#include "widgets/ShadoLbl.h"

#include "framework/ColorQt.h"
#include "framework/MbScan.h"
#include "framework/StoreIfChanged.h"
#include "framework/TextDraw.h"

#include <QFontMetrics>
#include <QPainter>

// ---- TShadow --------------------------------------------------------------------

TShadow::TShadow(bool visible, TColor color, int offsetLeft, int offsetTop, QObject* parent)
    : QObject(parent), m_visible(visible), m_color(color), m_offsetLeft(offsetLeft), m_offsetTop(offsetTop)
{
}

void TShadow::setVisible(bool on)
{
    if (fw::StoreIfChanged(m_visible, on))
        emit OnChange();
}
void TShadow::setColor(TColor color)
{
    if (fw::StoreIfChanged(m_color, color))
        emit OnChange();
}
void TShadow::setOffsetLeft(int v)
{
    if (fw::StoreIfChanged(m_offsetLeft, v))
        emit OnChange();
}
void TShadow::setOffsetTop(int v)
{
    if (fw::StoreIfChanged(m_offsetTop, v))
        emit OnChange();
}
void TShadow::Assign(const TShadow& other)
{
    m_visible = other.m_visible;
    m_color = other.m_color;
    m_offsetLeft = other.m_offsetLeft;
    m_offsetTop = other.m_offsetTop;
    emit OnChange();
}

// ---- gradients ------------------------------------------------------------------

void GradBitmap(QImage& bitmap, TColor first, TColor second, bool vertical)
{
    const TColor a = fw::ColorToRGB(first), b = fw::ColorToRGB(second);
    const int r1 = GetRValue(a), g1 = GetGValue(a), b1 = GetBValue(a);
    const int dr = GetRValue(b) - r1, dg = GetGValue(b) - g1, db = GetBValue(b) - b1;
    const int w = bitmap.width(), h = bitmap.height();
    if (w < 1 || h < 1)
        return;
    // A single row or column has no second end: its one line takes the first colour.
    const auto colour = [&](int i, int n) {
        const double t = n > 1 ? double(i) / (n - 1) : 0.0;
        return QColor(int(dr * t + r1), int(dg * t + g1), int(db * t + b1));
    };
    QPainter p(&bitmap);
    if (vertical)
        for (int y = 0; y < h; ++y)
            p.fillRect(0, y, w, 1, colour(y, h));
    else
        for (int x = 0; x < w; ++x)
            p.fillRect(x, 0, 1, h, colour(x, w));
}

void GradRect(QPainter& p, const QRect& rect, TColor first, TColor second, bool vertical)
{
    QImage small = vertical ? QImage(1, rect.height(), QImage::Format_RGB888)
                            : QImage(rect.width(), rect.height() / 20 + 1, QImage::Format_RGB888);
    GradBitmap(small, first, second, vertical);
    p.drawImage(rect, small);
}

// ---- TShadowLabel ---------------------------------------------------------------

TShadowLabel::TShadowLabel(QWidget* parent)
    : fw::TLabel(parent), m_highlight(new TShadow(true, clWhite, -1, -1, this)), m_shadow(new TShadow(true, clSilver, 1, 1, this))
{
    connect(m_highlight, &TShadow::OnChange, this, [this] { update(); });
    connect(m_shadow, &TShadow::OnChange, this, [this] { update(); });
}

void TShadowLabel::setEllipsis(TEllipsis e)
{
    if (fw::StoreIfChanged(m_ellipsis, e))
        update();
}
void TShadowLabel::setGradateVert(bool on)
{
    if (fw::StoreIfChanged(m_gradateVert, on))
        update();
}
void TShadowLabel::setGradation(bool on)
{
    if (fw::StoreIfChanged(m_gradation, on))
        update();
}
void TShadowLabel::setGradationColor(TColor c)
{
    if (fw::StoreIfChanged(m_gradationColor, c))
        update();
}
void TShadowLabel::setGradationColor(const QString& c) { setGradationColor(fw::ColorFromText(c)); }
QString TShadowLabel::GradationColorText() const { return fw::ColorText(m_gradationColor); }
void TShadowLabel::setTextGradation(TTextGradation g)
{
    if (fw::StoreIfChanged(m_textGradation, g)) {
        AdjustBounds();
        update();
    }
}
void TShadowLabel::setTextGradationColor(TColor c)
{
    if (fw::StoreIfChanged(m_textGradationColor, c) && m_textGradation != tgNone)
        update();
}
void TShadowLabel::setTextGradationColor(const QString& c) { setTextGradationColor(fw::ColorFromText(c)); }
QString TShadowLabel::TextGradationColorText() const { return fw::ColorText(m_textGradationColor); }
void TShadowLabel::setTextMidColor(TColor c)
{
    if (fw::StoreIfChanged(m_textMidColor, c) && m_textGradation == tg3Colors)
        update();
}
void TShadowLabel::setTextMidColor(const QString& c) { setTextMidColor(fw::ColorFromText(c)); }
QString TShadowLabel::TextMidColorText() const { return fw::ColorText(m_textMidColor); }
void TShadowLabel::setLayout(TTextLayout l)
{
    if (fw::StoreIfChanged(m_layout, l))
        update();
}
void TShadowLabel::setHighlight(const TShadow* from)
{
    if (from)
        m_highlight->Assign(*from);
}
void TShadowLabel::setShadow(const TShadow* from)
{
    if (from)
        m_shadow->Assign(*from);
}
QString TShadowLabel::ShadowColorText() const { return fw::ColorText(m_shadow->Color()); }
void TShadowLabel::setShadowColor(const QString& c) { m_shadow->setColor(fw::ColorFromText(c)); }
QString TShadowLabel::HighlightColorText() const { return fw::ColorText(m_highlight->Color()); }
void TShadowLabel::setHighlightColor(const QString& c) { m_highlight->setColor(fw::ColorFromText(c)); }

QSize TShadowLabel::CaptionExtent(const QString& caption) const
{
    QSize size = fw::TLabel::CaptionExtent(caption);
    if (m_textGradation != tgNone) {
        const QFontMetrics fm(font());
        const std::string bytes = caption.toStdString();
        int width = 0;
        fw::ForEachChar(bytes, [&](std::size_t at, std::size_t n) {
            width += fm.horizontalAdvance(QString::fromStdString(bytes.substr(at, n)));
        });
        size.setWidth(std::max(size.width(), width));
    }
    return size;
}

void TShadowLabel::DrawGradientText(QPainter& p, TColor a, TColor b, const std::string& part, QRect& rect, unsigned flags)
{
    std::vector<std::string> chars;
    fw::ForEachChar(part, [&](std::size_t at, std::size_t n) { chars.push_back(part.substr(at, n)); });
    const QFontMetrics fm(p.font(), p.device());
    if (chars.size() == 1) {
        p.setPen(fw::ToQColor(a));
        const QString text = QString::fromStdString(part);
        QRect r = rect;
        fw::DrawText(p, text, r, flags);
        rect.setLeft(rect.left() + fm.horizontalAdvance(text));
        return;
    }
    const TColor ca = fw::ColorToRGB(a), cb = fw::ColorToRGB(b);
    const int r1 = GetRValue(ca), g1 = GetGValue(ca), b1 = GetBValue(ca);
    const int dr = GetRValue(cb) - r1, dg = GetGValue(cb) - g1, db = GetBValue(cb) - b1;
    const int n = int(chars.size());
    for (int k = 0; k < n; ++k) {
        const double t = double(k) / (n - 1);
        p.setPen(QColor(int(dr * t + r1), int(dg * t + g1), int(db * t + b1)));
        const QString c = QString::fromStdString(chars[k]);
        QRect cell = rect;
        cell.setWidth(fm.horizontalAdvance(c));
        fw::DrawText(p, c, cell, flags);
        rect.setLeft(cell.left() + cell.width());
    }
}

void TShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QString text = Caption();
    if (text.isEmpty() || (ShowAccelChar() && text == QStringLiteral("&")))
        text += QLatin1Char(' ');
    unsigned flags = TextFlags();
    if (m_ellipsis == elEnd)
        flags |= fw::DT_END_ELLIPSIS;
    else if (m_ellipsis == elPath)
        flags |= fw::DT_PATH_ELLIPSIS;

    if (!Transparent()) {
        if (m_gradation)
            GradRect(p, rect(), m_gradationColor, Color(), m_gradateVert);
        else
            p.fillRect(rect(), fw::ToQColor(Color()));
    }
    p.setFont(font());
    QRect measured = rect();
    fw::DrawTextCalc(font(), text, measured, flags | fw::DT_CALCRECT);
    const int textHeight = measured.height();
    QRect textRect = rect();
    if (m_layout == tlCenter)
        textRect.translate(0, (height() - textHeight) / 2);
    else if (m_layout == tlBottom)
        textRect.translate(0, height() - textHeight);

    const bool enabled = isEnabled();
    const std::string bytes = text.toStdString();
    int count = 0;
    fw::ForEachChar(bytes, [&](std::size_t, std::size_t) { ++count; });
    const bool gradient = m_textGradation != tgNone && count >= 2;
    const auto drawCopy = [&](const TShadow* copy, TColor enabledColour, TColor disabledColour) {
        if (!copy->Visible())
            return;
        const TColor colour = enabled ? enabledColour : disabledColour;
        QRect r = textRect.translated(copy->OffsetLeft(), copy->OffsetTop());
        if (gradient) {
            // Set character by character like the text it lies under, so they line up.
            DrawGradientText(p, colour, colour, bytes, r, flags);
            return;
        }
        p.setPen(fw::ToQColor(colour));
        fw::DrawText(p, text, r, flags);
    };
    drawCopy(m_shadow, m_shadow->Color(), clGray);
    drawCopy(m_highlight, m_highlight->Color(), clBtnHighlight);

    if (gradient) {
        QRect r = textRect;
        if (m_textGradation == tg2Colors || count == 2) {
            DrawGradientText(p, FontColor(), m_textGradationColor, bytes, r, flags);
        } else {
            // Split after half the bytes, moved on to the end of a character cut there.
            std::size_t split = bytes.size() / 2;
            fw::ForEachChar(bytes, [&](std::size_t at, std::size_t n) {
                if (at < split && at + n > split)
                    split = at + n;
            });
            const std::string first = bytes.substr(0, split), second = bytes.substr(split);
            DrawGradientText(p, FontColor(), m_textMidColor, first, r, flags);
            const bool oneChar = fw::CharLength(second, 0) == second.size();
            DrawGradientText(p, oneChar ? m_textGradationColor : m_textMidColor, m_textGradationColor, second, r, flags);
        }
    } else {
        p.setPen(fw::ToQColor(enabled ? FontColor() : clBtnShadow));
        fw::DrawText(p, text, textRect, flags);
    }
}
