#pragma once

#include "io/FileResult.h"
#include "io/ScratchFile.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tamsenor {

// The results table (table): named text columns, unique names, rows kept in the
// order they were added, a current row. Values are kept whole (no cut at the
// declared 200 characters: a cut web address is a wrong address).
//
// A page can give findings far larger than itself (every web address runs to
// the next space), so once the rows held in memory pass a bound, the complete
// ones move to a temporary file (see spillInto). A row is complete as soon as
// a newer row is added: the extraction pass only ever works on the last row.
// Rows moved out still count in rowCount() and come first in the results
// file, but the cursor no longer reaches them.
class ResultsTable {
public:
    using Row = std::vector<std::optional<std::string>>;
    static constexpr std::size_t DefaultHeldBytes = 64u << 20;

    ResultsTable() = default;
    ResultsTable(ResultsTable&&) = default;
    ResultsTable& operator=(ResultsTable&&) = default;

    // Appends a column; false (nothing added) when the name is already
    // present or rows have already moved out.
    bool appendColumn(const std::string& name);
    std::size_t columnCount() const { return columns_.size(); }
    const std::vector<std::string>& columnNames() const { return columns_; }

    // Every row, those moved out included.
    std::size_t rowCount() const { return spilledRows_ + rows_.size(); }

    // Appends an empty row (no values) and makes it current. When the rows
    // held pass the bound, the rows before it move out first.
    void addRow();
    // Stores a value in column i of the current row; false when no row is current or i is out of range.
    bool setValue(std::size_t column, const std::string& value);
    // The value of column i of the current row; nullopt when none was set.
    std::optional<std::string> value(std::size_t column) const;

    // The cursor walks the rows still held in memory.
    void moveFirst();
    void moveNext();
    void moveLast();
    bool eof() const;
    // Deletes the current row; the cursor moves to the row after it (or past the end).
    bool deleteCurrent();

    // The rows held in memory, in order; a missing value is nullopt.
    const std::vector<Row>& rows() const { return rows_; }

    // Lets complete rows move into an unnamed temporary file in `folder` once
    // the bytes held (values and a slot per column) pass `heldBytes`; the file
    // is made when first needed. Without a folder every row stays in memory.
    void spillInto(const std::string& folder, std::size_t heldBytes = DefaultHeldBytes);
    const std::string& spillFolder() const { return spillFolder_; }
    // Ok while moving rows out works; otherwise why it failed. A failed table
    // moves no more rows out and cannot be written whole.
    const FileResult& spillResult() const { return spillResult_; }
    std::size_t spilledRowCount() const { return spilledRows_; }
    // What the rows held in memory take, as the bound counts it.
    std::size_t heldBytes() const { return heldBytes_; }

    // Hands the results-file bytes of the rows moved out, in order, to
    // `write` in pieces of about a mebibyte; `perPiece` runs before each.
    // Stops at the first failure of reading them back or of `write`.
    FileResult copySpilledRows(
        const std::function<FileResult(std::string_view)>& write, const std::function<void()>& perPiece = {}) const;

private:
    std::size_t rowBytes(const Row& row) const;
    void spillHeldRows();

    std::vector<std::string> columns_;
    std::unordered_set<std::string> names_; // the same names, for a check in constant time
    std::vector<Row> rows_;
    std::size_t cursor_ = 0; // == rows_.size() means past the end
    std::size_t heldBytes_ = 0; // rowBytes of every row in rows_

    std::string spillFolder_;
    std::size_t spillBound_ = DefaultHeldBytes;
    io::ScratchFile spill_;
    std::size_t spilledRows_ = 0;
    FileResult spillResult_;
};

// Test seam: when set, spillInto uses this bound in place of the one it is
// given, so that small tables move rows out. Negative means off.
void SetSpillBoundForTesting(long long bytes);

} // namespace tamsenor
