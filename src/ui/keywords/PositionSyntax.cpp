#include "ui/keywords/PositionSyntax.h"

#include "keywords/KeywordTable.h"
#include "text/Extract.h"

namespace tamsenor {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view TrimSpaces(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

// The dialogs have never let a lower-case exponent through, while a run reads
// one; what the dialogs accept a run always reads alike.
bool IsNumericText(std::string_view text)
{
    return text::IsNumberSyntax(text, text::ExponentLetters::UpperCase);
}

bool IsPositionNumber(std::string_view text)
{
    return text::ParsePositionNumber(text, text::ExponentLetters::UpperCase).has_value();
}

bool IsPositionList(std::string_view position)
{
    std::string_view p = TrimSpaces(position);
    if (p.empty() || !IsDigit(p.back()))
        return false;
    for (;;) {
        std::size_t comma = p.find(',');
        if (!IsPositionNumber(TrimSpaces(p.substr(0, comma))))
            return false;
        if (comma == std::string_view::npos)
            return true;
        p.remove_prefix(comma + 1);
    }
}

std::optional<EntryProblem> CheckKeywordEntry(std::string_view name, std::string_view position)
{
    if (name.empty())
        return EntryProblem::NoKeyword;
    if (position.empty())
        return EntryProblem::NoPosition;
    // The table's own limit, in characters of the stored text.
    if (!KeywordTable::Fits(name))
        return EntryProblem::KeywordTooLong;
    if (!KeywordTable::Fits(position))
        return EntryProblem::PositionTooLong;
    if (!IsPositionList(position))
        return EntryProblem::PositionFormat;
    return std::nullopt;
}

const char* EntryProblemMessage(EntryProblem problem)
{
    switch (problem) {
    case EntryProblem::NoKeyword:
        return "Please entry key word";
    case EntryProblem::NoPosition:
        return "Please entry position numbers.";
    case EntryProblem::KeywordTooLong:
        return "The keyword you 've entered is too big to be accepted";
    case EntryProblem::PositionTooLong:
        return "The positions you 've entered are too long to be accepted";
    case EntryProblem::PositionFormat:
        return "The format of the positions' number is not correct!";
    }
    return "";
}

} // namespace tamsenor
