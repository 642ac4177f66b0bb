#pragma once

#include "results/ResultsTable.h"
#include "text/Extract.h"

namespace tamsenor {

// Hands the extraction pass's rows to the run's results table.
class ResultsRowSink : public text::RowSink {
public:
    explicit ResultsRowSink(ResultsTable& table)
        : table_(table)
    {
    }

    void addRow() override { table_.addRow(); }
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
