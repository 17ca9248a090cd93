#pragma once
// The program's four windows, created as start-up creates them, with the settings
// file in a scratch folder; questions are answered by the test.
#include "windows/ChangeWindow1.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "windows/InfoWindow1.h"
#include "windows/MessageWindow1.h"
#include "windows/OptionsWindow1.h"
#include "windows/PreviewWindow1.h"
#include "support/TempDir.h"

#include <memory>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

enum class Reply { Yes, No, CloseWindow };

class MainWindowFixture : public ::testing::Test {
protected:
    TempDir dir;
    std::string iniPath;
    QStringList errorsShown; // what the standard error display showed
    fw::ErrorDisplay previousDisplay;
    std::unique_ptr<TProgramWindows> windows;
    // The windows, by the names the program gives them.
    TChangeForm1* ChangeForm1 = nullptr;
    TPreviewForm1* PreviewForm1 = nullptr;
    TInfoForm1* InfoForm1 = nullptr;
    TMessageForm1* MessageForm1 = nullptr;
    TOptionsForm1* OptionsForm1 = nullptr;

    void SetUp() override
    {
        previousDisplay = fw::SetErrorDisplay([this](const QString& text) { errorsShown << text; });
        windows = std::make_unique<TProgramWindows>();
        ChangeForm1 = &windows->Main();
        PreviewForm1 = &windows->Preview();
        InfoForm1 = &windows->Info();
        MessageForm1 = &windows->Message();
        OptionsForm1 = &windows->Options();
        iniPath = dir.File("Pomi_Pomira.ini");
        ChangeForm1->SettingsFileName = QString::fromStdString(iniPath);
        ChangeForm1->ProgramFolder = QString::fromStdString(dir.Path());
        ChangeForm1->CommandLine.clear();
    }

    void TearDown() override
    {
        windows.reset();
        ChangeForm1 = nullptr, PreviewForm1 = nullptr, InfoForm1 = nullptr, MessageForm1 = nullptr;
        OptionsForm1 = nullptr;
        fw::Application()->ClearTerminated();
        fw::SetErrorDisplay(previousDisplay);
    }

    // Shows the main window, which restores the settings (FormShow).
    void Start() { ChangeForm1->show(); }

    std::string IniText() const { return TempDir::Read(iniPath); }

    // Drops `files` on the main window as the desktop does.
    void Drop(const QStringList& files)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& f : files)
            urls << QUrl::fromLocalFile(f);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ChangeForm1, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ChangeForm1, &drop);
    }

    // Answers the next question the message window asks; `asked` receives its number.
    void AnswerNextQuestion(Reply reply, int* asked = nullptr)
    {
        // Owned by the message window, so a question never asked leaves no answer
        // waiting for the next test.
        TMessageForm1* const MessageForm1 = this->MessageForm1;
        auto* poll = new QTimer(MessageForm1);
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [=] {
            if (!MessageForm1->isVisible())
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
