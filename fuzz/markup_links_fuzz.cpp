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
    // Given an encoding, the links read the page as the reader does; without
    // one they decode it first, as the readable text does.
    if (options.encoding)
        FUZZ_CHECK(found.outcome == outcome, "the links see the reader's outcome");
    else
        FUZZ_CHECK(found.outcome != ReadOutcome::Cancelled, "no cancel without a request");
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
