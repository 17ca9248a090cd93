#include "framework/ComboBox.h"

namespace fw {

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int) { emit OnChange(); });
}

void TComboBox::setItemIndex(int index)
{
    if (m_loading)
        m_layoutIndex = index;
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

void TComboBox::Loaded()
{
    m_loading = false;
    setItemIndex(m_layoutIndex);
}

} // namespace fw
