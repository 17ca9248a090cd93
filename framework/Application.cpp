#include "framework/Application.h"

#include <QFont>
#include <QMessageBox>
#include <QWidget>

#include <exception>

namespace fw {

namespace {
TApplication* g_application = nullptr;

void DefaultDisplay(const QString& message)
{
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(), message);
}

ErrorDisplay& Display()
{
    static ErrorDisplay display = DefaultDisplay;
    return display;
}

bool g_displayReplaced = false;
} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    g_application = this;
    InstallFontSubstitutions();
    // The main form decides when the program ends, not the last visible window.
    setQuitOnLastWindowClosed(false);
}

TApplication::~TApplication()
{
    if (g_application == this)
        g_application = nullptr;
}

void TApplication::Terminate()
{
    m_terminated = true;
    quit();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error"));
    }
    return false;
}

TApplication* Application() { return g_application; }

void ShowException(const QString& message) { Display()(message); }

void ShowMessage(const QString& message)
{
    if (g_displayReplaced)
        Display()(message);
    else
        QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationDisplayName(), message);
}

ErrorDisplay SetErrorDisplay(ErrorDisplay display)
{
    ErrorDisplay previous = std::move(Display());
    const auto* plain = display.target<void (*)(const QString&)>();
    g_displayReplaced = display && !(plain && *plain == DefaultDisplay);
    Display() = display ? std::move(display) : ErrorDisplay(DefaultDisplay);
    return previous;
}

namespace {
unsigned long g_beeps = 0;
}

void MessageBeep()
{
    ++g_beeps;
    QApplication::beep();
}

unsigned long BeepCount() { return g_beeps; }

void InstallFontSubstitutions()
{
    // "ＭＳ Ｐゴシック" is the face the layouts ask for; IPA P Gothic has the same metrics family.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
}

} // namespace fw
