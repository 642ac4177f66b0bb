#include "text/TextOps.h"

#include "text/TextBasics.h"

#include <algorithm>

namespace tamsenor::text::ops {

namespace {

std::size_t findFrom(std::string_view text, std::string_view marker, std::size_t start, bool noCase)
{
    if (start == 0 || marker.empty() || marker.size() > text.size())
        return 0;
    for (std::size_t i = start - 1; i + marker.size() <= text.size(); ++i) {
        std::string_view here = text.substr(i, marker.size());
        if (noCase ? EqualsIgnoringAsciiCase(here, marker) : here == marker)
            return i + 1;
    }
    return 0;
}

std::string replaceAll(std::string_view text, std::string_view marker, std::string_view replacement, bool noCase)
{
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0; // characters of `text` already dealt with
    std::size_t found = findFrom(text, marker, 1, noCase);
    while (found != 0) {
        result.append(text.substr(copied, found - 1 - copied));
        result.append(replacement);
        copied = found - 1 + marker.size();
        found = findFrom(text, marker, copied + 1, noCase);
    }
    result.append(text.substr(copied));
    return result;
}

} // namespace

std::size_t Find(std::string_view text, std::string_view marker, std::size_t start)
{
    return findFrom(text, marker, start, false);
}

std::size_t FindNoCase(std::string_view text, std::string_view marker, std::size_t start)
{
    return findFrom(text, marker, start, true);
}

std::string ReplaceAll(std::string_view text, std::string_view marker, std::string_view replacement)
{
    return replaceAll(text, marker, replacement, false);
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view marker, std::string_view replacement)
{
    return replaceAll(text, marker, replacement, true);
}

std::string Left(std::string_view text, std::size_t count)
{
    return std::string(text.substr(0, count));
}

std::string From(std::string_view text, std::size_t start)
{
    if (start == 0 || start > text.size())
        return {};
    return std::string(text.substr(start - 1));
}

std::string Reverse(std::string_view text)
{
    return std::string(text.rbegin(), text.rend());
}

std::string TrimLeft(std::string_view text)
{
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string TrimRight(std::string_view text)
{
    std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string Trim(std::string_view text)
{
    return std::string(TrimSpaces(text));
}

} // namespace tamsenor::text::ops
