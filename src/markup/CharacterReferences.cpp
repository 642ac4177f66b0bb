#include "markup/CharacterReferences.h"

#include "text/TextBasics.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
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

struct NamedReference {
    std::string_view name; // without its semicolon
    char32_t first;
    char32_t second; // 0 for a reference to one character
    bool withoutSemicolon; // also read without it (a name from before the standard required it)
};

// The standard's list, generated at build time.
constexpr NamedReference kNamed[] = {
#include "markup/HtmlEntities.inc"
};

const NamedReference* FindNamed(std::string_view name)
{
    const auto found = std::lower_bound(std::begin(kNamed), std::end(kNamed), name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return found != std::end(kNamed) && found->name == name ? found : nullptr;
}

bool IsAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What a character reference is made of after its '&'.
bool IsReferencePart(char c)
{
    return IsAsciiAlnum(c) || c == '#' || c == ';';
}

// The bytes the copy loop stops at, one at a time.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> table {};
    for (unsigned char c : { '&', '<', '\0' })
        table[c] = true;
    return table;
}();

using Bytes = unsigned char __attribute__((vector_size(16)));

// The first position from `at` (before `limit`) of a byte the copy must stop
// at: '&', NUL or '<'. Sixteen bytes at a time.
std::size_t SkipPlain(const char* page, std::size_t at, std::size_t limit)
{
    for (; at + 17 <= limit; at += 16) {
        Bytes here;
        std::memcpy(&here, page + at, 16);
        const Bytes stop = (here == '&') | (here == 0) | (here == '<');
        std::uint64_t halves[2];
        std::memcpy(halves, &stop, 16);
        if constexpr (std::endian::native == std::endian::little) {
            if (halves[0])
                return at + std::size_t(__builtin_ctzll(halves[0]) / 8);
            if (halves[1])
                return at + 8 + std::size_t(__builtin_ctzll(halves[1]) / 8);
        } else if (halves[0] | halves[1]) {
            break;
        }
    }
    while (at < limit && !kSpecial[static_cast<unsigned char>(page[at])])
        ++at;
    return at;
}

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

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char t) { return p == text::LowerAscii(t); });
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
        std::size_t limit = std::min(page_.size(), at_ + (room - kLongest - written));
        std::size_t stop = at_;
        if (at_ < blankFrom_)
            limit = std::min(limit, blankFrom_);
        if (at_ >= blankFrom_ && at_ < blankTo_) {
            const std::size_t count = std::min(blankTo_, limit) - at_;
            std::memset(out + written, ' ', count);
            written += count;
            at_ += count;
            continue;
        }
        while (stop < limit) {
            stop = SkipPlain(page_.data(), stop, limit);
            if (stop == limit || page_[stop] != '<' || mayStartOrEndRaw(stop) || longTag(stop))
                break;
            ++stop;
        }
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
            // An end tag inside a script's escaped part does not end the
            // script in a browser; libxml2 would end it there, so it is not
            // shown one (the script's text is never shown).
            if (longTag(at_))
                attributes();
            out[written++] = !mayStartOrEndRaw(at_) || tag() ? '<' : ' ';
            ++at_;
            break;
        default: // '&'
            if (const std::size_t length = rawEnd_.empty() ? reference(out + written) : 0) {
                written += length;
            } else {
                // libxml2 reads a reference in an attribute value without
                // first taking more input, and a reference cut at the end of
                // what it has ends the value there: a reference is handed
                // over in one piece, so that the page reads the same however
                // the parser takes it.
                std::size_t end = at_ + 1;
                const std::size_t bound = std::min(page_.size(), at_ < blankFrom_ ? blankFrom_ : page_.size());
                while (end < bound && end - at_ < kLongest && IsReferencePart(page_[end]))
                    ++end;
                std::memcpy(out + written, page_.data() + at_, end - at_);
                written += end - at_;
                at_ = end;
            }
            break;
        }
    }
    return written;
}

// Whether the '<' at `at` starts a tag that may hold more attributes than are kept.
bool ReferenceRewriter::longTag(std::size_t at) const
{
    if (!rawEnd_.empty() || at < blankTo_ || at + 1 >= page_.size() || !IsAsciiAlnum(page_[at + 1])
        || (page_[at + 1] >= '0' && page_[at + 1] <= '9'))
        return false;
    // An attribute takes two bytes at least.
    const std::size_t span = std::min(page_.size() - at, 2 * kMaxAttributes);
    return std::memchr(page_.data() + at, '>', span) == nullptr;
}

// At the '<' of a long start tag: reads its attributes as HTML's tokenizer
// does, and when there are more than kMaxAttributes, notes the rest of the
// tag to be given as spaces. libxml2 compares each attribute with every
// earlier one, which takes time with the square of their number.
void ReferenceRewriter::attributes()
{
    const auto space = [&](std::size_t i) { return text::IsHtmlSpace(page_[i]); };
    const std::size_t n = page_.size();
    std::size_t i = at_ + 1;
    while (i < n && !space(i) && page_[i] != '/' && page_[i] != '>')
        ++i;
    std::size_t count = 0;
    std::size_t from = n;
    while (true) {
        while (i < n && (space(i) || page_[i] == '/'))
            ++i;
        if (i >= n || page_[i] == '>')
            break;
        if (++count == kMaxAttributes + 1)
            from = i;
        ++i;
        while (i < n && !space(i) && page_[i] != '/' && page_[i] != '>' && page_[i] != '=')
            ++i;
        while (i < n && space(i))
            ++i;
        if (i >= n || page_[i] != '=')
            continue;
        ++i;
        while (i < n && space(i))
            ++i;
        if (i < n && (page_[i] == '"' || page_[i] == '\'')) {
            const std::size_t close = page_.find(page_[i], i + 1);
            i = close == std::string_view::npos ? n : close + 1;
        } else {
            while (i < n && !space(i) && page_[i] != '>')
                ++i;
        }
    }
    if (count > kMaxAttributes) {
        blankFrom_ = from;
        blankTo_ = i;
    } else {
        blankTo_ = i; // no need to look at this tag again
        blankFrom_ = i;
    }
}

// Whether the '<' at `at` may start a script or style element, or end the one we are in.
bool ReferenceRewriter::mayStartOrEndRaw(std::size_t at) const
{
    if (at + 1 >= page_.size())
        return false;
    const char next = page_[at + 1];
    return rawEnd_.empty() ? next == 's' || next == 'S' : next == '/';
}

namespace {

bool EndsName(std::string_view text, std::size_t at)
{
    if (at >= text.size())
        return true;
    const char next = text[at];
    return next == '>' || next == '/' || text::IsHtmlSpace(next);
}

// Where the content of a script starting at `at` ends as a browser reads it:
// at the first "</script" outside the escaped parts that "<!--" opens, in
// which a "<script" ... "</script" pair does not end it (HTML's script data
// escape states).
std::size_t ScriptEnd(std::string_view page, std::size_t at)
{
    enum { Data, Escaped, DoubleEscaped } state = Data;
    while (true) {
        if (state == Data) {
            // Only a '<' can change anything here, and most scripts never leave this state.
            const void* next = std::memchr(page.data() + at, '<', page.size() - at);
            at = next ? std::size_t(static_cast<const char*>(next) - page.data()) : page.size();
        }
        while (at < page.size() && page[at] != '<' && page[at] != '-')
            ++at;
        if (at >= page.size())
            return page.size();
        const std::string_view rest = page.substr(at);
        if (rest.starts_with("<!--") && state == Data) {
            state = Escaped;
            at += 2; // its dashes may also close it: "<!-->"
        } else if (rest.starts_with("-->")) {
            if (state != Data)
                state = Data;
            at += 3;
        } else if (rest.size() > 1 && rest[1] == '/' && StartsNoCase(rest.substr(2), "script")
            && EndsName(rest, 8)) {
            if (state != DoubleEscaped)
                return at;
            state = Escaped;
            at += 8;
        } else if (state == Escaped && StartsNoCase(rest.substr(1), "script") && EndsName(rest, 7)) {
            state = DoubleEscaped;
            at += 7;
        } else {
            ++at;
        }
    }
}

} // namespace

// At a '<': notes where script and style content starts and ends, as libxml2
// reads it (up to the first end tag of the same name), and a script's as a
// browser reads it. False for a '<' that must not end the script.
bool ReferenceRewriter::tag()
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
        if (rawEnd_ == "script") {
            const std::size_t open = page_.find('>', at_);
            scriptEnd_ = open == std::string_view::npos ? page_.size() : ScriptEnd(page_, open + 1);
        }
    } else if (rest.starts_with('/') && StartsNoCase(rest.substr(1), rawEnd_)) {
        if (rawEnd_ == "script" && at_ < scriptEnd_)
            return false;
        rawEnd_ = {};
    }
    return true;
}

// At a '&': writes the reference the way the browser reads it and returns its
// length, having moved past it; 0 where libxml2 reads it as the browser does.
std::size_t ReferenceRewriter::reference(char* out)
{
    std::size_t p = at_ + 1;
    if (p < page_.size() && page_[p] != '#')
        return named(out);
    if (p >= page_.size())
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

// libxml2 knows only the names of HTML 4, and none without its semicolon:
// every name of the standard's list is written out as numbers. A name read
// without its semicolon counts only where it is not followed by '=' (the
// rule for attribute values, where "&copy=1" in a URL is no reference);
// text, where a browser also reads the longest such name at the start of a
// longer word ("&notit" as "¬it"), is read by that stricter rule too.
std::size_t ReferenceRewriter::named(char* out)
{
    constexpr std::size_t kLongestName = 40;
    std::size_t p = at_ + 1;
    while (p < page_.size() && p - at_ <= kLongestName && IsAsciiAlnum(page_[p]))
        ++p;
    if (p == at_ + 1 || p - at_ > kLongestName)
        return 0;
    const NamedReference* entry = FindNamed(page_.substr(at_ + 1, p - at_ - 1));
    if (!entry)
        return 0;
    if (p < page_.size() && page_[p] == ';')
        ++p;
    else if (!entry->withoutSemicolon || (p < page_.size() && page_[p] == '='))
        return 0;
    at_ = p;
    std::size_t length = WriteNumeric(out, entry->first);
    if (entry->second)
        length += WriteNumeric(out + length, entry->second);
    return length;
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
