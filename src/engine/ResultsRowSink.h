#pragma once

#include "results/ResultsTable.h"
#include "text/Extract.h"

#include <stdexcept>

namespace tamsenor {

// The results table could not move its rows out of memory: the run must end,
// as its results could no longer be saved whole. Carries the system's reason.
class RowsNotKept : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Hands the extraction pass's rows to the run's results table. The pass works
// on the last row only (it adds one, fills it, and deletes it when it stays
// empty), so every row before the last is complete and may leave memory.
class ResultsRowSink : public text::RowSink {
public:
    explicit ResultsRowSink(ResultsTable& table)
        : table_(table)
    {
    }

    // Throws RowsNotKept when the table failed to move rows out.
    void addRow() override
    {
        table_.addRow();
        if (!table_.spillResult())
            throw RowsNotKept(table_.spillResult().reason);
    }
    void setValue(std::size_t column, const std::string& value) override { table_.setValue(column, value); }
    std::string value(std::size_t column) const override { return table_.value(column).value_or(std::string()); }
    void deleteLastRow() override
    {
        table_.moveLast();
        table_.deleteCurrent();
    }

private:
    ResultsTable& table_;
};

} // namespace tamsenor
