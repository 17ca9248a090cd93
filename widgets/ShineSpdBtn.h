#pragma once
// The push button of the custom windows: the framework's speed button (click,
// latched groups with AllowAllUp) with ClickDownHook, drawn in its own colours:
// background, caption and a pressed look.
#include "framework/Color.h"
#include "framework/SpeedButton.h"

class TShineSpeedButton : public fw::TSpeedButton {
    Q_OBJECT
    Q_PROPERTY(bool ClickDownHook READ ClickDownHook WRITE setClickDownHook)
    Q_PROPERTY(QString Color READ ColorText WRITE setColor)
    Q_PROPERTY(QString FontColor READ FontColorText WRITE setFontColor)
public:
    explicit TShineSpeedButton(QWidget* parent = nullptr);

    // Drawn pressed while its click handler runs.
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

    void Click() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_clickDownHook = false;
    bool m_inHandler = false;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clBtnText;
};
