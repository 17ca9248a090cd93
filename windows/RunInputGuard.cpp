#include "windows/RunInputGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

TRunInputGuard::TRunInputGuard() { QCoreApplication::instance()->installEventFilter(this); }

TRunInputGuard::~TRunInputGuard() { QCoreApplication::instance()->removeEventFilter(this); }

bool TRunInputGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_stopped) {
            m_stopped = true;
            emit EscapePressed();
        }
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
