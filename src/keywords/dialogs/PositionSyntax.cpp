#include "keywords/dialogs/PositionSyntax.h"

#include "keywords/table/KeywordTable.h"
#include "text/Extract.h"

#include <string>

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

// The parts of a number that IsNumericText accepted.
struct NumberParts {
    bool negative = false;
    std::string digits; // mantissa digits without the decimal point
    long long pointAt = 0; // how many of `digits` stand before the point
    long long exponent = 0; // saturated far beyond anything that matters
};

bool ParseNumber(std::string_view text, NumberParts& out)
{
    text = TrimSpaces(text);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        out.negative = text[i] == '-';
        ++i;
    }
    bool point = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            out.digits.push_back(text[i]);
            if (!point)
                ++out.pointAt;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (out.digits.empty())
        return false;
    if (i == text.size())
        return true;
    if (text[i] != 'E' && text[i] != 'D')
        return false;
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negativeExponent = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    constexpr long long Saturation = 1'000'000'000;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return false;
        if (out.exponent < Saturation)
            out.exponent = out.exponent * 10 + (text[i] - '0');
    }
    if (negativeExponent)
        out.exponent = -out.exponent;
    return true;
}

} // namespace

bool IsNumericText(std::string_view text)
{
    NumberParts parts;
    return ParseNumber(text, parts);
}

bool IsPositionNumber(std::string_view text)
{
    NumberParts n;
    if (!ParseNumber(text, n))
        return false;
    // The list is accepted exactly when a run can read it: the same conversion
    // decides, so a number that a run would round into range (or out of it) is
    // judged the same way here.
    try {
        text::ToPositionNumber(std::string(text));
        return true;
    } catch (const text::PositionError&) {
        return false;
    }
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
