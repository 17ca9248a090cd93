#pragma once
// Captions that fit their controls. The face that stands in for the original one is
// wider at the same pixel height, so a caption that would not fit its control (or,
// sized to its text, would run past its parent's edge) is drawn condensed: the
// font's stretch is narrowed just enough, per control; its height stays the layout's.
#include <QString>

class QWidget;

namespace fw {

struct CaptionSpace {
    int needed = 0;    // the caption's width in the control's font
    int available = 0; // the room the control gives it
};

// The caption's width and its room, for a control with a caption (labels, speed
// buttons, gradient boxes); needed 0 for anything else, or a wrapping label.
CaptionSpace SpaceOf(const QWidget* control);

// Condenses the control's font as far as its caption needs (never below half width)
// and back to normal when it fits again.
void FitCaption(QWidget* control);
// Every captioned control in the window.
void FitCaptions(QWidget* window);

} // namespace fw
