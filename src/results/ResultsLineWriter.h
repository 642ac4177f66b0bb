#pragma once

#include "io/FileResult.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamsenor {

// Whether a byte inside a value would break a results line: tab, CR, LF, and
// NUL (which many readers take for the end of the text).
bool IsLineBreaking(char c);

// `value` as the results file holds it: each line-breaking byte one space.
// Example: "a\tb\0c" -> "a b c".
std::string AsResultsValue(std::string_view value);

// The header row's values for `names`, in order: each as AsResultsValue
// writes it, and a name that then reads like an earlier column's gets the
// first " (2)", " (3)", ... that no column reads, so that every format keys
// each column apart. Example: "Key\tA", "Key A" -> "Key A", "Key A (2)".
std::vector<std::string> DistinctColumnHeadings(const std::vector<std::string>& names);

// Turns rows into lines of the results file: the values in column order
// joined by one tab, a missing or empty value as nothing, CR LF after every
// line, bytes unchanged but for each tab, CR, LF or NUL inside a value, which
// becomes one space (raw, they would add fields or lines, or end the text). The bytes go to
// `sink` in pieces of about a mebibyte, so neither a long line nor the whole
// file is ever held at once. The first failure of `sink` is kept and returned
// by every later call.
// Example: a row "p@q", nullopt, "/a\tb.htm" -> "p@q\t\t/a b.htm\r\n".
class ResultsLineWriter {
public:
    using Row = std::vector<std::optional<std::string>>;
    using Sink = std::function<FileResult(std::string_view)>;
    static constexpr std::size_t PieceBytes = 1u << 20;

    explicit ResultsLineWriter(Sink sink);

    FileResult row(const Row& row);
    // Hands on what is still buffered; call it after the last row.
    FileResult flush();

private:
    void put(std::string_view bytes);
    bool full() const { return buffer_.size() >= PieceBytes; }

    Sink sink_;
    std::string buffer_;
    FileResult result_;
};

} // namespace tamsenor
