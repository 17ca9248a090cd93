#pragma once
// Plays a movie for a view: its own reader on its own thread, so that decoding
// never holds up the window and never disturbs frame access. Pictures arrive
// through the `Picture` signal at the movie's frame rate; the movie loops until its
// file is moved, deleted or replaced.
#include <QImage>
#include <QObject>

#include <memory>

class QThread;
class QTimer;
namespace media {
class MovieFile;
class MovieReader;
}

class MoviePlayback : public QObject {
    Q_OBJECT
public:
    MoviePlayback();
    ~MoviePlayback() override;

    // All of these return at once; the work happens on the playback thread.
    // Shows the first picture and starts playing. The movie is read through the file
    // already opened; when its path no longer names that file, playback stops.
    void Open(std::shared_ptr<const media::MovieFile> file);
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
