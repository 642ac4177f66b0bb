#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The few string operations the text engines are written in. Positions count
// characters from 1 and 0 means "not found", so that the engines read like
// their algorithms; a replacement scans left to right and replaces
// non-overlapping occurrences.
namespace tamsenor::reference::ops {

// Position of the first exact occurrence of `marker` at or after `start`; 0 if none.
std::size_t Find(std::string_view text, std::string_view marker, std::size_t start = 1);

// As Find, but ASCII letters compare case-insensitively.
std::size_t FindNoCase(std::string_view text, std::string_view marker, std::size_t start = 1);

// Every exact occurrence of `marker` replaced by `replacement`.
std::string ReplaceAll(std::string_view text, std::string_view marker, std::string_view replacement);

// As ReplaceAll, but ASCII letters compare case-insensitively.
std::string ReplaceAllNoCase(std::string_view text, std::string_view marker, std::string_view replacement);

// The first `count` characters (all of them when the text is shorter).
std::string Left(std::string_view text, std::size_t count);

// The text from position `start` to the end ("" when start is past the end).
std::string From(std::string_view text, std::size_t start);

// The text with its characters in reverse order.
std::string Reverse(std::string_view text);

// Space characters (only ' ') removed from both ends, the front, or the end.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

} // namespace tamsenor::reference::ops
