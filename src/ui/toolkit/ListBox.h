#pragma once

#include "ui/toolkit/SystemColours.h"

#include <QListWidget>
#include <QStringList>

namespace tamsenor {

// A list box: single or extended multiple selection, and, when sorted, each new
// entry goes to its alphabetical place with letters compared without regard to
// case (after any entries that compare equal, so duplicates keep their order).
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    void setSorted(bool sorted) { sorted_ = sorted; }
    bool sorted() const { return sorted_; }
    void setExtendedSelection(bool extended);

    // Appends, or inserts at the sorted place when the list is sorted. Returns the index.
    int addEntry(const QString& text);
    // Adds every text as addEntry would, one after the other, in one quick
    // step: each goes to its sorted place (sorted lists) or to the end.
    // Entries already selected stay selected.
    void addEntries(const QStringList& texts);
    // Appends every text in order, whether sorted or not (a refill).
    void appendEntries(const QStringList& texts);
    void removeEntry(int index);
    int count() const { return QListWidget::count(); }
    QString entry(int index) const;
    QStringList entries() const;

    bool isEntrySelected(int index) const;
    void setEntrySelected(int index, bool selected);
    int selectedCount() const;
    bool hasSelectedEntries() const;
    // The selected index in a single-selection list; -1 when none.
    int selectedIndex() const;
    int firstVisibleIndex() const;

    // Entries wider than the list are shown cut in the middle, so that both
    // the start of a path and its file name stay in view; the list never
    // scrolls sideways.
    void setCutInTheMiddle();

    // The background as the rules name it: the list paints it with that role
    // of its present palette, so it follows a change of theme.
    void setBackgroundColour(PaletteColour colour);
    PaletteColour backgroundColour() const { return background_; }
    // The background colour the list is painted with now.
    QColor paintedBackgroundColour() const;

    // The entry an item stands for (its text, unless the text had to show
    // bytes that are no UTF-8 as replacement characters).
    static QString entryOf(const QListWidgetItem* item);

private:
    void addAll(const QStringList& texts);

    bool sorted_ = false;
    PaletteColour background_ = PaletteColour::system(SystemColour::WindowBackground);
};

} // namespace tamsenor
