#pragma once
// What the image list's hint tells of a picture below its path.
#include <QString>

// Its size as shown, format and depth, and whether it has alpha, EXIF or a colour
// profile, from its header (its pixels are not decoded); or why it is no picture we
// read; nothing for a file that cannot be opened.
QString PictureFacts(const QString& path);
