#pragma once

// The results layer (src/results): the results table, the results file and its exports.

#include "io/FileResult.h"
#include "results/ResultsTable.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamsenor {

// Owns the results table of one extraction run. Construction builds one column
// per entry of `columnNames`; a duplicate name makes it fail (failed() true).
// A run adds its columns one by one instead, so that it can name the clash.
class RunResults {
public:
    explicit RunResults(const std::vector<std::string>& columnNames);

    ResultsTable table;
    bool failed() const { return failed_; }

    // Hands the results file content to `write` in pieces: the rows moved
    // out of memory, then the rows held, each as a line (ResultsLineWriter:
    // values joined by one tab, CR LF after every line, a tab, CR or LF inside
    // a value as one space). `perRow` runs once per held row and once per
    // piece of the rows moved out (the window yields there). Stops at the
    // first failure, running out of memory included.
    FileResult WriteTo(
        const std::function<FileResult(std::string_view)>& write, const std::function<void()>& perRow = {}) const;

    // The time the findings of `row` were made, as ISO 8601 with seconds and
    // the UTC offset ("2026-12-08T09:21:05+00:00"): the ProcessTime of the
    // formats programs read, while the results file keeps its own text. A row
    // noted again (the run replaced an empty last row) takes the new time.
    // A run with a fixed ProcessTime notes nothing.
    void noteFoundAt(std::size_t row, std::string iso);
    // The time noted for `row` or, when none was, empty. Example: rows 1-3
    // noted at one second, row 4 at the next: foundAt(3) is the first time.
    std::string_view foundAt(std::size_t row) const;

private:
    bool failed_ = false;
    // From which row on which time: one entry per second of the run, not per row.
    std::vector<std::pair<std::size_t, std::string>> foundAt_;
};

} // namespace tamsenor
