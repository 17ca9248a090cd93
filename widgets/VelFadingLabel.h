#pragma once
// A label whose text pulses between its background colour and its font colour,
// driven by its own timer: the step runs 1, 2 … B − 1 and back down (B being
// BetweenColors), each step one (B − 1)-th of the way between the two colours.
#include "framework/Label.h"

class QTimer;

class TVelFadingLabel : public fw::TLabel {
    Q_OBJECT
    Q_PROPERTY(bool Showing READ Showing WRITE setShowing)
    Q_PROPERTY(bool Fade READ Fade WRITE setFade)
    Q_PROPERTY(int BetweenColors READ BetweenColors WRITE setBetweenColors)
    Q_PROPERTY(bool FadeAlltheTime READ FadeAlltheTime WRITE setFadeAlltheTime)
    Q_PROPERTY(int FadeSpeed READ FadeSpeed WRITE setFadeSpeed)
public:
    explicit TVelFadingLabel(QWidget* parent = nullptr);

    bool Showing() const { return m_showing; }
    // Jumps to fully shown (True) or hidden (False) and runs one step at once.
    void setShowing(bool on);
    bool Fade() const { return m_fade; }
    void setFade(bool on);
    int BetweenColors() const { return m_betweenColors; }
    // Taken only within 1 … 255.
    void setBetweenColors(int steps);
    bool FadeAlltheTime() const { return m_fadeAllTheTime; }
    void setFadeAlltheTime(bool on) { m_fadeAllTheTime = on; }
    int FadeSpeed() const { return m_fadeSpeed; }
    void setFadeSpeed(int ms);

    // The background: the parent's colour until one is set.
    TColor BackgroundColour() const;
    int Step() const { return m_step; }
    bool Rising() const { return m_rising; }
    TColor FadeColour() const { return m_fadeColour; }

    // One step of the pulse (what the timer runs).
    void FadeTimerTick();

signals:
    void OnNotVisible();
    void OnTotallyVisible();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* m_timer;
    bool m_showing = false;
    bool m_fade = true;
    int m_betweenColors = 16;
    bool m_fadeAllTheTime = true;
    int m_fadeSpeed = 2;
    int m_step = 1;
    bool m_rising = false;
    TColor m_fadeColour = clBlack;
};

// The platform's multiply-then-divide: a × b / c rounded to the nearest whole
// number (halves away from zero), −1 when c is 0.
int MulDiv(int a, int b, int c);
