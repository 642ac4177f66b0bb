#include "markup/PageEncoding.h"

#include "text/TextBasics.h"

#include <uchardet.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace tamsenor::markup {
namespace {

struct KnownEncoding {
    const char* name; // as browsers name it
    const char* iconv; // as glibc's iconv names the same table
    const char* labels; // every label browsers accept for it, space separated, lower case
};

// The labels browsers accept; Latin-1 and ASCII are read as windows-1252 and
// GBK as GB18030, as they do. Encodings with no text-producing decoder (the
// "replacement" ones) are left out, so their labels are not honoured.
constexpr KnownEncoding kEncodings[] = {
    { "UTF-8", "UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8" },
    { "IBM866", "IBM866", "866 cp866 csibm866 ibm866" },
    { "ISO-8859-2", "ISO-8859-2",
        "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2" },
    { "ISO-8859-3", "ISO-8859-3",
        "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3" },
    { "ISO-8859-4", "ISO-8859-4",
        "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4" },
    { "ISO-8859-5", "ISO-8859-5",
        "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988" },
    { "ISO-8859-6", "ISO-8859-6",
        "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i "
        "iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987" },
    { "ISO-8859-7", "ISO-8859-7",
        "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 "
        "iso_8859-7:1987 sun_eu_greek" },
    { "ISO-8859-8", "ISO-8859-8",
        "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8 "
        "iso_8859-8:1988 visual" },
    { "ISO-8859-8-I", "ISO-8859-8", "csiso88598i iso-8859-8-i logical" },
    { "ISO-8859-10", "ISO-8859-10", "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6" },
    { "ISO-8859-13", "ISO-8859-13", "iso-8859-13 iso8859-13 iso885913" },
    { "ISO-8859-14", "ISO-8859-14", "iso-8859-14 iso8859-14 iso885914" },
    { "ISO-8859-15", "ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9" },
    { "ISO-8859-16", "ISO-8859-16", "iso-8859-16" },
    { "KOI8-R", "KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r" },
    { "KOI8-U", "KOI8-U", "koi8-ru koi8-u" },
    { "macintosh", "MACINTOSH", "csmacintosh mac macintosh x-mac-roman" },
    { "windows-874", "WINDOWS-874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874" },
    { "windows-1250", "WINDOWS-1250", "cp1250 windows-1250 x-cp1250" },
    { "windows-1251", "WINDOWS-1251", "cp1251 windows-1251 x-cp1251" },
    { "windows-1252", "WINDOWS-1252",
        "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
        "iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252" },
    { "windows-1253", "WINDOWS-1253", "cp1253 windows-1253 x-cp1253" },
    { "windows-1254", "WINDOWS-1254",
        "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 "
        "windows-1254 x-cp1254" },
    { "windows-1255", "WINDOWS-1255", "cp1255 windows-1255 x-cp1255" },
    { "windows-1256", "WINDOWS-1256", "cp1256 windows-1256 x-cp1256" },
    { "windows-1257", "WINDOWS-1257", "cp1257 windows-1257 x-cp1257" },
    { "windows-1258", "WINDOWS-1258", "cp1258 windows-1258 x-cp1258" },
    { "x-mac-cyrillic", "MAC-CYRILLIC", "x-mac-cyrillic x-mac-ukrainian" },
    { "GBK", "GB18030", "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk" },
    { "gb18030", "GB18030", "gb18030" },
    { "Big5", "BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5" },
    { "EUC-JP", "EUC-JP", "cseucpkdfmtjapanese euc-jp x-euc-jp" },
    { "ISO-2022-JP", "ISO-2022-JP", "csiso2022jp iso-2022-jp" },
    { "Shift_JIS", "WINDOWS-31J", "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis" },
    { "EUC-KR", "CP949",
        "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 windows-949" },
    { "UTF-16BE", "UTF-16BE", "unicodefffe utf-16be" },
    { "UTF-16LE", "UTF-16LE", "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le" },
    // Only reached through the prescan, which reads it as windows-1252.
    { "x-user-defined", "WINDOWS-1252", "x-user-defined" },
};

using text::IsHtmlSpace;

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix)
{
    if (text.size() - at < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (text::LowerAscii(text[at + i]) != prefix[i])
            return false;
    return true;
}

const KnownEncoding* FindEncoding(std::string_view label)
{
    while (!label.empty() && IsHtmlSpace(label.front()))
        label.remove_prefix(1);
    while (!label.empty() && IsHtmlSpace(label.back()))
        label.remove_suffix(1);
    if (label.empty())
        return nullptr;
    std::string lower(label);
    for (char& c : lower)
        c = text::LowerAscii(c);
    for (const KnownEncoding& encoding : kEncodings) {
        std::string_view labels = encoding.labels;
        while (!labels.empty()) {
            const std::size_t end = std::min(labels.find(' '), labels.size());
            if (labels.substr(0, end) == lower)
                return &encoding;
            labels.remove_prefix(std::min(end + 1, labels.size()));
        }
    }
    return nullptr;
}

const KnownEncoding* FindByName(std::string_view name)
{
    for (const KnownEncoding& encoding : kEncodings)
        if (name == encoding.name)
            return &encoding;
    return nullptr;
}

// The label in a <meta content> value: after "charset", optional white space,
// "=", then a quoted value or one up to white space or ";".
std::optional<std::string_view> CharsetInContent(std::string_view content)
{
    std::size_t at = 0;
    for (;;) {
        std::size_t found = std::string_view::npos;
        for (std::size_t i = at; i + 7 <= content.size(); ++i)
            if (StartsWithNoCase(content, i, "charset")) {
                found = i;
                break;
            }
        if (found == std::string_view::npos)
            return std::nullopt;
        at = found + 7;
        while (at < content.size() && IsHtmlSpace(content[at]))
            ++at;
        if (at < content.size() && content[at] == '=')
            break;
    }
    ++at;
    while (at < content.size() && IsHtmlSpace(content[at]))
        ++at;
    if (at == content.size())
        return std::nullopt;
    const char quote = content[at];
    if (quote == '"' || quote == '\'') {
        const std::size_t close = content.find(quote, at + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        return content.substr(at + 1, close - at - 1);
    }
    std::size_t end = at;
    while (end < content.size() && !IsHtmlSpace(content[end]) && content[end] != ';')
        ++end;
    return content.substr(at, end - at);
}

// Reads the prescan's bytes as attributes of one tag.
class TagAttributes {
public:
    TagAttributes(std::string_view bytes, std::size_t& at)
        : bytes_(bytes)
        , at_(at)
    {
    }

    // The next attribute, names and values in lower case; false at ">" or the end.
    bool next(std::string& name, std::string& value)
    {
        name.clear();
        value.clear();
        while (more() && (IsHtmlSpace(peek()) || peek() == '/'))
            ++at_;
        if (!more() || peek() == '>')
            return false;
        for (;; ++at_) {
            if (!more())
                return false;
            const char c = peek();
            if (c == '=' && !name.empty()) {
                ++at_;
                return value_(value);
            }
            if (IsHtmlSpace(c))
                break;
            if (c == '/' || c == '>')
                return true;
            name += text::LowerAscii(c);
        }
        while (more() && IsHtmlSpace(peek()))
            ++at_;
        if (!more())
            return false;
        if (peek() != '=')
            return true;
        ++at_;
        return value_(value);
    }

private:
    bool more() const { return at_ < bytes_.size(); }
    char peek() const { return bytes_[at_]; }

    bool value_(std::string& value)
    {
        while (more() && IsHtmlSpace(peek()))
            ++at_;
        if (!more())
            return false;
        const char quote = peek();
        if (quote == '"' || quote == '\'') {
            for (++at_; more(); ++at_) {
                if (peek() == quote) {
                    ++at_;
                    return true;
                }
                value += text::LowerAscii(peek());
            }
            return false;
        }
        if (quote == '>')
            return true;
        for (; more() && !IsHtmlSpace(peek()) && peek() != '>'; ++at_)
            value += text::LowerAscii(peek());
        return more();
    }

    std::string_view bytes_;
    std::size_t& at_;
};

// The encoding a <meta> tag declares, its attributes read from `at`;
// `at` ends after the tag's attributes.
const KnownEncoding* MetaDeclaration(std::string_view bytes, std::size_t& at)
{
    TagAttributes attributes(bytes, at);
    std::string name;
    std::string value;
    std::string seen = " ";
    bool gotPragma = false;
    std::optional<bool> needPragma;
    const KnownEncoding* charset = nullptr;
    while (attributes.next(name, value)) {
        // Only the first attribute of a name counts.
        if (seen.find(" " + name + " ") != std::string::npos)
            continue;
        seen += name + " ";
        if (name == "http-equiv") {
            gotPragma = gotPragma || value == "content-type";
        } else if (name == "content" && !charset) {
            if (auto label = CharsetInContent(value)) {
                charset = FindEncoding(*label);
                needPragma = true;
            }
        } else if (name == "charset") {
            charset = FindEncoding(value);
            needPragma = false;
        }
    }
    if (!needPragma || (*needPragma && !gotPragma))
        return nullptr;
    return charset;
}

// Feeds at most this much to the detector: enough for it to settle, little
// next to a page of a gigabyte.
constexpr std::size_t kDetectorSample = 1 << 20;

// Copies `bytes` into `out` with each ill-formed part replaced by U+FFFD.
DecodeOutcome RepairUtf8(std::string_view bytes, std::string& out, text::Hook& hook)
{
    out.reserve(bytes.size() + bytes.size() / 8);
    std::size_t sinceYield = 0;
    while (!bytes.empty()) {
        const std::size_t valid = text::ValidUtf8Prefix(bytes.substr(0, 1 << 20));
        out.append(bytes.substr(0, valid));
        std::size_t used = valid;
        if (valid < bytes.size() && valid < (1u << 20)) {
            out += "\xEF\xBF\xBD";
            used += text::NextUtf8(bytes.substr(valid)).length;
        }
        bytes.remove_prefix(used);
        sinceYield += used;
        if (sinceYield >= (4u << 20)) {
            sinceYield = 0;
            hook.yield();
            if (hook.cancelRequested())
                return DecodeOutcome::Cancelled;
        }
    }
    return DecodeOutcome::Finished;
}

const KnownEncoding* Detect(std::string_view bytes)
{
    const std::string_view sample = bytes.substr(0, kDetectorSample);
    // Valid UTF-8 with some non-ASCII in it is UTF-8 in all but contrived
    // cases; the detector's statistics are for the rest. A sample cut inside
    // a character still counts as valid.
    const std::size_t valid = text::ValidUtf8Prefix(sample);
    const bool cut = sample.size() < bytes.size() && sample.size() - valid < 4;
    if (valid == sample.size() || cut) {
        for (unsigned char c : sample.substr(0, valid))
            if (c >= 0x80)
                return FindByName("UTF-8");
    }
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(
        uchardet_new(), &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0)
        return nullptr;
    uchardet_data_end(detector.get());
    return FindEncoding(uchardet_get_charset(detector.get()));
}

} // namespace

std::optional<std::string> EncodingForLabel(std::string_view label)
{
    if (const KnownEncoding* encoding = FindEncoding(label))
        return encoding->name;
    return std::nullopt;
}

std::optional<std::string> PrescanDeclaredEncoding(std::string_view bytes)
{
    bytes = bytes.substr(0, 1024);
    std::size_t at = 0;
    std::string name;
    std::string value;
    while (at < bytes.size()) {
        if (bytes.compare(at, 4, "<!--") == 0) {
            const std::size_t end = bytes.find("-->", at + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            at = end + 3;
            continue;
        }
        if (StartsWithNoCase(bytes, at, "<meta") && at + 5 < bytes.size()
            && (IsHtmlSpace(bytes[at + 5]) || bytes[at + 5] == '/')) {
            at += 5;
            if (const KnownEncoding* encoding = MetaDeclaration(bytes, at)) {
                std::string_view declared = encoding->name;
                if (declared == "UTF-16LE" || declared == "UTF-16BE")
                    return "UTF-8";
                if (declared == "x-user-defined")
                    return "windows-1252";
                return std::string(declared);
            }
            continue;
        }
        const auto isLetter = [&](std::size_t i) {
            return i < bytes.size() && ((bytes[i] >= 'a' && bytes[i] <= 'z') || (bytes[i] >= 'A' && bytes[i] <= 'Z'));
        };
        if (bytes[at] == '<'
            && (isLetter(at + 1) || (at + 1 < bytes.size() && bytes[at + 1] == '/' && isLetter(at + 2)))) {
            while (at < bytes.size() && !IsHtmlSpace(bytes[at]) && bytes[at] != '>')
                ++at;
            TagAttributes attributes(bytes, at);
            while (attributes.next(name, value)) { }
            ++at;
            continue;
        }
        if (bytes[at] == '<' && at + 1 < bytes.size()
            && (bytes[at + 1] == '!' || bytes[at + 1] == '/' || bytes[at + 1] == '?')) {
            const std::size_t end = bytes.find('>', at);
            if (end == std::string_view::npos)
                return std::nullopt;
            at = end + 1;
            continue;
        }
        ++at;
    }
    return std::nullopt;
}

PageEncoding SniffPageEncoding(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return { "UTF-8", EncodingSource::ByteOrderMark, 3 };
    if (bytes.starts_with("\xFE\xFF"))
        return { "UTF-16BE", EncodingSource::ByteOrderMark, 2 };
    if (bytes.starts_with("\xFF\xFE"))
        return { "UTF-16LE", EncodingSource::ByteOrderMark, 2 };
    if (auto declared = PrescanDeclaredEncoding(bytes))
        return { std::move(*declared), EncodingSource::Declaration, 0 };
    if (const KnownEncoding* detected = Detect(bytes))
        return { detected->name, EncodingSource::Detected, 0 };
    return { "windows-1252", EncodingSource::Default, 0 };
}

namespace {

enum class Converted { Clean, Replaced, Cancelled, Unsupported };

// Converts `bytes` from `known` to UTF-8 into `*out`, each byte that does not
// fit becoming U+FFFD (the five holes of windows-1252 the C1 controls, as in
// browsers). With `out` null only checks, stopping at the first such byte.
Converted Convert(std::string_view bytes, const KnownEncoding& known, std::string* out, text::Hook& hook)
{
    iconv_t converter = iconv_open("UTF-8", known.iconv);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return Converted::Unsupported;
    const bool windows1252 = known.name == std::string_view("windows-1252");
    // The browsers' GBK and gb18030 read a lone 0x80 as the euro sign.
    const bool gb = known.iconv == std::string_view("GB18030");
    if (out)
        out->reserve(bytes.size() + bytes.size() / 8);
    Converted result = Converted::Clean;
    std::array<char, 1 << 16> buffer;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t sinceYield = 0;
    while (inLeft > 0) {
        char* to = buffer.data();
        std::size_t toLeft = buffer.size();
        const std::size_t before = inLeft;
        const std::size_t status = iconv(converter, &in, &inLeft, &to, &toLeft);
        const int error = status == static_cast<std::size_t>(-1) ? errno : 0;
        if (out)
            out->append(buffer.data(), to);
        if (error == EILSEQ || error == EINVAL) {
            // A byte the encoding leaves undefined, or a sequence cut short at the end.
            result = Converted::Replaced;
            if (!out)
                break;
            const auto c = static_cast<unsigned char>(*in);
            if (windows1252 && c >= 0x80 && c <= 0x9F) {
                *out += static_cast<char>(0xC2);
                *out += static_cast<char>(c);
            } else if (gb && c == 0x80) {
                *out += "\xE2\x82\xAC";
            } else {
                *out += "\xEF\xBF\xBD";
            }
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        } else if (error != 0 && error != E2BIG) {
            result = Converted::Unsupported;
            break;
        }
        sinceYield += before - inLeft;
        if (sinceYield >= (4u << 20)) {
            sinceYield = 0;
            hook.yield();
            if (hook.cancelRequested()) {
                result = Converted::Cancelled;
                break;
            }
        }
    }
    if (out && (result == Converted::Clean || result == Converted::Replaced)) {
        // Back to the initial shift state (ISO-2022-JP).
        char* to = buffer.data();
        std::size_t toLeft = buffer.size();
        iconv(converter, nullptr, nullptr, &to, &toLeft);
        out->append(buffer.data(), to);
    }
    iconv_close(converter);
    return result;
}

DecodeOutcome OutcomeOf(Converted converted)
{
    switch (converted) {
    case Converted::Clean:
    case Converted::Replaced:
        return DecodeOutcome::Finished;
    case Converted::Cancelled:
        return DecodeOutcome::Cancelled;
    case Converted::Unsupported:
        break;
    }
    return DecodeOutcome::Unsupported;
}

} // namespace

DecodeOutcome DecodeToUtf8(
    std::string_view bytes, const PageEncoding& encoding, std::string& out, bool* alreadyUtf8, text::Hook& hook)
{
    out.clear();
    *alreadyUtf8 = false;
    bytes.remove_prefix(std::min(encoding.skip, bytes.size()));
    const KnownEncoding* known = FindByName(encoding.name);
    if (!known)
        return DecodeOutcome::Unsupported;
    if (known->name == std::string_view("UTF-8")) {
        if (!text::IsValidUtf8(bytes))
            return RepairUtf8(bytes, out, hook);
        *alreadyUtf8 = true;
        return DecodeOutcome::Finished;
    }
    const DecodeOutcome outcome = OutcomeOf(Convert(bytes, *known, &out, hook));
    if (outcome == DecodeOutcome::Unsupported)
        out.clear();
    return outcome;
}

DecodeOutcome PrepareParserInput(
    std::string_view page, const PageEncoding& encoding, ParserInput& input, text::Hook& hook)
{
    input.decoded.clear();
    input.bytes = page.substr(std::min(encoding.skip, page.size()));
    input.encoding = "UTF-8";
    const KnownEncoding* known = FindByName(encoding.name);
    if (!known)
        return DecodeOutcome::Unsupported;
    if (known->name != std::string_view("UTF-8")) {
        // The parser converts as it reads, so no copy of the page is kept,
        // but it stops at a byte that does not fit: only then is the page
        // decoded here first.
        const Converted check = Convert(input.bytes, *known, nullptr, hook);
        if (check == Converted::Clean) {
            input.encoding = known->iconv;
            return DecodeOutcome::Finished;
        }
        if (check != Converted::Replaced)
            return OutcomeOf(check);
    }
    bool alreadyUtf8 = false;
    const DecodeOutcome outcome = DecodeToUtf8(page, encoding, input.decoded, &alreadyUtf8, hook);
    if (!alreadyUtf8)
        input.bytes = input.decoded;
    return outcome;
}

} // namespace tamsenor::markup
