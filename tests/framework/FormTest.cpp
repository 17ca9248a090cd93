// Handlers bound by name from the layout, exceptions shown by the standard error
// display, and modal showing.
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Form.h"
#include "framework/HandlerBinding.h"
#include "framework/MessagePump.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class Clicker : public QPushButton {
    Q_OBJECT
public:
    Clicker(QWidget* parent) : QPushButton(parent) { connect(this, &QPushButton::clicked, this, &Clicker::OnClick); }
signals:
    void OnClick();
};

class TestForm : public fw::TForm {
    Q_OBJECT
public:
    int clicks = 0;
    using fw::TForm::LoadLayout;
public slots:
    void ButtonClick() { ++clicks; }
    void FailingClick() { throw fw::Exception("ファイルが見つかりません"); }
};

} // namespace

TEST(HandlerBinding, ConnectsTheNamedHandler)
{
    TestForm form;
    auto* b = new Clicker(&form);
    b->setObjectName(QStringLiteral("Button1"));
    b->setProperty("OnClick", QStringLiteral("ButtonClick"));
    form.LoadLayout();
    b->click();
    b->click();
    EXPECT_EQ(form.clicks, 2);
}

TEST(HandlerBinding, AMissingHandlerIsNamedInTheError)
{
    TestForm form;
    form.setObjectName(QStringLiteral("Form1"));
    auto* b = new Clicker(&form);
    b->setObjectName(QStringLiteral("Button1"));
    b->setProperty("OnClick", QStringLiteral("NoSuchClick"));
    try {
        fw::BindHandlers(&form);
        FAIL() << "no error";
    } catch (const fw::Exception& e) {
        EXPECT_NE(std::string(e.what()).find("NoSuchClick"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Button1"), std::string::npos);
    }
}

TEST(ErrorDisplay, AnExceptionLeavingAHandlerIsShownAndTheProgramGoesOn)
{
    TestForm form;
    auto* failing = new Clicker(&form);
    failing->setProperty("OnClick", QStringLiteral("FailingClick"));
    auto* working = new Clicker(&form);
    working->setProperty("OnClick", QStringLiteral("ButtonClick"));
    working->move(0, 40);
    form.LoadLayout();
    form.show();
    QStringList shown;
    auto previous = fw::SetErrorDisplay([&](const QString& text) { shown << text; });
    QTest::mouseClick(failing, Qt::LeftButton);
    QTest::mouseClick(working, Qt::LeftButton);
    fw::SetErrorDisplay(previous);
    EXPECT_EQ(shown, QStringList{QStringLiteral("ファイルが見つかりません")});
    EXPECT_EQ(form.clicks, 1);
}

TEST(Form, ShowModalReturnsWhenTheWindowIsClosed)
{
    TestForm form;
    int showEvents = 0;
    QObject::connect(&form, &fw::TForm::OnShow, [&] { ++showEvents; });
    QTimer::singleShot(20, &form, [&] {
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.Modal());
        form.close();
    });
    EXPECT_EQ(form.ShowModal(), fw::mrCancel);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(showEvents, 1);
}

TEST(MessagePump, TimedWaitsKeepEventsRunning)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    const auto start = fw::GetTickCount();
    fw::WaitPumping(60);
    const auto elapsed = fw::GetTickCount() - start;
    EXPECT_GE(elapsed, 60u);
    EXPECT_LT(elapsed, 1000u);
    EXPECT_GE(ticks, 3);
}

#include "FormTest.moc"
