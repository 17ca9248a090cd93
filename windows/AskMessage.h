#pragma once
// The question protocol: place the message window at the mouse pointer, ask message
// `no` modally, and hand back the answer.
#include <QPoint>

class TMessageForm1;

// Left x + 2 and top y + 6 of the pointer (x, y), the left kept so that a window
// `width` wide ends at the right edge `screenRight` (one past the last column).
QPoint MessageWindowPosition(QPoint cursor, int screenRight, int width);

// The first half of a question: the message window is placed at the mouse pointer.
void PlaceMessageWindow(TMessageForm1& message);

// Sets MessageNo, shows the window modally where it stands (the asking window gets
// no input meanwhile) and returns the answer (1 yes, 0 anything else); Answer is back
// at 0 for the next question.
int AskPlacedMessage(TMessageForm1& message, int no);

// Places the window at the mouse pointer, then asks as AskPlacedMessage does.
int AskMessage(TMessageForm1& message, int no);
