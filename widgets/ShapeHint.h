#pragma once
// Shows every control's hint in a white speech balloon with black text and a
// shadow, in place of the platform's plain tool tip.
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;
class TShapeHintWindow;

class TShapeHint : public QObject {
    Q_OBJECT
public:
    explicit TShapeHint(QObject* parent = nullptr);
    ~TShapeHint() override;

    bool Active() const { return m_active; }
    void setActive(bool on);
    int ShadowDepth() const { return m_shadowDepth; }

    // The balloon currently shown, or nullptr.
    QWidget* Balloon() const;
    // Shows `text` in the balloon with its tail at `globalPos`.
    void ShowHint(const QString& text, const QPoint& globalPos);
    void HideHint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_active = false;
    int m_shadowDepth = 2;
    QPointer<TShapeHintWindow> m_window;
    QTimer m_hideTimer;
};
