#include "framework/PictureControl.h"

#include "framework/StoreIfChanged.h"
#include "framework/GraphicControl.h"

#include <QMouseEvent>
#include <QPainter>

namespace fw {

TImage::TImage(QWidget* parent) : QWidget(parent) { MarkGraphicControl(this); }

void TImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    Prepare();
}

QImage& TImage::Bitmap()
{
    if (m_picture.isNull()) {
        m_picture = QImage(size(), QImage::Format_RGB32);
        m_picture.fill(Qt::white);
    }
    // The caller draws on it; what is shown is refreshed on the next paint.
    m_shown = QImage();
    return m_picture;
}

void TImage::RepaintNow()
{
    m_shown = QImage();
    repaint();
}

void TImage::Clear()
{
    m_picture = QImage();
    m_shown = QImage();
    update();
}

void TImage::setPictureFile(const QString& file)
{
    m_pictureFile = file;
    setPicture(file.isEmpty() ? QImage() : QImage(file));
}

void TImage::setStretch(bool on)
{
    if (fw::StoreIfChanged(m_stretch, on))
        update();
}

void TImage::setTransparent(bool on)
{
    if (on == m_transparent)
        return;
    m_transparent = on;
    Prepare();
}

void TImage::Prepare()
{
    m_shown = QImage();
    update();
}

QImage SeeThroughBottomLeft(const QImage& picture)
{
    QImage shown = picture.convertToFormat(QImage::Format_ARGB32);
    if (shown.isNull())
        return shown;
    const QRgb key = shown.pixel(0, shown.height() - 1);
    for (int y = 0; y < shown.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if (line[x] == key)
                line[x] = 0;
    }
    return shown;
}

void TImage::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    if (m_shown.isNull()) {
        m_shown = m_transparent ? SeeThroughBottomLeft(m_picture) : m_picture;
    }
    QPainter p(this);
    if (m_stretch) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(rect(), m_shown);
    } else {
        p.drawImage(0, 0, m_shown);
    }
}

void TImage::mousePressEvent(QMouseEvent* event)
{
    emit OnMouseDown();
    event->accept();
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    emit OnMouseUp();
    event->accept();
}

} // namespace fw
