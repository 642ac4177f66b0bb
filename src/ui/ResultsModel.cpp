#include "ui/ResultsModel.h"

#include "files/LocalText.h"
#include "results/ResultsExport.h"

namespace tamsenor {

ResultsRows LoadResultsRows(const RunResults& results, std::size_t maxBytes)
{
    ResultsRows loaded;
    bool header = true;
    std::size_t bytes = 0;
    loaded.read = ForEachResultsLine(results, [&](const std::vector<std::string_view>& values) {
        QStringList row;
        const bool keep = header || bytes < maxBytes;
        if (keep) {
            for (std::string_view value : values) {
                row << FromLocalBytes(std::string(value));
                bytes += value.size() + 1;
            }
        }
        if (header) {
            header = false;
            loaded.columns = row;
        } else {
            ++loaded.dataRows;
            if (keep)
                loaded.rows.push_back(row);
        }
        return FileResult::success();
    });
    if (header) {
        for (const std::string& name : results.table.columnNames())
            loaded.columns << FromLocalBytes(name);
    }
    return loaded;
}

ResultsModel::ResultsModel(ResultsRows rows, QObject* parent)
    : QAbstractTableModel(parent)
    , rows_(std::move(rows))
{
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.rows.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.columns.size());
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const QStringList& row = rows_.rows[static_cast<std::size_t>(index.row())];
    // A byte that was no UTF-8 is shown as U+FFFD: held as a lone surrogate,
    // it would also keep the filter from ever matching its row.
    return index.column() < row.size() ? ForDisplay(row[index.column()]) : QString();
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section < rows_.columns.size() ? rows_.columns[section] : QVariant();
}

} // namespace tamsenor
