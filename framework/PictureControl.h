#pragma once
// A picture drawn on its parent: shown at its own size or stretched, optionally
// see-through where it has the colour of its bottom-left pixel.
#include "framework/CanvasFont.h"

#include <QImage>
#include <QWidget>

namespace fw {

class TImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString PictureFile READ PictureFile WRITE setPictureFile)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
public:
    explicit TImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    // The picture as a drawing surface; made at the control's size when empty.
    QImage& Bitmap();
    void Clear();
    // The font text is drawn in on the picture (the canvas's font).
    TCanvasFont& CanvasFont() { return m_canvasFont; }
    // Shows what was drawn on the picture at once (not on the next paint).
    void RepaintNow();

    QString PictureFile() const { return m_pictureFile; }
    void setPictureFile(const QString& file);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool on);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);

signals:
    void OnMouseDown();
    void OnMouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    QImage m_shown; // the picture with its see-through colour made transparent
    QString m_pictureFile;
    bool m_stretch = false;
    bool m_transparent = false;
    TCanvasFont m_canvasFont;
    void Prepare();
};

// The picture with every pixel of its bottom-left pixel's colour made transparent.
QImage SeeThroughBottomLeft(const QImage& picture);

} // namespace fw
