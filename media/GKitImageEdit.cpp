#include "media/GKitImageEdit.h"

#include "framework/Exception.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace {

media::ImageFormat FormatForCode(int code)
{
    switch (code) {
    case 101:
        return media::ImageFormat::Bmp;
    case 102:
        return media::ImageFormat::Tiff;
    case 103:
        return media::ImageFormat::Jpeg;
    case 104:
        return media::ImageFormat::Pcx;
    case 106:
        return media::ImageFormat::Png;
    default:
        return media::ImageFormat::Unknown;
    }
}

[[noreturn]] void Refuse(const char* property, int value)
{
    throw fw::Exception(std::string("ImageEdit: ") + property + " does not take the value " + std::to_string(value));
}

} // namespace

media::Image ImageFromQImage(const QImage& source)
{
    media::Image img;
    if (source.isNull())
        return img;
    const bool alpha = source.hasAlphaChannel();
    const QImage converted = source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (!img.Allocate(converted.width(), converted.height(), alpha ? media::PixelFormat::Rgba32 : media::PixelFormat::Rgb24))
        return media::Image();
    for (int y = 0; y < img.height; ++y)
        std::copy_n(converted.constScanLine(y), img.RowBytes(), img.Row(y));
    return img;
}

QImage QImageFromImage(const media::Image& source)
{
    if (source.Empty())
        return QImage();
    const bool alpha = source.HasAlpha();
    const media::Image img = alpha ? source : media::ToRgb24(source);
    QImage out(img.width, img.height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    for (int y = 0; y < img.height; ++y)
        std::copy_n(img.Row(y), img.RowBytes(), out.scanLine(y));
    return out;
}

TGKitImageEdit::TGKitImageEdit(QWidget* parent) : QWidget(parent) {}

TGKitImageEdit::~TGKitImageEdit() = default;

void TGKitImageEdit::setInterpolation(int value)
{
    if (value < 0 || value > 2)
        Refuse("Interpolation", value);
    m_interpolation = value;
}

void TGKitImageEdit::setSaveInterlacedImage(int value)
{
    if (value != 1 && value != 2)
        Refuse("SaveInterlacedImage", value);
    m_saveInterlaced = value;
}

void TGKitImageEdit::setSaveMediaFormat(int value)
{
    if (FormatForCode(value) == media::ImageFormat::Unknown)
        Refuse("SaveMediaFormat", value);
    m_saveFormat = value;
}

void TGKitImageEdit::setSaveQuality(short value)
{
    if (value < 1 || value > 10)
        Refuse("SaveQuality", value);
    m_saveQuality = value;
}

bool TGKitImageEdit::Done(bool ok, const char* what)
{
    if (ok)
        m_lastError.clear();
    else if (m_lastError.isEmpty())
        m_lastError = QString::fromUtf8(what);
    return ok;
}

bool TGKitImageEdit::Load()
{
    std::string error;
    const bool ok = m_editor.Load(m_inputFileName.toStdString(), error);
    m_lastError = QString::fromStdString(error);
    return Done(ok, "cannot load the picture");
}

bool TGKitImageEdit::CreateFromClipboard()
{
    m_lastError.clear();
    m_editor.SetImage(ImageFromQImage(QGuiApplication::clipboard()->image()));
    return Done(m_editor.HasImage(), "the clipboard holds no picture");
}

bool TGKitImageEdit::ChangeColorDepth(short code)
{
    m_lastError.clear();
    return Done(media::ChangeColorDepth(m_editor.Current(), code), "cannot change the colour depth");
}

bool TGKitImageEdit::AdjustBrightness(short value, short)
{
    m_lastError.clear();
    return Done(media::AdjustBrightness(m_editor.Current(), value), "cannot change the brightness");
}

bool TGKitImageEdit::RotateArbitrary(short degrees)
{
    m_lastError.clear();
    return Done(media::RotateCounterClockwise(m_editor.Current(), degrees), "cannot rotate");
}

bool TGKitImageEdit::ResizeImage(int width, int height)
{
    m_lastError.clear();
    return Done(media::Resize(m_editor.Current(), width, height, m_aspectRatio,
                              static_cast<media::Interpolation>(m_interpolation)),
                "cannot resize");
}

bool TGKitImageEdit::Save(const QString& path)
{
    media::SaveOptions options;
    options.quality = m_saveQuality;
    options.interlaced = m_saveInterlaced == 2;
    std::string error;
    const bool ok = m_editor.Save(path.toStdString(), FormatForCode(m_saveFormat), options, error);
    m_lastError = QString::fromStdString(error);
    return Done(ok, "cannot save");
}
