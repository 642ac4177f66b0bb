#pragma once

#include "text/Hook.h"
#include "text/TextOps.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tamsenor::text {

// One keyword record as the extraction pass sees it: "Name" and "Position".
struct Keyword {
    std::string name;
    std::string position;
};

// A position list that does not convert to 16-bit whole numbers. It passes
// through the extraction pass to the caller.
class PositionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the extraction pass puts its rows (the results table of the run).
class RowSink {
public:
    virtual ~RowSink() = default;
    // Appends an empty row and makes it the current one.
    virtual void addRow() = 0;
    // Stores a value in column `column` (0-based) of the current row.
    virtual void setValue(std::size_t column, const std::string& value) = 0;
    // The value of column `column` of the current row; empty when none was set.
    virtual std::string value(std::size_t column) const = 0;
    // Removes the row most recently added.
    virtual void deleteLastRow() = 0;
};

struct ExtractSetup {
    std::vector<std::string> columns; // ColumnNames, in order
    bool keywordOn = false; // KeywordOn
    std::vector<Keyword> keywords; // the keyword table, in table order
    std::string filePath; // CurrentFilePath
    // The "ProcessTime" text of this moment ("mmm-d-yy h:mm"), asked once per row.
    std::function<std::string()> processTime;

    // Columns whose values are known before the pass (the links read from the
    // file's markup): the i-th value goes into the file's i-th row, and a
    // value left keeps the rows going as a finding does.
    struct ListedColumn {
        std::string name;
        std::vector<std::string> values;
    };
    std::vector<ListedColumn> listed;

    // The bytes the file's findings may take in its rows (every value the pass
    // stores); 0: no bound. The row that would pass it is left out.
    std::size_t findingsLimit = 0;

    // The text is already NormaliseForExtraction's (done on another thread,
    // say), so the pass starts with its search.
    bool textNormalised = false;
    // The text as the pass leaves it is given back in the caller's string; a
    // run that has no use for it saves the copy.
    bool giveBackText = true;
};

// How a file's extraction pass ended.
struct FindingsResult {
    Outcome outcome = Outcome::Finished;
    // Not empty: a keyword's position list could not be read ("\"x\" is not a
    // number"); the pass stopped there, its rows so far stay.
    std::string positionProblem;
    // The findings reached ExtractSetup::findingsLimit; the rows before the one
    // that would have passed it stay.
    bool cut = false;
    bool ok() const { return outcome == Outcome::Finished && positionProblem.empty() && !cut; }
};

// The next e-mail candidate around the first "@" (the non-space run before it,
// the "@", the non-space run after it; cut to 199 characters), or "" when no
// "@" is left. Deletes that first "@" from the text in every case.
// Example: " mail p@q now " -> "p@q", text becomes " mail pq now ".
std::string NextEmail(std::string& text, Hook& hook);

// The next web-site candidate around the first "://" (the non-space run before
// it, then from "://" up to the next space; not cut), or "" when none is left.
// Deletes that first "://" in every case.
// Example: " see http://host/a " -> "http://host/a", text " see httphost/a ".
std::string NextWebSite(std::string& text, Hook& hook);

// The words at the listed positions after the first occurrence of
// keyword.name, joined by single spaces; " " for the list "0" when the keyword
// occurs; "" when it does not occur. Consumes the occurrence (all occurrences
// when the list's last number is 0 or less). A keyword with an empty name
// never occurs. Throws PositionError when a number does not convert to a
// 16-bit whole number (rounded half to even).
// Example: " Author: John Smith born " with "Author:" and "1, 2" -> "John Smith".
std::string NextKeywordResult(std::string& text, const Keyword& keyword, Hook& hook);

// The white space of a stripped text as the extraction pass reads it: a
// leading space, then backspace, tab, line feed and carriage return as spaces
// and every run of spaces as one.
std::string NormaliseForExtraction(const std::string& text, Hook& hook);

// Normalises the white space of the stripped text and adds one row per finding
// to `rows`: row k holds the k-th finding of each extractor column ("Email",
// "WebSite", keyword columns), plus "FileName" and "ProcessTime". Rows go on
// while any extractor call of the last row gave a non-empty value (read back
// from the row right after the call, so a column that "FileName" or
// "ProcessTime" fills afterwards cannot keep the loop going) or a listed
// column still had a value for that row; that last, empty row is removed. Ends with progress 100. On cancel returns at
// once, leaving the partly filled row in place. A position list that cannot be
// read ends the pass there, as the cut at the findings limit does (see
// FindingsResult).
FindingsResult ExtractFindings(std::string& text, const ExtractSetup& setup, RowSink& rows, Hook& hook);

// Which letters may mark the exponent of a position number. The two callers
// have always differed here, and stored keyword files rely on the run's way.
enum class ExponentLetters {
    AnyCase, // E, e, D, d: how a run reads a position list
    UpperCase, // E, D: what the keyword entry dialogs let a user enter
};

// Whether `text`, ignoring surrounding spaces, has the syntax of a position
// number: an optional sign, digits with at most one decimal point (at least
// one digit), and an optional exponent (a letter `letters` allows, an optional
// sign, digits).
// Example: " -1.5E+3 " is one; "1e3" is one only for AnyCase; "1E", "." are not.
bool IsNumberSyntax(std::string_view text, ExponentLetters letters);

// One element of a position list as a 16-bit whole number (round half to
// even), or nothing when its syntax (as IsNumberSyntax) does not hold or the
// rounded value lies outside -32768..32767.
// Example: " 2.5 " -> 2, "1E2" -> 100, "32767.5" and "x" -> nothing.
std::optional<short> ParsePositionNumber(std::string_view element, ExponentLetters letters = ExponentLetters::AnyCase);

// Calls `element` with each element of a position list as a run reads it
// (the list trimmed; without a comma the whole list; else each part before a
// comma trimmed, after `comma` is called, and the last part as it stands).
template <typename Comma, typename Element>
void ForEachPositionElement(const std::string& position, Comma comma, Element element)
{
    const std::string list = ops::Trim(position);
    if (list.find(',') == std::string::npos) {
        element(std::string_view(list));
        return;
    }
    std::size_t start = 0;
    for (std::size_t at = list.find(','); at != std::string::npos; at = list.find(',', start)) {
        comma();
        element(std::string_view(ops::Trim(std::string_view(list).substr(start, at - start))));
        start = at + 1;
    }
    element(std::string_view(list).substr(start));
}

// Whether a run can read every element of `position` (ParsePositionNumber);
// a run given a list it cannot read stops at the keyword's first occurrence.
bool PositionListReadable(const std::string& position);

} // namespace tamsenor::text
