#pragma once
// The markup text renderer: types one string of marked-up text into a picture
// control. Tags in "<...>" choose the font size ("+n", "-n"), style ("B", "I", "N"),
// colour ("cl..." names, "0x..." numbers), typing speed ("FAST", "NORMAL", "SLOW"),
// pauses ("Wn", n tenths of a second) and click-to-continue stops ("KEY"); "#" breaks
// the line. The text is first laid out into a chain of drawing steps, then the steps
// are run one by one, each freed after it has run. Waits keep the event loop going,
// so the window stays responsive while the text is typed.
#include "framework/CanvasFont.h"
#include "framework/Color.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <string>

namespace fw {
class TImage;
}

enum TStepKind : std::int32_t {
    skNone,
    skText,
    skSizeUp,
    skSizeDown,
    skPlain,
    skBold,
    skItalic,
    skColor,
    skFast,
    skNormalSpeed,
    skSlow,
    skKeyWait,
    skPause,
    skCharWait,
    skLineHead,
    skClearPage,
    skNextLine,
    skScroll,
};

// One drawing step; a new step is all zero (kind skNone does nothing).
struct TDrawStep {
    std::int32_t Kind = skNone;
    std::int32_t Value = 0;  // size change, colour, delay in ms, line height or pause count
    std::int32_t X = 0;      // relative to Left (text steps and click stops)
    std::int32_t Start = 0;  // 1-based byte index of the step's text in the source
    std::int32_t Length = 0; // bytes of the step's text
    std::unique_ptr<TDrawStep> Next;

    TDrawStep() = default;
    TDrawStep(TDrawStep&&) = default;
    TDrawStep& operator=(TDrawStep&&) = default;
    ~TDrawStep(); // frees the rest of the chain without deep recursion
};

class TMessageOut {
public:
    TMessageOut();
    TMessageOut(const TMessageOut&) = delete;
    TMessageOut& operator=(const TMessageOut&) = delete;

    // Draws `text` (UTF-8) into Image in `mode` (0 to 5, see Layout). False at once
    // when this renderer is already drawing; true when the whole text is drawn or the
    // program is ending. The canvas font is as before afterwards. A colour tag that is
    // neither a colour name nor a number raises fw::Exception "'name' は整数ではありません"
    // before anything is drawn; the renderer then stays busy.
    bool Render(const std::string& text, int mode);

    // The host's mouse presses on the picture: a press ends a click stop, or else
    // makes the rest come out without its timed waits while the button is held.
    void NotifyMouseDown();
    void NotifyMouseUp();

    // The chain of drawing steps for `text` in `mode`, measured in Image's canvas
    // font, which it leaves as it found it; the chain ends in an empty step. Render's
    // first pass, callable on its own.
    std::unique_ptr<TDrawStep> Layout(const std::string& text, int mode);

    fw::TImage* Image = nullptr;
    QImage TextLayer; // scroll modes, during a drawing: the text on black
    QImage MaskLayer; // scroll modes, during a drawing: the text in black on white
    int Left = 0;
    int Right = 0;
    int Top = 0;
    int Bottom = 0;
    int LineTop = 0;
    int Delay = 45;
    bool Busy = false;
    bool WaitsHonoured = true;
    bool KeyWaiting = false;
    bool KeyAtBreak = false;
    bool KeyAtEnd = false;
    int FastDelay = 20;
    int NormalDelay = 45;
    int SlowDelay = 120;
    int DefaultDelay = 45;
    std::string KeyMark = "〆";
    bool BlinkMark = true;
    int BlinkInterval = 200;
    bool Shadow = true;
    TColor ShadowColor = clSilver;
    bool Animate = true;
    QImage Backdrop; // the picture as it was when the drawing started

    // The heights of the line being drawn and of the one before it.
    int CurLineHeight = 0;
    int PrevLineHeight = 0;

private:
    void Execute(std::unique_ptr<TDrawStep> chain, int mode);
    void Run(const TDrawStep& step, bool scrolling);
    void DrawTextStep(const TDrawStep& step, bool scrolling);
    void KeyWait(const TDrawStep& step);
    void Scroll();
    void Wait(int ms);

    std::string m_text;   // the text being drawn
    fw::TCanvasFont m_font; // the canvas font while drawing
    fw::TCanvasFont m_layerFont;
};
