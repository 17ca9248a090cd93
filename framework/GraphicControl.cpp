#include "framework/GraphicControl.h"

#include <QVariant>
#include <QWidget>

namespace fw {

void MarkGraphicControl(QWidget* control) { control->setProperty("fwGraphicControl", true); }

bool IsGraphicControl(const QWidget* control) { return control->property("fwGraphicControl").toBool(); }

void PassMouseThroughGraphicControls(QWidget* form)
{
    for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (IsGraphicControl(child))
            child->setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

} // namespace fw
