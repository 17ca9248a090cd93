#pragma once
// The conversion settings as the run and the settings file see them: each field is
// the current value of one control of the main window, read and written through it.
#include "app/ConvertTypes.h"

#include <QString>
#include <QStringList>

class TChangeForm1;

class TConvertSettings {
public:
    explicit TConvertSettings(TChangeForm1& form) : m_form(form) {}

    TSourceMode SourceMode() const;
    QString MovieFile() const;
    void setMovieFile(const QString& path);
    QStringList ImageFiles() const;
    QString OutputFolder() const;
    void setOutputFolder(const QString& folder);
    int OutputFormat() const;
    void setOutputFormat(int index);
    int JpegQuality() const;
    void setJpegQuality(int index);
    int SaveForm() const;
    void setSaveForm(int index);
    int ColorDepth() const;
    void setColorDepth(int index);
    int Brightness() const;
    void setBrightness(int index);
    int Rotation() const;
    void setRotation(int index);
    int ResizeMode() const;
    void setResizeMode(int index);
    int ResizeWidth() const;
    void setResizeWidth(int value);
    int ResizeHeight() const;
    void setResizeHeight(int value);
    int ScalePercent() const;
    void setScalePercent(int value);
    int StartFrame() const;
    void setStartFrame(int value);
    int EndFrame() const;
    void setEndFrame(int value);
    int FrameStep() const;
    void setFrameStep(int value);

private:
    TChangeForm1& m_form;
};
