#pragma once
// The framework's flat speed button: a caption or nothing, a thin frame while the
// mouse is over it, a sunken frame while pressed, and its caption's "&" letter as
// a keyboard accelerator of its window.
#include <QWidget>

class QShortcut;

namespace fw {

class TSpeedButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Flat READ Flat WRITE setFlat)
public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    bool Flat() const { return m_flat; }
    void setFlat(bool on);
    void Click() { emit OnClick(); }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    bool m_flat = false;
    bool m_hot = false;
    bool m_pressed = false;
    QShortcut* m_shortcut = nullptr;
};

} // namespace fw
