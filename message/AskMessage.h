#pragma once
// The question protocol: place the message window at the mouse pointer, ask message
// `no` modally, and hand back the answer.
#include <QPoint>

// Left x + 2 and top y + 6 of the pointer (x, y), the left kept so that a window
// `width` wide ends at the right edge `screenRight` (one past the last column).
QPoint MessageWindowPosition(QPoint cursor, int screenRight, int width);

// The first half of a question: the message window is placed at the mouse pointer.
void PlaceMessageWindow();

// Places the window, sets MessageNo, shows it modally (the asking window gets no
// input meanwhile) and returns Answer (1 yes, 0 anything else). The caller sets
// MessageForm1->Answer back to 0 when done.
int AskMessage(int no);
