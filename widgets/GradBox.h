#pragma once
// A panel-shaped graphic filled with a 256-band linear gradient in one of four
// directions, an optional outline, and an optional caption, plain or in 3-D.
#include "framework/Color.h"

#include <QWidget>

#include <array>

class TGradBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int CaptionLeft READ CaptionLeft WRITE setCaptionLeft)
    Q_PROPERTY(int CaptionTop READ CaptionTop WRITE setCaptionTop)
    Q_PROPERTY(QString TopColor READ TopColorText WRITE setTopColor)
    Q_PROPERTY(QString LastColor READ LastColorText WRITE setLastColor)
    Q_PROPERTY(QString OutLineColor READ OutLineColorText WRITE setOutLineColor)
    Q_PROPERTY(bool DrawOutLine READ DrawOutLine WRITE setDrawOutLine)
    Q_PROPERTY(TGradStyle GradStyle READ GradStyle WRITE setGradStyle)
    Q_PROPERTY(bool Font3D READ Font3D WRITE setFont3D)
    Q_PROPERTY(int FontDepth READ FontDepth WRITE setFontDepth)
    Q_PROPERTY(TFontStyle3D Style3D READ Style3D WRITE setStyle3D)
    Q_PROPERTY(QString BackFont READ BackFontText WRITE setBackFont)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString FontColor READ FontColorText WRITE setFontColor)
public:
    enum TGradStyle { gsTopBottom, gsBottomTop, gsLeftRight, gsRightLeft, gsNone };
    Q_ENUM(TGradStyle)
    enum TFontStyle3D { fsLowShadow, fsRaiseShadow, fsLow3D, fsRaise3D };
    Q_ENUM(TFontStyle3D)

    explicit TGradBox(QWidget* parent = nullptr);

    int CaptionLeft() const { return m_captionLeft; }
    void setCaptionLeft(int v);
    int CaptionTop() const { return m_captionTop; }
    void setCaptionTop(int v);
    TColor TopColor() const { return m_topColor; }
    void setTopColor(TColor color);
    void setTopColor(const QString& color);
    QString TopColorText() const;
    TColor LastColor() const { return m_lastColor; }
    void setLastColor(TColor color);
    void setLastColor(const QString& color);
    QString LastColorText() const;
    TColor OutLineColor() const { return m_outLineColor; }
    // Repaints only when the outline is drawn.
    void setOutLineColor(TColor color);
    void setOutLineColor(const QString& color);
    QString OutLineColorText() const;
    bool DrawOutLine() const { return m_drawOutLine; }
    void setDrawOutLine(bool on);
    TGradStyle GradStyle() const { return m_style; }
    void setGradStyle(TGradStyle style);
    bool Font3D() const { return m_font3D; }
    void setFont3D(bool on);
    int FontDepth() const { return m_fontDepth; }
    // Repaints only when the caption is drawn in 3-D.
    void setFontDepth(int depth);
    TFontStyle3D Style3D() const { return m_style3D; }
    void setStyle3D(TFontStyle3D style);
    TColor BackFont() const { return m_backFont; }
    void setBackFont(TColor color);
    void setBackFont(const QString& color);
    QString BackFontText() const;
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor color);
    void setFontColor(const QString& color);
    QString FontColorText() const;

    // The 256 band colours: entry 0 the start colour, 255 the end colour (both as given,
    // system colours staying symbolic), the rest stepped between them.
    std::array<TColor, 256> ColourTable() const;

signals:
    void OnPaint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int m_captionLeft = 10;
    int m_captionTop = 10;
    TColor m_topColor = clGreen;
    TColor m_lastColor = clLime;
    TColor m_outLineColor = clBlack;
    bool m_drawOutLine = false;
    TGradStyle m_style = gsTopBottom;
    bool m_font3D = false;
    int m_fontDepth = 1;
    TFontStyle3D m_style3D = fsRaise3D;
    TColor m_backFont = clYellow;
    QString m_caption;
    TColor m_fontColor = clWindowText;

    void DrawCaptionText(class QPainter& p, QRect r);
};
