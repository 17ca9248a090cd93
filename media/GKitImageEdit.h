#pragma once
// The image edit control as the conversion run sees it: one image, loaded from a
// file or the clipboard, processed, and saved in the chosen format.
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

    int Interpolation() const { return m_interpolation; }
    void setInterpolation(int value) { m_interpolation = value; }
    int SaveInterlacedImage() const { return m_saveInterlaced; }
    void setSaveInterlacedImage(int value) { m_saveInterlaced = value; }
    int SaveMediaFormat() const { return m_saveFormat; }
    void setSaveMediaFormat(int value) { m_saveFormat = value; }
    short SaveQuality() const { return m_saveQuality; }
    void setSaveQuality(short value) { m_saveQuality = value; }
    bool AspectRatio() const { return m_aspectRatio; }
    void setAspectRatio(bool on) { m_aspectRatio = on; }
    QString InputFileName() const { return m_inputFileName; }
    void setInputFileName(const QString& name) { m_inputFileName = name; }
    int ImageWidth() const;
    int ImageHeight() const;

    bool Load();
    bool CreateFromClipboard();
    bool ChangeColorDepth(short code);
    bool AdjustBrightness(short value, short mode);
    bool RotateArbitrary(short degrees);
    bool ResizeImage(int width, int height);
    bool Save(const QString& path);

private:
    int m_interpolation = 0;
    int m_saveInterlaced = 1;
    int m_saveFormat = 101;
    short m_saveQuality = 8;
    bool m_aspectRatio = false;
    QString m_inputFileName;
};
