#pragma once

#include "io/FileResult.h"
#include "results/ResultsTable.h"

#include <functional>
#include <string>
#include <vector>

namespace tamsenor {

// Owns the results table of one extraction run. Construction builds one column
// per entry of `columnNames`; a duplicate name makes it fail (failed() true,
// the caller sets ResultsTableFailed).
class clsWF {
public:
    explicit clsWF(const std::vector<std::string>& columnNames);

    ResultsTable rstWF;
    bool failed() const { return failed_; }

    // The results file content: one line per row in table order, values in
    // column order joined by one tab, an empty or missing value as nothing,
    // CR LF after every line, bytes unchanged.
    std::string Serialize() const;

    // Writes the table to `savePath`, replacing an existing file only when
    // everything was written. `perRow` runs once per row (the window yields there).
    FileResult WriteToFile(const std::string& savePath, const std::function<void()>& perRow = {}) const;

private:
    bool failed_ = false;
};

} // namespace tamsenor
