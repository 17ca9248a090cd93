#include "framework/ListBox.h"

#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <optional>

namespace fw {

namespace {
bool SortsBefore(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}
} // namespace

// An entry whose hint shows it whole, and below it what the list's HintOf tells of
// it, asked the first time the hint is wanted (by whatever shows hints).
class HintedItem : public QListWidgetItem {
public:
    explicit HintedItem(const QString& text) : QListWidgetItem(text) {}
    QVariant data(int role) const override
    {
        if (role != Qt::ToolTipRole)
            return QListWidgetItem::data(role);
        if (!m_hint) {
            m_hint = text();
            const auto* list = qobject_cast<const TListBox*>(listWidget());
            if (const QString more = list && list->HintOf() ? list->HintOf()(text()) : QString(); !more.isEmpty())
                *m_hint += QLatin1Char('\n') + more;
        }
        return *m_hint;
    }

private:
    mutable std::optional<QString> m_hint;
};

// Entries too wide for the list lose their middle, never their end: for a path, the
// file's name stays in sight.
class MiddleElidingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
        if (const auto* list = qobject_cast<const TListBox*>(parent()))
            option->text = list->ShownText(index.row());
    }
};

TListBox::TListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new MiddleElidingDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString TListBox::ShownText(int index) const
{
    // The room the view's own drawing leaves for text: the viewport less the item's margins.
    const int room = viewport()->width() - 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    return fontMetrics().elidedText(Item(index), Qt::ElideMiddle, std::max(room, 0));
}

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
    insertItem(lo, new HintedItem(text));
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
