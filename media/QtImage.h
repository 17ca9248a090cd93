#pragma once
// The engine's picture from a Qt image and back (pixels copied).
#include "media/image/Image.h"

#include <QImage>

media::Image ImageFromQImage(const QImage& image);
QImage QImageFromImage(const media::Image& image);
