#include "keywords/KeywordFile.h"

#include "io/Files.h"

namespace tamsenor {

namespace {

// What common editors on other systems put before the first line.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr int LinesBetweenAsks = 4096;

// Cuts the next field off the front of `rest`: the text before the first tab,
// or the whole remaining text (left in place) when there is no tab. This is
// why a line without a tab gives its whole text to both fields.
std::string_view takeField(std::string_view& rest)
{
    auto tab = rest.find('\t');
    if (tab == std::string_view::npos)
        return rest;
    std::string_view field = rest.substr(0, tab);
    rest.remove_prefix(tab + 1);
    return field;
}

// A byte order mark that no 8-bit reading can make sense of.
struct WideMark {
    std::string_view bytes;
    const char* encoding;
};
constexpr WideMark WideMarks[] = { { "\xFF\xFE", "UTF-16LE" }, { "\xFE\xFF", "UTF-16BE" } };

// Cuts the next line off the front of `rest`: up to a CR (which a LF may
// follow) or a LF; the text after the last line end is a line when it is not
// empty.
std::string_view takeLine(std::string_view& rest)
{
    const auto end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        std::string_view line = rest;
        rest = {};
        return line;
    }
    std::string_view line = rest.substr(0, end);
    const bool cr = rest[end] == '\r';
    rest.remove_prefix(end + 1);
    if (cr && !rest.empty() && rest.front() == '\n')
        rest.remove_prefix(1);
    return line;
}

} // namespace

KeywordFile::KeywordFile(const std::string& openPath, const KeepLoading& keepLoading)
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
        auto lastEnd = content.find_last_of("\r\n");
        content.erase(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }

    KeywordLoadResult parsed = Parse(content, table, keepLoading);
    parsed.pathGiven = report_.pathGiven;
    parsed.opened = true;
    if (!read) {
        parsed.readError = true;
        parsed.reason = read.reason;
    }
    report_ = parsed;
}

KeywordLoadResult KeywordFile::Parse(std::string_view content, KeywordTable& table, const KeepLoading& keepLoading)
{
    KeywordLoadResult report;
    for (const WideMark& mark : WideMarks) {
        if (content.starts_with(mark.bytes)) {
            report.refusedEncoding = mark.encoding;
            table.moveFirst();
            return report;
        }
    }
    if (content.starts_with(ByteOrderMark))
        content.remove_prefix(ByteOrderMark.size());
    for (int line = 1; !content.empty(); ++line) {
        if (line % LinesBetweenAsks == 0 && keepLoading && !keepLoading()) {
            report.cancelled = true;
            break;
        }
        std::string_view rest = takeLine(content);
        std::string_view name = takeField(rest);
        std::string_view position = takeField(rest);
        if (!table.addNew(std::string(name), std::string(position))) {
            report.stoppedAtLine = line;
            report.tooLong = KeywordTable::Fits(name) ? KeywordLoadResult::Field::Position
                                                      : KeywordLoadResult::Field::Name;
            break;
        }
        ++report.recordsLoaded;
    }
    table.moveFirst();
    return report;
}

std::string KeywordFile::Serialize(const KeywordTable& table)
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

FileResult KeywordFile::WriteToFile(const std::string& savePath) const
{
    return io::WriteWholeFile(savePath, Serialize(table));
}

} // namespace tamsenor
