#include "widgets/VelFadingLabel.h"

#include "framework/ColorQt.h"
#include "framework/MessagePump.h"
#include "framework/TextDraw.h"

#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <cstdlib>

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long q = (std::llabs(product) + half) / std::llabs(c);
    return int(negative ? -q : q);
}

TVelFadingLabel::TVelFadingLabel(QWidget* parent) : fw::TLabel(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(m_fadeSpeed);
    connect(m_timer, &QTimer::timeout, this, &TVelFadingLabel::FadeTimerTick);
    m_timer->start();
}

void TVelFadingLabel::setShowing(bool on)
{
    m_showing = on;
    m_step = on ? m_betweenColors : 1;
    FadeTimerTick();
}

void TVelFadingLabel::setFade(bool on)
{
    m_fade = on;
    if (on)
        m_timer->start();
    else
        m_timer->stop();
}

void TVelFadingLabel::setBetweenColors(int steps)
{
    if (steps > 0 && steps < 256)
        m_betweenColors = steps;
}

void TVelFadingLabel::setFadeSpeed(int ms)
{
    m_fadeSpeed = ms;
    m_timer->setInterval(ms);
}

TColor TVelFadingLabel::BackgroundColour() const
{
    if (ColorWasSet() || !parentWidget())
        return Color();
    return fw::FromQColor(parentWidget()->palette().color(QPalette::Window));
}

void TVelFadingLabel::FadeTimerTick()
{
    QPointer<TVelFadingLabel> self(this);
    m_step += m_rising ? 1 : -1;
    if (m_fade) {
        const TColor base = fw::ColorToRGB(BackgroundColour()), target = fw::ColorToRGB(FontColor());
        const auto channel = [&](int b, int t) { return (b + MulDiv(m_step, t - b, m_betweenColors - 1)) & 0xFF; };
        m_fadeColour = RGB(channel(GetRValue(base), GetRValue(target)), channel(GetGValue(base), GetGValue(target)),
                           channel(GetBValue(base), GetBValue(target)));
        update();
    }
    if (m_step >= m_betweenColors - 1) {
        m_rising = false;
        if (!m_fadeAllTheTime)
            setFade(false);
        emit OnTotallyVisible();
    }
    if (self && m_step <= 1) {
        m_rising = true;
        emit OnNotVisible();
        if (self && !m_fadeAllTheTime)
            setFade(false);
    }
    if (self)
        fw::ProcessMessages();
}

void TVelFadingLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), fw::ToQColor(BackgroundColour()));
    if (!isEnabled())
        return; // a disabled label shows only its background
    p.setFont(font());
    p.setPen(fw::ToQColor(m_fadeColour));
    QRect r = rect();
    fw::DrawText(p, Caption(), r, TextFlags() | fw::DT_WORDBREAK);
}
