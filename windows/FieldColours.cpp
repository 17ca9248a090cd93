#include "windows/FieldColours.h"

#include <QPalette>
#include <QWidget>

void ApplyFieldColours(QWidget* field)
{
    QPalette pal = field->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, QColor(192, 192, 192));
        pal.setColor(group, QPalette::Button, QColor(192, 192, 192));
        pal.setColor(group, QPalette::Text, Qt::white);
        pal.setColor(group, QPalette::ButtonText, Qt::white);
        pal.setColor(group, QPalette::WindowText, Qt::white);
    }
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(192, 192, 192));
    pal.setColor(QPalette::Disabled, QPalette::Button, QColor(192, 192, 192));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    // No engraved white copy under greyed text: on silver it made the text look enabled.
    pal.setColor(QPalette::Disabled, QPalette::Light, QColor(192, 192, 192));
    field->setPalette(pal);
}
