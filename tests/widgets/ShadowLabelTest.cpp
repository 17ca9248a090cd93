// The shadow label's copies and its character-by-character text gradients, by pixels.
#include "framework/ColorQt.h"
#include "widgets/ShadoLbl.h"

#include <QImage>

#include <gtest/gtest.h>

#include <set>

namespace {

struct Label {
    QWidget parent;
    TShadowLabel* label = new TShadowLabel(&parent);
    explicit Label(const QString& caption)
    {
        parent.resize(300, 60);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, Qt::white);
        parent.setPalette(pal);
        parent.setAutoFillBackground(true);
        QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
        f.setPixelSize(40);
        f.setStyleStrategy(QFont::NoAntialias); // whole pixels in exactly the drawn colours
        label->setFont(f);
        label->setGeometry(0, 0, 300, 60);
        label->setCaption(caption);
        label->setFontColor(RGB(255, 0, 0));
        label->setTextGradationColor(RGB(0, 0, 255));
        label->setTextMidColor(RGB(0, 255, 0));
        label->setShadowVisible(false);
        label->setHighlightVisible(false);
    }
    // The columns where each exact colour appears.
    std::set<int> ColumnsOf(QColor c)
    {
        const QImage img = parent.grab().toImage();
        std::set<int> xs;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) == c)
                    xs.insert(x);
        return xs;
    }
};

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255);

} // namespace

TEST(ShadowLabel, OneCharacterIsPlainAndTwoRunFromFontColourToTheEndColour)
{
    Label one(QStringLiteral("W"));
    one.label->setTextGradation(TShadowLabel::tg2Colors);
    EXPECT_FALSE(one.ColumnsOf(kRed).empty());
    EXPECT_TRUE(one.ColumnsOf(kBlue).empty());

    Label two(QStringLiteral("WW"));
    two.label->setTextGradation(TShadowLabel::tg2Colors);
    const auto red = two.ColumnsOf(kRed), blue = two.ColumnsOf(kBlue);
    ASSERT_FALSE(red.empty());
    ASSERT_FALSE(blue.empty());
    EXPECT_LT(*red.rbegin(), *blue.begin()); // the first character red, the second blue
}

TEST(ShadowLabel, ThreeColoursSplitAfterHalfTheBytesAndNeverInsideACharacter)
{
    Label three(QStringLiteral("WWW"));
    three.label->setTextGradation(TShadowLabel::tg3Colors);
    // "W" | "WW": red alone, then green to blue.
    const auto red = three.ColumnsOf(kRed), green = three.ColumnsOf(kGreen), blue = three.ColumnsOf(kBlue);
    ASSERT_FALSE(red.empty());
    ASSERT_FALSE(green.empty());
    ASSERT_FALSE(blue.empty());
    EXPECT_LT(*red.rbegin(), *green.begin());
    EXPECT_LT(*green.rbegin(), *blue.begin());

    // "Wあ" | "W" (5 bytes: half is 2, inside "あ", so the split moves past it).
    Label wide(QStringLiteral("WあW"));
    wide.label->setTextGradation(TShadowLabel::tg3Colors);
    const auto r = wide.ColumnsOf(kRed), g = wide.ColumnsOf(kGreen), b = wide.ColumnsOf(kBlue);
    ASSERT_FALSE(r.empty());
    ASSERT_FALSE(g.empty()); // "あ" whole, in the middle colour
    ASSERT_FALSE(b.empty()); // the last "W" alone, in the end colour
    EXPECT_LT(*r.rbegin(), *g.begin());
    EXPECT_LT(*g.rbegin(), *b.begin());
}

TEST(ShadowLabel, ADisabledLabelKeepsItsGradientButDrawsAGreyShadow)
{
    Label l(QStringLiteral("WW"));
    l.label->setTextGradation(TShadowLabel::tg2Colors);
    l.label->setShadowVisible(true);
    l.label->setShadowColor(QStringLiteral("clYellow"));
    l.label->setEnabled(false);
    EXPECT_FALSE(l.ColumnsOf(kRed).empty());
    EXPECT_FALSE(l.ColumnsOf(kBlue).empty());
    EXPECT_FALSE(l.ColumnsOf(QColor(128, 128, 128)).empty());
    EXPECT_TRUE(l.ColumnsOf(QColor(255, 255, 0)).empty());
}

TEST(ShadowLabel, WithEqualOffsetsTheHighlightCoversTheShadow)
{
    Label l(QStringLiteral("W"));
    l.label->setShadowVisible(true);
    l.label->setHighlightVisible(true);
    l.label->setShadowColor(QStringLiteral("clLime"));
    l.label->setHighlightColor(QStringLiteral("clYellow"));
    l.label->setFontColor(clWhite); // the text itself out of the way on white
    l.label->Shadow()->setOffsetLeft(3);
    l.label->Shadow()->setOffsetTop(3);
    l.label->Highlight()->setOffsetLeft(3);
    l.label->Highlight()->setOffsetTop(3);
    EXPECT_TRUE(l.ColumnsOf(kGreen).empty());
    EXPECT_FALSE(l.ColumnsOf(QColor(255, 255, 0)).empty());
}

TEST(ShadowLabel, AnEmptyCaptionKeepsOneLinesHeightAndGradientsRunEndToEnd)
{
    TShadowLabel label;
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(11);
    label.setFont(f);
    label.setAutoSize(true);
    label.setCaption(QString());
    EXPECT_EQ(label.height(), QFontMetrics(f).height());

    QImage img(4, 256, QImage::Format_RGB888);
    GradBitmap(img, RGB(0, 0, 0), RGB(255, 255, 255), true);
    EXPECT_EQ(img.pixelColor(2, 0), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(2, 255), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(2, 51), QColor(51, 51, 51));
}
