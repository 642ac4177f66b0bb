#include "results/RunResults.h"

#include "io/Files.h"
#include "results/ResultsLineWriter.h"

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

} // namespace tamsenor
