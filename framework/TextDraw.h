#pragma once
// The platform text draw: a whole string drawn into a rectangle under DT_* flags,
// with the same rules the widgets were designed against (prefix "&" underlines,
// vertical placement only for single lines, word breaks, ellipses, tab expansion).
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace fw {

enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
};

// Draws `text` in the painter's font and pen colour. With DT_CALCRECT nothing is
// drawn and `rect` is widened or narrowed to the text (see DrawTextCalc). Returns
// the height of the text, or with DT_VCENTER/DT_BOTTOM (single line) the distance
// from rect's top to the text's bottom.
int DrawText(QPainter& painter, const QString& text, QRect& rect, unsigned flags);

// DT_CALCRECT without a painter: on return `rect` bounds the text; its width is
// the widest line (kept as given for word-broken text of several lines, unless a
// word is wider). Returns the text height.
int DrawTextCalc(const QFont& font, const QString& text, QRect& rect, unsigned flags);

// The text with prefix characters processed ("&&" gives "&", "&x" gives "x"), and
// the index of the underlined character in the result (-1 when none).
QString StripPrefix(const QString& text, int* underlined = nullptr);

} // namespace fw
