#include "app/Startup.h"

#include "windows/ChangeWindow1.h"
#include "engine/SettingsLocation.h"
#include "framework/Application.h"
#include "windows/MessageWindow1.h"
#include "windows/InfoWindow1.h"
#include "windows/OptionsWindow1.h"
#include "windows/PreviewWindow1.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>

TProgramWindows::TProgramWindows()
    : m_main(std::make_unique<TChangeForm1>()), m_preview(std::make_unique<TPreviewForm1>()),
      m_info(std::make_unique<TInfoForm1>()), m_message(std::make_unique<TMessageForm1>()),
      m_options(std::make_unique<TOptionsForm1>())
{
    m_main->SetPeers(*m_preview, *m_info, *m_message, *m_options);
    m_info->SetPeers(*m_message);
    if (fw::TApplication* app = fw::Application())
        app->SetMainForm(m_main.get());
}

TProgramWindows::~TProgramWindows()
{
    m_options.reset();
    m_message.reset();
    m_info.reset();
    m_preview.reset();
    if (fw::TApplication* app = fw::Application(); app && app->MainForm() == m_main.get())
        app->SetMainForm(nullptr);
    m_main.reset();
}

int RunProgram(int argc, char** argv)
{
    fw::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pomi-pomira-avi"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pomi-Pomira AVI"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.qelto.PomiPomiraAVI"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon-256.png")));
    try {
        TProgramWindows windows;
        TChangeForm1& main = windows.Main();
        main.show();
        // A check of an installation: where the guide and the settings are found,
        // then the window closes the ordinary way (writing its settings).
        if (std::getenv("POMI_PRINT_PATHS_AND_QUIT"))
            QTimer::singleShot(0, &main, [&main] {
                std::printf("guide: %s\nsettings: %s\n", conv::GuidePath(main.ProgramFolder.toStdString()).c_str(),
                            main.SettingsFileName.toStdString().c_str());
                std::fflush(stdout);
                main.close();
            });
        app.exec();
    } catch (const std::exception& e) {
        fw::ShowException(QString::fromUtf8(e.what()));
    }
    return 0;
}
