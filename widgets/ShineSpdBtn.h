#pragma once
// The push button of the custom windows: a background of one colour or a
// two-colour gradient, an optional glyph, a caption with optional shadow and
// highlight copies, and one of three frames; five draw states following the mouse,
// with a 200 ms poll that catches leaves the platform does not report. It takes part
// in the framework's speed-button groups.
#include "framework/Color.h"
#include "framework/SpeedButton.h"

#include <QImage>
#include <QObject>
#include <QTimer>

// One colour set: the up/active look or the pressed look of a button.
class TShineBtnColors : public QObject {
    Q_OBJECT
public:
    explicit TShineBtnColors(TColor color = clBtnFace, QObject* parent = nullptr);

    TColor Highlight() const { return m_highlight; }
    void setHighlight(TColor c);
    TColor Shadow() const { return m_shadow; }
    void setShadow(TColor c);
    TColor DarkShadow() const { return m_darkShadow; }
    void setDarkShadow(TColor c);
    TColor GradColor() const { return m_gradColor; }
    void setGradColor(TColor c);
    bool GradVertical() const { return m_gradVertical; }
    void setGradVertical(bool on);
    bool Gradation() const { return m_gradation; }
    void setGradation(bool on);
    TColor Color() const { return m_color; }
    void setColor(TColor c);
    // Copies all seven values and tells of the change.
    void Assign(const TShineBtnColors& from);

signals:
    void OnChange();

private:
    TColor m_highlight = clBtnHighlight;
    TColor m_shadow = clBtnShadow;
    TColor m_darkShadow = clWindowFrame;
    TColor m_gradColor = clBlue;
    bool m_gradVertical = false;
    bool m_gradation = false;
    TColor m_color;
    template <class T>
    void Set(T& field, T value);
};

class TShineSpeedButton : public fw::TSpeedButton {
    Q_OBJECT
    Q_PROPERTY(bool ClickDownHook READ ClickDownHook WRITE setClickDownHook)
    Q_PROPERTY(bool AccelCharDown READ AccelCharDown WRITE setAccelCharDown)
    Q_PROPERTY(TFrameType FrameType READ FrameType WRITE setFrameType)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool ActiveFrame READ ActiveFrame WRITE setActiveFrame)
    Q_PROPERTY(bool UpFrame READ UpFrame WRITE setUpFrame)
    Q_PROPERTY(bool DownFrame READ DownFrame WRITE setDownFrame)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(int Margin READ Margin WRITE setMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE setSpacing)
    Q_PROPERTY(TActiveImageType ActiveImage READ ActiveImage WRITE setActiveImage)
    Q_PROPERTY(TDisabledImageType DisabledImage READ DisabledImage WRITE setDisabledImage)
    // Colours and fonts by the layouts' names (Colors.Color → ColorsColor ...).
    Q_PROPERTY(QString ColorsColor READ ColorsColorText WRITE setColorsColor)
    Q_PROPERTY(QString ColorsGradColor READ ColorsGradColorText WRITE setColorsGradColor)
    Q_PROPERTY(bool ColorsGradation READ ColorsGradation WRITE setColorsGradation)
    Q_PROPERTY(bool ColorsGradVertical READ ColorsGradVertical WRITE setColorsGradVertical)
    Q_PROPERTY(QString ColorsHighlight READ ColorsHighlightText WRITE setColorsHighlight)
    Q_PROPERTY(QString ColorsShadow READ ColorsShadowText WRITE setColorsShadow)
    Q_PROPERTY(QString PressedColorsColor READ PressedColorsColorText WRITE setPressedColorsColor)
    Q_PROPERTY(QString PressedColorsGradColor READ PressedColorsGradColorText WRITE setPressedColorsGradColor)
    Q_PROPERTY(bool PressedColorsGradation READ PressedColorsGradation WRITE setPressedColorsGradation)
    Q_PROPERTY(bool PressedColorsGradVertical READ PressedColorsGradVertical WRITE setPressedColorsGradVertical)
    Q_PROPERTY(QString PressedColorsHighlight READ PressedColorsHighlightText WRITE setPressedColorsHighlight)
    Q_PROPERTY(QString PressedColorsShadow READ PressedColorsShadowText WRITE setPressedColorsShadow)
    Q_PROPERTY(QString FontColor READ FontColorText WRITE setFontColor)
    Q_PROPERTY(QString ActiveFontColor READ ActiveFontColorText WRITE setActiveFontColor)
    Q_PROPERTY(bool ActiveFontBold READ ActiveFontBold WRITE setActiveFontBold)
    Q_PROPERTY(QString FontHighlight READ FontHighlightText WRITE setFontHighlight)
    Q_PROPERTY(QString FontShadow READ FontShadowText WRITE setFontShadow)
public:
    enum TFrameType { ftFlatFrame, ftNormalFrame, ftEnclosedFrame };
    Q_ENUM(TFrameType)
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)
    enum TShineDrawState { sdActiveDown, sdDown, sdActive, sdUp, sdDisabled };
    Q_ENUM(TShineDrawState)
    enum TActiveImageType { aiNormal, aiXorLight, aiHalfLight, aiQuaterLight, aiAddLight, aiFrameLight, aiFrameLight2, aiMaskLight };
    Q_ENUM(TActiveImageType)
    enum TDisabledImageType { diDefault, diGrayscale, diAlphaHalfTrans, diAlphaQuaterTrans, diMaskTrans };
    Q_ENUM(TDisabledImageType)

    explicit TShineSpeedButton(QWidget* parent = nullptr);

    bool ClickDownHook() const { return m_clickDownHook; }
    void setClickDownHook(bool on);
    bool AccelCharDown() const { return m_accelCharDown; }
    void setAccelCharDown(bool on);
    TFrameType FrameType() const { return m_frameType; }
    void setFrameType(TFrameType t);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    bool ActiveFrame() const { return m_activeFrame; }
    void setActiveFrame(bool on);
    bool UpFrame() const { return m_upFrame; }
    void setUpFrame(bool on);
    bool DownFrame() const { return m_downFrame; }
    void setDownFrame(bool on);
    TButtonLayout Layout() const { return m_layout; }
    void setLayout(TButtonLayout l);
    int Margin() const { return m_margin; }
    void setMargin(int m);
    int Spacing() const { return m_spacing; }
    void setSpacing(int s);
    TShineBtnColors* Colors() const { return m_colors; }
    void setColors(const TShineBtnColors* from) { m_colors->Assign(*from); }
    TShineBtnColors* PressedColors() const { return m_pressedColors; }
    void setPressedColors(const TShineBtnColors* from) { m_pressedColors->Assign(*from); }
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor c);
    QFont ActiveFont() const;
    TColor ActiveFontColor() const { return m_activeFontColor; }
    void setActiveFontColor(TColor c);
    bool ActiveFontBold() const { return m_activeFontBold; }
    void setActiveFontBold(bool on);
    TColor FontHighlight() const { return m_fontHighlight; }
    void setFontHighlight(TColor c); // always repaints
    TColor FontShadow() const { return m_fontShadow; }
    void setFontShadow(TColor c); // always repaints
    const QImage& Glyph() const { return m_glyph; }
    void setGlyph(const QImage& glyph);
    TActiveImageType ActiveImage() const { return m_activeImage; }
    void setActiveImage(TActiveImageType t);
    TDisabledImageType DisabledImage() const { return m_disabledImage; }
    void setDisabledImage(TDisabledImageType t);
    TColor ShineColor() const { return m_shineColor; }
    void setShineColor(TColor c);
    TColor DisabledHighlight() const { return m_disabledHighlight; }
    void setDisabledHighlight(TColor c);
    TColor DisabledShadow() const { return m_disabledShadow; }
    void setDisabledShadow(TColor c);

    TShineDrawState DrawState() const { return m_state; }
    bool MouseIn() const { return m_mouseIn; }
    // Where CalcDrawPosition puts the glyph and the caption.
    void CalcDrawPosition(QPoint& glyph, QRect& caption) const;

    void Click() override;
    void ReleasedByGroup() override;

signals:
    void OnMouseEnter();
    void OnMouseLeave();
    void OnDblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void DownChanged() override;
    void AcceleratorPressed() override;

private:
    bool m_clickDownHook = false;
    bool m_accelCharDown = false;
    TFrameType m_frameType = ftNormalFrame;
    bool m_transparent = false;
    bool m_activeFrame = true;
    bool m_upFrame = true;
    bool m_downFrame = true;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    TShineBtnColors* m_colors;
    TShineBtnColors* m_pressedColors;
    TColor m_fontColor = clBtnText;
    TColor m_activeFontColor = clHighlight;
    bool m_activeFontBold = false;
    TColor m_fontHighlight = clNone;
    TColor m_fontShadow = clNone;
    QImage m_glyph;
    TActiveImageType m_activeImage = aiFrameLight;
    TDisabledImageType m_disabledImage = diDefault;
    TColor m_shineColor = clYellow;
    TColor m_disabledHighlight = clBtnHighlight;
    TColor m_disabledShadow = clBtnShadow;
    TShineDrawState m_state = sdUp;
    bool m_mouseIn = false;
    bool m_pressing = false;
    QTimer m_activeButtonTimer;

    void MouseEnter();
    void MouseLeave();
    void UpdateTracking();
    void ActiveButtonTimerOnTimer();
    bool InClient(QPoint p) const { return p.x() >= 0 && p.y() >= 0 && p.x() < width() && p.y() < height(); }
    void BackDraw(class QPainter& p);
    void ImageDraw(QPainter& p);
    void FrameDraw(QPainter& p);

    // Layout-facing colour texts.
public:
#define POMI_SHINE_COLOUR(Name)                                                                                        \
    QString Name##Text() const;                                                                                        \
    void set##Name(const QString& c);
    POMI_SHINE_COLOUR(ColorsColor)
    POMI_SHINE_COLOUR(ColorsGradColor)
    POMI_SHINE_COLOUR(ColorsHighlight)
    POMI_SHINE_COLOUR(ColorsShadow)
    POMI_SHINE_COLOUR(PressedColorsColor)
    POMI_SHINE_COLOUR(PressedColorsGradColor)
    POMI_SHINE_COLOUR(PressedColorsHighlight)
    POMI_SHINE_COLOUR(PressedColorsShadow)
    POMI_SHINE_COLOUR(FontColor)
    POMI_SHINE_COLOUR(ActiveFontColor)
    POMI_SHINE_COLOUR(FontHighlight)
    POMI_SHINE_COLOUR(FontShadow)
#undef POMI_SHINE_COLOUR
    bool ColorsGradation() const { return m_colors->Gradation(); }
    void setColorsGradation(bool on) { m_colors->setGradation(on); }
    bool ColorsGradVertical() const { return m_colors->GradVertical(); }
    void setColorsGradVertical(bool on) { m_colors->setGradVertical(on); }
    bool PressedColorsGradation() const { return m_pressedColors->Gradation(); }
    void setPressedColorsGradation(bool on) { m_pressedColors->setGradation(on); }
    bool PressedColorsGradVertical() const { return m_pressedColors->GradVertical(); }
    void setPressedColorsGradVertical(bool on) { m_pressedColors->setGradVertical(on); }
};
