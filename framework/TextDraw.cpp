#include "framework/TextDraw.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QVector>

#include <algorithm>

namespace fw {

namespace {

struct LaidLine {
    QString text;
    int underlined = -1; // index into text of the prefix-underlined character
    int width = 0;
};

struct Layout {
    QVector<LaidLine> lines;
    int lineHeight = 0;
    int maxWidth = 0;
};

int TabStop(const QFontMetrics& fm) { return std::max(1, 8 * fm.averageCharWidth()); }

// Calls f(part, x) for each tab-separated part of `s` with its left offset.
template <class F>
int ForEachTabPart(const QFontMetrics& fm, const QString& s, unsigned flags, F&& f)
{
    if (!(flags & DT_EXPANDTABS) || !s.contains(QLatin1Char('\t'))) {
        f(s, 0);
        return fm.horizontalAdvance(s);
    }
    const int stop = TabStop(fm);
    int x = 0;
    bool first = true;
    for (const QString& part : s.split(QLatin1Char('\t'))) {
        if (!first)
            x = (x / stop + 1) * stop;
        first = false;
        f(part, x);
        x += fm.horizontalAdvance(part);
    }
    return x;
}

int LineWidth(const QFontMetrics& fm, const QString& s, unsigned flags)
{
    return ForEachTabPart(fm, s, flags, [](const QString&, int) {});
}

QVector<QString> SplitHardLines(const QString& text, unsigned flags)
{
    if (flags & DT_SINGLELINE) {
        QString one = text;
        one.remove(QLatin1Char('\r'));
        one.remove(QLatin1Char('\n'));
        return {one};
    }
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n')).toVector();
}

// Breaks one hard line into lines no wider than `width` at the places a line may
// break (blanks, and between CJK characters); a word wider than `width` stays whole.
QVector<QString> WrapLine(const QFontMetrics& fm, const QString& line, int width, unsigned flags)
{
    QVector<QString> out;
    QString rest = line;
    while (!rest.isEmpty()) {
        if (LineWidth(fm, rest, flags) <= width) {
            out.push_back(rest);
            break;
        }
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, rest);
        int lastFit = -1;
        int firstBreak = -1;
        for (int pos = finder.toNextBoundary(); pos > 0 && pos < rest.size(); pos = finder.toNextBoundary()) {
            if (firstBreak < 0)
                firstBreak = pos;
            if (LineWidth(fm, rest.left(pos).trimmed(), flags) <= width)
                lastFit = pos;
            else
                break;
        }
        const int cut = lastFit > 0 ? lastFit : firstBreak;
        if (cut <= 0) {
            out.push_back(rest);
            break;
        }
        QString head = rest.left(cut);
        while (head.endsWith(QLatin1Char(' ')))
            head.chop(1);
        out.push_back(head);
        rest = rest.mid(cut);
        while (rest.startsWith(QLatin1Char(' ')))
            rest.remove(0, 1);
    }
    if (out.isEmpty())
        out.push_back(QString());
    return out;
}

QString PathEllipsis(const QFontMetrics& fm, const QString& s, int width)
{
    const int slash = std::max(s.lastIndexOf(QLatin1Char('/')), s.lastIndexOf(QLatin1Char('\\')));
    if (slash < 0)
        return fm.elidedText(s, Qt::ElideRight, width);
    const QString tail = s.mid(slash);
    QString head = s.left(slash);
    const QString dots = QStringLiteral("...");
    while (!head.isEmpty() && fm.horizontalAdvance(head + dots + tail) > width)
        head.chop(1);
    if (head.isEmpty())
        return fm.elidedText(dots + tail, Qt::ElideRight, width);
    return head + dots + tail;
}

Layout LayOut(const QFontMetrics& fm, const QString& text, int width, unsigned flags)
{
    Layout layout;
    layout.lineHeight = fm.height();
    if (text.isEmpty())
        return layout;
    for (const QString& hard : SplitHardLines(text, flags)) {
        QVector<QString> pieces;
        int underlined = -1;
        const QString plain = (flags & DT_NOPREFIX) ? hard : StripPrefix(hard, &underlined);
        if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE))
            pieces = WrapLine(fm, plain, width, flags);
        else
            pieces = {plain};
        int offset = 0;
        for (QString piece : pieces) {
            LaidLine l;
            const int start = plain.indexOf(piece, offset);
            if (underlined >= 0 && start >= 0 && underlined >= start && underlined < start + piece.size())
                l.underlined = underlined - start;
            offset = start >= 0 ? start + piece.size() : offset;
            if (flags & DT_PATH_ELLIPSIS) {
                if (LineWidth(fm, piece, flags) > width) {
                    piece = PathEllipsis(fm, piece, width);
                    l.underlined = -1;
                }
            } else if (flags & DT_END_ELLIPSIS) {
                if (LineWidth(fm, piece, flags) > width) {
                    piece = fm.elidedText(piece, Qt::ElideRight, width);
                    if (l.underlined >= piece.size() - 1)
                        l.underlined = -1;
                }
            }
            l.text = piece;
            l.width = LineWidth(fm, piece, flags);
            layout.maxWidth = std::max(layout.maxWidth, l.width);
            layout.lines.push_back(l);
        }
    }
    return layout;
}

void DrawLine(QPainter& p, const QFontMetrics& fm, const LaidLine& line, int x, int y, unsigned flags)
{
    const int baseline = y + fm.ascent();
    ForEachTabPart(fm, line.text, flags, [&](const QString& part, int cx) { p.drawText(x + cx, baseline, part); });
    if (line.underlined >= 0 && line.underlined < line.text.size()) {
        const int ux = x + fm.horizontalAdvance(line.text.left(line.underlined));
        const int uw = fm.horizontalAdvance(line.text.mid(line.underlined, 1));
        const int uy = baseline + std::max(1, fm.underlinePos());
        p.fillRect(QRect(ux, uy, uw, std::max(1, fm.lineWidth())), p.pen().color());
    }
}

void ApplyCalc(const Layout& layout, QRect& rect, unsigned flags)
{
    const int height = layout.lineHeight * int(layout.lines.size());
    int width = layout.maxWidth;
    if ((flags & DT_WORDBREAK) && layout.lines.size() > 1)
        width = std::max(rect.width(), layout.maxWidth);
    rect.setWidth(width);
    rect.setHeight(height);
}

} // namespace

QString StripPrefix(const QString& text, int* underlined)
{
    QString out;
    out.reserve(text.size());
    int mark = -1;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 >= text.size())
                break;
            ++i;
            if (text[i] != QLatin1Char('&'))
                mark = int(out.size());
        }
        out += text[i];
    }
    if (underlined)
        *underlined = mark;
    return out;
}

int DrawTextCalc(const QFont& font, const QString& text, QRect& rect, unsigned flags)
{
    const QFontMetrics fm(font);
    const Layout layout = LayOut(fm, text, rect.width(), flags);
    ApplyCalc(layout, rect, flags);
    return rect.height();
}

int DrawText(QPainter& painter, const QString& text, QRect& rect, unsigned flags)
{
    const QFontMetrics fm(painter.font(), painter.device());
    const Layout layout = LayOut(fm, text, rect.width(), flags);
    const int height = layout.lineHeight * int(layout.lines.size());
    if (flags & DT_CALCRECT) {
        ApplyCalc(layout, rect, flags);
        return height;
    }
    int y = rect.top();
    int result = height;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = rect.top() + (rect.height() - height) / 2;
        else if (flags & DT_BOTTOM)
            y = rect.top() + rect.height() - height;
        if (flags & (DT_VCENTER | DT_BOTTOM))
            result = y - rect.top() + height;
    }
    painter.save();
    if (!(flags & DT_NOCLIP))
        painter.setClipRect(rect, Qt::IntersectClip);
    for (const LaidLine& line : layout.lines) {
        int x = rect.left();
        if (flags & DT_CENTER)
            x = rect.left() + (rect.width() - line.width) / 2;
        else if (flags & DT_RIGHT)
            x = rect.left() + rect.width() - line.width;
        DrawLine(painter, fm, line, x, y, flags);
        y += layout.lineHeight;
    }
    painter.restore();
    return result;
}

} // namespace fw
