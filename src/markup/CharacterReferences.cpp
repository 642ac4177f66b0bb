#include "markup/CharacterReferences.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tamsenor::markup {
namespace {

// What a browser reads for a numeric reference to 0x80-0x9F: the character
// of that byte in windows-1252, or the control itself where it has none.
constexpr char32_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, //
};

// The bytes the copy loop stops at.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> table {};
    for (unsigned char c : { '&', '<', '\0' })
        table[c] = true;
    return table;
}();

int DigitValue(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char t) { return p == Lower(t); });
}

// Writes "&#N;" and returns its length.
std::size_t WriteNumeric(char* out, char32_t code)
{
    char digits[8];
    std::size_t count = 0;
    do {
        digits[count++] = char('0' + code % 10);
        code /= 10;
    } while (code > 0);
    std::size_t length = 0;
    out[length++] = '&';
    out[length++] = '#';
    while (count > 0)
        out[length++] = digits[--count];
    out[length++] = ';';
    return length;
}

} // namespace

std::size_t ReferenceRewriter::fill(char* out, std::size_t room)
{
    // The longest reference written out, with room to spare.
    constexpr std::size_t kLongest = 24;
    std::size_t written = 0;
    if (room <= kLongest) {
        // Too little room for a reference: the bytes as they are.
        written = std::min(room, page_.size() - at_);
        std::replace_copy(page_.begin() + at_, page_.begin() + at_ + written, out, '\0', ' ');
        at_ += written;
        return written;
    }
    while (at_ < page_.size() && written + kLongest < room) {
        const std::size_t limit = std::min(page_.size(), at_ + (room - kLongest - written));
        std::size_t stop = at_;
        while (stop < limit && !kSpecial[static_cast<unsigned char>(page_[stop])])
            ++stop;
        std::memcpy(out + written, page_.data() + at_, stop - at_);
        written += stop - at_;
        at_ = stop;
        if (at_ == limit)
            continue;
        switch (page_[at_]) {
        case '\0':
            out[written++] = ' ';
            ++at_;
            break;
        case '<':
            tag();
            out[written++] = '<';
            ++at_;
            break;
        default: // '&'
            if (const std::size_t length = rawEnd_.empty() ? reference(out + written) : 0) {
                written += length;
            } else {
                out[written++] = '&';
                ++at_;
            }
            break;
        }
    }
    return written;
}

// At a '<': notes where script and style content starts and ends, as libxml2
// reads it (up to the first end tag of the same name).
void ReferenceRewriter::tag()
{
    const std::string_view rest = page_.substr(at_ + 1);
    const auto named = [&](std::string_view text, std::string_view name) {
        if (!StartsNoCase(text, name))
            return false;
        if (text.size() == name.size())
            return true;
        const char next = text[name.size()];
        return next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\n' || next == '\r'
            || next == '\f';
    };
    if (rawEnd_.empty()) {
        for (std::string_view name : { std::string_view("script"), std::string_view("style") })
            if (named(rest, name))
                rawEnd_ = name;
    } else if (rest.starts_with('/') && StartsNoCase(rest.substr(1), rawEnd_)) {
        rawEnd_ = {};
    }
}

// At a '&': writes the reference the way the browser reads it and returns its
// length, having moved past it; 0 where libxml2 reads it as the browser does.
std::size_t ReferenceRewriter::reference(char* out)
{
    std::size_t p = at_ + 1;
    if (p >= page_.size() || page_[p] != '#')
        return 0;
    ++p;
    const bool hex = p < page_.size() && (page_[p] == 'x' || page_[p] == 'X');
    if (hex)
        ++p;
    const std::size_t digits = p;
    char32_t code = 0;
    for (int digit; p < page_.size() && (digit = DigitValue(page_[p], hex)) >= 0; ++p)
        code = std::min<char32_t>(code * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    if (p == digits)
        return 0;
    char32_t read = code;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        read = 0xFFFD;
    else if (code >= 0x80 && code <= 0x9F)
        read = kWindows1252[code - 0x80];
    if (read == code)
        return 0;
    if (p < page_.size() && page_[p] == ';')
        ++p;
    at_ = p;
    return WriteNumeric(out, read);
}

bool IsAsciiCompatible(std::string_view encoding)
{
    for (std::string_view other : { "utf-16", "utf16", "ucs-2", "ucs2", "unicode", "utf-32", "utf32", "ucs-4", "ucs4",
             "utf-7", "utf7", "iso-2022", "iso2022", "hz" })
        if (StartsNoCase(encoding, other))
            return false;
    return true;
}

} // namespace tamsenor::markup
