#pragma once
// The image edit control as the main window hosts it: the control's behaviour
// (media::ImageEditControl) with Qt's strings and the system clipboard. It is never
// seen; the conversion run drives it.
#include "media/QtImage.h"
#include "media/editor/ImageEditControl.h"

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

    int Interpolation() const { return m_control.Interpolation(); }
    void setInterpolation(int value) { m_control.SetInterpolation(value); }
    int SaveInterlacedImage() const { return m_control.SaveInterlacedImage(); }
    void setSaveInterlacedImage(int value) { m_control.SetSaveInterlacedImage(value); }
    int SaveMediaFormat() const { return m_control.SaveMediaFormat(); }
    void setSaveMediaFormat(int value) { m_control.SetSaveMediaFormat(value); }
    short SaveQuality() const { return short(m_control.SaveQuality()); }
    void setSaveQuality(short value) { m_control.SetSaveQuality(value); }
    bool AspectRatio() const { return m_control.AspectRatio(); }
    void setAspectRatio(bool on) { m_control.SetAspectRatio(on); }
    QString InputFileName() const { return QString::fromStdString(m_control.InputFileName()); }
    void setInputFileName(const QString& name) { m_control.SetInputFileName(name.toStdString()); }
    int ImageWidth() const { return m_control.ImageWidth(); }
    int ImageHeight() const { return m_control.ImageHeight(); }

    bool Load() { return m_control.Load(); }
    // The clipboard's picture; an empty clipboard leaves no picture.
    bool CreateFromClipboard();
    bool ChangeColorDepth(short code) { return m_control.ChangeColorDepth(code); }
    bool AdjustBrightness(short value, short mode) { return m_control.AdjustBrightness(value, mode); }
    bool RotateArbitrary(short degrees) { return m_control.RotateArbitrary(degrees); }
    bool ResizeImage(int width, int height) { return m_control.ResizeImage(width, height); }
    bool Save(const QString& path) { return m_control.Save(path.toStdString()); }

    QString LastError() const { return QString::fromStdString(m_control.LastError()); }
    const media::ImageEditor& Editor() const { return m_control.Editor(); }
    media::ImageEditControl& Control() { return m_control; }

private:
    media::ImageEditControl m_control;
};
