#pragma once
// The conversion settings as the run and the settings file see them: each field is
// the current value of one control of the main window's layout, read and written
// through it, in the engine's terms; nothing where a list has no entry selected.
// It knows the layout's controls, not the window that holds them.
#include "engine/PictureSettings.h"

#include <optional>

#include <QString>
#include <QStringList>

namespace Ui {
class ChangeForm1;
}

// Where a run takes its pictures from: one movie, or the list of images.
enum TSourceMode { smMovie, smImages };

class TConvertSettings {
public:
    explicit TConvertSettings(Ui::ChangeForm1& form) : m_form(form) {}

    TSourceMode SourceMode() const;
    QString MovieFile() const;
    void setMovieFile(const QString& path);
    QStringList ImageFiles() const;
    QString OutputFolder() const;
    void setOutputFolder(const QString& folder);
    std::optional<conv::OutputFormat> OutputFormat() const;
    void setOutputFormat(std::optional<conv::OutputFormat> format);
    std::optional<int> JpegQuality() const;
    void setJpegQuality(std::optional<int> quality);
    std::optional<bool> Progressive() const;
    void setProgressive(std::optional<bool> on);
    std::optional<conv::ColourDepth> ColorDepth() const;
    void setColorDepth(std::optional<conv::ColourDepth> depth);
    std::optional<int> Brightness() const; // the step
    void setBrightness(std::optional<int> step);
    std::optional<conv::Rotation> Rotation() const;
    void setRotation(std::optional<conv::Rotation> rotation);
    std::optional<conv::ResizeMode> ResizeMode() const;
    void setResizeMode(std::optional<conv::ResizeMode> mode);
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
    Ui::ChangeForm1& m_form;
};
