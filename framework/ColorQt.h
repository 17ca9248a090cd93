#pragma once
#include "framework/Color.h"

#include <QColor>
#include <QString>

namespace fw {

inline QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

inline TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// Layout-facing colour text: a table name or a number, as the layouts store it.
inline TColor ColorFromText(const QString& text) { return StringToColor(text.toStdString()); }
inline QString ColorText(TColor color) { return QString::fromStdString(ColorToString(color)); }

} // namespace fw
