#pragma once

#include "io/FileResult.h"
#include "results/RunResults.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <cstddef>
#include <vector>

namespace tamsenor {

// The rows of a results table as the results window shows them: the header
// row's values as the column titles, then the data rows, each value as the
// results file has it (a tab, CR or LF inside as a space).
struct ResultsRows {
    QStringList columns;
    std::vector<QStringList> rows;
    std::size_t dataRows = 0; // every data row of the table, those not loaded included
    FileResult read; // why not every row could be read back; ok otherwise
    bool complete() const { return read.ok && rows.size() == dataRows; }
};

// Reads the rows of `results`, those moved out to disk first, keeping data
// rows until they take `maxBytes` (in the results file's bytes); the rest are
// only counted, so that a table too big for memory still opens.
// Example: a table of a header row and 3 data rows, maxBytes 0 -> columns
// from the header, no rows, dataRows 3.
ResultsRows LoadResultsRows(const RunResults& results, std::size_t maxBytes);

// A read-only table model over loaded rows; values are shown as ForDisplay
// makes them.
class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsModel(ResultsRows rows, QObject* parent = nullptr);

    const ResultsRows& loaded() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    ResultsRows rows_;
};

} // namespace tamsenor
