#include "markup/CharacterReferences.h"

#include "text/TextBasics.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tamsenor::markup {
namespace {

// What a placeholder starts with: U+FDD0, a character libxml2 passes on in
// text and values alike, which no page that uses placeholders holds; its
// number follows in decimal digits.
constexpr std::string_view kPlaceholder = "\xEF\xB7\x90";
// A run of white space is handed over as white space, which libxml2 reads
// as it reads the run: this and the number in base 4, written in the four
// blanks. Only in pages that do not hold it.
constexpr std::string_view kBlankPlaceholder = "\t\r\t";
constexpr char kBlankDigits[4] = { ' ', '\t', '\n', '\r' };
// The attributes of a start tag are handed over as one attribute without a
// value, named this and the number in decimal digits, after a space.
constexpr std::string_view kTagPlaceholder = "_:.";

constexpr char kDecimalDigits[10] = { '0', '1', '2', '3', '4', '5', '6', '7', '8', '9' };

// The value of each character as a digit of a placeholder's number, -1 for none.
constexpr std::array<std::array<signed char, 256>, 2> kDigitValues = [] {
    std::array<std::array<signed char, 256>, 2> table {};
    for (auto& values : table)
        values.fill(-1);
    for (int d = 0; d < 4; ++d)
        table[0][static_cast<unsigned char>(kBlankDigits[d])] = static_cast<signed char>(d);
    for (int d = 0; d < 10; ++d)
        table[1][static_cast<unsigned char>(kDecimalDigits[d])] = static_cast<signed char>(d);
    return table;
}();

// Writes the mark of a placeholder and its number; returns the length.
std::size_t WritePlaceholder(char* out, bool blanks, std::string_view mark, std::size_t index)
{
    std::memcpy(out, mark.data(), mark.size());
    const std::size_t base = blanks ? 4 : 10;
    const char* const digitChars = blanks ? kBlankDigits : kDecimalDigits;
    char digits[32];
    std::size_t count = 0;
    do
        digits[count++] = digitChars[index % base];
    while ((index /= base) > 0);
    for (std::size_t i = 0; i < count; ++i)
        out[mark.size() + i] = digits[count - 1 - i];
    return mark.size() + count;
}

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
        // Too little room for a reference: the bytes as they are (and a
        // value met here is handed over as written).
        written = std::min(room, page_.size() - at_);
        std::replace_copy(page_.begin() + at_, page_.begin() + at_ + written, out, '\0', ' ');
        at_ += written;
        return written;
    }
    while (at_ < page_.size() && written + kLongest < room) {
        std::size_t limit = std::min(page_.size(), at_ + (room - kLongest - written));
        if (planAhead()) {
            const Span& value = span(nextAside_);
            if (value.at == at_ && value.kind == Kind::Comment) {
                at_ += value.length;
                ++nextAside_;
                continue;
            }
            if (value.at == at_) {
                // The placeholder fits in the room kept for a reference.
                const bool blanks = value.kind == Kind::Blanks;
                if (value.kind == Kind::Attributes)
                    out[written++] = ' ';
                written += WritePlaceholder(out + written, blanks,
                    value.kind == Kind::Attributes ? kTagPlaceholder : blanks ? kBlankPlaceholder : kPlaceholder,
                    nextAside_);
                at_ += value.length;
                ++nextAside_;
                continue;
            }
            limit = std::min(limit, value.at);
        }
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

namespace {

struct AttributeCount {
    std::size_t count = 0; // how many attributes the tag has
    std::size_t from = 0; // where the one past the kept ones starts (the end when none is)
    std::size_t end = 0; // where the tag ends ('>' or the end of the page)
};

// Reads the attributes of the start tag at `at` as HTML's tokenizer does.
AttributeCount CountAttributes(std::string_view page, std::size_t at, std::size_t kept)
{
    const auto space = [&](std::size_t i) { return text::IsHtmlSpace(page[i]); };
    const std::size_t n = page.size();
    std::size_t i = at + 1;
    while (i < n && !space(i) && page[i] != '/' && page[i] != '>')
        ++i;
    std::size_t count = 0;
    std::size_t from = n;
    while (true) {
        while (i < n && (space(i) || page[i] == '/'))
            ++i;
        if (i >= n || page[i] == '>')
            break;
        if (++count == kept + 1)
            from = i;
        ++i;
        while (i < n && !space(i) && page[i] != '/' && page[i] != '>' && page[i] != '=')
            ++i;
        while (i < n && space(i))
            ++i;
        if (i >= n || page[i] != '=')
            continue;
        ++i;
        while (i < n && space(i))
            ++i;
        if (i < n && (page[i] == '"' || page[i] == '\'')) {
            const std::size_t close = page.find(page[i], i + 1);
            i = close == std::string_view::npos ? n : close + 1;
        } else {
            while (i < n && !space(i) && page[i] != '>')
                ++i;
        }
    }
    return { count, count > kept ? from : i, i };
}

// Whether the '<' at `at` starts a tag that may hold more attributes than are kept.
bool MayBeLongTag(std::string_view page, std::size_t at, std::size_t kept)
{
    if (at + 1 >= page.size() || !IsAsciiAlnum(page[at + 1]) || (page[at + 1] >= '0' && page[at + 1] <= '9'))
        return false;
    // An attribute takes two bytes at least.
    const std::size_t span = std::min(page.size() - at, 2 * kept);
    return std::memchr(page.data() + at, '>', span) == nullptr;
}

} // namespace

// Whether the '<' at `at` starts a tag that may hold more attributes than are kept.
bool ReferenceRewriter::longTag(std::size_t at) const
{
    return rawEnd_.empty() && at >= blankTo_ && MayBeLongTag(page_, at, kMaxAttributes);
}

// At the '<' of a long start tag: when it has more than kMaxAttributes,
// notes the rest of the tag to be given as spaces. libxml2 compares each
// attribute with every earlier one, which takes time with the square of
// their number.
void ReferenceRewriter::attributes()
{
    const AttributeCount read = CountAttributes(page_, at_, kMaxAttributes);
    blankFrom_ = read.from;
    blankTo_ = read.end; // no need to look at this tag again
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

// Whether `text` (after a '<') starts with `name` as the tag name, as it is taken
// for the start of script or style content.
bool NamedTag(std::string_view text, std::string_view name)
{
    if (!StartsNoCase(text, name))
        return false;
    if (text.size() == name.size())
        return true;
    const char next = text[name.size()];
    return next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '\f';
}

// "script" or "style" when `text` (after a '<') starts that element, else "".
std::string_view RawElementAt(std::string_view text)
{
    for (std::string_view name : { std::string_view("script"), std::string_view("style") })
        if (NamedTag(text, name))
            return name;
    return {};
}

// Where the script or style content started by the tag at `at` ends as the
// rewriter hands it over: the script's end tag it lets through (see tag()),
// or the first "</style"; the end of the page when there is none.
std::size_t RawContentEnd(std::string_view page, std::size_t at, std::string_view raw)
{
    if (raw == "script") {
        const std::size_t open = page.find('>', at);
        return open == std::string_view::npos ? page.size() : ScriptEnd(page, open + 1);
    }
    for (std::size_t q = at; (q = page.find("</", q)) != std::string_view::npos; q += 2)
        if (StartsNoCase(page.substr(q + 2), raw))
            return q;
    return page.size();
}

} // namespace

// At a '<': notes where script and style content starts and ends, as libxml2
// reads it (up to the first end tag of the same name), and a script's as a
// browser reads it. False for a '<' that must not end the script.
bool ReferenceRewriter::tag()
{
    const std::string_view rest = page_.substr(at_ + 1);
    if (rawEnd_.empty()) {
        rawEnd_ = RawElementAt(rest);
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

namespace {

// Shorter values and runs of text are not worth a placeholder.
constexpr std::size_t kAsideFrom = 10;
constexpr std::size_t kLongestText = 64 * 1024;
// libxml2 takes at most this many characters of a tag or attribute name.
constexpr std::size_t kLongestName = 100;

constexpr bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What libxml2 takes for white space between the parts of a tag (no form feed).
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr bool StartsName(char c)
{
    return IsAsciiLetter(c) || c == '_' || c == ':' || c == '.';
}

constexpr std::array<bool, 256> kNameChars = [] {
    std::array<bool, 256> table {};
    for (int c = 0; c < 256; ++c)
        table[std::size_t(c)] = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'
            || c == ':' || c == '-' || c == '.';
    return table;
}();

bool IsNameChar(char c)
{
    return kNameChars[static_cast<unsigned char>(c)];
}

std::size_t SkipBlanks(std::string_view page, std::size_t at)
{
    while (at < page.size() && IsBlank(page[at]))
        ++at;
    return at;
}

// The end of a tag or attribute name from `at`, or kOff when libxml2 would cut it.
std::size_t NameEnd(std::string_view page, std::size_t at)
{
    std::size_t end = at;
    while (end < page.size() && IsNameChar(page[end]) && end - at < kLongestName)
        ++end;
    return end - at < kLongestName ? end : std::string_view::npos;
}

// The end of a name as libxml2 reads the target of a processing instruction
// or the name of a doctype on its fast path: npos where it would read it
// otherwise (a character outside ASCII, or the end of the input).
std::size_t PlainNameEnd(std::string_view page, std::size_t at)
{
    if (at >= page.size())
        return std::string_view::npos;
    if (static_cast<unsigned char>(page[at]) >= 0x80)
        return std::string_view::npos;
    if (!IsAsciiLetter(page[at]) && page[at] != '_' && page[at] != ':')
        return at; // no name: nothing is taken
    std::size_t end = at + 1;
    while (end < page.size() && IsNameChar(page[end]))
        ++end;
    return end < page.size() && static_cast<unsigned char>(page[end]) < 0x80 ? end : std::string_view::npos;
}

} // namespace

void ReferenceRewriter::setValuesAside()
{
    if (at_ != 0 || std::memchr(page_.data(), 0, page_.size()) || page_.find(kPlaceholder) != std::string_view::npos)
        return;
    readAhead_ = 0;
    // Looked for at its carriage return: a page has far fewer of those than tabs.
    static_assert(kBlankPlaceholder.size() == 3 && kBlankPlaceholder[1] == '\r');
    blanksAside_ = true;
    for (std::size_t r = page_.find('\r', 1); r != std::string_view::npos && r + 1 < page_.size();
         r = page_.find('\r', r + 1)) {
        if (page_.compare(r - 1, 3, kBlankPlaceholder) == 0) {
            blanksAside_ = false;
            break;
        }
    }
    tagsAside_ = page_.find(kTagPlaceholder) == std::string_view::npos;
}

// The span a placeholder (which starts with `mark`, its number written in
// digits of `base`) stands for, forgetting those before it; nullptr for no placeholder.
const ReferenceRewriter::Span* ReferenceRewriter::take(std::string_view placeholder, std::string_view mark, std::size_t base)
{
    if (placeholder.size() <= mark.size() || !placeholder.starts_with(mark))
        return nullptr;
    const std::array<signed char, 256>& values = kDigitValues[base == 4 ? 0 : 1];
    std::size_t index = 0;
    for (const char c : placeholder.substr(mark.size())) {
        const signed char digit = values[static_cast<unsigned char>(c)];
        if (digit < 0)
            return nullptr;
        index = index * base + std::size_t(digit);
        if (index >= planned())
            return nullptr;
    }
    if (index < liveAside_)
        return nullptr;
    // The parser reads in page order: the placeholders before this one
    // are read or left out for good, and their room is given back now and then.
    liveAside_ = index;
    if (const std::size_t done = liveAside_ - firstAside_; done >= 4096 && 2 * done >= aside_.size()) {
        aside_.erase(aside_.begin(), aside_.begin() + std::ptrdiff_t(done));
        firstAside_ = liveAside_;
    }
    return &span(index);
}

std::string_view ReferenceRewriter::valueFor(std::string_view value)
{
    // White space that starts like a placeholder is one only in a page that holds none.
    const Span* found = blanksAside_ && value.starts_with(kBlankPlaceholder) ? take(value, kBlankPlaceholder, 4)
                                                                             : take(value, kPlaceholder, 10);
    return found && found->kind != Kind::Attributes ? page_.substr(found->at, found->length) : value;
}

bool ReferenceRewriter::attributesFor(std::string_view name, std::vector<Attribute>& attributes)
{
    const Span* found = tagsAside_ ? take(name, kTagPlaceholder, 10) : nullptr;
    if (!found || found->kind != Kind::Attributes)
        return false;
    // Read as the tags were read ahead: names, and values quoted or not.
    const std::string_view list = page_.substr(found->at, found->length);
    attributes.clear();
    for (std::size_t i = SkipBlanks(list, 0); i < list.size(); i = SkipBlanks(list, i)) {
        const std::size_t nameEnd = NameEnd(list, i);
        const std::string_view attribute = list.substr(i, nameEnd - i);
        std::string_view value;
        i = SkipBlanks(list, nameEnd);
        if (i < list.size() && list[i] == '=') {
            i = SkipBlanks(list, i + 1);
            if (i < list.size() && (list[i] == '"' || list[i] == '\'')) {
                const std::size_t close = list.find(list[i], i + 1);
                value = list.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t start = i;
                while (i < list.size() && !IsBlank(list[i]))
                    ++i;
                value = list.substr(start, i - start);
            }
        }
        if (std::none_of(attributes.begin(), attributes.end(), [&](const Attribute& a) { return a.name == attribute; }))
            attributes.push_back({ attribute, value });
    }
    return true;
}

// Reads tags ahead until there is a value to set aside at or after at_;
// false when there is none.
bool ReferenceRewriter::planAhead()
{
    for (;;) {
        while (nextAside_ < planned() && span(nextAside_).at < at_)
            ++nextAside_; // handed over as written
        if (nextAside_ < planned())
            return true;
        if (readAhead_ == kOff)
            return false;
        const void* open = std::memchr(page_.data() + readAhead_, '<', page_.size() - readAhead_);
        readAhead_ = open ? readTag(std::size_t(static_cast<const char*>(open) - page_.data())) : kOff;
        if (readAhead_ != kOff && page_[readAhead_ - 1] == '>')
            planText(readAhead_);
    }
}

// The text right after a tag, up to the next tag or reference, which
// libxml2 gives as written. It gives it in pieces of 1000 bytes, each of
// white space only taken otherwise than text (it may imply a paragraph for
// text and not for white space), so the placeholder is white space where the
// run is, and text where its first piece holds more.
void ReferenceRewriter::planText(std::size_t at)
{
    constexpr std::size_t kFirstPiece = 990;
    const std::size_t n = page_.size();
    const char* const page = page_.data();
    // Before the first element, libxml2 skips the white space before text.
    if (!inContent_ && at < n && IsBlank(page[at]))
        return;
    std::size_t first = at;
    while (first < n && IsBlank(page[first]))
        ++first;
    std::size_t end = first;
    while (end < n) {
        // Sixteen at a time up to the end of the run or a character to look at.
        for (; end + 16 <= n; end += 16) {
            Bytes here;
            std::memcpy(&here, page + end, 16);
            const Bytes look = (here == '<') | (here == '&') | (here == 0xEF)
                | ((here < 0x20) & (here != '\t') & (here != '\n') & (here != '\r'));
            std::uint64_t halves[2];
            std::memcpy(halves, &look, 16);
            if (halves[0] | halves[1])
                break;
        }
        if (end >= n)
            break;
        const auto c = static_cast<unsigned char>(page[end]);
        if (c == '<' || c == '&')
            break;
        // Characters libxml2 leaves out: controls, U+FFFE and U+FFFF.
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            || (c == 0xEF && end + 2 < n && static_cast<unsigned char>(page[end + 1]) == 0xBF
                && static_cast<unsigned char>(page[end + 2]) >= 0xBE))
            return;
        ++end;
    }
    // A longer run is left in pieces, which the hook runs between.
    if (end - at < kAsideFrom || end - at > kLongestText)
        return;
    if (first < end && first < at + kFirstPiece)
        aside_.push_back({ at, end - at, Kind::Text });
    else if (first == end && end - at < kFirstPiece && blanksAside_)
        aside_.push_back({ at, end - at, Kind::Blanks });
}

// Whether, between `from` and `to`, a '<' that is not markup to libxml2
// (inside a comment, a value, ...) changes what is handed over after `to`:
// script or style content taken to start there and not ended by `to` (see
// tag()), or a tag with attributes past the kept ones.
bool ReferenceRewriter::touchesRaw(std::size_t from, std::size_t to) const
{
    while (from < to) {
        const void* open = std::memchr(page_.data() + from, '<', to - from);
        if (!open)
            return false;
        const std::size_t at = std::size_t(static_cast<const char*>(open) - page_.data());
        if (MayBeLongTag(page_, at, kMaxAttributes))
            return true;
        const std::string_view raw = RawElementAt(page_.substr(at + 1));
        from = raw.empty() ? at + 1 : RawContentEnd(page_, at, raw) + 1;
        if (!raw.empty() && from > to)
            return true;
    }
    return false;
}

// At a '<' that libxml2 reads outside script and style content: reads what
// it starts as libxml2 does and returns where libxml2 goes on, or kOff.
std::size_t ReferenceRewriter::readTag(std::size_t at)
{
    const std::size_t n = page_.size();
    if (at + 1 >= n)
        return kOff;
    const std::string_view rest = page_.substr(at);
    if (rest.starts_with("<!--")) {
        // Up to the first "-->" or "--!>" after the opening.
        for (std::size_t dashes = at + 4; (dashes = page_.find("--", dashes)) != std::string_view::npos; ++dashes) {
            std::size_t end = 0;
            if (dashes + 2 < n && page_[dashes + 2] == '>')
                end = dashes + 3;
            else if (dashes + 3 < n && page_[dashes + 2] == '!' && page_[dashes + 3] == '>')
                end = dashes + 4;
            if (!end)
                continue;
            if (touchesRaw(at + 4, dashes))
                return kOff;
            // The parser would read it character by character, for nothing.
            if (dashes - (at + 4) >= kAsideFrom)
                aside_.push_back({ at + 4, dashes - (at + 4), Kind::Comment });
            return end;
        }
        return kOff;
    }
    if (rest.size() > 9 && rest[1] == '!' && StartsNoCase(rest.substr(2), "doctype")) {
        std::size_t p = PlainNameEnd(page_, SkipBlanks(page_, at + 9));
        if (p == std::string_view::npos)
            return kOff;
        p = SkipBlanks(page_, p);
        const bool system = StartsNoCase(page_.substr(p), "system");
        const bool identified = system || StartsNoCase(page_.substr(p), "public");
        // A quoted literal runs to its closing quote.
        const auto literal = [&](std::size_t q) {
            if (q >= n || (page_[q] != '"' && page_[q] != '\''))
                return q;
            const std::size_t close = page_.find(page_[q], q + 1);
            return close == std::string_view::npos ? kOff : close + 1;
        };
        if (identified) {
            p = literal(SkipBlanks(page_, p + 6));
            if (p != kOff && !system)
                p = literal(SkipBlanks(page_, p));
            if (p == kOff)
                return kOff;
        }
        const std::size_t close = page_.find('>', p);
        if (close == std::string_view::npos || touchesRaw(at, close))
            return kOff;
        // In the content, libxml2 reads a "</" or "<!" right after a doctype as text.
        const std::string_view after = page_.substr(close + 1);
        if (after.starts_with("</") || (after.starts_with("<!") && !after.starts_with("<!--")))
            return kOff;
        return close + 1;
    }
    if (rest[1] == '?') {
        const std::size_t end = PlainNameEnd(page_, at + 2);
        if (end == std::string_view::npos)
            return kOff;
        if (end == at + 2)
            return end; // no target: the rest is content
        const std::size_t close = page_.find('>', end);
        return close == std::string_view::npos || touchesRaw(at, close) ? kOff : close + 1;
    }
    if (rest[1] == '/') {
        inContent_ = true;
        if (rest.size() < 3 || !StartsName(rest[2]))
            return at + 2; // no name: "</" is taken, the rest is content
        std::size_t p = NameEnd(page_, at + 2);
        if (p == std::string_view::npos)
            return kOff;
        p = SkipBlanks(page_, p);
        if (p < n && page_[p] == '>')
            return p + 1;
        // Anything else up to the next '>' is left out.
        const std::size_t close = page_.find('>', p);
        return close == std::string_view::npos || touchesRaw(p, close) ? kOff : close + 1;
    }
    if (IsAsciiLetter(rest[1])) {
        inContent_ = true;
        return readStartTag(at);
    }
    return at + 1; // a '<' of the text
}

// At the '<' of a start tag: notes its long values to be set aside and
// returns where libxml2 goes on, or kOff (the tag's values then stay).
std::size_t ReferenceRewriter::readStartTag(std::size_t at)
{
    const std::size_t n = page_.size();
    const std::size_t nameEnd = NameEnd(page_, at + 1);
    if (nameEnd == std::string_view::npos)
        return kOff;
    if (MayBeLongTag(page_, at, kMaxAttributes) && CountAttributes(page_, at, kMaxAttributes).count > kMaxAttributes)
        return kOff;
    const std::size_t planned = aside_.size();
    const auto off = [&] {
        aside_.resize(planned);
        return kOff;
    };
    std::size_t p = SkipBlanks(page_, nameEnd);
    std::size_t end = 0;
    // Whether every attribute reads as written: the tag's may go aside together.
    bool plain = tagsAside_;
    // Whether a value holds a reference ('&') and a '<' (which the rewriter
    // may take for markup): most values are short and looked at in one pass.
    struct Marks {
        bool reference = false;
        bool open = false;
    };
    const auto marksIn = [&](std::size_t from, std::size_t to) {
        Marks marks;
        const char* const value = page_.data() + from;
        const std::size_t length = to - from;
        if (length <= 32) {
            for (std::size_t i = 0; i < length; ++i) {
                marks.reference |= value[i] == '&';
                marks.open |= value[i] == '<';
            }
        } else {
            marks.reference = std::memchr(value, '&', length);
            marks.open = std::memchr(value, '<', length);
        }
        return marks;
    };
    while (!end) {
        if (p >= n)
            return off();
        if (page_[p] == '>' || (page_[p] == '/' && p + 1 < n && page_[p + 1] == '>')) {
            end = p + (page_[p] == '>' ? 1 : 2);
            break;
        }
        if (!StartsName(page_[p])) {
            plain = false;
            // No attribute: libxml2 leaves out what follows up to a blank or the end of the tag.
            const std::size_t from = p;
            while (p < n && !IsBlank(page_[p]) && page_[p] != '>' && !(page_[p] == '/' && p + 1 < n && page_[p + 1] == '>'))
                ++p;
            if (touchesRaw(from, p))
                return off();
            p = SkipBlanks(page_, p);
            continue;
        }
        const std::size_t attribute = p;
        p = NameEnd(page_, p);
        if (p == std::string_view::npos)
            return off();
        // libxml2 gives names in lower case.
        plain = plain && std::none_of(page_.begin() + attribute, page_.begin() + p, [](char c) { return c >= 'A' && c <= 'Z'; });
        p = SkipBlanks(page_, p);
        if (p < n && page_[p] == '=') {
            p = SkipBlanks(page_, p + 1);
            std::size_t valueEnd = p;
            Marks marks;
            if (p < n && (page_[p] == '"' || page_[p] == '\'')) {
                valueEnd = page_.find(page_[p], p + 1);
                if (valueEnd == std::string_view::npos)
                    return off();
                const std::size_t length = valueEnd - p - 1;
                marks = marksIn(p + 1, valueEnd);
                // Not one with a reference, nor one with a '<', which may change how the page around it is handed over.
                const bool asWritten = !marks.reference && !marks.open;
                if (length >= kAsideFrom && asWritten)
                    aside_.push_back({ p + 1, length, Kind::Text });
                plain = plain && asWritten;
                ++valueEnd;
            } else {
                while (valueEnd < n && !IsBlank(page_[valueEnd]) && page_[valueEnd] != '>')
                    ++valueEnd;
                marks = marksIn(p, valueEnd);
                plain = plain && !marks.reference && !marks.open;
            }
            if (marks.open && touchesRaw(p, valueEnd))
                return off();
            p = valueEnd;
        }
        p = SkipBlanks(page_, p);
    }
    // The attributes together, in place of their values one by one.
    if (plain && p - nameEnd >= kAsideFrom) {
        aside_.resize(planned);
        aside_.push_back({ nameEnd, p - nameEnd, Kind::Attributes });
    }
    const std::string_view name = page_.substr(at + 1, nameEnd - at - 1);
    if (!text::EqualsIgnoringAsciiCase(name, "script") && !text::EqualsIgnoringAsciiCase(name, "style"))
        return end;
    // Script and style content, as libxml2 reads it when the tag also
    // starts it here and is not closed by "/>": it ends where the script's
    // end tag is let through, or at the first "</style".
    const std::string_view raw = RawElementAt(page_.substr(at + 1));
    if (raw.size() != name.size() || end - p == 2)
        return off();
    const std::size_t close = RawContentEnd(page_, at, raw);
    // Taken to end inside its own start tag, or not at all; a longer name
    // in the end tag does not end the element to libxml2.
    if (close < end || close >= n || (close + 2 + raw.size() < n && IsNameChar(page_[close + 2 + raw.size()])))
        return close < end ? off() : kOff;
    return close;
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
