#pragma once
// A run on the window's own thread that keeps the window alive: between pictures it
// lets paints and timers through (the counter, the fading labels, the character),
// while what the user clicks or types is dropped rather than kept for after the
// run. Esc asks the run to stop after the picture it is saving.
#include <QElapsedTimer>
#include <QObject>

class TLiveRun : public QObject {
public:
    TLiveRun();
    ~TLiveRun() override;
    TLiveRun(const TLiveRun&) = delete;
    TLiveRun& operator=(const TLiveRun&) = delete;

    // Lets waiting paints and timers run (not more often than the eye needs); false
    // once Esc has been pressed.
    bool KeepGoing();
    bool Stopped() const { return m_stopped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer m_sinceEvents;
    bool m_stopped = false;
};
