#include "media/QtImage.h"

#include <algorithm>

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
    media::Image scratch;
    const media::Image& img = alpha ? source : media::AsRgb24(source, scratch);
    QImage out(img.width, img.height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    for (int y = 0; y < img.height; ++y)
        std::copy_n(img.Row(y), img.RowBytes(), out.scanLine(y));
    return out;
}
