#include "framework/ListBox.h"

namespace fw {

namespace {
bool SortsBefore(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}
} // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {}

void TListBox::AddItem(const QString& text)
{
    int lo = 0, hi = count();
    while (lo < hi) { // first entry that sorts after the new one
        const int mid = (lo + hi) / 2;
        if (SortsBefore(text, item(mid)->text()))
            hi = mid;
        else
            lo = mid + 1;
    }
    insertItem(lo, text);
}

QString TListBox::Item(int index) const
{
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

QStringList TListBox::Items() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list << item(i)->text();
    return list;
}

} // namespace fw
