#include "media/MoviePlayback.h"
#include "media/QtImage.h"

#include "media/movie/MovieFile.h"
#include "media/movie/MovieReader.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <malloc.h>
#include <vector>

namespace {

// The share of one core playback may use.
constexpr double kCoreShare = 0.08;

// CPU seconds this thread has used (the decoder works on it: one thread).
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

} // namespace

class MoviePlayback::Worker : public QObject {
    Q_OBJECT
public:
    Worker() : m_timer(new QTimer(this))
    {
        m_timer->setTimerType(Qt::PreciseTimer);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, &Worker::Tick);
    }

    void Open(std::unique_ptr<media::MovieReader> reader, QSize view)
    {
        m_timer->stop();
        m_playing = false;
        m_reader = std::move(reader);
        m_times.clear();
        m_keys.clear();
        m_keysOnly = false;
        m_frameCost = 0;
        m_costed = 0;
        if (!m_reader)
            return;
        m_view = view;
        m_reader->FitInside(view.width(), view.height());
        m_times = m_reader->PresentationTimes();
        const double fps = m_reader->FrameRate();
        m_frameInterval = fps > 0 ? std::clamp(1.0 / fps, 0.005, 2.0) : 0.04;
        Rewind();
        Play();
    }
    void FitInside(QSize view)
    {
        m_view = view;
        if (m_reader)
            m_reader->FitInside(view.width(), view.height());
    }
    Q_INVOKABLE void Close()
    {
        m_timer->stop();
        m_playing = false;
        m_reader.reset();
    }
    Q_INVOKABLE void Play()
    {
        if (!m_reader || m_playing)
            return;
        m_playing = true;
        m_sinceTick.start();
        m_timer->start(int(m_frameInterval * 1000 + 0.5));
    }
    Q_INVOKABLE void Pause()
    {
        m_timer->stop();
        m_playing = false;
    }
    Q_INVOKABLE void Stop()
    {
        Pause();
        if (m_reader)
            Rewind();
    }

signals:
    void Picture(const QImage& picture);

private:
    QTimer* m_timer;
    std::unique_ptr<media::MovieReader> m_reader;
    std::vector<double> m_times; // each position's time
    std::vector<int> m_keys;     // the key pictures, once playing every picture is too dear
    double m_frameInterval = 0.04;
    QSize m_view;
    bool m_playing = false;
    QElapsedTimer m_sinceTick;
    double m_clock = 0; // where in the movie playback is, in seconds
    int m_shown = -1;   // the position shown
    bool m_keysOnly = false;
    double m_frameCost = 0; // CPU seconds a picture read in order costs, on average
    int m_costed = 0;       // pictures read in order so far

    double Duration() const { return m_times.empty() ? 0 : m_times.back() + m_frameInterval; }

    void Rewind()
    {
        m_clock = 0;
        m_shown = -1;
        Show(0);
    }

    // Shows `position` (a key picture read alone: nothing else decoded); the CPU
    // seconds it took.
    double Show(int position, bool key = false)
    {
        const double before = ThreadSeconds();
        media::Image rgb;
        if ((key && m_reader->ReadKeyPicture(position, rgb)) || m_reader->ReadFrame(position, rgb))
            emit Picture(QImageFromImage(rgb));
        m_shown = position;
        return ThreadSeconds() - before;
    }

    void Tick()
    {
        if (!m_reader || !m_playing)
            return;
        // A movie that went away stops quietly; whoever needs its frames next says so.
        if (m_reader->File()->Check() != media::MovieFile::Presence::Same) {
            m_playing = false;
            return;
        }
        const int count = int(m_times.size());
        if (count == 0)
            return;
        m_clock += m_sinceTick.restart() / 1000.0;
        if (m_clock >= Duration())
            m_clock = 0, m_shown = -1; // loop
        double wait = m_frameInterval;
        if (!m_keysOnly) {
            // Every picture in order, at the movie's rate; the clock follows them.
            const int next = m_shown + 1 < count ? m_shown + 1 : 0;
            const double cost = Show(next);
            m_clock = m_times[std::size_t(next)];
            m_frameCost = m_costed == 0 ? cost : 0.8 * m_frameCost + 0.2 * cost;
            // After a few pictures, the cost of playing them all is known.
            if (++m_costed >= 8 && m_frameCost / m_frameInterval > kCoreShare)
                ToKeyPictures();
            if (next + 1 < count)
                wait = std::max(0.0, m_times[std::size_t(next) + 1] - m_times[std::size_t(next)]);
        } else {
            wait = ShowKeyPicture();
        }
        m_timer->start(int(std::clamp(wait, 0.005, 2.0) * 1000 + 0.5));
    }

    // From now on the key pictures only. A fresh twin of the reader, which has decoded
    // nothing, holds none of the pictures reading in order kept.
    void ToKeyPictures()
    {
        m_keysOnly = true;
        m_keys = m_reader->KeyPositions();
        if (auto fresh = m_reader->Twin(ReaderOptions())) {
            (*fresh)->FitInside(m_view.width(), m_view.height());
            m_reader = std::move(*fresh);
        }
        malloc_trim(0); // the whole pictures read so far are given back to the system
    }

    // The key picture shown at the clock, read unless it is shown already; how long
    // until the next one, kept far enough apart that playback stays within its share.
    double ShowKeyPicture()
    {
        if (m_keys.empty())
            m_keys = {0};
        // The last key picture at or before the clock.
        auto at = std::upper_bound(m_keys.begin(), m_keys.end(), m_clock,
                                   [&](double clock, int key) { return clock < m_times[std::size_t(key)]; });
        const int key = at == m_keys.begin() ? m_keys.front() : *(at - 1);
        double cost = 0;
        if (key != m_shown)
            cost = Show(key, true);
        const double next = at == m_keys.end() ? Duration() : m_times[std::size_t(*at)];
        return std::max({next - m_clock, cost / kCoreShare, m_frameInterval});
    }
};

media::MovieReader::Options MoviePlayback::ReaderOptions()
{
    media::MovieReader::Options preview;
    preview.decoderThreads = 1;
    preview.preview = true;
    return preview;
}

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

void MoviePlayback::Open(std::unique_ptr<media::MovieReader> reader, QSize view)
{
    // Handed over to the playback thread, which alone uses it from now on.
    auto handed = std::make_shared<std::unique_ptr<media::MovieReader>>(std::move(reader));
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, handed, view] { worker->Open(std::move(*handed), view); });
}
void MoviePlayback::Close() { QMetaObject::invokeMethod(m_worker, "Close"); }
void MoviePlayback::Play() { QMetaObject::invokeMethod(m_worker, "Play"); }
void MoviePlayback::Pause() { QMetaObject::invokeMethod(m_worker, "Pause"); }
void MoviePlayback::Stop() { QMetaObject::invokeMethod(m_worker, "Stop"); }
void MoviePlayback::FitInside(QSize view)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, view] { worker->FitInside(view); });
}

#include "MoviePlayback.moc"
