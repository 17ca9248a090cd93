#pragma once
// The application object: the one place where exceptions leaving an event handler
// end up (the standard error display), the face-name substitutions of the layouts,
// and the flag that the program is terminating.
#include <QApplication>
#include <functional>

class QWidget;

namespace fw {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Set once the program has begun to end; long-running waits stop on it.
    bool Terminated() const { return m_terminated; }
    void Terminate();
    // Lets a new main form run after the previous one ended the program (tests).
    void ClearTerminated() { m_terminated = false; }

    // The window whose closing ends the program.
    void SetMainForm(QWidget* form) { m_mainForm = form; }
    QWidget* MainForm() const { return m_mainForm; }

private:
    bool m_terminated = false;
    QWidget* m_mainForm = nullptr;
};

TApplication* Application(); // nullptr before one exists

// Shows an error text the way the program shows every unhandled error: a message
// box over the active window. Tests replace the display to look at the texts.
void ShowException(const QString& message);
// A notice of the program's own in a standard message box with one OK button; it goes
// through the same display, so tests see both.
void ShowMessage(const QString& message);
using ErrorDisplay = std::function<void(const QString&)>;
ErrorDisplay SetErrorDisplay(ErrorDisplay display); // returns the previous one

// The default beep, and how many have sounded since the program started.
void MessageBeep();
unsigned long BeepCount();

// Makes the layouts' Japanese face name render with the installed stand-in font.
void InstallFontSubstitutions();

} // namespace fw
