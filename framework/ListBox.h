#pragma once
// A list of text lines kept in sorted order; the same text may stand in it twice.
#include <QListWidget>

namespace fw {

class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    // Inserts `text` at its sorted place: letter case ignored first, then by code
    // point; an equal entry already there stays before the new one.
    void AddItem(const QString& text);
    int Count() const { return count(); }
    QString Item(int index) const;
    QStringList Items() const;
    // The entry as the list draws it: shortened in the middle when it does not fit.
    QString ShownText(int index) const;
    void Clear() { clear(); }
};

} // namespace fw
