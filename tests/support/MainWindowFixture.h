#pragma once
// The program's four windows, created as start-up creates them, with the settings
// file in a scratch folder; questions are answered by the test.
#include "windows/ChangeWindow1.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "windows/MessageWindow1.h"
#include "support/TempDir.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

enum class Reply { Yes, No, CloseWindow };

class MainWindowFixture : public ::testing::Test {
protected:
    TempDir dir;
    std::string iniPath;
    QStringList errorsShown; // what the standard error display showed
    fw::ErrorDisplay previousDisplay;

    void SetUp() override
    {
        previousDisplay = fw::SetErrorDisplay([this](const QString& text) { errorsShown << text; });
        CreateForms();
        iniPath = dir.File("Pomi_Pomira.ini");
        ChangeForm1->SettingsFileName = QString::fromStdString(iniPath);
        ChangeForm1->ProgramFolder = QString::fromStdString(dir.Path());
        ChangeForm1->CommandLine.clear();
    }

    void TearDown() override
    {
        DestroyForms();
        fw::Application()->ClearTerminated();
        fw::SetErrorDisplay(previousDisplay);
    }

    // Shows the main window, which restores the settings (FormShow).
    void Start() { ChangeForm1->show(); }

    std::string IniText() const { return TempDir::Read(iniPath); }

    // Answers the next question the message window asks; `asked` receives its number.
    static void AnswerNextQuestion(Reply reply, int* asked = nullptr)
    {
        // Owned by the message window, so a question never asked leaves no answer
        // waiting for the next test.
        auto* poll = new QTimer(MessageForm1);
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [=] {
            if (!MessageForm1 || !MessageForm1->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            if (asked)
                *asked = MessageForm1->MessageNo;
            // A reader in a hurry holds the button down on the text: the rest of the
            // question comes out at once.
            QTest::mousePress(MessageForm1->Image1, Qt::LeftButton);
            if (reply == Reply::Yes)
                QTest::mouseClick(MessageForm1->SSButton1, Qt::LeftButton);
            else if (reply == Reply::No)
                QTest::mouseClick(MessageForm1->SSButton2, Qt::LeftButton);
            else
                MessageForm1->close();
        });
        poll->start();
    }
};
