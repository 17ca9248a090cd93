#pragma once
// The push button of the custom windows. It keeps the speed-button behaviour the
// windows rely on (click, latched groups with AllowAllUp, ClickDownHook) and draws
// itself plainly: background, caption and a pressed look.
#include "framework/Color.h"

#include <QWidget>

class TShineSpeedButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(bool ClickDownHook READ ClickDownHook WRITE setClickDownHook)
    Q_PROPERTY(QString Color READ ColorText WRITE setColor)
    Q_PROPERTY(QString FontColor READ FontColorText WRITE setFontColor)
public:
    explicit TShineSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    int GroupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool Down() const { return m_down; }
    void setDown(bool down);
    bool AllowAllUp() const { return m_allowAllUp; }
    // Shared by every button of the same group on the same parent.
    void setAllowAllUp(bool on);
    bool ClickDownHook() const { return m_clickDownHook; }
    void setClickDownHook(bool on) { m_clickDownHook = on; }
    TColor Color() const { return m_color; }
    void setColor(TColor color);
    void setColor(const QString& color);
    QString ColorText() const;
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor color);
    void setFontColor(const QString& color);
    QString FontColorText() const;

    // What a full click does: latch or release within the group, then OnClick.
    void Click();

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_caption;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    bool m_clickDownHook = false;
    bool m_pressed = false;   // mouse held down on the button
    bool m_inHandler = false; // drawn pressed while the click handler runs
    TColor m_color = clBtnFace;
    TColor m_fontColor = clBtnText;

    QList<TShineSpeedButton*> GroupSiblings() const;
};
