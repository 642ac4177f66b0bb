// The markup reader and the link rules on arbitrary bytes, read as the
// document says and with UTF-8 forced.
#include "FuzzCheck.h"
#include "markup/MarkupLinks.h"
#include "markup/MarkupReader.h"

#include <QRegularExpression>
#include <QString>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

using namespace tamsenor::markup;

namespace {

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const int length = c < 0x80 ? 1
            : c >= 0xC2 && c < 0xE0 ? 2
            : c >= 0xE0 && c < 0xF0 ? 3
            : c >= 0xF0 && c < 0xF5 ? 4
                                    : 0;
        if (length == 0 || i + length > s.size())
            return false;
        char32_t point = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = point << 6 | (next & 0x3F);
        }
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point < 0xE000)))
            || (length == 4 && (point < 0x10000 || point > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

// Every end closes the element started last; the views hold UTF-8.
class NestingCheck : public MarkupHandler {
public:
    std::vector<std::string> open;
    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        FUZZ_CHECK(!name.empty(), "an element has a name");
        for (const Attribute& a : attributes)
            FUZZ_CHECK(IsUtf8(a.name) && IsUtf8(a.value), "attributes are UTF-8");
        open.emplace_back(name);
    }
    void endElement(std::string_view name) override
    {
        FUZZ_CHECK(!open.empty() && open.back() == name, "an end closes the element started last");
        open.pop_back();
    }
    void text(std::string_view utf8) override { FUZZ_CHECK(IsUtf8(utf8), "text is UTF-8"); }
    void rawText(std::string_view utf8) override { FUZZ_CHECK(IsUtf8(utf8), "script text is UTF-8"); }
};

void Check(std::string_view input, const ReadOptions& options)
{
    tamsenor::text::BasicHook hook;
    NestingCheck nesting;
    const ReadOutcome outcome = ReadMarkup(input, nesting, hook, options);
    FUZZ_CHECK(outcome != ReadOutcome::Cancelled, "no cancel without a request");
    FUZZ_CHECK(nesting.open.empty(), "every element ends");

    const MarkupLinks found = ReadMarkupLinks(input, hook, options);
    FUZZ_CHECK(found.outcome == outcome, "the links see the reader's outcome");
    std::unordered_set<std::string> seen;
    for (const std::string& link : found.links) {
        FUZZ_CHECK(seen.insert(link).second, "each link once: " + link);
        FUZZ_CHECK(link.find_first_of(" \t\n\r\f\v") == std::string::npos, "no white space in a link: " + link);
        const QUrl url(QString::fromStdString(link), QUrl::StrictMode);
        FUZZ_CHECK(url.isValid() && !url.isRelative() && !url.host().isEmpty(), "an absolute URL with a host: " + link);
        const QString scheme = url.scheme();
        FUZZ_CHECK(
            scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "ftps", "a link scheme: " + link);
    }
    // The rule for <input type=email>, as HTML writes it.
    static const QRegularExpression valid(
        "^[a-zA-Z0-9.!#$%&'*+/=?^_`{|}~-]+@[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?"
        "(?:\\.[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?)*$");
    seen.clear();
    for (const std::string& address : found.mailTos) {
        FUZZ_CHECK(seen.insert(address).second, "each address once: " + address);
        FUZZ_CHECK(valid.match(QString::fromStdString(address)).hasMatch(), "a valid e-mail address: " + address);
        FUZZ_CHECK(IsValidEmailAddress(address), "the address passes its own check: " + address);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Check(input, {});
    Check(input, { "UTF-8" });
    return 0;
}
