#include "results/clsWF.h"

#include "io/Files.h"

namespace tamsenor {

namespace {

void appendLine(std::string& content, const std::vector<std::optional<std::string>>& row)
{
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            content += '\t';
        if (row[i])
            content += *row[i];
    }
    content += "\r\n";
}

} // namespace

clsWF::clsWF(const std::vector<std::string>& columnNames)
{
    for (const std::string& name : columnNames) {
        if (!rstWF.appendColumn(name)) {
            failed_ = true;
            return;
        }
    }
}

std::string clsWF::Serialize() const
{
    std::string content;
    for (const auto& row : rstWF.rows())
        appendLine(content, row);
    return content;
}

FileResult clsWF::WriteToFile(const std::string& savePath, const std::function<void()>& perRow) const
{
    // By index: perRow lets the window process events, and a row vector that
    // changed meanwhile must not leave a dangling iterator behind.
    std::string content;
    for (std::size_t i = 0; i < rstWF.rows().size(); ++i) {
        if (perRow)
            perRow();
        if (i < rstWF.rows().size())
            appendLine(content, rstWF.rows()[i]);
    }
    return io::WriteWholeFile(savePath, content);
}

} // namespace tamsenor
