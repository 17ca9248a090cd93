// The message window: its balloon shape, the typing of each question through the
// markup renderer, and the answers.
#include "framework/RegionData.h"
#include "windows/AskMessage.h"
#include "support/MainWindowFixture.h"

#include <QElapsedTimer>

namespace {

class MessageWindowTest : public MainWindowFixture {
protected:
    // Shows the window with `no`, running `during` every 10 ms while it is up.
    void Ask(int no, const std::function<void()>& during)
    {
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, during);
        poll.start();
        MessageForm1->MessageNo = no;
        MessageForm1->ShowModal();
    }
};

} // namespace

TEST_F(MessageWindowTest, TheMainWindowGivesTheBalloonItsShapeBeforeTheFirstQuestion)
{
    EXPECT_TRUE(MessageForm1->mask().isEmpty());
    Start();
    QFile f(QStringLiteral(":/pictures/balloon.rgn"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(MessageForm1->mask(), *fw::DataToRegion(fw::RegionData(bytes.begin(), bytes.end())));
    EXPECT_FALSE(MessageForm1->mask().contains(QPoint(0, 0)));  // outside the tail
    EXPECT_FALSE(MessageForm1->mask().contains(QPoint(10, 80))); // the bottom row
    EXPECT_TRUE(MessageForm1->mask().contains(QPoint(140, 40)));
}

TEST_F(MessageWindowTest, YesDuringTheTypingAnswersAtOnceTheWindowClosesWhenComplete)
{
    Start();
    bool pressed = false, visibleAfterPress = false;
    QElapsedTimer clock;
    clock.start();
    Ask(4, [&] {
        if (!pressed && MessageForm1->CurrentRenderer()) {
            QTest::mouseClick(MessageForm1->SSButton1, Qt::LeftButton);
            pressed = true;
            visibleAfterPress = MessageForm1->isVisible();
            EXPECT_EQ(MessageForm1->Answer, 1);
        }
    });
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(visibleAfterPress);
    EXPECT_FALSE(MessageForm1->isVisible());
    EXPECT_EQ(MessageForm1->Answer, 1);
    // Message 4 has 40 characters at 45 ms: the window waited for the last of them.
    EXPECT_GT(clock.elapsed(), 1500);
}

TEST_F(MessageWindowTest, HoldingTheButtonShowsTheRestAtOnceAndTheNextIsTypedAtItsPace)
{
    Start();
    QElapsedTimer clock;
    clock.start();
    Ask(3, [&] {
        if (MessageForm1->CurrentRenderer()) {
            QTest::mousePress(MessageForm1->Image1, Qt::LeftButton);
            QTest::mouseClick(MessageForm1->SSButton2, Qt::LeftButton);
        }
    });
    QTest::mouseRelease(MessageForm1->Image1, Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(MessageForm1->Answer, 0);
    clock.restart();
    bool answered = false;
    Ask(3, [&] {
        if (!answered && MessageForm1->CurrentRenderer()) {
            answered = true;
            QTest::mouseClick(MessageForm1->SSButton2, Qt::LeftButton);
        }
    });
    EXPECT_GT(clock.elapsed(), 500); // 17 characters at 45 ms
}

TEST_F(MessageWindowTest, ClosingOtherwiseAnswersZeroAndAnActivationTypesItAgain)
{
    Start();
    int typings = 0;
    bool wasTyping = false, reactivated = false;
    Ask(3, [&] {
        const bool typing = MessageForm1->CurrentRenderer() != nullptr;
        if (typing && !wasTyping)
            ++typings;
        wasTyping = typing;
        if (!typing && typings == 1 && !reactivated) {
            reactivated = true; // the window becomes active again: typed once more
            QTimer::singleShot(0, [this] {
                QEvent activate(QEvent::WindowActivate);
                QCoreApplication::sendEvent(MessageForm1, &activate);
            });
        } else if (!typing && typings >= 2) {
            MessageForm1->close();
        }
    });
    EXPECT_EQ(typings, 2);
    EXPECT_EQ(MessageForm1->Answer, 0);
}

TEST_F(MessageWindowTest, EveryCatalogueLineHasItsKeyWordsBoldAndColouredThenBlack)
{
    TMessageOut out;
    out.Image = MessageForm1->Image1;
    out.Left = 1, out.Top = 5, out.Right = 208, out.Bottom = 60;
    const std::vector<int> keyWords = {2, 2, 1, 0, 0, 1, 1, 0};
    for (int no = 0; no < 8; ++no) {
        const std::string line = MessageForm1->CatalogueLine(no).toStdString();
        ASSERT_FALSE(line.empty()) << no;
        int bold = 0, plainBlack = 0;
        int previous = skNone;
        const std::unique_ptr<TDrawStep> chain = out.Layout(line, 4);
        for (const TDrawStep* s = chain.get(); s; s = s->Next.get()) {
            if (s->Kind == skColor && previous == skBold && s->Value != int(clBlack))
                ++bold;
            if (s->Kind == skColor && previous == skPlain && s->Value == int(clBlack))
                ++plainBlack;
            if (s->Kind != skCharWait)
                previous = s->Kind;
        }
        EXPECT_EQ(bold, keyWords[no]) << no;
        EXPECT_EQ(plainBlack, keyWords[no]) << no;
    }
}
