// The gradient box's bands, ends, directions and outline, by their pixels.
#include "framework/ColorQt.h"
#include "widgets/GradBox.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {
QImage Render(TGradBox& box) { return box.grab().toImage(); }
QColor C(TColor c) { return fw::ToQColor(c); }
} // namespace

TEST(GradBox, A255PixelBoxHasItsBandTopsWhereTheTruncationPutsThem)
{
    TGradBox box;
    box.resize(10, 255);
    box.setTopColor(RGB(255, 0, 0));
    box.setLastColor(RGB(0, 0, 255));
    box.setGradStyle(TGradBox::gsTopBottom);
    const auto table = box.ColourTable();
    const QImage img = Render(box);
    // Band j (j ≥ 1) starts at j − 1 and is 2 rows high; the next band covers its second row.
    for (int j = 1; j <= 255; ++j)
        EXPECT_EQ(img.pixelColor(5, j - 1), C(table[j])) << j;
    EXPECT_EQ(img.pixelColor(5, 254), C(RGB(0, 0, 255)));
    EXPECT_EQ(table[0], RGB(255, 0, 0));
    EXPECT_EQ(table[1], RGB(254, 0, 1));
    EXPECT_EQ(table[255], RGB(0, 0, 255));
}

TEST(GradBox, TheEndsFollowTheDirection)
{
    TGradBox box;
    box.resize(30, 40);
    box.setTopColor(clSilver);
    box.setLastColor(clWhite);
    box.setGradStyle(TGradBox::gsBottomTop);
    QImage img = Render(box);
    EXPECT_EQ(img.pixelColor(5, 39), C(clSilver)); // a box under 255 pixels still ends in the end colour
    box.setGradStyle(TGradBox::gsTopBottom);
    img = Render(box);
    EXPECT_EQ(img.pixelColor(5, 39), C(clWhite));
    // Right to left over a wide box: the left edge in (the first step of) LastColor,
    // the right edge exactly in TopColor.
    box.resize(300, 40);
    box.setGradStyle(TGradBox::gsRightLeft);
    img = Render(box);
    EXPECT_GE(img.pixelColor(0, 20).red(), 254);
    EXPECT_EQ(img.pixelColor(299, 20), C(clSilver));
}

TEST(GradBox, ASystemColourEndIsResolvedForTheStepsAndShownAsItself)
{
    TGradBox box;
    box.resize(8, 300);
    box.setTopColor(clBlack);
    box.setLastColor(clBtnFace);
    const auto table = box.ColourTable();
    EXPECT_EQ(table[255], clBtnFace);
    EXPECT_EQ(table[254], RGB(191, 191, 191));
    EXPECT_EQ(Render(box).pixelColor(4, 299), QColor(192, 192, 192));
}

TEST(GradBox, OutlineAndNoneStyle)
{
    QWidget parent;
    parent.resize(50, 50);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, Qt::green);
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    auto* box = new TGradBox(&parent);
    box->setGeometry(0, 0, 20, 20);
    box->setGradStyle(TGradBox::gsNone);
    box->setDrawOutLine(true);
    box->setOutLineColor(clRed);
    const QImage img = parent.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(19, 19), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(10, 10), QColor(0, 255, 0)); // no fill: the parent shows
}
