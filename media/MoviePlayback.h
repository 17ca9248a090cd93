#pragma once
// Plays a movie for a view: its own reader on its own thread, so that decoding
// never holds up the window and never disturbs frame access. Pictures arrive
// through the `Picture` signal, made no larger than the view; the movie loops until
// its file is moved, deleted or replaced.
//
// A view is not worth a core: playback keeps to a small share of one. It plays every
// picture while that costs little (small movies, most AVIs); where it would cost more
// (a phone's 1080p movie), it shows the key pictures, each at its own time, which
// need no others decoded, and spaces them out further where even they are dear.
#include <QImage>
#include <QObject>
#include <QSize>

#include <memory>

#include "media/movie/MovieReader.h"

class QThread;

class MoviePlayback : public QObject {
    Q_OBJECT
public:
    MoviePlayback();
    ~MoviePlayback() override;

    // How the reader given to Open reads: one thread, the codec's shortcuts.
    static media::MovieReader::Options ReaderOptions();

    // All of these return at once; the work happens on the playback thread.
    // Takes `reader` (one of its own, made for previewing), shows the first picture
    // no larger than `view` and starts playing. When the movie's path no longer names
    // the file it was opened from, playback stops.
    void Open(std::unique_ptr<media::MovieReader> reader, QSize view);
    void Close();
    void Play();
    void Pause();
    void Stop(); // back to the first picture, not playing
    // The view's new size: later pictures are made for it.
    void FitInside(QSize view);

signals:
    void Picture(const QImage& picture);

private:
    class Worker;
    QThread* m_thread;
    Worker* m_worker;
};
