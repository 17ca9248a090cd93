// The fading label's pulse: its steps, its ends, its events and what it draws.
#include "framework/ColorQt.h"
#include "widgets/VelFadingLabel.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {
struct Fading {
    QWidget parent;
    TVelFadingLabel* label = new TVelFadingLabel(&parent);
    Fading(int steps)
    {
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, Qt::black);
        parent.setPalette(pal);
        label->setFade(false); // ticks by hand
        label->setFade(true);
        label->setFadeSpeed(100000);
        label->setBetweenColors(steps);
        label->setFontColor(clWhite);
        label->setCaption(QStringLiteral("全100ﾌﾚｰﾑ"));
        label->resize(104, 11);
    }
};
} // namespace

TEST(FadingLabel, TheStepRunsUpToOneBelowBetweenColorsAndBackDown)
{
    Fading f(5);
    std::vector<int> steps;
    for (int i = 0; i < 12; ++i) {
        f.label->FadeTimerTick();
        steps.push_back(f.label->Step());
    }
    // The first tick after construction goes from 1 down to 0 and turns upwards.
    EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1, 2, 3, 4, 3}));
}

TEST(FadingLabel, ColoursAreStepsBetweenBackgroundAndFontRoundedLikeMulDiv)
{
    Fading f(4); // divisor 3
    f.label->FadeTimerTick(); // step 0
    EXPECT_EQ(f.label->FadeColour(), RGB(0, 0, 0));
    f.label->FadeTimerTick(); // step 1: 255 / 3 = 85
    EXPECT_EQ(f.label->FadeColour(), RGB(85, 85, 85));
    f.label->FadeTimerTick(); // step 2: 510 / 3 = 170
    EXPECT_EQ(f.label->FadeColour(), RGB(170, 170, 170));
    f.label->FadeTimerTick(); // step 3: the font colour exactly
    EXPECT_EQ(f.label->FadeColour(), RGB(255, 255, 255));
    EXPECT_EQ(MulDiv(5, 3, 2), 8);   // 7.5 rounds away from zero
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(FadingLabel, ShowingJumpsToAnEndAndFiresItsEvent)
{
    Fading f(32);
    QSignalSpy full(f.label, &TVelFadingLabel::OnTotallyVisible), none(f.label, &TVelFadingLabel::OnNotVisible);
    f.label->setShowing(true);
    EXPECT_EQ(f.label->Step(), 31);
    EXPECT_EQ(f.label->FadeColour(), clWhite);
    EXPECT_EQ(full.count(), 1);
    EXPECT_FALSE(f.label->Rising());
    f.label->setShowing(false);
    EXPECT_EQ(f.label->Step(), 0);
    EXPECT_EQ(f.label->FadeColour(), clBlack);
    EXPECT_EQ(none.count(), 1);
    EXPECT_TRUE(f.label->Rising());
}

TEST(FadingLabel, OutOfRangeStepCountsAreIgnoredAndFadingCanStopAtAnEnd)
{
    Fading f(32);
    f.label->setBetweenColors(0);
    f.label->setBetweenColors(300);
    EXPECT_EQ(f.label->BetweenColors(), 32);
    f.label->setFadeAlltheTime(false);
    f.label->setShowing(true);
    EXPECT_FALSE(f.label->Fade());
    EXPECT_EQ(f.label->FadeColour(), clWhite);
}

TEST(FadingLabel, ADisabledLabelShowsOnlyItsBackground)
{
    Fading f(4);
    f.label->setShowing(true);
    QImage img = f.label->grab().toImage();
    bool white = false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            white |= img.pixelColor(x, y).lightness() > 200;
    EXPECT_TRUE(white);
    f.label->setEnabled(false);
    img = f.label->grab().toImage();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixelColor(x, y), QColor(0, 0, 0));
}
