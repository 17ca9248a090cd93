#pragma once
// A panel-shaped graphic filled with a two-colour gradient, with an optional outline.
#include "framework/Color.h"

#include <QWidget>

class TGradBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString TopColor READ TopColorText WRITE setTopColor)
    Q_PROPERTY(QString LastColor READ LastColorText WRITE setLastColor)
    Q_PROPERTY(TGradStyle GradStyle READ GradStyle WRITE setGradStyle)
    Q_PROPERTY(bool DrawOutLine READ DrawOutLine WRITE setDrawOutLine)
    Q_PROPERTY(QString OutLineColor READ OutLineColorText WRITE setOutLineColor)
public:
    enum TGradStyle { gsTopBottom, gsBottomTop, gsLeftRight, gsRightLeft, gsNone };
    Q_ENUM(TGradStyle)

    explicit TGradBox(QWidget* parent = nullptr);

    TColor TopColor() const { return m_topColor; }
    void setTopColor(TColor color);
    void setTopColor(const QString& color);
    QString TopColorText() const;
    TColor LastColor() const { return m_lastColor; }
    void setLastColor(TColor color);
    void setLastColor(const QString& color);
    QString LastColorText() const;
    TGradStyle GradStyle() const { return m_style; }
    void setGradStyle(TGradStyle style);
    bool DrawOutLine() const { return m_drawOutLine; }
    void setDrawOutLine(bool on);
    TColor OutLineColor() const { return m_outLineColor; }
    void setOutLineColor(TColor color);
    void setOutLineColor(const QString& color);
    QString OutLineColorText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor m_topColor = clBlue;
    TColor m_lastColor = clBlack;
    TGradStyle m_style = gsTopBottom;
    bool m_drawOutLine = false;
    TColor m_outLineColor = clBlack;
};
