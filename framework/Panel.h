#pragma once
// A plain child window filled with one colour, optionally with a lowered or raised
// bevel; it takes the mouse for the controls on it.
#include "framework/Color.h"

#include <QWidget>

namespace fw {

class TPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Color READ ColorText WRITE setColor)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE setBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)
public:
    enum TBevelCut { bvNone, bvLowered, bvRaised };
    Q_ENUM(TBevelCut)

    explicit TPanel(QWidget* parent = nullptr);

    TColor Color() const { return m_color; }
    void setColor(TColor color);
    void setColor(const QString& color);
    QString ColorText() const;
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(TBevelCut cut);
    int BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    // A panel is a window of its own: a press on it is its own, never passed on to
    // the form (where it would start dragging the form).
    void mousePressEvent(QMouseEvent* event) override;

private:
    TColor m_color = clBtnFace;
    TBevelCut m_bevelOuter = bvNone;
    int m_bevelWidth = 1;
};

// Draws a 3-D frame of `width` pixels inside `r`: top-left in `topLeft`, bottom-right in `bottomRight`.
void Frame3D(class QPainter& p, QRect r, TColor topLeft, TColor bottomRight, int width);

} // namespace fw
