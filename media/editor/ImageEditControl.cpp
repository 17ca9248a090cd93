#include "media/editor/ImageEditControl.h"

#include "framework/Exception.h"
#include "media/codecs/Formats.h"

namespace media {

namespace {
[[noreturn]] void Refuse(const char* property, int value)
{
    throw fw::Exception(std::string("ImageEdit: ") + property + " does not take the value " + std::to_string(value));
}
} // namespace

ImageFormat ImageEditControl::FormatForCode(int code)
{
    for (const FormatRow& row : kFormatRows)
        if (row.controlCode != 0 && row.controlCode == code)
            return row.format;
    return ImageFormat::Unknown;
}

int ImageEditControl::SaveCodeFor(ImageFormat format)
{
    return format == ImageFormat::Unknown ? 0 : FormatRowOf(format).controlCode;
}

void ImageEditControl::SetInterpolation(int value)
{
    if (value < 0 || value > 2)
        Refuse("Interpolation", value);
    m_interpolation = value;
}

void ImageEditControl::SetSaveInterlacedImage(int value)
{
    if (value < 0 || value > 2)
        Refuse("SaveInterlacedImage", value);
    m_saveInterlaced = value;
}

void ImageEditControl::SetSaveMediaFormat(int value)
{
    if (FormatForCode(value) == ImageFormat::Unknown)
        Refuse("SaveMediaFormat", value);
    m_saveFormat = value;
}

void ImageEditControl::SetSaveQuality(int value)
{
    if (value < 0 || value > 10)
        Refuse("SaveQuality", value);
    m_saveQuality = value;
}

bool ImageEditControl::Done(bool ok, const char* what)
{
    if (ok)
        m_lastError.clear();
    else if (m_lastError.empty())
        m_lastError = what;
    return ok;
}

bool ImageEditControl::Load()
{
    const Result<void> loaded = m_editor.Load(m_inputFileName, m_loadReduction);
    m_lastError = loaded.Message();
    return Done(bool(loaded), "cannot load the picture");
}

bool ImageEditControl::SetPicture(Image picture)
{
    m_lastError.clear();
    m_editor.SetImage(std::move(picture));
    return Done(m_editor.HasImage(), "there is no picture");
}

bool ImageEditControl::ChangeColorDepth(int code)
{
    m_lastError.clear();
    return Done(bool(media::ChangeColorDepth(m_editor.Current(), code)), "cannot change the colour depth");
}

bool ImageEditControl::AdjustBrightness(int value, int)
{
    m_lastError.clear();
    return Done(bool(media::AdjustBrightness(m_editor.Current(), value)), "cannot change the brightness");
}

bool ImageEditControl::RotateArbitrary(int degrees)
{
    m_lastError.clear();
    return Done(bool(media::RotateCounterClockwise(m_editor.Current(), degrees)), "cannot rotate");
}

bool ImageEditControl::ResizeImage(int width, int height, std::optional<Size> fitted)
{
    m_lastError.clear();
    return Done(bool(media::Resize(m_editor.Current(), width, height, m_aspectRatio,
                                   static_cast<media::Interpolation>(m_interpolation), fitted)),
                "cannot resize");
}

bool ImageEditControl::Save(const std::string& path)
{
    SaveOptions options;
    options.quality.step = std::max(1, m_saveQuality) - 1;
    options.interlaced = m_saveInterlaced == 2;
    const Result<void> saved = m_editor.Save(path, FormatForCode(m_saveFormat), options);
    m_lastError = saved.Message();
    m_writeFailure = !saved && saved.Error().kind == FailureKind::WriteFailed ? saved.Error().cause : std::string();
    return Done(bool(saved), "cannot save");
}

} // namespace media
