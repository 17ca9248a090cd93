#pragma once
// The program's windows, made in their fixed order, each handed the peers it uses.
#include <memory>

class TChangeForm1;
class TPreviewForm1;
class TInfoForm1;
class TMessageForm1;
class TOptionsForm1;

// The main, preview, about and message windows, made hidden in this order (then the
// options window, beyond them) and destroyed the last made first; the main window becomes the one whose closing ends
// the program. All of them live as long as this object.
class TProgramWindows {
public:
    TProgramWindows();
    ~TProgramWindows();
    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    TChangeForm1& Main() const { return *m_main; }
    TPreviewForm1& Preview() const { return *m_preview; }
    TInfoForm1& Info() const { return *m_info; }
    TMessageForm1& Message() const { return *m_message; }
    TOptionsForm1& Options() const { return *m_options; }

private:
    std::unique_ptr<TChangeForm1> m_main;
    std::unique_ptr<TPreviewForm1> m_preview;
    std::unique_ptr<TInfoForm1> m_info;
    std::unique_ptr<TMessageForm1> m_message;
    std::unique_ptr<TOptionsForm1> m_options;
};

// The whole program: the windows, the message loop, the end. Returns 0.
int RunProgram(int argc, char** argv);
