#include "windows/LiveRun.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace {
// Often enough for the counter and the animations, rarely enough to cost nothing.
constexpr int kEventsEveryMs = 30;
} // namespace

TLiveRun::TLiveRun()
{
    QCoreApplication::instance()->installEventFilter(this);
    m_sinceEvents.start();
}

TLiveRun::~TLiveRun() { QCoreApplication::instance()->removeEventFilter(this); }

bool TLiveRun::KeepGoing()
{
    if (m_sinceEvents.elapsed() >= kEventsEveryMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_sinceEvents.restart();
    }
    return !m_stopped;
}

bool TLiveRun::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_stopped = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Close: // the window stays until the run has ended
        event->ignore();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
