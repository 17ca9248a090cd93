#include "widgets/VelFadingLabel.h"

TVelFadingLabel::TVelFadingLabel(QWidget* parent) : fw::TLabel(parent) {}

void TVelFadingLabel::paintEvent(QPaintEvent* event)
{
    if (isEnabled())
        fw::TLabel::paintEvent(event);
}
