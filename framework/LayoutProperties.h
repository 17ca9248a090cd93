#pragma once
// Layout values that Qt's layout format cannot say directly, stored as dynamic
// properties: FontHeight (character height in pixels) on any control, and Color
// (a colour name or number) for a window's background.
class QWidget;

namespace fw {

void ApplyLayoutProperties(QWidget* form);

} // namespace fw
