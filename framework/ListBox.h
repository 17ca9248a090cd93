#pragma once
// A list of text lines kept in sorted order; the same text may stand in it twice.
#include <QListWidget>

#include <functional>

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
    // What an entry's hint tells below the entry itself, asked when the hint is first
    // shown (a picture's size, read from its file).
    void SetHintOf(std::function<QString(const QString& entry)> hintOf) { m_hintOf = std::move(hintOf); }
    const std::function<QString(const QString&)>& HintOf() const { return m_hintOf; }

private:
    std::function<QString(const QString&)> m_hintOf;
};

} // namespace fw
