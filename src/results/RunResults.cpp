#include "results/RunResults.h"

#include "io/Files.h"
#include "results/ResultsLineWriter.h"

#include <algorithm>
#include <cerrno>
#include <new>

namespace tamsenor {

RunResults::RunResults(const std::vector<std::string>& columnNames)
{
    for (const std::string& name : columnNames) {
        if (!table.appendColumn(name)) {
            failed_ = true;
            return;
        }
    }
}

FileResult RunResults::WriteTo(
    const std::function<FileResult(std::string_view)>& write, const std::function<void()>& perRow) const
{
    try {
        if (FileResult copied = table.copySpilledRows(write, perRow); !copied)
            return copied;
        ResultsLineWriter lines(write);
        // By index: perRow lets the window process events, and a row vector
        // that changed meanwhile must not leave a dangling iterator behind.
        for (std::size_t i = 0; i < table.rows().size(); ++i) {
            if (perRow)
                perRow();
            if (i < table.rows().size()) {
                if (FileResult written = lines.row(table.rows()[i]); !written)
                    return written;
            }
        }
        return lines.flush();
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

void RunResults::noteFoundAt(std::size_t row, std::string iso)
{
    while (!foundAt_.empty() && foundAt_.back().first >= row)
        foundAt_.pop_back();
    if (foundAt_.empty() || foundAt_.back().second != iso)
        foundAt_.emplace_back(row, std::move(iso));
}

std::string_view RunResults::foundAt(std::size_t row) const
{
    const auto after = std::upper_bound(foundAt_.begin(), foundAt_.end(), row,
        [](std::size_t wanted, const std::pair<std::size_t, std::string>& entry) { return wanted < entry.first; });
    if (after == foundAt_.begin())
        return {};
    return std::prev(after)->second;
}

} // namespace tamsenor
