#pragma once
// The image edit control as the conversion run sees it: one picture, loaded from a
// file or the clipboard, processed, and saved in the chosen format. The work is the
// image edit engine's (media/image); this control only speaks the run's language.
#include "media/image/ImageEditor.h"

#include <QString>
#include <QWidget>

class TGKitImageEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Interpolation READ Interpolation WRITE setInterpolation)
    Q_PROPERTY(int SaveInterlacedImage READ SaveInterlacedImage WRITE setSaveInterlacedImage)
    Q_PROPERTY(int SaveMediaFormat READ SaveMediaFormat WRITE setSaveMediaFormat)
    Q_PROPERTY(short SaveQuality READ SaveQuality WRITE setSaveQuality)
    Q_PROPERTY(bool AspectRatio READ AspectRatio WRITE setAspectRatio)
    Q_PROPERTY(QString InputFileName READ InputFileName WRITE setInputFileName)
public:
    explicit TGKitImageEdit(QWidget* parent = nullptr);
    ~TGKitImageEdit() override;

    // 0 nearest, 1 bilinear, 2 Lanczos-3; anything else is refused (fw::Exception).
    int Interpolation() const { return m_interpolation; }
    void setInterpolation(int value);
    // 1 baseline / non-interlaced, 2 progressive / interlaced; others refused.
    int SaveInterlacedImage() const { return m_saveInterlaced; }
    void setSaveInterlacedImage(int value);
    // 101 BMP, 102 TIFF, 103 JPEG, 104 PCX, 106 PNG; others refused.
    int SaveMediaFormat() const { return m_saveFormat; }
    void setSaveMediaFormat(int value);
    // 1 (smallest) .. 10 (best); others refused.
    short SaveQuality() const { return m_saveQuality; }
    void setSaveQuality(short value);
    bool AspectRatio() const { return m_aspectRatio; }
    void setAspectRatio(bool on) { m_aspectRatio = on; }
    QString InputFileName() const { return m_inputFileName; }
    void setInputFileName(const QString& name) { m_inputFileName = name; }
    int ImageWidth() const { return m_editor.Current().width; }
    int ImageHeight() const { return m_editor.Current().height; }

    // Each returns false when it could not do its work; Load and CreateFromClipboard
    // then leave the control without a picture, so nothing stale is ever saved.
    bool Load();
    bool CreateFromClipboard();
    bool ChangeColorDepth(short code);
    bool AdjustBrightness(short value, short mode);
    bool RotateArbitrary(short degrees);
    bool ResizeImage(int width, int height);
    bool Save(const QString& path);

    // Why the last method failed (empty after a success).
    const QString& LastError() const { return m_lastError; }
    const media::ImageEditor& Editor() const { return m_editor; }

private:
    media::ImageEditor m_editor;
    int m_interpolation = 2;
    int m_saveInterlaced = 1;
    int m_saveFormat = 101;
    short m_saveQuality = 8;
    bool m_aspectRatio = false;
    QString m_inputFileName;
    QString m_lastError;

    bool Done(bool ok, const char* what);
};

// The engine's picture from a Qt image and back.
media::Image ImageFromQImage(const QImage& image);
QImage QImageFromImage(const media::Image& image);
