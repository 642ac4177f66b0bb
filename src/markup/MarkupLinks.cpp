#include "markup/MarkupLinks.h"

#include "text/TextBasics.h"

#include "markup/PageEncoding.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>

namespace tamsenor::markup {

namespace {

using text::IsHtmlSpace;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAlphanumeric(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Browsers refuse longer URLs; taking one would cost memory many times its
// size (a value left open can run to the end of a large page).
constexpr std::size_t kMaxUrlBytes = 2 * 1024 * 1024;

// As a browser's URL parser takes an attribute value: leading and trailing
// C0 controls and spaces go, tabs and line breaks anywhere go.
std::string CleanUrl(std::string_view value)
{
    while (!value.empty() && static_cast<unsigned char>(value.front()) <= 0x20)
        value.remove_prefix(1);
    while (!value.empty() && static_cast<unsigned char>(value.back()) <= 0x20)
        value.remove_suffix(1);
    std::string url;
    url.reserve(value.size());
    for (char c : value)
        if (c != '\t' && c != '\n' && c != '\r')
            url += c;
    return url;
}

// The scheme the URL starts with, or "" when it starts with none (relative).
std::string_view SchemeOf(std::string_view url)
{
    if (url.empty() || !((url[0] >= 'a' && url[0] <= 'z') || (url[0] >= 'A' && url[0] <= 'Z')))
        return {};
    for (std::size_t i = 1; i < url.size(); ++i) {
        const char c = url[i];
        if (c == ':')
            return url.substr(0, i);
        if (!IsAlphanumeric(c) && c != '+' && c != '-' && c != '.')
            return {};
    }
    return {};
}

int DefaultPort(std::string_view scheme)
{
    if (scheme == "http")
        return 80;
    if (scheme == "https")
        return 443;
    if (scheme == "ftp")
        return 21;
    if (scheme == "ftps")
        return 990;
    return -1;
}

bool IsLinkScheme(std::string_view scheme)
{
    return text::EqualsIgnoringAsciiCase(scheme, "http") || text::EqualsIgnoringAsciiCase(scheme, "https")
        || text::EqualsIgnoringAsciiCase(scheme, "ftp") || text::EqualsIgnoringAsciiCase(scheme, "ftps");
}

bool IsValidNonNegativeInteger(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
}

bool IsValidFloatingPointNumber(std::string_view s)
{
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        return i > start;
    };
    if (i < s.size() && s[i] == '-')
        ++i;
    bool mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (!digits())
            return false;
        mantissa = true;
    }
    if (!mantissa)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+'))
            ++i;
        if (!digits())
            return false;
    }
    return i == s.size();
}

// HTML's checks of one candidate's descriptors ("100w", "1.5x", "50h").
bool ValidDescriptors(const std::vector<std::string_view>& descriptors)
{
    bool width = false;
    bool density = false;
    bool height = false;
    for (std::string_view d : descriptors) {
        const char last = d.back();
        const std::string_view value = d.substr(0, d.size() - 1);
        if (last == 'w' && IsValidNonNegativeInteger(value)) {
            if (width || density || value.find_first_not_of('0') == std::string_view::npos)
                return false;
            width = true;
        } else if (last == 'x' && IsValidFloatingPointNumber(value)) {
            if (width || density || height || std::strtod(std::string(value).c_str(), nullptr) < 0)
                return false;
            density = true;
        } else if (last == 'h' && IsValidNonNegativeInteger(value)) {
            if (height || density || value.find_first_not_of('0') == std::string_view::npos)
                return false;
            height = true;
        } else {
            return false;
        }
    }
    return !height || width;
}

class LinkCollector : public MarkupHandler {
public:
    MarkupLinks result;
    std::vector<std::string> candidates; // cleaned, in document order, resolved at the end
    std::optional<std::string> baseHref; // of the first <base> with an href

    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        const Kind kind = KindOf(name);
        if (kind == Kind::None)
            return;
        for (const Attribute& a : attributes) {
            if (a.value.size() > kMaxUrlBytes && kind != Kind::Image)
                continue;
            switch (kind) {
            case Kind::Anchor:
                if (a.name == "href")
                    addHref(a.value);
                break;
            case Kind::Href:
                if (a.name == "href")
                    candidates.push_back(CleanUrl(a.value));
                break;
            case Kind::Src:
                if (a.name == "src")
                    candidates.push_back(CleanUrl(a.value));
                break;
            case Kind::Image:
                if (a.name == "src" && a.value.size() <= kMaxUrlBytes)
                    candidates.push_back(CleanUrl(a.value));
                else if (a.name == "srcset")
                    for (std::string_view url : SrcsetUrls(a.value))
                        if (url.size() <= kMaxUrlBytes)
                            candidates.push_back(CleanUrl(url));
                break;
            case Kind::Action:
                if (a.name == "action")
                    candidates.push_back(CleanUrl(a.value));
                break;
            case Kind::Cite:
                if (a.name == "cite")
                    candidates.push_back(CleanUrl(a.value));
                break;
            case Kind::Base:
                if (a.name == "href" && !baseHref)
                    baseHref = CleanUrl(a.value);
                break;
            case Kind::None:
                break;
            }
        }
    }

private:
    enum class Kind { None, Anchor, Href, Src, Image, Action, Cite, Base };
    std::unordered_set<std::string> seenMail_;

    static Kind KindOf(std::string_view name)
    {
        if (name == "a" || name == "area")
            return Kind::Anchor;
        if (name == "link")
            return Kind::Href;
        if (name == "img" || name == "source")
            return Kind::Image;
        if (name == "script" || name == "iframe" || name == "embed" || name == "audio" || name == "video")
            return Kind::Src;
        if (name == "form")
            return Kind::Action;
        if (name == "blockquote" || name == "q")
            return Kind::Cite;
        if (name == "base")
            return Kind::Base;
        return Kind::None;
    }

    void addHref(std::string_view value)
    {
        std::string url = CleanUrl(value);
        if (text::EqualsIgnoringAsciiCase(SchemeOf(url), "mailto"))
            addMailTo(std::string_view(url).substr(7));
        else
            candidates.push_back(std::move(url));
    }

    void addMailTo(std::string_view to)
    {
        to = to.substr(0, to.find_first_of("?#"));
        const QByteArray decoded = QByteArray::fromPercentEncoding(QByteArray(to.data(), qsizetype(to.size())));
        std::string_view rest(decoded.constData(), std::size_t(decoded.size()));
        while (true) {
            const std::size_t comma = rest.find(',');
            std::string_view address = rest.substr(0, comma);
            while (!address.empty() && IsHtmlSpace(address.front()))
                address.remove_prefix(1);
            while (!address.empty() && IsHtmlSpace(address.back()))
                address.remove_suffix(1);
            if (IsValidEmailAddress(address)) {
                std::string kept(address);
                std::transform(kept.begin() + std::ptrdiff_t(kept.find('@')), kept.end(),
                    kept.begin() + std::ptrdiff_t(kept.find('@')), text::LowerAscii);
                if (seenMail_.insert(kept).second)
                    result.mailTos.push_back(std::move(kept));
            }
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
};

// How many URLs are resolved between two looks at the hook.
constexpr std::size_t kUrlsPerYield = 4096;

} // namespace

std::vector<std::string_view> SrcsetUrls(std::string_view s)
{
    std::vector<std::string_view> urls;
    std::size_t pos = 0;
    std::vector<std::string_view> descriptors;
    while (true) {
        while (pos < s.size() && (IsHtmlSpace(s[pos]) || s[pos] == ','))
            ++pos;
        if (pos >= s.size())
            return urls;
        const std::size_t urlStart = pos;
        while (pos < s.size() && !IsHtmlSpace(s[pos]))
            ++pos;
        std::string_view url = s.substr(urlStart, pos - urlStart);
        descriptors.clear();
        if (url.back() == ',') {
            while (!url.empty() && url.back() == ',')
                url.remove_suffix(1);
        } else {
            // The descriptor tokenizer: a comma ends the candidate unless it
            // stands inside parentheses.
            while (pos < s.size() && IsHtmlSpace(s[pos]))
                ++pos;
            enum { InDescriptor, InParens, AfterDescriptor } state = InDescriptor;
            std::size_t start = pos;
            auto flush = [&](std::size_t end) {
                if (end > start)
                    descriptors.push_back(s.substr(start, end - start));
            };
            while (true) {
                if (pos >= s.size()) {
                    if (state != AfterDescriptor)
                        flush(pos);
                    break;
                }
                const char c = s[pos];
                if (state == InDescriptor) {
                    if (IsHtmlSpace(c)) {
                        flush(pos);
                        state = AfterDescriptor;
                    } else if (c == ',') {
                        flush(pos);
                        ++pos;
                        break;
                    } else if (c == '(') {
                        state = InParens;
                    }
                } else if (state == InParens) {
                    if (c == ')')
                        state = InDescriptor;
                } else if (!IsHtmlSpace(c)) {
                    state = InDescriptor;
                    start = pos;
                    continue;
                }
                ++pos;
            }
        }
        if (!url.empty() && ValidDescriptors(descriptors))
            urls.push_back(url);
    }
}

bool IsValidEmailAddress(std::string_view address)
{
    static constexpr std::string_view kLocalPunctuation = ".!#$%&'*+/=?^_`{|}~-";
    const std::size_t at = address.find('@');
    if (at == 0 || at == std::string_view::npos)
        return false;
    for (char c : address.substr(0, at))
        if (!IsAlphanumeric(c) && kLocalPunctuation.find(c) == std::string_view::npos)
            return false;
    std::string_view domain = address.substr(at + 1);
    while (true) {
        const std::size_t dot = domain.find('.');
        const std::string_view label = domain.substr(0, dot);
        if (label.empty() || label.size() > 63 || !IsAlphanumeric(label.front()) || !IsAlphanumeric(label.back()))
            return false;
        for (char c : label)
            if (!IsAlphanumeric(c) && c != '-')
                return false;
        if (dot == std::string_view::npos)
            return true;
        domain.remove_prefix(dot + 1);
    }
}

MarkupLinks ReadMarkupLinks(std::string_view bytes, text::Hook& hook, const ReadOptions& options)
{
    LinkCollector collector;
    if (options.encoding) {
        collector.result.outcome = ReadMarkup(bytes, collector, hook, options);
    } else {
        // The page's encoding is decided as for its readable text, bytes that
        // do not fit it read as U+FFFD, so that no link is lost behind them.
        const PageEncoding encoding = SniffPageEncoding(bytes);
        ParserInput input;
        switch (PrepareParserInput(bytes, encoding, input, hook)) {
        case DecodeOutcome::Finished:
            break;
        case DecodeOutcome::Cancelled:
            return { {}, {}, ReadOutcome::Cancelled };
        case DecodeOutcome::Unsupported:
            return { {}, {}, ReadOutcome::Stopped };
        }
        ReadOptions decided;
        decided.encoding = input.encoding.c_str();
        decided.validUtf8 = input.encoding == "UTF-8";
        collector.result.outcome = ReadMarkup(input.bytes, collector, hook, decided);
    }
    if (collector.result.outcome == ReadOutcome::Cancelled) {
        collector.result.mailTos.clear();
        return std::move(collector.result);
    }

    // A base that is not absolute would need the page's own address, which
    // we do not know; relative URLs are then left out.
    std::optional<QUrl> base;
    if (collector.baseHref && !SchemeOf(*collector.baseHref).empty()) {
        QUrl url(QString::fromUtf8(collector.baseHref->data(), qsizetype(collector.baseHref->size())));
        if (url.isValid() && !url.isRelative())
            base = url;
    }

    std::unordered_set<std::string> seen;
    std::size_t sinceYield = 0;
    for (const std::string& candidate : collector.candidates) {
        if (++sinceYield == kUrlsPerYield) {
            sinceYield = 0;
            hook.yield();
            if (hook.cancelRequested())
                return { {}, {}, ReadOutcome::Cancelled };
        }
        // Most values are relative or of another scheme; only the rest need a URL parser.
        const std::string_view scheme = SchemeOf(candidate);
        if (scheme.empty() ? !base : !IsLinkScheme(scheme))
            continue;
        QUrl url(QString::fromUtf8(candidate.data(), qsizetype(candidate.size())));
        if (scheme.empty())
            url = base->resolved(url);
        const QString resolvedScheme = url.scheme();
        const int defaultPort = DefaultPort(resolvedScheme.toStdString());
        if (defaultPort < 0 || !url.isValid() || url.host().isEmpty())
            continue;
        if (url.port() == defaultPort)
            url.setPort(-1);
        // As a browser requests it: "." and ".." segments resolved (a URL
        // resolved against itself has them removed as RFC 3986 says).
        url = url.resolved(url);
        std::string link = url.toString(QUrl::FullyEncoded).toStdString();
        if (seen.insert(link).second)
            collector.result.links.push_back(std::move(link));
    }
    return std::move(collector.result);
}

} // namespace tamsenor::markup
