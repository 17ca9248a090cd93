#include "framework/Application.h"
#include "widgets/SpinEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {
// A spin edit as the main window's layout leaves it: limits set, loading finished.
struct Spin {
    QWidget window;
    TSpinEdit* edit = new TSpinEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    Spin(int min, int max, int value)
    {
        edit->setMinValue(min);
        edit->setMaxValue(max);
        edit->setValue(value);
        edit->Loaded();
        edit->setGeometry(0, 0, 60, 19);
        other->move(0, 30);
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }
    bool active = false;
};
} // namespace

TEST(SpinEdit, TypingTakesDigitsAndSignsOnlyAndBeepsAtTheRest)
{
    Spin s(1, 9999, 1);
    s.edit->Editor()->selectAll();
    const auto beeps = fw::BeepCount();
    QTest::keyClicks(s.edit->Editor(), QStringLiteral("1a2.-b"));
    EXPECT_EQ(s.edit->Text(), QStringLiteral("12-"));
    EXPECT_EQ(fw::BeepCount() - beeps, 3u);
    QTest::keyClick(s.edit->Editor(), Qt::Key_Backspace);
    EXPECT_EQ(s.edit->Text(), QStringLiteral("12"));
}

TEST(SpinEdit, ArrowsKeysAndPagesStepThroughValue)
{
    Spin s(0, 100, 50);
    QTest::keyClick(s.edit->Editor(), Qt::Key_Up);
    EXPECT_EQ(s.edit->Value(), 51);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageDown);
    EXPECT_EQ(s.edit->Value(), 41);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageUp);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageUp);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageUp);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageUp);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageUp);
    QTest::keyClick(s.edit->Editor(), Qt::Key_PageUp);
    EXPECT_EQ(s.edit->Value(), 100); // clamped by setting Value
}

TEST(SpinEdit, ReadingValueDoesNotClampButReplacesNonNumbersByTheMinimum)
{
    Spin s(1, 9999, 320);
    s.edit->setText(QStringLiteral("12345"));
    EXPECT_EQ(s.edit->Value(), 12345);
    s.edit->setText(QStringLiteral(""));
    EXPECT_EQ(s.edit->Value(), 1);
    EXPECT_EQ(s.edit->Text(), QStringLiteral("1"));
    s.edit->setText(QStringLiteral("-"));
    EXPECT_EQ(s.edit->Value(), 1);
    EXPECT_EQ(s.edit->Text(), QStringLiteral("1"));
    s.edit->setText(QStringLiteral("+7"));
    EXPECT_EQ(s.edit->Value(), 7);
}

TEST(SpinEdit, SettingValueClampsExceptWhileTheLimitsAreEqual)
{
    Spin s(1, 9999, 320);
    s.edit->setValue(0);
    EXPECT_EQ(s.edit->Text(), QStringLiteral("1"));
    s.edit->setValue(12345);
    EXPECT_EQ(s.edit->Text(), QStringLiteral("9999"));

    Spin same(0, 0, 0);
    same.edit->setValue(77);
    EXPECT_EQ(same.edit->Value(), 77);
}

TEST(SpinEdit, LimitSettersIgnoreEqualAndCrossingValuesAndPullTheValueIn)
{
    Spin s(0, 99, 80);
    s.edit->setMaxValue(0); // not above the minimum: ignored
    EXPECT_EQ(s.edit->MaxValue(), 99);
    s.edit->setMaxValue(50);
    EXPECT_EQ(s.edit->MaxValue(), 50);
    EXPECT_EQ(s.edit->Value(), 50);
    s.edit->setMinValue(50); // not below the maximum: ignored
    EXPECT_EQ(s.edit->MinValue(), 0);
    s.edit->setMinValue(60);
    EXPECT_EQ(s.edit->MinValue(), 0);
    s.edit->setValue(10);
    s.edit->setMinValue(20);
    EXPECT_EQ(s.edit->MinValue(), 20);
    EXPECT_EQ(s.edit->Value(), 20);
}

TEST(SpinEdit, WhileTheLayoutLoadsLimitsAreTakenAsTheyCome)
{
    TSpinEdit edit;
    edit.setMaxValue(1);
    edit.setMinValue(5); // above the maximum, and still taken
    EXPECT_EQ(edit.MinValue(), 5);
    edit.Loaded();
    edit.setMaxValue(3); // now checked: not above the minimum
    EXPECT_EQ(edit.MaxValue(), 1);
}

TEST(SpinEdit, LeavingTheFieldClampsAndRewritesTheText)
{
    Spin s(1, 9999, 1);
    ASSERT_TRUE(s.active);
    s.edit->Editor()->setFocus();
    s.edit->setText(QStringLiteral("0"));
    s.other->setFocus();
    EXPECT_EQ(s.edit->Text(), QStringLiteral("1"));
}

TEST(SpinEdit, ChangeFiresOnlyWhenTheTextChanges)
{
    Spin s(0, 100, 5);
    QSignalSpy spy(s.edit, &TSpinEdit::OnChange);
    s.edit->setValue(5);
    EXPECT_EQ(spy.count(), 0);
    s.edit->setValue(6);
    EXPECT_EQ(spy.count(), 1);
    s.edit->setValue(600); // clamps to 100
    EXPECT_EQ(spy.count(), 2);
    QTest::keyClick(s.edit->Editor(), Qt::Key_End);
    QTest::keyClick(s.edit->Editor(), Qt::Key_Backspace);
    EXPECT_EQ(spy.count(), 3);
}

TEST(SpinEdit, UndoPutsBackTheTextFromBeforeTheUserEdit)
{
    Spin s(0, 999, 10);
    s.edit->Editor()->setFocus();
    s.edit->Editor()->selectAll();
    QTest::keyClicks(s.edit->Editor(), QStringLiteral("250"));
    EXPECT_EQ(s.edit->Text(), QStringLiteral("250"));
    s.edit->Undo();
    EXPECT_EQ(s.edit->Text(), QStringLiteral("10"));
    s.edit->Undo();
    EXPECT_EQ(s.edit->Text(), QStringLiteral("250"));
    s.edit->ClearUndo();
    s.edit->Undo();
    EXPECT_EQ(s.edit->Text(), QStringLiteral("250"));
}
