#include "ui/toolkit/ListBox.h"

#include "files/LocalText.h"

#include <QItemSelection>
#include <QStyledItemDelegate>

#include <algorithm>
#include <iterator>
#include <vector>

namespace tamsenor {

namespace {

// A path whose bytes are no UTF-8 shows replacement characters; the entry
// itself keeps every byte, in this role, so that the file can still be used.
constexpr int EntryRole = Qt::UserRole + 1;

QListWidgetItem* MakeItem(const QString& text)
{
    const QString shown = ForDisplay(text);
    auto* item = new QListWidgetItem(shown);
    if (shown != text)
        item->setData(EntryRole, text);
    return item;
}

// Asks for no width of its own: every row then takes the list's width, and
// the style cuts a longer text with the list's elide mode.
class ListWideRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return { 1, QStyledItemDelegate::sizeHint(option, index).height() };
    }
};

} // namespace

QString ListBox::entryOf(const QListWidgetItem* item)
{
    if (!item)
        return {};
    const QVariant kept = item->data(EntryRole);
    return kept.isValid() ? kept.toString() : item->text();
}

void ListBox::addAll(const QStringList& texts)
{
    const bool plain = std::none_of(texts.begin(), texts.end(), [](const QString& t) { return ForDisplay(t) != t; });
    if (plain) {
        addItems(texts); // one model change for the whole list
        return;
    }
    for (const QString& t : texts)
        addItem(MakeItem(t));
}

ListBox::ListBox(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true); // large directories stay quick to show
}

void ListBox::setExtendedSelection(bool extended)
{
    setSelectionMode(extended ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int ListBox::addEntry(const QString& text)
{
    int at = QListWidget::count();
    if (sorted_) {
        // Upper bound: the first entry that compares greater than `text`.
        int lo = 0;
        int hi = at;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (QString::compare(entryOf(item(mid)), text, Qt::CaseInsensitive) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        at = lo;
    }
    insertItem(at, MakeItem(text));
    return at;
}

void ListBox::addEntries(const QStringList& texts)
{
    if (!sorted_) {
        addAll(texts);
        return;
    }
    if (texts.size() < 64) {
        for (const QString& t : texts)
            addEntry(t);
        return;
    }
    // One by one, each new text lands after every equal one already there, so
    // the result is a stable merge of the old entries with the new ones sorted
    // stably. Rebuilding once avoids a row insertion per text.
    auto less = [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; };
    struct Entry {
        QString text;
        bool selected;
    };
    std::vector<Entry> old;
    old.reserve(QListWidget::count());
    for (int i = 0; i < QListWidget::count(); ++i)
        old.push_back({ entryOf(item(i)), item(i)->isSelected() });
    std::vector<Entry> fresh;
    fresh.reserve(texts.size());
    for (const QString& t : texts)
        fresh.push_back({ t, false });
    auto entryLess = [&](const Entry& a, const Entry& b) { return less(a.text, b.text); };
    std::stable_sort(fresh.begin(), fresh.end(), entryLess);
    std::vector<Entry> merged;
    merged.reserve(old.size() + fresh.size());
    std::merge(old.begin(), old.end(), fresh.begin(), fresh.end(), std::back_inserter(merged), entryLess);

    QStringList all;
    all.reserve(static_cast<qsizetype>(merged.size()));
    for (const Entry& e : merged)
        all << e.text;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    clear();
    addAll(all);
    QItemSelection selection;
    for (int i = 0; i < static_cast<int>(merged.size()); ++i)
        if (merged[static_cast<std::size_t>(i)].selected)
            selection.select(model()->index(i, 0), model()->index(i, 0));
    if (!selection.isEmpty())
        selectionModel()->select(selection, QItemSelectionModel::Select);
    setUpdatesEnabled(updates);
}

void ListBox::appendEntries(const QStringList& texts)
{
    addAll(texts);
}

void ListBox::removeEntry(int index)
{
    delete takeItem(index);
}

QString ListBox::entry(int index) const
{
    const QListWidgetItem* it = item(index);
    return entryOf(it);
}

QStringList ListBox::entries() const
{
    QStringList out;
    out.reserve(QListWidget::count());
    for (int i = 0; i < QListWidget::count(); ++i)
        out << entryOf(item(i));
    return out;
}

bool ListBox::isEntrySelected(int index) const
{
    const QListWidgetItem* it = item(index);
    return it && it->isSelected();
}

void ListBox::setEntrySelected(int index, bool selected)
{
    if (QListWidgetItem* it = item(index))
        it->setSelected(selected);
}

int ListBox::selectedCount() const
{
    return static_cast<int>(selectionModel()->selectedRows().size());
}

bool ListBox::hasSelectedEntries() const
{
    return selectionModel()->hasSelection();
}

int ListBox::selectedIndex() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::setCutInTheMiddle()
{
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new ListWideRows(this));
}

void ListBox::setBackgroundColour(PaletteColour colour)
{
    background_ = colour;
    viewport()->setBackgroundRole(colour.role());
}

QColor ListBox::paintedBackgroundColour() const
{
    return viewport()->palette().color(viewport()->backgroundRole());
}

int ListBox::firstVisibleIndex() const
{
    QListWidgetItem* it = itemAt(QPoint(1, 1));
    return it ? row(it) : 0;
}

} // namespace tamsenor
