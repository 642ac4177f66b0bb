#pragma once

#include "text/Extract.h"

#include <string>
#include <vector>

namespace tamsenor::text::testing {

// Rows of a fixed width held in memory; counts every use the contract forbids
// (a column outside the row, a value without a row, deleting from no rows).
class VectorRowSink : public RowSink {
public:
    explicit VectorRowSink(std::size_t width)
        : width(width)
    {
    }

    std::size_t width;
    std::vector<std::vector<std::string>> rows;
    long misuses = 0;

    void addRow() override { rows.emplace_back(width); }
    void setValue(std::size_t column, const std::string& value) override
    {
        if (rows.empty() || column >= width) {
            ++misuses;
            return;
        }
        rows.back()[column] = value;
    }
    std::string value(std::size_t column) const override
    {
        if (rows.empty() || column >= width)
            return {};
        return rows.back()[column];
    }
    void deleteLastRow() override
    {
        if (rows.empty()) {
            ++misuses;
            return;
        }
        rows.pop_back();
    }

    // One column of every row, top to bottom.
    std::vector<std::string> column(std::size_t index) const
    {
        std::vector<std::string> values;
        for (const auto& row : rows)
            values.push_back(row.at(index));
        return values;
    }
};

} // namespace tamsenor::text::testing
