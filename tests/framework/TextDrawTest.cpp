#include "framework/TextDraw.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace fw;

namespace {
QFont TestFont()
{
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    return f;
}

// The bounding box of the non-white pixels.
QRect InkBounds(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

QImage Draw(const QString& text, QRect r, unsigned flags, QSize size = QSize(200, 60))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(TestFont());
    p.setPen(Qt::black);
    DrawText(p, text, r, flags);
    return img;
}
} // namespace

TEST(TextDraw, CalcRectMeasuresOneLineAndStripsThePrefix)
{
    const QFontMetrics fm(TestFont());
    QRect r(0, 0, 500, 0);
    const int h = DrawTextCalc(TestFont(), QStringLiteral("&Open"), r, DT_CALCRECT);
    EXPECT_EQ(h, fm.height());
    EXPECT_EQ(r.width(), fm.horizontalAdvance(QStringLiteral("Open")));
    QRect raw(0, 0, 500, 0);
    DrawTextCalc(TestFont(), QStringLiteral("&Open"), raw, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(raw.width(), fm.horizontalAdvance(QStringLiteral("&Open")));
}

TEST(TextDraw, PrefixRules)
{
    int mark = -2;
    EXPECT_EQ(StripPrefix(QStringLiteral("CLOSE (&X)"), &mark), QStringLiteral("CLOSE (X)"));
    EXPECT_EQ(mark, 7);
    EXPECT_EQ(StripPrefix(QStringLiteral("A&&B"), &mark), QStringLiteral("A&B"));
    EXPECT_EQ(mark, -1);
    EXPECT_EQ(StripPrefix(QStringLiteral("end&"), &mark), QStringLiteral("end"));
}

TEST(TextDraw, WordBreakWrapsAtBlanksAndBetweenJapaneseCharactersKeepingTheWidth)
{
    const QFontMetrics fm(TestFont());
    QRect r(0, 0, fm.horizontalAdvance(QStringLiteral("alpha beta")) + 2, 0);
    const int width = r.width();
    DrawTextCalc(TestFont(), QStringLiteral("alpha beta gamma"), r, DT_WORDBREAK);
    EXPECT_EQ(r.height(), 2 * fm.height());
    EXPECT_EQ(r.width(), width);

    QRect jp(0, 0, fm.horizontalAdvance(QStringLiteral("あいう")) + 1, 0);
    DrawTextCalc(TestFont(), QStringLiteral("あいうえおかきく"), jp, DT_WORDBREAK);
    EXPECT_EQ(jp.height(), 3 * fm.height());

    QRect lines(0, 0, 500, 0);
    DrawTextCalc(TestFont(), QStringLiteral("one\ntwo\r\nthree"), lines, 0);
    EXPECT_EQ(lines.height(), 3 * fm.height());
    QRect single(0, 0, 500, 0);
    DrawTextCalc(TestFont(), QStringLiteral("one\ntwo"), single, DT_SINGLELINE);
    EXPECT_EQ(single.height(), fm.height());
}

TEST(TextDraw, CentringAndVerticalPlacementOnlyForSingleLines)
{
    const QRect box(0, 0, 200, 60);
    const QRect left = InkBounds(Draw(QStringLiteral("Hi"), box, DT_LEFT));
    const QRect centred = InkBounds(Draw(QStringLiteral("Hi"), box, DT_CENTER));
    const QRect right = InkBounds(Draw(QStringLiteral("Hi"), box, DT_RIGHT));
    EXPECT_LT(left.left(), 5);
    EXPECT_NEAR(centred.center().x(), 100, 3);
    EXPECT_GT(right.right(), 194);

    const QRect top = InkBounds(Draw(QStringLiteral("Hi"), box, DT_VCENTER));
    const QRect middle = InkBounds(Draw(QStringLiteral("Hi"), box, DT_VCENTER | DT_SINGLELINE));
    const QRect bottom = InkBounds(Draw(QStringLiteral("Hi"), box, DT_BOTTOM | DT_SINGLELINE));
    EXPECT_LT(top.top(), 12);
    EXPECT_NEAR(middle.center().y(), 30, 4);
    EXPECT_GT(bottom.bottom(), 48);
}

TEST(TextDraw, EllipsesKeepTheTextInsideAndPathEllipsisKeepsTheFileName)
{
    const QString path = QStringLiteral("/home/user/some/very/long/folder/name/clip.avi");
    const QRect box(0, 0, 120, 20);
    EXPECT_LE(InkBounds(Draw(path, box, DT_END_ELLIPSIS | DT_NOCLIP, QSize(400, 20))).right(), 121);
    EXPECT_LE(InkBounds(Draw(path, box, DT_PATH_ELLIPSIS | DT_NOCLIP, QSize(400, 20))).right(), 121);
    EXPECT_GT(InkBounds(Draw(path, box, DT_NOCLIP, QSize(400, 20))).right(), 200);
    QRect r(0, 0, 120, 0);
    // Measured the same way it is drawn.
    DrawTextCalc(TestFont(), path, r, DT_PATH_ELLIPSIS);
    EXPECT_LE(r.width(), 120);
}

TEST(TextDraw, ClipsToTheRectangleUnlessTold)
{
    const QRect narrow(0, 0, 20, 20);
    EXPECT_LE(InkBounds(Draw(QStringLiteral("A long caption"), narrow, 0)).right(), 19);
    EXPECT_GT(InkBounds(Draw(QStringLiteral("A long caption"), narrow, DT_NOCLIP)).right(), 30);
}
