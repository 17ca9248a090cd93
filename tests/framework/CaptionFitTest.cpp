// Every caption of every window fits its control, in the face that stands in for
// the original one (wider at the same height): labels, shadow and fading labels,
// buttons and gradient boxes, in every state the windows give them.
#include "framework/CaptionFit.h"
#include "support/MainWindowFixture.h"
#include "windows/InfoWindow1.h"
#include "windows/PreviewWindow1.h"

namespace {

// The controls whose captions do not fit, with their widths.
QStringList Overflowing(QWidget* window)
{
    QStringList found;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const fw::CaptionSpace space = fw::SpaceOf(control);
        if (space.needed > space.available)
            found << QStringLiteral("%1.%2 \"%3\": %4 > %5")
                         .arg(window->objectName(), control->objectName(), control->property("Caption").toString())
                         .arg(space.needed)
                         .arg(space.available);
    }
    return found;
}

class CaptionFitTest : public MainWindowFixture {};

} // namespace

TEST_F(CaptionFitTest, EveryCaptionOfEveryWindowFitsItsControl)
{
    Start();
    QStringList overflowing;
    for (QWidget* window : std::initializer_list<QWidget*>{ChangeForm1, MessageForm1, InfoForm1, PreviewForm1}) {
        window->show();
        overflowing << Overflowing(window);
    }
    // The image mode's title is the longest the main window shows.
    QTest::mouseClick(ChangeForm1->SSButton2, Qt::LeftButton);
    overflowing << Overflowing(ChangeForm1);
    EXPECT_TRUE(overflowing.isEmpty()) << overflowing.join('\n').toStdString();
    // Some captions needed condensing in this face (the image mode's title, the about
    // window's credits): the fitting is what makes them fit.
    QStringList condensed;
    for (QWidget* window : std::initializer_list<QWidget*>{ChangeForm1, InfoForm1})
        for (QWidget* control : window->findChildren<QWidget*>())
            if (control->font().stretch() > 0 && control->font().stretch() < 100)
                condensed << control->objectName();
    EXPECT_TRUE(condensed.contains(QStringLiteral("FadingLabel1"))) << condensed.join(' ').toStdString();
    EXPECT_TRUE(condensed.contains(QStringLiteral("Label1"))) << condensed.join(' ').toStdString();
}

TEST_F(CaptionFitTest, ACaptionTooWideIsCondensedOnlyAsFarAsNeededAndKeepsItsHeight)
{
    fw::TLabel label;
    label.resize(60, 12);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(11);
    label.setFont(font);
    label.setCaption(QStringLiteral("A caption too wide"));
    const int wide = fw::SpaceOf(&label).needed;
    ASSERT_GT(wide, 60);
    ASSERT_LT(wide, 110);
    fw::FitCaption(&label);
    EXPECT_LE(fw::SpaceOf(&label).needed, 60);
    EXPECT_GT(fw::SpaceOf(&label).needed, 50); // no narrower than it must be
    EXPECT_LT(label.font().stretch(), 100);
    EXPECT_EQ(label.font().pixelSize(), 11);
    // A caption that fits again is drawn at normal width.
    label.setCaption(QStringLiteral("short"));
    fw::FitCaption(&label);
    EXPECT_EQ(label.font().stretch(), QFont::Unstretched);
}
