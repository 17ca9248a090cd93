#pragma once
// The font a picture's canvas draws text in: face, size in points (96 per inch, as
// everywhere in the program), colour and style.
#include "framework/Color.h"

#include <QFont>
#include <algorithm>
#include <QString>

namespace fw {

struct TCanvasFont {
    QString Name = QStringLiteral("ＭＳ Ｐゴシック");
    int Size = 9; // points
    TColor Color = clWindowText;
    bool Bold = false;
    bool Italic = false;

    QFont ToQFont() const
    {
        QFont font(Name);
        font.setPixelSize(std::max(1, (Size * 96 + 36) / 72));
        font.setBold(Bold);
        font.setItalic(Italic);
        return font;
    }
};

} // namespace fw
