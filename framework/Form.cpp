#include "framework/Form.h"

#include "framework/CaptionFit.h"

#include "framework/Application.h"
#include "framework/GraphicControl.h"
#include "framework/HandlerBinding.h"
#include "framework/LayoutProperties.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

namespace fw {

TForm::TForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

TForm::~TForm()
{
    if (m_modalLoop)
        m_modalLoop->exit(mrCancel);
}

void TForm::LoadLayout()
{
    ApplyLayoutProperties(this);
    BindHandlers(this);
    NotifyLoaded(this);
    if (m_dragByFreeSpot)
        PassMouseThroughGraphicControls(this);
}

void TForm::SetClientSize(int width, int height) { setFixedSize(width, height); }

int TForm::ShowModal()
{
    if (m_modalLoop)
        return mrNone;
    m_modalResult = mrNone;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_modalLoop = &loop;
    QPointer<TForm> self(this);
    show();
    raise();
    activateWindow();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    if (!self)
        return mrCancel;
    m_modalLoop = nullptr;
    setWindowModality(Qt::NonModal);
    return m_modalResult == mrNone ? mrCancel : m_modalResult;
}

void TForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        emit OnShow();
        FitCaptions(this); // the captions as the show handler left them
    }
}

void TForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_modalLoop && !event->spontaneous())
        m_modalLoop->quit();
}

void TForm::closeEvent(QCloseEvent* event)
{
    emit OnClose();
    event->accept();
    TApplication* app = Application();
    if (app && app->MainForm() == this)
        app->Terminate();
}

bool TForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        const bool handled = QWidget::event(event);
        emit OnActivate();
        return handled;
    }
    return QWidget::event(event);
}

void TForm::mousePressEvent(QMouseEvent* event)
{
    if (m_dragByFreeSpot && event->button() == Qt::LeftButton) {
        QWindow* handle = window()->windowHandle();
        if (handle && handle->startSystemMove()) {
            event->accept();
            return;
        }
        m_manualDrag = true;
        m_dragOffset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TForm::mouseMoveEvent(QMouseEvent* event)
{
    if (m_manualDrag && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_manualDrag && event->button() == Qt::LeftButton) {
        m_manualDrag = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace fw
