// The about window: its three link questions, the hot spots over the addresses,
// dragging by the free spots, and closing.
#include "support/MainWindowFixture.h"
#include "windows/InfoWindow1.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QUrl>

namespace {

// Stands in for the desktop's handler of web and mail links.
class LinkRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class AboutWindowTest : public MainWindowFixture {
protected:
    LinkRecorder links;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        for (const char* scheme : {"https", "http", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &links, "open");
        InfoForm1->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(InfoForm1));
    }

    void TearDown() override
    {
        for (const char* scheme : {"https", "http", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        MainWindowFixture::TearDown();
    }

    // The text of a link label after its prefix ("url : ", "mail : ").
    static QString Address(const fw::TLabel* label)
    {
        const QString caption = label->Caption();
        const qsizetype colon = caption.indexOf(QStringLiteral(" : "));
        return colon < 0 ? caption : caption.mid(colon + 3);
    }

    // A press at `at` in the window, moved by `by` and let go, delivered as the
    // window system would: to the control under the pointer, passed on to its parents
    // while nobody takes it.
    void Drag(QPoint at, QPoint by)
    {
        QWidget* under = InfoForm1->childAt(at);
        QWidget* target = under ? under : InfoForm1;
        const QPoint global = InfoForm1->mapToGlobal(at);
        const auto send = [&](QEvent::Type type, QPoint offset, Qt::MouseButton button, Qt::MouseButtons held) {
            QMouseEvent event(type, target->mapFromGlobal(global + offset), global + offset, button, held, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        };
        send(QEvent::MouseButtonPress, {}, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, by, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, by, Qt::LeftButton, Qt::NoButton);
    }
};

struct Link {
    fw::TSpeedButton* TInfoForm1::*spot;
    fw::TLabel* TInfoForm1::*label;
    int question;
    QString prefix; // what goes before the label's address in the opened link
};

const Link kLinks[] = {
    {&TInfoForm1::SpeedButton1, &TInfoForm1::Label2, 5, {}},
    {&TInfoForm1::SpeedButton4, &TInfoForm1::Label5, 6, {}},
    {&TInfoForm1::SpeedButton3, &TInfoForm1::Label3, 7, QStringLiteral("mailto:")},
};

TEST_F(AboutWindowTest, EachLinkAsksItsQuestionAndOpensTheShownAddressOnlyOnYes)
{
    for (const Link& link : kLinks) {
        fw::TSpeedButton* spot = InfoForm1->*link.spot;
        const QString shown = Address(InfoForm1->*link.label);
        SCOPED_TRACE(shown.toStdString());

        for (Reply reply : {Reply::No, Reply::CloseWindow}) {
            int asked = -1;
            AnswerNextQuestion(reply, &asked);
            QTest::mouseClick(spot, Qt::LeftButton);
            EXPECT_EQ(asked, link.question);
            EXPECT_TRUE(links.opened.isEmpty());
            EXPECT_EQ(MessageForm1->Answer, 0);
        }

        int asked = -1;
        AnswerNextQuestion(Reply::Yes, &asked);
        QTest::mouseClick(spot, Qt::LeftButton);
        EXPECT_EQ(asked, link.question);
        ASSERT_EQ(links.opened.size(), 1);
        EXPECT_EQ(links.opened.front().toString(), link.prefix + shown);
        EXPECT_EQ(MessageForm1->Answer, 0) << "the answer is put back after every question";
        EXPECT_TRUE(InfoForm1->isVisible());
        links.opened.clear();
    }
}

TEST_F(AboutWindowTest, EveryLetterOfAnAddressIsPartOfItsLink)
{
    for (const Link& link : kLinks) {
        const fw::TLabel* label = InfoForm1->*link.label;
        const fw::TSpeedButton* spot = InfoForm1->*link.spot;
        SCOPED_TRACE(label->Caption().toStdString());
        const int textWidth = QFontMetrics(label->font()).horizontalAdvance(label->Caption());
        ASSERT_GT(textWidth, 40);
        // The middle of the first and of the last letter, as the pointer would find them.
        const int y = label->y() + label->height() / 2;
        for (int x : {label->x() + 2, label->x() + textWidth - 2})
            EXPECT_EQ(InfoForm1->Panel1->childAt(QPoint(x, y)), spot) << "x " << x;
    }
}

TEST_F(AboutWindowTest, TheWindowMovesWhenDraggedOutsideItsPanelOnly)
{
    const QPoint start = InfoForm1->pos();
    // On the title picture, on a shadow label over it, on the gradient below the panel.
    int moved = 0;
    for (QPoint at : {QPoint(100, 60), QPoint(120, 172), QPoint(400, 192), QPoint(500, 10)}) {
        SCOPED_TRACE(at.x());
        const QPoint before = InfoForm1->pos();
        Drag(at, {12, 7});
        EXPECT_EQ(InfoForm1->pos(), before + QPoint(12, 7));
        ++moved;
    }
    // Inside the white panel, on its credits and beside its links.
    for (QPoint at : {QPoint(260, 40), QPoint(300, 80), QPoint(480, 160)}) {
        SCOPED_TRACE(at.x());
        const QPoint before = InfoForm1->pos();
        Drag(at, {12, 7});
        EXPECT_EQ(InfoForm1->pos(), before);
    }
    EXPECT_EQ(InfoForm1->pos(), start + moved * QPoint(12, 7));
}

TEST_F(AboutWindowTest, CloseButtonAndAltXCloseTheWindow)
{
    QTest::mouseClick(InfoForm1->SpeedButton2, Qt::LeftButton);
    EXPECT_FALSE(InfoForm1->isVisible());

    InfoForm1->show();
    InfoForm1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(InfoForm1));
    QTest::keyClick(InfoForm1, Qt::Key_X, Qt::AltModifier);
    EXPECT_FALSE(InfoForm1->isVisible());
    EXPECT_TRUE(links.opened.isEmpty());
}

} // namespace

#include "AboutWindowTest.moc"
