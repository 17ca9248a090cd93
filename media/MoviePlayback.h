#pragma once
// Plays a movie for a view: its own reader on its own thread, so that decoding
// never holds up the window and never disturbs frame access. Pictures arrive
// through the `Picture` signal at the movie's frame rate; the movie loops.
#include <QImage>
#include <QObject>

class QThread;
class QTimer;
namespace media {
class MovieReader;
}

class MoviePlayback : public QObject {
    Q_OBJECT
public:
    MoviePlayback();
    ~MoviePlayback() override;

    // All of these return at once; the work happens on the playback thread.
    void Open(const QString& path); // shows the first picture and starts playing
    void Close();
    void Play();
    void Pause();
    void Stop(); // back to the first picture, not playing

signals:
    void Picture(const QImage& picture);

private:
    class Worker;
    QThread* m_thread;
    Worker* m_worker;
};
