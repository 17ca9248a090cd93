#pragma once
// The movie play control as the windows see it: open a movie by name, report its
// length and picture size, play, pause, stop, and put any frame on the clipboard.
#include <QWidget>

class TGKitMSPlay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
public:
    explicit TGKitMSPlay(QWidget* parent = nullptr);
    ~TGKitMSPlay() override;

    QString FileName() const { return m_fileName; }
    void setFileName(const QString& fileName);
    // The position of the last frame: frames are 0 to Length.
    int Length() const { return m_length; }
    short MovieWidth() const { return m_movieWidth; }
    short MovieHeight() const { return m_movieHeight; }

    bool Play();
    bool Pause();
    bool Stop();
    bool CopyToClipboard(int frame);

    bool Playing() const { return m_playing; }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_fileName;
    int m_length = 0;
    short m_movieWidth = 0;
    short m_movieHeight = 0;
    bool m_playing = false;
};
