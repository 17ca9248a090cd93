#pragma once
// The framework's speed button: a caption or nothing, flat (a thin frame only while
// the mouse is over it) or raised, sunken while pressed; with a group index it
// latches down, one button of the group at a time among its siblings, and
// AllowAllUp (shared by the group) lets the down one come up again. Its caption's
// "&" letter is a keyboard accelerator of its window.
#include <QWidget>

class QShortcut;

namespace fw {

class TSpeedButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Flat READ Flat WRITE setFlat)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE setAllowAllUp)
public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    bool Flat() const { return m_flat; }
    void setFlat(bool on);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool Down() const { return m_down; }
    // Only a button of a group can be down; a down button comes up only with AllowAllUp.
    void setDown(bool down);
    bool AllowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool on);

    // What a full click does: latch or release within the group, then OnClick.
    virtual void Click();
    // Releases this button because another of its group went down (no broadcast).
    virtual void ReleasedByGroup();

signals:
    void OnClick();

protected:
    // After Down has changed through its setter.
    virtual void DownChanged() {}
    // The caption's accelerator was pressed.
    virtual void AcceleratorPressed() { Click(); }
    // Sets the down field without telling the group (a disabled button is raised so).
    void SetDownField(bool down) { m_down = down; }
    bool Hot() const { return m_hot; }         // the mouse is over it
    bool Pressed() const { return m_pressed; } // the mouse button is held on it
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_caption;
    bool m_flat = false;
    bool m_hot = false;
    bool m_pressed = false;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    QShortcut* m_shortcut = nullptr;

    QList<TSpeedButton*> GroupSiblings() const;
};

} // namespace fw
