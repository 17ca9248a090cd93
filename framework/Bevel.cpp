#include "framework/Bevel.h"

#include "framework/StoreIfChanged.h"
#include "framework/Color.h"
#include "framework/GraphicControl.h"
#include "framework/Panel.h"

#include <QPainter>

namespace fw {

TBevel::TBevel(QWidget* parent) : QWidget(parent) { MarkGraphicControl(this); }

void TBevel::setStyle(TBevelStyle style)
{
    if (fw::StoreIfChanged(m_style, style))
        update();
}

void TBevel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_style == bsRaised)
        Frame3D(p, rect(), clBtnHighlight, clBtnShadow, 1);
    else
        Frame3D(p, rect(), clBtnShadow, clBtnHighlight, 1);
}

} // namespace fw
