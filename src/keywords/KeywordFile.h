#pragma once

// The keywords layer (src/keywords): the keyword table and its file format.

#include "io/FileResult.h"
#include "keywords/KeywordTable.h"

#include <functional>
#include <string>
#include <string_view>

namespace tamsenor {

// What happened when a keyword file was loaded. The table itself follows the
// silent rules of the format; this tells the caller what to report.
struct KeywordLoadResult {
    bool pathGiven = false; // the open path was not empty
    bool opened = false; // the file could be opened
    bool readError = false; // reading failed part-way (records before it kept)
    std::string reason; // system's description when not opened / read error
    int stoppedAtLine = 0; // 1-based line holding an over-long value; 0 = none
    enum class Field { None, Name, Position };
    Field tooLong = Field::None; // which value of that line is over 100 characters
    // The encoding a byte order mark names when it is not UTF-8 ("UTF-16LE",
    // "UTF-16BE"); such a file is refused whole, no record loaded. Empty otherwise.
    std::string refusedEncoding;
    int recordsLoaded = 0;
    bool cancelled = false; // stopped on request (records before it kept)
};

// Asked every few thousand lines while a keyword file is read; false stops
// the reading there (a command-line run interrupted during a long file).
using KeepLoading = std::function<bool()>;

// Owns one keyword table. Creating one loads it from `openPath` (the
// KeywordOpenPath of the moment): one record per line (CR LF, a lone CR or a
// lone LF ends a line, so that a file from any editor loads alike), "Name"
// before the first tab, "Position" up to the second tab (or the whole line
// twice when there is no tab). A UTF-8 byte order mark at the start of the
// file is not part of the first name; a UTF-16 one refuses the file (its
// bytes would load as garbage). Loading stops at a line with a value longer
// than 100 characters; earlier records stay, and the report says which value.
// Example: "a\t1\nb\t2\r\nc\t3\r" -> (a, 1), (b, 2), (c, 3).
class KeywordFile {
public:
    explicit KeywordFile(const std::string& openPath = {}, const KeepLoading& keepLoading = {});

    KeywordTable table;

    const KeywordLoadResult& loadReport() const { return report_; }

    // Writes table to `savePath` ("Name", tab, "Position", CR LF per record;
    // an empty table gives 0 bytes). The file is replaced only when the whole
    // content was written; on failure nothing claims success.
    FileResult WriteToFile(const std::string& savePath) const;

    // The keyword file content for a table, as WriteToFile writes it.
    static std::string Serialize(const KeywordTable& table);
    // Parses keyword file content into `table` (appending), as loading does.
    static KeywordLoadResult Parse(std::string_view content, KeywordTable& table, const KeepLoading& keepLoading = {});

private:
    KeywordLoadResult report_;
};

} // namespace tamsenor
