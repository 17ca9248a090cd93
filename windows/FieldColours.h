#pragma once
// The look every field of the windows shares.
class QWidget;

// White text on silver for the edit, list and spin fields.
void ApplyFieldColours(QWidget* field);
