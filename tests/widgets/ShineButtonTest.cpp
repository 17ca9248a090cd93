// The shine button's groups, states and drawing.
#include "framework/ColorQt.h"
#include "widgets/ShineSpdBtn.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {
struct Pair {
    QWidget parent;
    TShineSpeedButton* a = new TShineSpeedButton(&parent);
    TShineSpeedButton* b = new TShineSpeedButton(&parent);
    Pair()
    {
        QCursor::setPos(3000, 3000); // the pointer elsewhere, so tracking finds no button under it
        parent.resize(200, 100);
        a->setGeometry(0, 0, 60, 30);
        b->setGeometry(100, 0, 60, 30);
        parent.show();
    }
};
} // namespace

TEST(ShineButton, WithoutAGroupItNeverLatches)
{
    Pair p;
    p.a->setDown(true);
    EXPECT_FALSE(p.a->Down());
    QTest::mouseClick(p.a, Qt::LeftButton);
    EXPECT_FALSE(p.a->Down());
}

TEST(ShineButton, AGroupKeepsOneDownAndAllowAllUpIsShared)
{
    Pair p;
    p.a->setGroupIndex(2);
    p.b->setGroupIndex(2);
    QSignalSpy clicks(p.a, &fw::TSpeedButton::OnClick);
    QTest::mouseClick(p.a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(p.a->Down());
    QTest::mouseClick(p.a, Qt::LeftButton, {}, QPoint(5, 5)); // without AllowAllUp: stays down
    EXPECT_TRUE(p.a->Down());
    EXPECT_EQ(clicks.count(), 2);
    QTest::mouseClick(p.b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(p.b->Down());
    EXPECT_FALSE(p.a->Down());
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdUp);
    p.a->setAllowAllUp(true);
    EXPECT_TRUE(p.b->AllowAllUp());
    QTest::mouseClick(p.b, Qt::LeftButton, {}, QPoint(5, 5)); // now it toggles up
    EXPECT_FALSE(p.b->Down());
}

TEST(ShineButton, DisablingADownButtonRaisesItWithoutTellingTheGroup)
{
    Pair p;
    p.a->setGroupIndex(2);
    p.b->setGroupIndex(2);
    p.a->setDown(true);
    p.a->setEnabled(false);
    EXPECT_FALSE(p.a->Down());
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdDisabled);
    p.a->setEnabled(true);
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdUp);
}

TEST(ShineButton, ReleasingOutsideAGroupedButtonLeavesNoActiveStateAndNoClick)
{
    Pair p;
    p.a->setGroupIndex(3);
    QSignalSpy clicks(p.a, &fw::TSpeedButton::OnClick);
    QTest::mousePress(p.a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdActiveDown);
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 80), p.a->mapToGlobal(QPointF(150, 80)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(p.a, &move);
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdUp);
    QTest::mouseRelease(p.a, Qt::LeftButton, {}, QPoint(150, 80));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_NE(p.a->DrawState(), TShineSpeedButton::sdActive);
    EXPECT_NE(p.a->DrawState(), TShineSpeedButton::sdActiveDown);
}

TEST(ShineButton, EnterAndLeaveMakeTheUpStateActiveAndBack)
{
    Pair p;
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), p.a->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(p.a, &enter);
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdActive);
    EXPECT_TRUE(p.a->MouseIn());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(p.a, &leave);
    EXPECT_EQ(p.a->DrawState(), TShineSpeedButton::sdUp);
}

TEST(ShineButton, TheGradientRunsFromColorToGradColorTheFlatFrameSkipsItsEnds)
{
    TShineSpeedButton b;
    b.resize(40, 20);
    b.Colors()->setColor(clBlack);
    b.Colors()->setGradColor(clRed);
    b.Colors()->setGradation(true);
    b.Colors()->setGradVertical(true);
    b.setFrameType(TShineSpeedButton::ftFlatFrame);
    b.setUpFrame(false);
    QImage img = b.grab().toImage();
    EXPECT_EQ(img.pixelColor(20, 0), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(20, 19), QColor(255, 0, 0));
    b.setUpFrame(true);
    b.Colors()->setHighlight(clWhite);
    b.Colors()->setShadow(clLime);
    img = b.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(38, 0), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(39, 19), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(1, 19), QColor(0, 255, 0));
    // (W−1,H−1)→(0,H−1) stops before (0,H−1), which the top-left line reached down to H−2.
    EXPECT_NE(img.pixelColor(0, 19), QColor(0, 255, 0));
}

TEST(ShineButton, OnlyTheCopiesThatAreSetAreDrawn)
{
    TShineSpeedButton b;
    b.resize(60, 24);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(16);
    f.setStyleStrategy(QFont::NoAntialias);
    b.setFont(f);
    b.setCaption(QStringLiteral("OK"));
    b.Colors()->setColor(clWhite);
    b.setUpFrame(false);
    b.setFontColor(clBlack);
    b.setFontShadow(clRed);
    const QImage img = b.grab().toImage();
    bool red = false, blue = false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            red |= img.pixelColor(x, y) == QColor(255, 0, 0);
            blue |= img.pixelColor(x, y) == QColor(0, 0, 255);
        }
    EXPECT_TRUE(red);
    EXPECT_FALSE(blue);
}

TEST(ShineButton, LayoutsPlaceGlyphAndCaptionAsCalculated)
{
    TShineSpeedButton b;
    b.resize(100, 40);
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(Qt::green);
    b.setGlyph(glyph);
    b.setLayout(TShineSpeedButton::blGlyphRight);
    b.setMargin(0);
    QPoint at;
    QRect caption;
    b.CalcDrawPosition(at, caption);
    EXPECT_EQ(at.x() + 16, 100); // flush against the right edge
    EXPECT_EQ(at.y(), 12);

    b.setGlyph(QImage());
    b.setCaption(QStringLiteral("Go"));
    b.setLayout(TShineSpeedButton::blGlyphTop);
    b.setMargin(0);
    b.CalcDrawPosition(at, caption);
    EXPECT_EQ(caption.top(), 4); // a Spacing-high band above, even without a glyph
}

TEST(ShineButton, ClickDownHookDrawsItPressedWhileTheHandlerRuns)
{
    Pair p;
    p.a->setClickDownHook(true);
    TShineSpeedButton::TShineDrawState during = TShineSpeedButton::sdUp;
    QObject::connect(p.a, &fw::TSpeedButton::OnClick, [&] { during = p.a->DrawState(); });
    QTest::mouseClick(p.a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(during, TShineSpeedButton::sdActiveDown);
    EXPECT_NE(p.a->DrawState(), TShineSpeedButton::sdActiveDown);
}

TEST(ShineButton, TheAcceleratorClicksAndWithAccelCharDownTogglesFirst)
{
    Pair p;
    p.a->setCaption(QStringLiteral("&Go"));
    p.a->setGroupIndex(4);
    p.a->setAllowAllUp(true);
    p.a->setAccelCharDown(true);
    p.parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p.parent));
    QSignalSpy clicks(p.a, &fw::TSpeedButton::OnClick);
    QTest::keyClick(&p.parent, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(p.a->Down());
}
