#pragma once
// A drop-down list whose selection is an index (-1 for none). Choosing an entry
// with the mouse or keyboard fires OnChange; selecting one from code does not.
#include <QComboBox>

namespace fw {

class TComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE setItemIndex)
    Q_PROPERTY(int DropDownCount READ DropDownCount WRITE setDropDownCount)
public:
    explicit TComboBox(QWidget* parent = nullptr);

    int ItemIndex() const { return currentIndex(); }
    // An index outside the list leaves no entry selected.
    void setItemIndex(int index);
    QString Text() const { return currentIndex() >= 0 ? currentText() : QString(); }
    int DropDownCount() const { return maxVisibleItems(); }
    void setDropDownCount(int lines) { setMaxVisibleItems(lines); }

    // The layout has been read: its selection (none unless it names one) takes effect,
    // whatever adding the entries selected on the way.
    Q_INVOKABLE void Loaded();

    // Opens the list in the list's own font and colours (not the desktop's menu look).
    void showPopup() override;

signals:
    void OnChange();

private:
    bool m_loading = true;
    int m_layoutIndex = -1;
};

} // namespace fw
