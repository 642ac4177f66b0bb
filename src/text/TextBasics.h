#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The small text rules every layer shares: ASCII case, space trims, and
// UTF-8 as Unicode's table of well-formed sequences defines it (no overlong
// forms, no surrogates, nothing past U+10FFFF).
namespace tamsenor::text {

constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `a` and `b` are equal, ASCII letters compared case-insensitively.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

// HTML's white space: space, tab, line feed, form feed and carriage return.
constexpr bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// `text` without the spaces (' ' only) at its ends. "  a b " -> "a b".
constexpr std::string_view TrimSpaces(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The first character of a non-empty `bytes`: `valid` with its `length` when
// a well-formed UTF-8 sequence starts there; otherwise the `length` of the
// piece a decoder replaces by one U+FFFD (the longest start of a well-formed
// sequence, at least one byte), as browsers and the Encoding Standard do.
// "\xE2\x82\xAC" -> {3, valid}; "\xE2\x82x" -> {2, not valid}; "\xFF" -> {1, not valid}.
struct Utf8Step {
    std::size_t length = 1;
    bool valid = true;
};
Utf8Step NextUtf8(std::string_view bytes);

// The length of the longest prefix of `bytes` that is valid UTF-8.
std::size_t ValidUtf8Prefix(std::string_view bytes);
inline bool IsValidUtf8(std::string_view bytes)
{
    return ValidUtf8Prefix(bytes) == bytes.size();
}

// Appends `bytes` to `out` with each piece that is not UTF-8 replaced by
// U+FFFD, as NextUtf8 cuts it. "caf\xE9" -> "caf\xEF\xBF\xBD".
void AppendRepairedUtf8(std::string& out, std::string_view bytes);

} // namespace tamsenor::text
