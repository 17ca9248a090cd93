#include "framework/LayoutProperties.h"

#include "framework/ColorQt.h"

#include <QVariant>
#include <QWidget>

namespace fw {

namespace {
void ApplyFontHeight(QWidget* w)
{
    const QVariant height = w->property("FontHeight");
    if (!height.isValid())
        return;
    QFont f = w->font();
    f.setPixelSize(height.toInt());
    w->setFont(f);
}
} // namespace

void ApplyLayoutProperties(QWidget* form)
{
    ApplyFontHeight(form);
    for (QWidget* child : form->findChildren<QWidget*>())
        ApplyFontHeight(child);
    const QVariant color = form->property("Color");
    if (color.isValid()) {
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, ToQColor(ColorFromText(color.toString())));
        form->setPalette(pal);
        form->setAutoFillBackground(true);
    }
}

} // namespace fw
