#include "results/RunResults.h"

#include "io/Files.h"
#include "results/ResultsLineWriter.h"

#include <cerrno>
#include <new>
#include <stdexcept>

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

std::string RunResults::Serialize() const
{
    std::string content;
    const FileResult done = WriteTo([&content](std::string_view bytes) {
        content.append(bytes);
        return FileResult::success();
    });
    if (!done)
        throw std::runtime_error(done.reason);
    return content;
}

FileResult RunResults::WriteToFile(
    const std::string& savePath, const std::function<void()>& perRow, const std::function<bool()>& keepGoing) const
{
    try {
        io::ReplacingFile file; // abandoned, and the target kept, on every early return
        if (FileResult opened = file.open(savePath); !opened)
            return opened;
        auto write = [&file, &keepGoing](std::string_view bytes) {
            if (keepGoing && !keepGoing())
                return FileResult::failure(io::ErrorText(ECANCELED));
            return file.write(bytes);
        };
        if (FileResult written = WriteTo(write, perRow); !written)
            return written;
        return file.commit();
    } catch (const std::bad_alloc&) {
        return FileResult::failure(io::ErrorText(ENOMEM));
    }
}

} // namespace tamsenor
