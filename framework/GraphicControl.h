#pragma once
// Controls drawn on their parent's surface (labels, pictures, shapes, gradient boxes).
// On a window that is moved by pressing any free spot they take no mouse input:
// the press belongs to the window.
class QWidget;

namespace fw {

void MarkGraphicControl(QWidget* control);
bool IsGraphicControl(const QWidget* control);

// Lets presses on the form's own graphic controls fall through to the form.
void PassMouseThroughGraphicControls(QWidget* form);

} // namespace fw
