#pragma once

#include <optional>
#include <string_view>

namespace tamsenor {

// True when `text`, ignoring leading and trailing space characters, is a
// number: an optional sign (+ or -), digits with at most one decimal point (at
// least one digit in all), and an optional exponent (E or D, an optional sign,
// one or more digits). The empty text and anything else are not numbers.
// Example: " -1.5E+3 " is a number; "1,5", "E3", "1E" and "." are not.
bool IsNumericText(std::string_view text);

// True when a text that IsNumericText accepts, rounded to a whole number
// (halves to the even one), lies within -32768..32767, decided by the very
// conversion the keyword extractor uses. False for anything else.
// Example: "32767.5" rounds to 32768 and is out; "-32768.5" rounds to -32768.
bool IsPositionNumber(std::string_view text);

// True when `position` is an acceptable position list: after leading and
// trailing spaces are removed, one or more comma-separated elements, each (its
// surrounding spaces removed) a position number as IsPositionNumber defines,
// and the whole ending in a digit.
// Example: "2,12, 3" is accepted; "1, 2," and "1,,2" are not.
bool IsPositionList(std::string_view position);

// Why a keyword entry was refused, in the order the checks run.
enum class EntryProblem {
    NoKeyword, // the keyword text is empty
    NoPosition, // the position text is empty
    KeywordTooLong, // the keyword is over 100 characters
    PositionTooLong, // the position text is over 100 characters
    PositionFormat, // the position list is malformed or a number is out of range
};

// Runs the entry checks of the keyword dialogs on the texts as they will be
// stored (UTF-8; lengths count characters, as the keyword table does) and
// returns the first that fails, or nothing when the entry may be stored.
// Example: ("price", "1, 2") passes; ("", "1") gives NoKeyword.
std::optional<EntryProblem> CheckKeywordEntry(std::string_view name, std::string_view position);

// The message the dialogs show for a refused entry.
const char* EntryProblemMessage(EntryProblem problem);

} // namespace tamsenor
