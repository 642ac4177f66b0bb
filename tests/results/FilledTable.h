#pragma once

#include "results/RunResults.h"

#include <optional>
#include <string>
#include <vector>

namespace tamsenor::testing {

using Row = std::vector<std::optional<std::string>>;

inline const std::vector<std::string> SiteColumns { "WebSite", "FileName", "ProcessTime" };

// A table with its header row (each column's own name), as the run builds it,
// followed by `rows`.
inline void Fill(RunResults& results, const std::vector<Row>& rows)
{
    ResultsTable& table = results.table;
    table.addRow();
    for (std::size_t i = 0; i < table.columnCount(); ++i)
        table.setValue(i, table.columnNames()[i]);
    for (const Row& row : rows) {
        table.addRow();
        for (std::size_t i = 0; i < row.size(); ++i)
            if (row[i])
                table.setValue(i, *row[i]);
    }
}

} // namespace tamsenor::testing
