#pragma once

#include "io/FileResult.h"
#include "results/RunResults.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamsenor {

// The forms a results table can be written in. Tsv is the results file of
// RunResults; the others are for spreadsheets and programs.
enum class ResultsFormat { Tsv, Csv, JsonLines };

// "tsv", "csv", "jsonl" and back; nullopt for any other name.
std::optional<ResultsFormat> ResultsFormatNamed(std::string_view name);
std::string_view ResultsFormatName(ResultsFormat format);

// One CSV field: a value starting with '=', '+', '-', '@', tab or CR gets a
// leading "'" so that a spreadsheet does not run it as a formula; then a value
// holding a comma, quote, CR or LF is put in quotes, its quotes doubled.
// Valid UTF-8 is kept, and each maximal piece of an invalid UTF-8 sequence
// becomes U+FFFD, as in JsonString, so that any bytes give a UTF-8 file.
// Example: "=1+2" -> "'=1+2"; "a,\"b\"" -> "\"a,\"\"b\"\"\""; "caf\xe9" -> "caf\xef\xbf\xbd".
std::string CsvField(std::string_view value);

// `bytes` as a JSON string, quotes included: quote, backslash and control
// characters escaped, valid UTF-8 kept, and each maximal piece of an invalid
// UTF-8 sequence written as \ufffd, so that any bytes give valid JSON.
// Example: "a\"\xff" -> "\"a\\\"\\ufffd\"".
std::string JsonString(std::string_view bytes);

// Walks the results-file lines of the table (see RunResults::WriteTo), rows moved
// out of memory first, and hands each line's values to `perLine`, split at
// the tabs; the views are valid only during the call. Stops at the first
// failure of reading rows back or of `perLine`. `perRow` as in WriteTo.
// Example: a row "a", nullopt, "c" -> { "a", "", "c" }.
FileResult ForEachResultsLine(const RunResults& results,
    const std::function<FileResult(const std::vector<std::string_view>& values)>& perLine,
    const std::function<void()>& perRow = {});

// Hands the table in `format` to `write` in pieces, streaming it the way
// RunResults::WriteTo does (rows moved out of memory are read back, never held
// whole); `perRow` as there. Every format is made from the results-file
// lines, so a tab, CR or LF inside a value is a space in each of them, and a
// table whose rows moved out gives the same bytes as one held in memory.
// - Csv: a byte order mark, then one record per row (the header row first),
//   fields as CsvField makes them, joined by commas, CR LF after each.
// - JsonLines: one object per data row, LF after each; the keys are the
//   header row's values (the column names) in column order, and every key is
//   present: an empty or missing value is "" (the table does not tell them
//   apart). The header row itself gives no object.
// Stops at the first failure of `write` or of reading rows back.
FileResult WriteResults(const RunResults& results, ResultsFormat format,
    const std::function<FileResult(std::string_view)>& write, const std::function<void()>& perRow = {});

// Writes the table in `format` to `path`, replacing an existing file only
// when everything was written (the results file itself with Tsv).
FileResult WriteResultsToFile(
    const RunResults& results, ResultsFormat format, const std::string& path, const std::function<void()>& perRow = {});

} // namespace tamsenor
