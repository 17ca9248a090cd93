#include "media/MoviePlayback.h"
#include "media/QtImage.h"

#include "media/movie/MovieFile.h"
#include "media/movie/MovieReader.h"

#include <QThread>
#include <QTimer>

#include <algorithm>

class MoviePlayback::Worker : public QObject {
    Q_OBJECT
public:
    Worker() : m_timer(new QTimer(this))
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        connect(m_timer, &QTimer::timeout, this, &Worker::Tick);
    }

    void Open(const std::shared_ptr<const media::MovieFile>& file)
    {
        m_timer->stop();
        auto opened = media::MovieReader::Open(file, media::MovieReader::Options{});
        m_reader = opened ? std::move(*opened) : nullptr;
        m_next = 0;
        if (!m_reader)
            return;
        const double fps = m_reader->FrameRate();
        m_timer->setInterval(fps > 0 ? std::clamp(int(1000.0 / fps + 0.5), 5, 2000) : 40);
        ShowNext();
        m_timer->start();
    }
    Q_INVOKABLE void Close()
    {
        m_timer->stop();
        m_reader.reset();
    }
    Q_INVOKABLE void Play()
    {
        if (m_reader)
            m_timer->start();
    }
    Q_INVOKABLE void Pause() { m_timer->stop(); }
    Q_INVOKABLE void Stop()
    {
        m_timer->stop();
        m_next = 0;
        if (m_reader)
            ShowNext();
    }

signals:
    void Picture(const QImage& picture);

private:
    QTimer* m_timer;
    std::unique_ptr<media::MovieReader> m_reader;
    int m_next = 0;
    media::Image m_rgb;

    void Tick()
    {
        if (!m_reader)
            return;
        // A movie that went away stops quietly; whoever needs its frames next says so.
        if (m_reader->File()->Check() != media::MovieFile::Presence::Same) {
            m_timer->stop();
            return;
        }
        ShowNext();
    }

    void ShowNext()
    {
        if (m_next >= m_reader->PositionCount())
            m_next = 0; // loop
        if (m_reader->ReadFrame(m_next, m_rgb))
            emit Picture(QImageFromImage(m_rgb));
        ++m_next;
    }
};

MoviePlayback::MoviePlayback() : m_thread(new QThread), m_worker(new Worker)
{
    m_worker->moveToThread(m_thread);
    connect(m_worker, &Worker::Picture, this, &MoviePlayback::Picture, Qt::QueuedConnection);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

MoviePlayback::~MoviePlayback()
{
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void MoviePlayback::Open(std::shared_ptr<const media::MovieFile> file)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, file = std::move(file)] { worker->Open(file); });
}
void MoviePlayback::Close() { QMetaObject::invokeMethod(m_worker, "Close"); }
void MoviePlayback::Play() { QMetaObject::invokeMethod(m_worker, "Play"); }
void MoviePlayback::Pause() { QMetaObject::invokeMethod(m_worker, "Pause"); }
void MoviePlayback::Stop() { QMetaObject::invokeMethod(m_worker, "Stop"); }

#include "MoviePlayback.moc"
