#include "media/GKitMSPlay.h"

#include <QMouseEvent>
#include <QPainter>

TGKitMSPlay::TGKitMSPlay(QWidget* parent) : QWidget(parent) { setCursor(Qt::PointingHandCursor); }

TGKitMSPlay::~TGKitMSPlay() = default;

void TGKitMSPlay::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    m_length = 0;
    m_movieWidth = 0;
    m_movieHeight = 0;
    m_playing = !fileName.isEmpty();
    update();
}

bool TGKitMSPlay::Play()
{
    m_playing = !m_fileName.isEmpty();
    return m_playing;
}

bool TGKitMSPlay::Pause()
{
    m_playing = false;
    return true;
}

bool TGKitMSPlay::Stop()
{
    m_playing = false;
    return true;
}

bool TGKitMSPlay::CopyToClipboard(int)
{
    return false;
}

void TGKitMSPlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

void TGKitMSPlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit OnClick();
}
