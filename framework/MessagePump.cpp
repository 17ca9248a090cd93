#include "framework/MessagePump.h"

#include "framework/Application.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace fw {

std::uint32_t GetTickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ProcessMessages()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool ApplicationTerminated()
{
    const TApplication* app = Application();
    return app && app->Terminated();
}

void WaitPumping(std::uint32_t ms)
{
    const std::uint32_t deadline = GetTickCount() + ms;
    // A timer at the deadline wakes the blocking wait below when nothing else does.
    // It is set again for what remains each time round: a coarse timer may fire a
    // little early, and a wait with nothing left to wake it would never end.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        const auto left = static_cast<std::int32_t>(deadline - GetTickCount());
        if (left <= 0 || ApplicationTerminated())
            return;
        wake.start(left);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents();
    }
}

} // namespace fw
