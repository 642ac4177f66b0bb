#include "keywords/table/clsKeyWord.h"

#include "io/Files.h"

namespace tamsenor {

namespace {

// Cuts the next field off the front of `rest`: the text before the first tab,
// or the whole remaining text (left in place) when there is no tab. This is
// why a line without a tab gives its whole text to both fields.
std::string takeField(std::string& rest)
{
    auto tab = rest.find('\t');
    if (tab == std::string::npos)
        return rest;
    std::string field = rest.substr(0, tab);
    rest.erase(0, tab + 1);
    return field;
}

} // namespace

clsKeyWord::clsKeyWord(const std::string& openPath)
{
    report_.pathGiven = !openPath.empty();
    if (!report_.pathGiven)
        return;

    std::string content;
    bool opened = false;
    FileResult read = io::ReadWholeFile(openPath, content, opened);
    report_.opened = opened;
    if (!opened) {
        report_.reason = read.reason;
        return;
    }
    if (!read) {
        // Only lines that were read to their end count; the one the error cut is not loaded.
        auto lastEnd = content.find_last_of('\r');
        content.erase(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }

    KeywordLoadReport parsed = Parse(content, rstKeyWord);
    parsed.pathGiven = report_.pathGiven;
    parsed.opened = true;
    if (!read) {
        parsed.readError = true;
        parsed.reason = read.reason;
    }
    report_ = parsed;
}

KeywordLoadReport clsKeyWord::Parse(const std::string& content, KeywordTable& table)
{
    KeywordLoadReport report;
    const std::vector<std::string> lines = io::SplitLines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string rest = lines[i];
        std::string name = takeField(rest);
        std::string position = takeField(rest);
        if (!table.addNew(name, position)) {
            report.stoppedAtLine = static_cast<int>(i + 1);
            break;
        }
        ++report.recordsLoaded;
    }
    table.moveFirst();
    return report;
}

std::string clsKeyWord::Serialize(const KeywordTable& table)
{
    std::string content;
    for (const KeywordTable::Record& record : table.records()) {
        content += record.name;
        content += '\t';
        content += record.position;
        content += "\r\n";
    }
    return content;
}

FileResult clsKeyWord::WriteToFile(const std::string& savePath) const
{
    return io::WriteWholeFile(savePath, Serialize(rstKeyWord));
}

} // namespace tamsenor
