#pragma once

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace tamsenor {

// The results table (rstWF): named text columns, unique names, rows kept in the
// order they were added, a current row. Values are kept whole (no cut at the
// declared 200 characters: a cut web address is a wrong address).
class ResultsTable {
public:
    static constexpr std::size_t DeclaredColumnSize = 200;

    // Appends a column; false (nothing added) when the name is already present.
    bool appendColumn(const std::string& name);
    std::size_t columnCount() const { return columns_.size(); }
    const std::vector<std::string>& columnNames() const { return columns_; }

    std::size_t rowCount() const { return rows_.size(); }

    // Appends an empty row (no values) and makes it current.
    void addRow();
    // Stores a value in column i of the current row; false when no row is current or i is out of range.
    bool setValue(std::size_t column, const std::string& value);
    // The value of column i of the current row; nullopt when none was set.
    std::optional<std::string> value(std::size_t column) const;

    void moveFirst();
    void moveNext();
    void moveLast();
    bool eof() const;
    // Deletes the current row; the cursor moves to the row after it (or past the end).
    bool deleteCurrent();

    // Every row, in order; a missing value is nullopt.
    const std::vector<std::vector<std::optional<std::string>>>& rows() const { return rows_; }

private:
    std::vector<std::string> columns_;
    std::unordered_set<std::string> names_; // the same names, for a check in constant time
    std::vector<std::vector<std::optional<std::string>>> rows_;
    std::size_t cursor_ = 0; // == rows_.size() means past the end
};

} // namespace tamsenor
