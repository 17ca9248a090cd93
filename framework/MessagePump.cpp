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
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(ms));
    while (static_cast<std::int32_t>(deadline - GetTickCount()) > 0 && !ApplicationTerminated()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents();
    }
}

} // namespace fw
