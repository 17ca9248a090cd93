#pragma once
// While a run goes on, the window keeps painting and its timers keep running, but
// what the user clicks or types is dropped rather than kept for after the run, and
// the window cannot be closed. Esc asks the run to stop after the pictures in flight.
#include <QObject>

class TRunInputGuard : public QObject {
    Q_OBJECT
public:
    TRunInputGuard();
    ~TRunInputGuard() override;
    TRunInputGuard(const TRunInputGuard&) = delete;
    TRunInputGuard& operator=(const TRunInputGuard&) = delete;

    bool Stopped() const { return m_stopped; }

signals:
    void EscapePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_stopped = false;
};
