#pragma once

// The results layer (src/results): the results table, the results file and its exports.

#include "io/FileResult.h"
#include "results/ResultsTable.h"

#include <functional>
#include <string>
#include <string_view>
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

private:
    bool failed_ = false;
};

} // namespace tamsenor
