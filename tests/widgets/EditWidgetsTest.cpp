// The folder and file fields, and the hint balloon.
#include "framework/Label.h"
#include "widgets/BrowseEdit.h"
#include "widgets/FileOpenEdit.h"
#include "widgets/ShapeHint.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(ButtonEdits, ChangeFiresForTypingAndCodeButOnlyOnRealChanges)
{
    TBrowseEdit edit;
    QSignalSpy spy(&edit, &TButtonEdit::OnChange);
    edit.setPath(QStringLiteral("/tmp"));
    edit.setPath(QStringLiteral("/tmp"));
    EXPECT_EQ(spy.count(), 1);
    edit.show();
    QTest::keyClicks(edit.Editor(), QStringLiteral("/x"));
    EXPECT_EQ(spy.count(), 3);
    EXPECT_EQ(edit.Path(), QStringLiteral("/tmp/x"));
}

TEST(ButtonEdits, TheMovieFieldCannotBeTypedInto)
{
    TFileOpenEdit edit;
    edit.show();
    QTest::keyClicks(edit.Editor(), QStringLiteral("abc"));
    EXPECT_EQ(edit.Filename(), QString());
    edit.setFilename(QStringLiteral("/m/clip.avi"));
    EXPECT_EQ(edit.Text(), QStringLiteral("/m/clip.avi"));
}

TEST(ButtonEdits, DialogFilterMatchesCapitalisedExtensionsToo)
{
    EXPECT_EQ(DialogFilter(QStringLiteral("AVIファイル (*.avi)|*.avi")), QStringLiteral("AVIファイル (*.avi *.AVI)"));
    EXPECT_EQ(DialogFilter(QStringLiteral("Pictures|*.png;*.JPG|All|*")),
              QStringLiteral("Pictures (*.png *.PNG *.JPG);;All (*)"));
}

TEST(ShapeHint, ShowsTheHintOfTheControlUnderTheMouseInAWhiteBalloonWithAShadow)
{
    TShapeHint hint;
    hint.setActive(true);
    QWidget window;
    window.resize(200, 100);
    auto* edit = new QLineEdit(&window);
    edit->setToolTip(QStringLiteral(" 保存先パスの指定"));
    window.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &help);
    QWidget* balloon = hint.Balloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_TRUE(balloon->isVisible());
    const QImage img = balloon->grab().toImage();
    // White inside, black ink of the text, grey shadow along the lower right.
    bool white = false, black = false, grey = false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y) & 0xFFFFFF;
            white |= c == 0xFFFFFF;
            black |= qGray(c) < 60;
            grey |= c == 0x808080;
        }
    EXPECT_TRUE(white && black && grey);
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(hint.Balloon(), nullptr);
}

TEST(ShapeHint, AControlWithoutAHintShowsNothing)
{
    TShapeHint hint;
    hint.setActive(true);
    QWidget window;
    auto* edit = new QLineEdit(&window);
    window.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &help);
    EXPECT_EQ(hint.Balloon(), nullptr);
}
