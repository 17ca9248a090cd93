#pragma once
// Round monoline letters drawn as strokes, for the maker's name: no font is needed,
// so the logo looks the same wherever it is made. Letters stand 14 units high on
// their baseline (y = 14); the small ones are 9 high.
#include <QPainterPath>
#include <QString>

namespace art {

// The centre lines of `text` from x = 0 (letters it does not know are left out,
// a space is a gap); `width` receives the advance of the whole text.
QPainterPath LetterStrokes(const QString& text, double* width = nullptr);

} // namespace art
