#include "framework/ComboBox.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace fw {

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // Items drawn as list entries in the view's font and palette, not as menu items.
    setItemDelegate(new QStyledItemDelegate(this));
    connect(this, &QComboBox::activated, this, [this](int) { emit OnChange(); });
}

void TComboBox::setItemIndex(int index)
{
    if (m_loading)
        m_layoutIndex = index;
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

void TComboBox::showPopup()
{
    QAbstractItemView* list = view();
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, QColor(0, 0, 128)); // the classic selection
    colours.setColor(QPalette::HighlightedText, Qt::white);
    for (QWidget* w : {static_cast<QWidget*>(list), list->parentWidget()}) {
        if (!w)
            continue;
        w->setFont(font());
        w->setPalette(colours);
    }
    QComboBox::showPopup();
}

void TComboBox::Loaded()
{
    m_loading = false;
    setItemIndex(m_layoutIndex);
}

} // namespace fw
