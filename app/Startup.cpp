#include "app/Startup.h"

#include "windows/ChangeWindow1.h"
#include "engine/SettingsLocation.h"
#include "framework/Application.h"
#include "windows/MessageWindow1.h"
#include "windows/InfoWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>

void CreateForms()
{
    ChangeForm1 = new TChangeForm1;
    if (fw::TApplication* app = fw::Application())
        app->SetMainForm(ChangeForm1);
    PreviewForm1 = new TPreviewForm1;
    QObject::connect(PreviewForm1, &TPreviewForm1::Closed, ChangeForm1, [] { ChangeForm1->GKitMSPlay1->Play(); });
    InfoForm1 = new TInfoForm1;
    MessageForm1 = new TMessageForm1;
}

void DestroyForms()
{
    delete MessageForm1;
    MessageForm1 = nullptr;
    delete InfoForm1;
    InfoForm1 = nullptr;
    delete PreviewForm1;
    PreviewForm1 = nullptr;
    if (fw::TApplication* app = fw::Application(); app && app->MainForm() == ChangeForm1)
        app->SetMainForm(nullptr);
    delete ChangeForm1;
    ChangeForm1 = nullptr;
}

int RunProgram(int argc, char** argv)
{
    fw::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pomi-pomira-avi"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pomi-Pomira AVI"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.qelto.PomiPomiraAVI"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon-256.png")));
    try {
        CreateForms();
        ChangeForm1->show();
        // A check of an installation: where the guide and the settings are found,
        // then the window closes the ordinary way (writing its settings).
        if (std::getenv("POMI_PRINT_PATHS_AND_QUIT"))
            QTimer::singleShot(0, [] {
                std::printf("guide: %s\nsettings: %s\n",
                            conv::GuidePath(ChangeForm1->ProgramFolder.toStdString()).c_str(),
                            ChangeForm1->SettingsFileName.toStdString().c_str());
                std::fflush(stdout);
                ChangeForm1->close();
            });
        app.exec();
    } catch (const std::exception& e) {
        fw::ShowException(QString::fromUtf8(e.what()));
    }
    DestroyForms();
    return 0;
}
