#pragma once
// The movie play control as the windows see it: open a movie by name, report its
// length and picture size, play, pause, stop, and put any frame on the clipboard.
// The view plays from its own reader; frame access has another, so neither
// disturbs the other.
#include <QImage>
#include <QWidget>

#include "media/movie/MovieFile.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class MoviePlayback;
namespace media {
class MovieReader;
struct Image;
}

class TGKitMSPlay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
public:
    explicit TGKitMSPlay(QWidget* parent = nullptr);
    ~TGKitMSPlay() override;

    QString FileName() const { return m_fileName; }
    // Opens the movie and starts it playing. A file that cannot be opened raises
    // fw::Exception naming the file and the reason, and leaves the control empty.
    void setFileName(const QString& fileName);
    // Opens the movie `other` has open, through the file it opened (the path is not
    // looked up again), and starts it playing.
    void ShareMovie(const TGKitMSPlay& other);
    // The position of the last frame: frames are 0 to Length.
    int Length() const;
    // The time frame `frame` is shown at, in seconds after the first picture (0 without
    // a movie).
    double FrameTime(int frame) const;
    // Every frame's time, and the positions of the key pictures (read once a movie).
    const std::vector<double>& FrameTimes() const;
    const std::vector<int>& KeyPositions() const;
    short MovieWidth() const;
    short MovieHeight() const;

    bool Play();
    bool Pause();
    bool Stop();
    // Puts frame `frame` on the clipboard as a picture; false, with the clipboard
    // emptied, when the frame cannot be had.
    bool CopyToClipboard(int frame);
    // Hands frame `frame` over inside the program, leaving the user's clipboard alone;
    // false (and `picture` emptied) when the frame cannot be had.
    bool CopyFrame(int frame, media::Image& picture);

    bool Playing() const { return m_playing; }
    // Whether a movie is open (a failed open leaves none).
    bool HasMovie() const { return m_access != nullptr; }
    // The file the movie was opened from (null without a movie): a run reads it through
    // the same descriptor.
    std::shared_ptr<const media::MovieFile> OpenFile() const;
    // Whether the movie's path still names the file that was opened, as it was
    // (Same when no movie is open).
    media::MovieFile::Presence MoviePresence() const;
    // The picture the view shows now (null before the first one arrives).
    const QImage& ShownPicture() const { return m_shown; }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_fileName;
    void Close(const QString& fileName);
    // Plays the movie just opened; raises fw::Exception with `openError` when none was.
    void StartPlaying(const std::string& openError);
    // The pixels the view has: its pictures need be no larger.
    QSize ViewSize() const;
    std::unique_ptr<media::MovieReader> m_access;
    mutable std::vector<double> m_times; // each frame's time, once asked for
    mutable std::optional<std::vector<int>> m_keys; // the key pictures, once asked for
    std::unique_ptr<MoviePlayback> m_playback;
    QImage m_shown;
    bool m_playing = false;
};
