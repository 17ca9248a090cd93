#pragma once
// The window base class: show, close and activate notifications bound from the
// layout, modal showing in a nested event loop, and moving a borderless window by
// pressing on any free spot of it.
#include <QPoint>
#include <QWidget>

class QEventLoop;

namespace fw {

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TForm : public QWidget {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~TForm() override;

    // Shows the window and handles events until it is hidden. Returns the modal result
    // (mrCancel when the window was closed without one being set).
    int ShowModal();
    bool Modal() const { return m_modalLoop != nullptr; }
    void SetModalResult(int result) { m_modalResult = result; }

    // Presses on the form itself (not on a child that takes the mouse) move the window.
    void SetDragByFreeSpot(bool on) { m_dragByFreeSpot = on; }

    // Position and size of the client area by the layouts' names.
    void SetClientSize(int width, int height);

signals:
    void OnShow();
    void OnClose();
    void OnActivate();

protected:
    // Binds the layout's handlers and finishes loading; call after setupUi().
    void LoadLayout();

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QEventLoop* m_modalLoop = nullptr;
    int m_modalResult = mrNone;
    bool m_dragByFreeSpot = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};

} // namespace fw
