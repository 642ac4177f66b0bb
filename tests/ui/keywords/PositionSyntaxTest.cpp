#include "ui/keywords/PositionSyntax.h"
#include "text/Extract.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tamsenor {
namespace {

struct NumericRow {
    const char* name;
    std::string text;
    bool numeric;
};

TEST(IsNumericText, AcceptsSignDigitsPointAndExponentOnly)
{
    const NumericRow rows[] = {
        { "digits", "12", true },
        { "zero", "0", true },
        { "plus sign", "+3", true },
        { "minus sign", "-2", true },
        { "decimal", "1.5", true },
        { "leading point", ".5", true },
        { "trailing point", "5.", true },
        { "surrounding spaces", "  7  ", true },
        { "exponent E", "1E3", true },
        { "exponent D", "1D3", true },
        { "exponent with sign", "2.5E-1", true },
        { "exponent with plus", "-1E+2", true },
        { "empty", "", false },
        { "only spaces", "   ", false },
        { "point alone", ".", false },
        { "sign alone", "-", false },
        { "two points", "1.2.3", false },
        { "two signs", "+-1", false },
        { "space after sign", "- 1", false },
        { "inner space", "1 2", false },
        { "letters", "abc", false },
        { "trailing letter", "12a", false },
        { "exponent without digits", "1E", false },
        { "exponent sign without digits", "1E+", false },
        { "exponent without mantissa", "E3", false },
        { "lower-case exponent", "1e3", false },
        { "decimal exponent", "1E2.5", false },
        { "two exponents", "1E2E3", false },
        { "comma", "1,5", false },
        { "tab around", "\t1", false },
        { "hexadecimal", "0x10", false },
        { "currency", "$5", false },
    };
    for (const NumericRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.numeric, IsNumericText(row.text));
    }
}

const NumericRow PositionNumberRows[] = {
    { "top", "32767", true },
    { "one over the top", "32768", false },
    { "bottom", "-32768", true },
    { "one under the bottom", "-32769", false },
    { "top plus a fraction under half", "32767.4999", true },
    { "top plus half rounds to even 32768", "32767.5", false },
    { "bottom minus half rounds to even -32768", "-32768.5", true },
    { "bottom minus more than half", "-32768.51", false },
    { "32766.5 rounds to 32766", "32766.5", true },
    { "exponent into range", "3.2767E4", true },
    { "exponent out of range", "1E5", false },
    { "D exponent out of range", "4D4", false },
    { "negative exponent to a fraction", "5E-1", true },
    { "tiny", "1E-400", true },
    { "huge exponent", "1E999999999999999999", false },
    { "leading zeros", "000000032767", true },
    { "leading zeros over", "0000032768.0", false },
    { "zero with exponent", "0E99999", true },
    { "six digits", "100000", false },
    { "long fraction", "1.99999999999999999999999", true },
    // Judged as a run reads it: beyond double precision this is -32768.5, which rounds to -32768.
    { "beyond double precision", "-32768.5000000000005", true },
    { "not a number", "1-", false },
};

TEST(IsPositionNumber, RoundsHalfToEvenBeforeTheSixteenBitRange)
{
    for (const NumericRow& row : PositionNumberRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.numeric, IsPositionNumber(row.text));
    }
}

// What the entry checks let through must convert when a run reads the list.
TEST(IsPositionNumber, AgreesWithTheExtractorConversion)
{
    for (const NumericRow& row : PositionNumberRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.numeric, text::ParsePositionNumber(row.text).has_value());
    }
}

struct EntryRow {
    const char* name;
    std::string keyword;
    std::string position;
    std::optional<EntryProblem> problem;
};

TEST(CheckKeywordEntry, RunsTheChecksInOrder)
{
    const std::string k100(100, 'k');
    const std::string k101(101, 'k');
    const std::string p100 = std::string(99, ' ') + "1";
    const std::string p101 = std::string(100, ' ') + "1";
    const EntryRow rows[] = {
        { "accepted list", "price", "1, 2, 4, 6, 7, 10", std::nullopt },
        { "empty keyword before empty position", "", "", EntryProblem::NoKeyword },
        { "empty keyword before a bad position", "", "x", EntryProblem::NoKeyword },
        { "empty position", "price", "", EntryProblem::NoPosition },
        { "empty position before a long keyword", k101, "", EntryProblem::NoPosition },
        { "keyword of 100 characters", k100, "1", std::nullopt },
        { "keyword of 101 characters", k101, "1", EntryProblem::KeywordTooLong },
        { "long keyword before a bad position", k101, "x", EntryProblem::KeywordTooLong },
        { "long keyword before a long position", k101, p101, EntryProblem::KeywordTooLong },
        { "position of 100 characters", "price", p100, std::nullopt },
        { "position of 101 characters", "price", p101, EntryProblem::PositionTooLong },
        { "long position before its format", "price", std::string(101, 'x'), EntryProblem::PositionTooLong },
        { "keyword of spaces", "   ", "1", std::nullopt },
        { "position of spaces", "price", "   ", EntryProblem::PositionFormat },
        { "single number with spaces", "price", " 3 ", std::nullopt },
        { "trailing comma", "price", "1, 2,", EntryProblem::PositionFormat },
        { "leading comma", "price", ",1, 2", EntryProblem::PositionFormat },
        { "double comma", "price", "1,,2", EntryProblem::PositionFormat },
        { "spaces between two commas", "price", "1, ,2", EntryProblem::PositionFormat },
        { "uneven spacing", "price", "2,12, 3", std::nullopt },
        { "decimal", "price", "1.5", std::nullopt },
        { "negative", "price", "-2", std::nullopt },
        { "letters", "price", "abc", EntryProblem::PositionFormat },
        { "ending in a letter", "price", "1, 2a", EntryProblem::PositionFormat },
        { "letter inside", "price", "1, a, 2", EntryProblem::PositionFormat },
        { "ending in a point", "price", "1.", EntryProblem::PositionFormat },
        { "exponent", "price", "1E1", std::nullopt },
        { "exponent in a list", "price", "1, 2D1", std::nullopt },
        { "exponent without digits", "price", "1, 2E", EntryProblem::PositionFormat },
        { "number over the range", "price", "1, 32768", EntryProblem::PositionFormat },
        { "exponent over the range", "price", "1E5", EntryProblem::PositionFormat },
        { "first element over the range", "price", "99999, 1", EntryProblem::PositionFormat },
        { "number under the range", "price", "-32769", EntryProblem::PositionFormat },
        { "range ends", "price", "-32768, 32767", std::nullopt },
        { "tab at the end", "price", "1\t", EntryProblem::PositionFormat },
        { "semicolons", "price", "1; 2", EntryProblem::PositionFormat },
    };
    for (const EntryRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.problem, CheckKeywordEntry(row.keyword, row.position));
    }
}

TEST(CheckKeywordEntry, CountsCharactersNotBytes)
{
    struct Row {
        const char* name;
        std::string character;
    };
    const Row rows[] = {
        { "two-byte", "\xc3\xa9" },
        { "four-byte", "\xf0\x9f\x99\x82" },
        { "invalid byte", "\xff" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string hundred;
        for (int i = 0; i < 100; ++i)
            hundred += row.character;
        EXPECT_EQ(std::nullopt, CheckKeywordEntry(hundred, "1"));
        EXPECT_EQ(EntryProblem::KeywordTooLong, CheckKeywordEntry(hundred + row.character, "1"));
        EXPECT_EQ(EntryProblem::PositionTooLong, CheckKeywordEntry("k", hundred + row.character));
    }
}

TEST(EntryProblemMessage, GivesTheDialogTexts)
{
    EXPECT_STREQ("Please entry key word", EntryProblemMessage(EntryProblem::NoKeyword));
    EXPECT_STREQ("Please entry position numbers.", EntryProblemMessage(EntryProblem::NoPosition));
    EXPECT_STREQ(
        "The keyword you 've entered is too big to be accepted", EntryProblemMessage(EntryProblem::KeywordTooLong));
    EXPECT_STREQ("The positions you 've entered are too long to be accepted",
        EntryProblemMessage(EntryProblem::PositionTooLong));
    EXPECT_STREQ(
        "The format of the positions' number is not correct!", EntryProblemMessage(EntryProblem::PositionFormat));
}

} // namespace
} // namespace tamsenor
