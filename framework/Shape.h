#pragma once
// A rectangle, rounded rectangle or ellipse drawn on the parent with a pen and a brush.
#include "framework/Color.h"

#include <QWidget>

namespace fw {

class TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TShapeType Shape READ Shape WRITE setShape)
    Q_PROPERTY(QString PenColor READ PenColorText WRITE setPenColor)
    Q_PROPERTY(QString BrushColor READ BrushColorText WRITE setBrushColor)
    Q_PROPERTY(bool BrushClear READ BrushClear WRITE setBrushClear)
public:
    enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
    Q_ENUM(TShapeType)

    explicit TShape(QWidget* parent = nullptr);

    TShapeType Shape() const { return m_shape; }
    void setShape(TShapeType shape);
    TColor PenColor() const { return m_penColor; }
    void setPenColor(TColor color);
    void setPenColor(const QString& color);
    QString PenColorText() const;
    TColor BrushColor() const { return m_brushColor; }
    void setBrushColor(TColor color);
    void setBrushColor(const QString& color);
    QString BrushColorText() const;
    bool BrushClear() const { return m_brushClear; }
    void setBrushClear(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TShapeType m_shape = stRectangle;
    TColor m_penColor = clBlack;
    TColor m_brushColor = clWhite;
    bool m_brushClear = false;
};

} // namespace fw
