#include "media/GKitMSPlay.h"

#include "framework/Exception.h"
#include "media/MoviePlayback.h"
#include "media/QtImage.h"
#include "media/movie/MovieFile.h"
#include "media/movie/MovieReader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

TGKitMSPlay::TGKitMSPlay(QWidget* parent) : QWidget(parent), m_playback(std::make_unique<MoviePlayback>())
{
    setCursor(Qt::PointingHandCursor);
    connect(m_playback.get(), &MoviePlayback::Picture, this, [this](const QImage& picture) {
        m_shown = picture;
        update();
    });
}

TGKitMSPlay::~TGKitMSPlay() = default;

void TGKitMSPlay::setFileName(const QString& fileName)
{
    Close(fileName);
    if (fileName.isEmpty())
        return;
    // Two threads: thumbnails come quickly, and the pictures each decoding thread
    // keeps of its own are not kept for every core of the machine.
    media::MovieReader::Options options;
    options.decoderThreads = 2;
    auto opened = media::MovieReader::Open(fileName.toStdString(), options);
    m_access = opened ? std::move(*opened) : nullptr;
    m_times.clear();
    StartPlaying(opened.Message());
}

void TGKitMSPlay::ShareMovie(const TGKitMSPlay& other)
{
    Close(other.m_fileName);
    if (!other.m_access)
        return;
    auto opened = other.m_access->Twin(media::MovieReader::Options{});
    m_access = opened ? std::move(*opened) : nullptr;
    m_times.clear();
    StartPlaying(opened.Message());
}

void TGKitMSPlay::Close(const QString& fileName)
{
    m_playback->Close();
    m_access.reset();
    m_times.clear();
    m_shown = QImage();
    m_playing = false;
    m_fileName = fileName;
    update();
}

void TGKitMSPlay::StartPlaying(const std::string& openError)
{
    if (!m_access)
        throw fw::Exception(openError);
    // The view's reader takes the control's measures (nothing is read twice).
    auto twin = m_access->Twin(MoviePlayback::ReaderOptions());
    m_playback->Open(twin ? std::move(*twin) : nullptr, ViewSize());
    m_playing = true;
}

std::shared_ptr<const media::MovieFile> TGKitMSPlay::OpenFile() const
{
    return m_access ? m_access->File() : nullptr;
}

media::MovieFile::Presence TGKitMSPlay::MoviePresence() const
{
    return m_access ? m_access->File()->Check() : media::MovieFile::Presence::Same;
}

int TGKitMSPlay::Length() const { return m_access ? m_access->PositionCount() - 1 : 0; }

double TGKitMSPlay::FrameTime(int frame) const
{
    const std::vector<double>& times = FrameTimes();
    return frame >= 0 && std::size_t(frame) < times.size() ? times[std::size_t(frame)] : 0;
}

const std::vector<double>& TGKitMSPlay::FrameTimes() const
{
    if (m_access && m_times.empty())
        m_times = m_access->PresentationTimes();
    return m_times;
}

const std::vector<int>& TGKitMSPlay::KeyPositions() const
{
    if (!m_keys)
        m_keys = m_access ? m_access->KeyPositions() : std::vector<int>();
    return *m_keys;
}
short TGKitMSPlay::MovieWidth() const { return m_access ? short(m_access->Width()) : 0; }
short TGKitMSPlay::MovieHeight() const { return m_access ? short(m_access->Height()) : 0; }

bool TGKitMSPlay::Play()
{
    if (!m_access)
        return false;
    m_playback->Play();
    m_playing = true;
    return true;
}

bool TGKitMSPlay::Pause()
{
    m_playback->Pause();
    m_playing = false;
    return m_access != nullptr;
}

bool TGKitMSPlay::Stop()
{
    m_playback->Stop();
    m_playing = false;
    return m_access != nullptr;
}

bool TGKitMSPlay::CopyFrame(int frame, media::Image& picture)
{
    if (m_access && m_access->ReadFrame(frame, picture))
        return true;
    picture = media::Image();
    return false;
}

bool TGKitMSPlay::CopyToClipboard(int frame)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    media::Image rgb;
    if (!CopyFrame(frame, rgb)) {
        clipboard->clear();
        return false;
    }
    clipboard->setImage(QImageFromImage(rgb));
    return true;
}

QSize TGKitMSPlay::ViewSize() const { return size() * devicePixelRatioF(); }

void TGKitMSPlay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_playback->FitInside(ViewSize());
}

void TGKitMSPlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_shown.isNull())
        return;
    // The whole picture, as large as fits, keeping its proportions.
    QSize fitted = m_shown.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, m_shown);
}

void TGKitMSPlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit OnClick();
}
