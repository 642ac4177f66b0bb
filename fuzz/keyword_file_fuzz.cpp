// The keyword file reader: what it loads stays within the table's limits, and
// what it loads writes out and reads back unchanged.
#include "FuzzCheck.h"
#include "keywords/KeywordFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using tamsenor::KeywordFile;
using tamsenor::KeywordTable;

namespace {

bool sameRecords(const KeywordTable& a, const KeywordTable& b)
{
    if (a.records().size() != b.records().size())
        return false;
    for (std::size_t i = 0; i < a.records().size(); ++i)
        if (a.records()[i].name != b.records()[i].name || a.records()[i].position != b.records()[i].position)
            return false;
    return true;
}

// Lines end with CR LF, CR or LF; text after the last end is a line too.
int lineCount(std::string_view text)
{
    int count = 0;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        ++count;
        if (end == std::string_view::npos)
            break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    KeywordTable first;
    const auto report = KeywordFile::Parse(content, first);
    FUZZ_CHECK(report.recordsLoaded == first.recordCount(), "the report counts the records loaded");
    for (const auto& record : first.records()) {
        FUZZ_CHECK(KeywordTable::CharacterCount(record.name) <= KeywordTable::MaxValueLength,
            "names are at most 100 characters");
        FUZZ_CHECK(KeywordTable::CharacterCount(record.position) <= KeywordTable::MaxValueLength,
            "positions are at most 100 characters");
        FUZZ_CHECK(record.name.find_first_of("\t\r\n") == std::string::npos, "a name holds no tab, CR or LF");
        FUZZ_CHECK(
            record.position.find_first_of("\t\r\n") == std::string::npos, "a position holds no tab, CR or LF");
    }
    // A leading byte order mark is no part of the first line.
    const std::string lines = content.starts_with("\xEF\xBB\xBF") ? content.substr(3) : content;
    const bool wide = content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF");
    if (report.stoppedAtLine == 0 && !wide && content.find('\t') == std::string::npos)
        FUZZ_CHECK(first.recordCount() == lineCount(lines), "one record per line");

    // A first name that itself begins with a byte order mark loses it when the
    // file is read back, as any editor's file would; one that begins with a
    // UTF-16 mark makes the file read back as UTF-16, which is refused.
    if (!first.records().empty()) {
        const std::string& name = first.records().front().name;
        if (name.starts_with("\xEF\xBB\xBF") || name.starts_with("\xFF\xFE") || name.starts_with("\xFE\xFF"))
            return 0;
    }
    const std::string written = KeywordFile::Serialize(first);
    KeywordTable second;
    const auto again = KeywordFile::Parse(written, second);
    FUZZ_CHECK(again.stoppedAtLine == 0, "a written file loads completely");
    FUZZ_CHECK(sameRecords(first, second), "the keywords survive a write and a read");
    FUZZ_CHECK(KeywordFile::Serialize(second) == written, "writing again gives the same bytes");
    return 0;
}
