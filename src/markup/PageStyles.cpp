#include "markup/PageStyles.h"

#include "text/TextBasics.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <private/qcssparser_p.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tamsenor::markup {
namespace {

constexpr int kViewportWidth = 1280;
constexpr int kViewportHeight = 800;
// What one em is in a media query: the browser's default font size.
constexpr double kEmPixels = 16;

using text::IsHtmlSpace;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsHtmlSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsHtmlSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string LowerCopy(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = text::LowerAscii(c);
    return out;
}

// The four properties that change the text, as CSS names them.
constexpr std::array<std::string_view, 4> kProperties = { "display", "visibility", "text-transform", "white-space" };

// Whether `text` may declare one of the four properties: one of their names,
// in any case, ends where only spaces stand before a ":", as it must for
// DeclaredEffect to take it. Most of a page's CSS is about other
// properties, and all of it is looked at: only the colons are visited.
bool MentionsProperty(std::string_view text)
{
    for (std::size_t colon = text.find(':'); colon != std::string_view::npos; colon = text.find(':', colon + 1)) {
        std::string_view before = text.substr(0, colon);
        while (!before.empty() && IsHtmlSpace(before.back()))
            before.remove_suffix(1);
        for (std::string_view property : kProperties)
            if (before.size() >= property.size()
                && text::EqualsIgnoringAsciiCase(before.substr(before.size() - property.size()), property))
                return true;
    }
    return false;
}

// CSS text is walked token by token only as far as needed to find where
// comments, strings, blocks and declarations end; the rules themselves are
// read by QCss.
class CssCursor {
public:
    explicit CssCursor(std::string_view css)
        : css_(css)
    {
    }
    bool done() const { return at_ >= css_.size(); }
    std::size_t at() const { return at_; }
    std::string_view text() const { return css_; }

    // Moves past a comment or string starting here; false when none does.
    bool skipCommentOrString()
    {
        if (css_[at_] == '/' && at_ + 1 < css_.size() && css_[at_ + 1] == '*') {
            const std::size_t end = css_.find("*/", at_ + 2);
            at_ = end == std::string_view::npos ? css_.size() : end + 2;
            return true;
        }
        const char quote = css_[at_];
        if (quote != '"' && quote != '\'')
            return false;
        for (++at_; at_ < css_.size(); ++at_) {
            if (css_[at_] == '\\')
                ++at_;
            else if (css_[at_] == quote || css_[at_] == '\n') {
                ++at_;
                break;
            }
        }
        at_ = std::min(at_, css_.size());
        return true;
    }

    // Advances to the next of `stops` outside comments, strings and nested
    // brackets; returns it, or 0 at the end.
    char until(std::string_view stops)
    {
        // Only these characters can change where a part ends.
        static constexpr std::array<bool, 256> kMarks = [] {
            std::array<bool, 256> table {};
            for (unsigned char c : { '/', '"', '\'', '(', ')', '[', ']', '{', '}', ';', '\\' })
                table[c] = true;
            return table;
        }();
        int depth = 0;
        while (at_ < css_.size()) {
            while (at_ < css_.size() && !kMarks[static_cast<unsigned char>(css_[at_])])
                ++at_;
            if (at_ >= css_.size())
                break;
            if (css_[at_] == '\\') {
                at_ = std::min(at_ + 2, css_.size()); // an escaped character, such as the bracket of .a\(
                continue;
            }
            if (skipCommentOrString())
                continue;
            const char c = css_[at_];
            if (depth == 0 && stops.find(c) != std::string_view::npos)
                return c;
            if (c == '(' || c == '[' || c == '{')
                ++depth;
            else if ((c == ')' || c == ']' || c == '}') && depth > 0)
                --depth;
            else if (c == '}' && depth == 0)
                return c; // the end of the enclosing block
            ++at_;
        }
        return 0;
    }

    // At a '{': moves past its matching '}' and returns what lies between.
    std::string_view block()
    {
        const std::size_t start = ++at_;
        until("}");
        const std::string_view inside = css_.substr(start, at_ - start);
        if (at_ < css_.size())
            ++at_;
        return inside;
    }

    void advance() { ++at_; }

private:
    std::string_view css_;
    std::size_t at_ = 0;
};

// The effect of one rule (or one style="") on the four properties; -1 where
// it says nothing.
struct Effect {
    std::array<signed char, 4> value { -1, -1, -1, -1 };
    std::array<bool, 4> important {};
    bool empty() const
    {
        return std::all_of(value.begin(), value.end(), [](signed char v) { return v < 0; });
    }
};

enum PropertyIndex { kDisplay, kVisibility, kTextTransform, kWhiteSpace };

// The keywords of the four properties that change the text, and what each
// stands for here; a keyword of none of them says nothing.
struct KeywordValue {
    PropertyIndex property;
    std::string_view keyword;
    signed char value;
};
template <typename Value> constexpr signed char Stored(Value value)
{
    return static_cast<signed char>(value);
}
constexpr KeywordValue kKeywords[] = {
    { kDisplay, "none", Stored(Display::None) },
    { kDisplay, "block", Stored(Display::Block) },
    { kDisplay, "list-item", Stored(Display::Block) },
    { kDisplay, "flex", Stored(Display::Block) },
    { kDisplay, "grid", Stored(Display::Block) },
    { kDisplay, "flow-root", Stored(Display::Block) },
    { kDisplay, "table-caption", Stored(Display::Block) },
    { kDisplay, "-webkit-box", Stored(Display::Block) },
    { kDisplay, "-webkit-flex", Stored(Display::Block) },
    { kDisplay, "-ms-flexbox", Stored(Display::Block) },
    { kDisplay, "-moz-box", Stored(Display::Block) },
    { kDisplay, "inline", Stored(Display::Inline) },
    { kDisplay, "contents", Stored(Display::Inline) },
    { kDisplay, "table-row-group", Stored(Display::Inline) },
    { kDisplay, "table-header-group", Stored(Display::Inline) },
    { kDisplay, "table-footer-group", Stored(Display::Inline) },
    { kDisplay, "table-column", Stored(Display::Inline) },
    { kDisplay, "table-column-group", Stored(Display::Inline) },
    { kDisplay, "ruby", Stored(Display::Inline) },
    { kDisplay, "ruby-text", Stored(Display::Inline) },
    { kDisplay, "inline-block", Stored(Display::InlineBlock) },
    { kDisplay, "inline-flex", Stored(Display::InlineBlock) },
    { kDisplay, "inline-grid", Stored(Display::InlineBlock) },
    { kDisplay, "inline-table", Stored(Display::InlineBlock) },
    { kDisplay, "-webkit-inline-box", Stored(Display::InlineBlock) },
    { kDisplay, "-ms-inline-flexbox", Stored(Display::InlineBlock) },
    { kDisplay, "table", Stored(Display::Table) },
    { kDisplay, "table-row", Stored(Display::Row) },
    { kDisplay, "table-cell", Stored(Display::Cell) },
    { kVisibility, "visible", 1 },
    { kVisibility, "hidden", 0 },
    { kVisibility, "collapse", 0 },
    { kTextTransform, "none", Stored(TextTransform::None) },
    { kTextTransform, "uppercase", Stored(TextTransform::Uppercase) },
    { kTextTransform, "lowercase", Stored(TextTransform::Lowercase) },
    { kTextTransform, "capitalize", Stored(TextTransform::Capitalize) },
    { kWhiteSpace, "normal", Stored(WhiteSpace::Collapse) },
    { kWhiteSpace, "nowrap", Stored(WhiteSpace::Collapse) },
    { kWhiteSpace, "pre", Stored(WhiteSpace::Preserve) },
    { kWhiteSpace, "pre-wrap", Stored(WhiteSpace::Preserve) },
    { kWhiteSpace, "break-spaces", Stored(WhiteSpace::Preserve) },
    { kWhiteSpace, "pre-line", Stored(WhiteSpace::PreserveBreaks) },
};

signed char ValueFor(std::size_t property, std::string_view keyword)
{
    for (const KeywordValue& known : kKeywords)
        if (known.property == property && known.keyword == keyword)
            return known.value;
    return -1;
}

// A declaration's value as the one keyword it must be, in lower case, and
// whether it is !important; nothing for any other value (several words, a
// string, a function), which a browser would not take for these properties
// either. Comments count as nothing. Example: " NONE /*x*/ ! important" -> {"none", true}.
std::optional<std::pair<std::string, bool>> Keyword(std::string_view value)
{
    std::string kept;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '/' && i + 1 < value.size() && value[i + 1] == '*') {
            const std::size_t close = value.find("*/", i + 2);
            if (close == std::string_view::npos)
                break;
            kept += ' ';
            i = close + 1;
        } else {
            kept += text::LowerAscii(value[i]);
        }
    }
    std::string_view rest = Trim(kept);
    bool important = false;
    if (const std::size_t bang = rest.rfind('!'); bang != std::string_view::npos) {
        if (Trim(rest.substr(bang + 1)) != "important")
            return std::nullopt;
        important = true;
        rest = Trim(rest.substr(0, bang));
    }
    const auto keywordChar = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; };
    if (rest.empty() || !std::all_of(rest.begin(), rest.end(), keywordChar))
        return std::nullopt;
    return std::pair { std::string(rest), important };
}

// What the declarations of a block (or a style="") say of the four
// properties; the rest, most of what a sheet says, is passed over.
Effect DeclaredEffect(std::string_view block)
{
    Effect effect;
    CssCursor cursor(block);
    while (!cursor.done()) {
        const std::size_t start = cursor.at();
        const char stop = cursor.until(";}");
        const std::string_view declaration = block.substr(start, cursor.at() - start);
        if (!cursor.done())
            cursor.advance();
        if (stop == '}')
            continue;
        const std::size_t colon = declaration.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = Trim(declaration.substr(0, colon));
        const auto property = std::find_if(kProperties.begin(), kProperties.end(),
            [&](std::string_view p) { return text::EqualsIgnoringAsciiCase(name, p); });
        if (property == kProperties.end())
            continue;
        const auto keyword = Keyword(declaration.substr(colon + 1));
        if (!keyword)
            continue;
        const auto index = std::size_t(property - kProperties.begin());
        const signed char value = ValueFor(index, keyword->first);
        if (value < 0)
            continue;
        // Within one rule an important declaration beats a normal one wherever it stands.
        if (keyword->second || !effect.important[index]) {
            effect.value[index] = value;
            effect.important[index] = keyword->second;
        }
    }
    return effect;
}

// The selectors of a rule's prelude (apart at its top-level commas) that
// name no pseudo-class or pseudo-element, joined again by commas. Those are
// never applied here (QCss reads but does not match them), and QCss cannot
// read some of them (:not(.x), :nth-child(n + 2)), which would cost the
// rule's other selectors too, where a browser applies them.
// Example: ".a, b:not(.c) .d, .e::after, f  g" -> ".a,f  g".
std::string PlainSelectors(std::string_view prelude)
{
    std::string kept;
    std::size_t start = 0;
    int depth = 0; // of brackets and parentheses
    bool pseudo = false;
    bool empty = false; // a selector list with a hole is not valid: left to QCss whole
    // A brace or an at-sign would have QCss read more rules or none out of
    // this one, and the rules it reads are paired with their sources by count.
    bool unreadable = false;
    const auto end = [&](std::size_t at) {
        // As written: trimming could cut an escaped space (".a\ ").
        const std::string_view selector = prelude.substr(start, at - start);
        const std::string_view trimmed = Trim(selector);
        empty = empty || trimmed.empty();
        unreadable = unreadable || trimmed.starts_with('@');
        if (!pseudo && !trimmed.empty()) {
            if (!kept.empty())
                kept += ',';
            kept.append(selector);
        }
        start = at + 1;
        pseudo = false;
    };
    for (std::size_t i = 0; i < prelude.size(); ++i) {
        const char c = prelude[i];
        if (c == '/' && i + 1 < prelude.size() && prelude[i + 1] == '*') {
            const std::size_t close = prelude.find("*/", i + 2);
            i = close == std::string_view::npos ? prelude.size() : close + 1;
        } else if (c == '\\') {
            ++i; // an escaped character, such as the colon of a class .md\:flex
        } else if (c == '"' || c == '\'') {
            while (++i < prelude.size() && prelude[i] != c)
                if (prelude[i] == '\\')
                    ++i;
        } else if (c == '[' || c == '(') {
            ++depth;
        } else if ((c == ']' || c == ')') && depth > 0) {
            --depth;
        } else if (c == '{' || c == '}') {
            unreadable = true;
        } else if (c == ':' && depth == 0) {
            pseudo = true;
        } else if (c == ',' && depth == 0) {
            end(i);
        }
    }
    end(prelude.size());
    if (unreadable)
        return {};
    return empty ? std::string(prelude) : kept;
}

// One length of a media feature in CSS pixels, or -1.
double MediaLength(std::string_view value)
{
    value = Trim(value);
    std::size_t end = 0;
    while (end < value.size() && ((value[end] >= '0' && value[end] <= '9') || value[end] == '.'))
        ++end;
    if (end == 0)
        return -1;
    const double number = std::strtod(std::string(value.substr(0, end)).c_str(), nullptr);
    const std::string unit = LowerCopy(Trim(value.substr(end)));
    if (unit == "px" || (unit.empty() && number == 0))
        return number;
    if (unit == "em" || unit == "rem")
        return number * kEmPixels;
    return -1;
}

// One "(feature: value)" of a media query.
bool FeatureApplies(std::string_view feature)
{
    const std::size_t colon = feature.find(':');
    const std::string name = LowerCopy(Trim(feature.substr(0, colon)));
    const std::string_view raw = colon == std::string_view::npos ? std::string_view() : Trim(feature.substr(colon + 1));
    const std::string value = LowerCopy(raw);
    const auto compare = [&](std::string_view prefix, double actual) -> std::optional<bool> {
        if (name == std::string(prefix))
            return MediaLength(raw) == actual;
        if (name == "min-" + std::string(prefix)) {
            const double limit = MediaLength(raw);
            return limit >= 0 && actual >= limit;
        }
        if (name == "max-" + std::string(prefix)) {
            const double limit = MediaLength(raw);
            return limit >= 0 && actual <= limit;
        }
        return std::nullopt;
    };
    if (auto width = compare("width", kViewportWidth))
        return *width;
    if (auto width = compare("device-width", kViewportWidth))
        return *width;
    if (auto height = compare("height", kViewportHeight))
        return *height;
    if (auto height = compare("device-height", kViewportHeight))
        return *height;
    if (name == "orientation")
        return value == "landscape";
    if (name == "prefers-color-scheme")
        return value == "light";
    if (name == "prefers-reduced-motion" || name == "prefers-contrast" || name == "forced-colors"
        || name == "inverted-colors")
        return value == "no-preference" || value == "none";
    if (name == "hover" || name == "any-hover")
        return colon == std::string_view::npos || value == "hover";
    if (name == "pointer" || name == "any-pointer")
        return colon == std::string_view::npos || value == "fine";
    if (name == "color")
        return true;
    if (name == "min-resolution" || name == "-webkit-min-device-pixel-ratio" || name == "min--moz-device-pixel-ratio")
        return std::strtod(value.c_str(), nullptr) <= 1;
    if (name == "max-resolution" || name == "-webkit-max-device-pixel-ratio")
        return std::strtod(value.c_str(), nullptr) >= 1;
    return false;
}

// One media query: [not|only] [type] [and (feature)]...
bool QueryApplies(std::string_view query)
{
    query = Trim(query);
    bool negated = false;
    std::size_t at = 0;
    bool sawType = false;
    bool result = true;
    while (at < query.size()) {
        while (at < query.size() && IsHtmlSpace(query[at]))
            ++at;
        if (at >= query.size())
            break;
        if (query[at] == '(') {
            int depth = 0;
            const std::size_t start = at;
            for (; at < query.size(); ++at) {
                if (query[at] == '(')
                    ++depth;
                else if (query[at] == ')' && --depth == 0)
                    break;
            }
            const std::string_view inside = query.substr(start + 1, std::min(at, query.size()) - start - 1);
            // A range ("width >= 600px") is not read: it does not apply.
            if (!FeatureApplies(inside) || inside.find_first_of("<>=") != std::string_view::npos)
                result = false;
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < query.size() && !IsHtmlSpace(query[end]) && query[end] != '(')
            ++end;
        const std::string word = LowerCopy(query.substr(at, end - at));
        at = end;
        if (word == "and" || word == "only")
            continue;
        if (word == "not" && !sawType) {
            negated = true;
            continue;
        }
        if (word == "or" || word == ",")
            return false; // a level 4 form not read here
        sawType = true;
        if (word != "all" && word != "screen")
            result = false;
    }
    return negated ? !result : result;
}

constexpr std::size_t kMaxSheetDepth = 32;

// A rule of a sheet: its selectors for QCss, as "selectors{}", and what it says.
struct SheetRule {
    std::string selectors;
    Effect effect;
};

// Collects the rules that set a property of interest, in order, reading into
// the blocks of at-rules that apply.
void CollectRules(std::string_view css, std::vector<SheetRule>& rules, std::size_t depth)
{
    CssCursor cursor(css);
    while (!cursor.done()) {
        const char c = css[cursor.at()];
        if (IsHtmlSpace(c) || c == '}' || c == ';') {
            cursor.advance();
            continue;
        }
        if (cursor.skipCommentOrString())
            continue;
        if (css.compare(cursor.at(), 4, "<!--") == 0 || css.compare(cursor.at(), 3, "-->") == 0) {
            cursor.advance();
            cursor.advance();
            cursor.advance();
            continue;
        }
        const std::size_t start = cursor.at();
        const char stop = cursor.until(c == '@' ? "{;" : "{");
        if (stop != '{') {
            if (stop == ';')
                cursor.advance();
            continue;
        }
        const std::string_view prelude = Trim(css.substr(start, cursor.at() - start));
        const std::string_view block = cursor.block();
        if (c == '@') {
            std::size_t nameEnd = 1;
            while (nameEnd < prelude.size() && !IsHtmlSpace(prelude[nameEnd]) && prelude[nameEnd] != '(')
                ++nameEnd;
            const std::string name = LowerCopy(prelude.substr(1, nameEnd - 1));
            const std::string_view condition = Trim(prelude.substr(nameEnd));
            bool enter = false;
            if (name == "media") {
                enter = MediaApplies(condition);
            } else if (name == "supports") {
                // Features are assumed supported, as in a current browser.
                enter = !text::EqualsIgnoringAsciiCase(condition.substr(0, 3), "not");
            } else if (name == "layer" || name == "document" || name == "-moz-document") {
                enter = true;
            }
            if (enter && depth < kMaxSheetDepth && MentionsProperty(block))
                CollectRules(block, rules, depth + 1);
            continue;
        }
        if (prelude.empty() || !MentionsProperty(block))
            continue;
        std::string selectors = PlainSelectors(prelude);
        if (selectors.empty())
            continue;
        const Effect effect = DeclaredEffect(block);
        if (effect.empty())
            continue;
        selectors += "{}";
        rules.push_back({ std::move(selectors), effect });
    }
}

// One element of the page, kept while it or a later sibling or descendant may
// still be matched: the open elements and the earlier siblings of each.
struct Node {
    std::uint32_t name = 0; // into the text arena
    std::uint32_t nameLength = 0;
    std::uint32_t attributes = 0; // first into `attributes`
    std::uint32_t attributeCount = 0;
    std::int32_t parent = -1;
    std::int32_t previous = -1;
    std::uint32_t textEnd = 0; // the arena's size after this node's own text
    mutable bool classMade = false;
    mutable QString classText; // null when it has no class attribute
};

struct StoredAttribute {
    std::uint32_t name;
    std::uint32_t nameLength;
    std::uint32_t value;
    std::uint32_t valueLength;
};

// How many earlier siblings one selector may look at: a "~" against a long
// list of siblings would otherwise take time with the square of the list.
constexpr int kSiblingSteps = 256;

} // namespace

bool MediaApplies(std::string_view media)
{
    media = Trim(media);
    if (media.empty())
        return true;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= media.size(); ++i) {
        if (i < media.size() && media[i] == '(')
            ++depth;
        else if (i < media.size() && media[i] == ')')
            --depth;
        else if (i == media.size() || (media[i] == ',' && depth == 0)) {
            if (QueryApplies(media.substr(start, i - start)))
                return true;
            start = i + 1;
        }
    }
    return false;
}

// Lets the maps of rules by name be searched with a view, without a string made for it.
struct ViewHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view> {}(s); }
};
template <typename Value> using ByName = std::unordered_map<std::string, Value, ViewHash, std::equal_to<>>;

struct PageStyles::Impl {
    // QCss's view of the tree: one node adapter, given the rule of one entry
    // at a time (see Entry), so that an element is matched only against the
    // rules whose last part could match it.
    class Selector : public QCss::StyleSelector {
    public:
        explicit Selector(const Impl& tree)
            : tree_(tree)
        {
            nameCaseSensitivity = Qt::CaseInsensitive;
            QCss::StyleSheet sheet;
            sheet.origin = QCss::StyleSheetOrigin_Author;
            styleSheets.append(sheet);
        }
        bool nodeNameEquals(NodePtr node, const QString& name) const override
        {
            const std::string_view own = tree_.name(node.id);
            return qsizetype(own.size()) == name.size()
                && QLatin1String(own.data(), qsizetype(own.size())).compare(name, Qt::CaseInsensitive) == 0;
        }
        QString attributeValue(NodePtr node, const QCss::AttributeSelector& selector) const override
        {
            // Class selectors are most of them, tried on every ancestor: the
            // class is made a QString once per element.
            if (selector.name == QLatin1String("class")) {
                const Node& n = tree_.nodes[std::size_t(node.id)];
                if (!n.classMade) {
                    n.classMade = true;
                    if (const std::optional<std::string_view> value = tree_.attribute(node.id, std::string_view("class"))) {
                        n.classText = QString::fromUtf8(value->data(), qsizetype(value->size()));
                        if (n.classText.isNull())
                            n.classText = QString(QLatin1Char(' ')).left(0);
                    }
                }
                return n.classText;
            }
            const std::optional<std::string_view> value = tree_.attribute(node.id, selector.name);
            if (!value)
                return QString();
            QString text = QString::fromUtf8(value->data(), qsizetype(value->size()));
            if (text.isNull())
                text = QString(QLatin1Char(' ')).left(0); // present but empty, which is not absent
            return text;
        }
        bool hasAttributes(NodePtr node) const override { return tree_.nodes[std::size_t(node.id)].attributeCount > 0; }
        QStringList nodeIds(NodePtr node) const override
        {
            const std::optional<std::string_view> id = tree_.attribute(node.id, std::string_view("id"));
            if (!id)
                return {};
            return QStringList(QString::fromUtf8(id->data(), qsizetype(id->size())));
        }
        QStringList nodeNames(NodePtr node) const override
        {
            const std::string_view own = tree_.name(node.id);
            return QStringList(QString::fromLatin1(own.data(), qsizetype(own.size())));
        }
        bool isNullNode(NodePtr node) const override { return node.id < 0; }
        NodePtr parentNode(NodePtr node) const override
        {
            NodePtr parent;
            parent.id = tree_.nodes[std::size_t(node.id)].parent;
            return parent;
        }
        NodePtr previousSiblingNode(NodePtr node) const override
        {
            NodePtr previous;
            previous.id = ++steps_ > kSiblingSteps ? -1 : tree_.nodes[std::size_t(node.id)].previous;
            return previous;
        }
        NodePtr duplicateNode(NodePtr node) const override
        {
            return node;
        }
        void freeNode(NodePtr) const override { }

        // The rules to match next: one entry's (a shared list, not a copy).
        void use(const QList<QCss::StyleRule>& rules) { styleSheets[0].styleRules = rules; }
        void resetSteps() { steps_ = 0; }

    private:
        const Impl& tree_;
        mutable int steps_ = 0;
    };

    explicit Impl(bool keep)
        : matcher(*this)
        , keepTree(keep)
    {
    }

    std::string_view name(std::int32_t id) const
    {
        const Node& node = nodes[std::size_t(id)];
        return std::string_view(text).substr(node.name, node.nameLength);
    }

    // By a name as a selector writes it (ASCII case does not count).
    std::optional<std::string_view> attribute(std::int32_t id, const QString& wanted) const
    {
        const Node& node = nodes[std::size_t(id)];
        for (std::uint32_t i = node.attributes; i < node.attributes + node.attributeCount; ++i) {
            const StoredAttribute& a = attributes[i];
            if (qsizetype(a.nameLength) == wanted.size()
                && QLatin1String(text.data() + a.name, qsizetype(a.nameLength)).compare(wanted, Qt::CaseInsensitive) == 0)
                return std::string_view(text).substr(a.value, a.valueLength);
        }
        return std::nullopt;
    }

    std::optional<std::string_view> attribute(std::int32_t id, std::string_view wanted) const
    {
        const Node& node = nodes[std::size_t(id)];
        for (std::uint32_t i = node.attributes; i < node.attributes + node.attributeCount; ++i) {
            const StoredAttribute& a = attributes[i];
            if (std::string_view(text).substr(a.name, a.nameLength) == wanted)
                return std::string_view(text).substr(a.value, a.valueLength);
        }
        return std::nullopt;
    }

    // One rule for the node adapter, and the ids, classes and names its
    // ancestors must have: before QCss is asked, the open elements are
    // checked for them (as browsers filter by ancestors), which most
    // elements fail.
    //
    // Rules with the same selector are one entry: per property it keeps the
    // declaration that wins among them (the later one, unless an earlier one
    // is !important and it is not) with that declaration's own position, so
    // a rule of another selector in between still wins or loses as before,
    // and a page that repeats one rule is not matched once per copy.
    struct Entry {
        QList<QCss::StyleRule> rule; // the one rule, as the adapter takes it
        std::vector<std::uint16_t> ancestors; // slots in ancestorCount
        std::uint64_t specificity = 0;
        Effect effect;
        std::array<std::uint32_t, 4> order {}; // of the rule each value comes from
    };
    // The entries whose last part is under one key. An entry that needs
    // ancestors is also listed under the slot of its first one: when a group
    // holds more entries than there are open names, ids and classes, only
    // the lists of those are looked at, so that many rules for one class
    // that each need another ancestor do not make every element of that
    // class try all of them.
    struct Group {
        std::vector<Entry> entries;
        std::vector<std::uint32_t> free; // entries that need no ancestor
        std::unordered_map<std::uint16_t, std::vector<std::uint32_t>> byAncestor;
        bool empty() const { return entries.empty(); }
        void add(Entry entry)
        {
            const auto index = std::uint32_t(entries.size());
            if (entry.ancestors.empty())
                free.push_back(index);
            else
                byAncestor[entry.ancestors.front()].push_back(index);
            entries.push_back(std::move(entry));
        }
    };

    static std::uint16_t Slot(std::size_t hash) { return static_cast<std::uint16_t>(hash % kAncestorSlots); }

    // Calls `f(kind, name)` for the name, id and classes of an element.
    template <typename F> static void ForKeys(std::string_view name, std::optional<std::string_view> id,
        std::optional<std::string_view> classes, F&& f)
    {
        f(' ', name);
        if (id)
            f('#', *id);
        if (!classes)
            return;
        const char* p = classes->data();
        const char* end = p + classes->size();
        while (p < end) {
            while (p < end && IsHtmlSpace(*p))
                ++p;
            const char* start = p;
            while (p < end && !IsHtmlSpace(*p))
                ++p;
            if (p > start)
                f('.', std::string_view(start, std::size_t(p - start)));
        }
    }

    // The slots of the open elements' names, ids and classes (counted in
    // ancestorCount while they are open), and where each element's begin.
    // An element's slots are counted in as it opens and out as it closes,
    // last first, so the slots in use (liveSlots) come and go as a stack.
    void countOpenSlots(std::size_t from, int step)
    {
        if (step > 0) {
            for (std::size_t i = from; i < openSlots.size(); ++i)
                if (ancestorCount[openSlots[i]]++ == 0)
                    liveSlots.push_back(openSlots[i]);
            return;
        }
        for (std::size_t i = openSlots.size(); i-- > from;) {
            if (--ancestorCount[openSlots[i]] != 0)
                continue;
            const auto at = std::find(liveSlots.rbegin(), liveSlots.rend(), openSlots[i]);
            if (at != liveSlots.rend())
                liveSlots.erase(std::next(at).base());
        }
    }

    static std::vector<std::uint16_t> AncestorSlots(const QCss::Selector& selector)
    {
        std::vector<std::uint16_t> slots;
        const auto add = [&](char kind, const QString& key) {
            const QByteArray utf8 = key.toUtf8();
            slots.push_back(Slot(Hash(kind, std::string_view(utf8.constData(), std::size_t(utf8.size())))));
        };
        for (qsizetype i = 0; i + 1 < selector.basicSelectors.size(); ++i) {
            const QCss::BasicSelector& part = selector.basicSelectors[i];
            if (part.relationToNext != QCss::BasicSelector::MatchNextSelectorIfAncestor
                && part.relationToNext != QCss::BasicSelector::MatchNextSelectorIfParent)
                continue; // a sibling, not an ancestor
            if (!part.elementName.isEmpty())
                add(' ', part.elementName.toLower());
            for (const QString& id : part.ids)
                add('#', id);
            for (const QCss::AttributeSelector& a : part.attributeSelectors)
                if (a.name == QLatin1String("class") && a.valueMatchCriterium == QCss::AttributeSelector::MatchIncludes)
                    add('.', a.value);
        }
        return slots;
    }

    // A selector as QCss read it, in full: two selectors with the same
    // identity match the same elements with the same specificity.
    static QString Identity(const QCss::Selector& selector)
    {
        QString out;
        out.reserve(64);
        // Digits written in place: a QString::number each was most of the cost.
        const auto number = [&](qsizetype n) {
            char16_t digits[20];
            int count = 0;
            do {
                digits[count++] = char16_t(u'0' + n % 10);
                n /= 10;
            } while (n > 0);
            while (count > 0)
                out += QChar(digits[--count]);
        };
        const auto put = [&](const QString& part) {
            number(part.size());
            out += QLatin1Char(':');
            out += part;
        };
        for (const QCss::BasicSelector& part : selector.basicSelectors) {
            put(part.elementName);
            number(part.ids.size());
            for (const QString& id : part.ids)
                put(id);
            number(part.attributeSelectors.size());
            for (const QCss::AttributeSelector& a : part.attributeSelectors) {
                put(a.name);
                put(a.value);
                number(int(a.valueMatchCriterium));
            }
            number(part.pseudos.size());
            number(int(part.relationToNext));
            out += QLatin1Char(';');
        }
        return out;
    }

    // Files one parsed rule's selectors, with what the rule says, under the
    // last part's id, class or name; selectors QCss cannot decide are left
    // out (see below).
    void file(const QCss::StyleRule& parsed, const Effect& effect)
    {
        const int order = rules++;
        for (const QCss::Selector& selector : parsed.selectors) {
            if (selector.basicSelectors.isEmpty())
                continue;
            // Pseudo-classes and pseudo-elements: QCss reads but does not
            // match them (:hover, :not(), :first-child, ::before); a rule
            // that needs one is left out rather than applied everywhere.
            if (std::any_of(selector.basicSelectors.begin(), selector.basicSelectors.end(),
                    [](const QCss::BasicSelector& part) { return !part.pseudos.isEmpty(); }))
                continue;
            const QString identity = Identity(selector);
            if (const auto same = bySelector.constFind(identity); same != bySelector.cend()) {
                Entry& entry = same->first->entries[same->second];
                for (std::size_t p = 0; p < 4; ++p) {
                    if (effect.value[p] < 0 || (entry.effect.important[p] && !effect.important[p]))
                        continue;
                    entry.effect.value[p] = effect.value[p];
                    entry.effect.important[p] = effect.important[p];
                    entry.order[p] = std::uint32_t(order);
                }
                if (!touchesEarlier && mayHaveMatched(selector))
                    touchesEarlier = true;
                continue;
            }
            QCss::StyleRule rule;
            rule.selectors.append(selector);
            rule.order = order;
            const QCss::BasicSelector& last = selector.basicSelectors.last();
            Group* target = &universal;
            std::string key;
            if (!last.ids.isEmpty()) {
                key = "#" + last.ids.first().toStdString();
                target = &byId[key.substr(1)];
            } else {
                const auto klass = std::find_if(last.attributeSelectors.begin(), last.attributeSelectors.end(),
                    [](const QCss::AttributeSelector& a) {
                        return a.name == QLatin1String("class")
                            && a.valueMatchCriterium == QCss::AttributeSelector::MatchIncludes;
                    });
                if (klass != last.attributeSelectors.end()) {
                    key = "." + klass->value.toStdString();
                    target = &byClass[key.substr(1)];
                } else if (!last.elementName.isEmpty()) {
                    key = last.elementName.toLower().toStdString();
                    target = &byName[key];
                } else if (!last.attributeSelectors.isEmpty()) {
                    key = last.attributeSelectors.first().name.toLower().toStdString();
                    target = &byAttribute[key];
                }
            }
            Entry entry { { rule }, AncestorSlots(selector), std::uint64_t(selector.specificity()), effect, {} };
            entry.order.fill(std::uint32_t(order));
            bySelector.insert(identity, { target, target->entries.size() });
            target->add(std::move(entry));
            hasRules = true;
            if (!touchesEarlier && mayHaveMatched(selector))
                touchesEarlier = true;
        }
    }

    // The rules of `css` as QCss reads them, one entry per source rule (the
    // parser files a rule's selectors apart, under names and ids); false
    // when it could not read all of it.
    static bool Parse(const std::string& css, std::vector<QCss::StyleRule>& out)
    {
        QCss::Parser parser(QString::fromUtf8(css.data(), qsizetype(css.size())));
        QCss::StyleSheet sheet;
        if (!parser.parse(&sheet, Qt::CaseInsensitive))
            return false;
        std::vector<QCss::StyleRule> pieces(sheet.styleRules.begin(), sheet.styleRules.end());
        for (const QCss::StyleRule& rule : sheet.nameIndex)
            pieces.push_back(rule);
        for (const QCss::StyleRule& rule : sheet.idIndex)
            pieces.push_back(rule);
        std::stable_sort(pieces.begin(), pieces.end(),
            [](const QCss::StyleRule& a, const QCss::StyleRule& b) { return a.order < b.order; });
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0 && pieces[i].order == pieces[i - 1].order)
                out.back().selectors += pieces[i].selectors;
            else
                out.push_back(pieces[i]);
        }
        return true;
    }

    // What names, ids and classes the elements read so far had, as a set of
    // hashes: a rule whose last part names none of them cannot match them.
    // FNV-1a of a kind character and a name: cheap for the short names of tags,
    // classes and attributes, and it takes no copy.
    static std::size_t Hash(char kind, std::string_view name)
    {
        std::uint32_t hash = 2166136261u ^ static_cast<unsigned char>(kind);
        hash *= 16777619u;
        for (char c : name) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 16777619u;
        }
        return (hash ^ (hash >> 16)) % kSeenBits;
    }
    void see(char kind, std::string_view name) { seen.set(Hash(kind, name)); }
    bool wasSeen(char kind, const QString& name) const
    {
        const QByteArray utf8 = name.toUtf8();
        return seen.test(Hash(kind, std::string_view(utf8.constData(), std::size_t(utf8.size()))));
    }

    // Whether every name, id, class and attribute the selector asks for was
    // on some element read so far; otherwise it matched none of them.
    bool mayHaveMatched(const QCss::Selector& selector) const
    {
        for (const QCss::BasicSelector& part : selector.basicSelectors) {
            if (!part.elementName.isEmpty() && !wasSeen(' ', part.elementName.toLower()))
                return false;
            for (const QString& id : part.ids)
                if (!wasSeen('#', id))
                    return false;
            for (const QCss::AttributeSelector& a : part.attributeSelectors) {
                const bool klass = a.name == QLatin1String("class")
                    && a.valueMatchCriterium == QCss::AttributeSelector::MatchIncludes;
                if (!(klass ? wasSeen('.', a.value) : wasSeen('@', a.name.toLower())))
                    return false;
            }
        }
        return true;
    }

    bool addSheet(std::string_view css)
    {
        touchesEarlier = false;
        std::vector<SheetRule> sheetRules;
        CollectRules(css, sheetRules, 0);
        if (sheetRules.empty())
            return false;
        // All selectors at once; when the engine cannot read one of them,
        // each rule on its own, so that only that one is lost, as CSS drops it.
        std::string joined;
        for (const SheetRule& rule : sheetRules)
            joined += rule.selectors;
        std::vector<QCss::StyleRule> parsed;
        if (Parse(joined, parsed) && parsed.size() == sheetRules.size()) {
            for (std::size_t i = 0; i < parsed.size(); ++i)
                file(parsed[i], sheetRules[i].effect);
        } else {
            for (const SheetRule& rule : sheetRules) {
                parsed.clear();
                Parse(rule.selectors, parsed);
                for (const QCss::StyleRule& one : parsed)
                    file(one, rule.effect);
            }
        }
        return touchesEarlier && !nodes.empty();
    }

    // The cascade over the rules that match element `id`, then its style="".
    AuthorStyle match(std::int32_t id, std::span<const Attribute> attributeList)
    {
        std::array<std::uint64_t, 4> best {};
        std::array<signed char, 4> value { -1, -1, -1, -1 };
        const auto consider = [&](const Effect& effect, std::size_t p, std::uint64_t weight) {
            if (effect.value[p] < 0)
                return;
            const std::uint64_t key = weight | (std::uint64_t(effect.important[p]) << 62);
            if (key >= best[p]) {
                best[p] = key;
                value[p] = effect.value[p];
            }
        };
        if (hasRules && id >= 0) {
            QCss::StyleSelector::NodePtr node;
            node.id = id;
            const auto test = [&](Entry& entry) {
                if (std::any_of(entry.ancestors.begin(), entry.ancestors.end(),
                        [&](std::uint16_t slot) { return ancestorCount[slot] == 0; }))
                    return;
                matcher.use(entry.rule);
                matcher.resetSteps();
                if (matcher.styleRulesForNode(node).isEmpty())
                    return;
                for (std::size_t p = 0; p < 4; ++p)
                    consider(entry.effect, p, (1ull << 60) | (entry.specificity << 32) | entry.order[p]);
            };
            // Which entries are tried does not change the result: the
            // cascade above does not depend on the order they come in.
            const auto run = [&](Group& group) {
                if (group.entries.size() <= liveSlots.size() + group.free.size()) {
                    for (Entry& entry : group.entries)
                        test(entry);
                    return;
                }
                for (std::uint32_t index : group.free)
                    test(group.entries[index]);
                for (std::uint16_t slot : liveSlots) {
                    const auto found = group.byAncestor.find(slot);
                    if (found != group.byAncestor.end())
                        for (std::uint32_t index : found->second)
                            test(group.entries[index]);
                }
            };
            if (!universal.empty())
                run(universal);
            if (!byName.empty()) {
                const auto found = byName.find(name(id));
                if (found != byName.end())
                    run(found->second);
            }
            for (const Attribute& a : attributeList) {
                if (!byAttribute.empty()) {
                    const auto found = byAttribute.find(a.name);
                    if (found != byAttribute.end())
                        run(found->second);
                }
                if (a.name == "id" && !byId.empty()) {
                    const auto found = byId.find(a.value);
                    if (found != byId.end())
                        run(found->second);
                } else if (a.name == "class" && !byClass.empty()) {
                    std::string_view classes = a.value;
                    std::vector<std::string_view>& seen = classesTried;
                    seen.clear();
                    while (!classes.empty()) {
                        while (!classes.empty() && IsHtmlSpace(classes.front()))
                            classes.remove_prefix(1);
                        std::size_t end = 0;
                        while (end < classes.size() && !IsHtmlSpace(classes[end]))
                            ++end;
                        const std::string_view one = classes.substr(0, end);
                        classes.remove_prefix(end);
                        if (one.empty() || std::find(seen.begin(), seen.end(), one) != seen.end())
                            continue;
                        seen.push_back(one);
                        const auto found = byClass.find(one);
                        if (found != byClass.end())
                            run(found->second);
                    }
                }
            }
        }
        for (const Attribute& a : attributeList) {
            if (a.name == "style" && MentionsProperty(a.value)) {
                const Effect effect = inlineEffect(a.value);
                for (std::size_t p = 0; p < 4; ++p)
                    consider(effect, p, 3ull << 60);
            }
        }
        AuthorStyle style;
        if (value[kDisplay] >= 0)
            style.display = static_cast<Display>(value[kDisplay]);
        if (value[kVisibility] >= 0)
            style.visible = value[kVisibility] == 1;
        if (value[kTextTransform] >= 0)
            style.textTransform = static_cast<TextTransform>(value[kTextTransform]);
        if (value[kWhiteSpace] >= 0)
            style.whiteSpace = static_cast<WhiteSpace>(value[kWhiteSpace]);
        return style;
    }

    Effect inlineEffect(std::string_view declarations)
    {
        // A page repeats the same few style="" values; each is read once.
        if (const auto known = inlineEffects.find(declarations); known != inlineEffects.end())
            return known->second;
        const Effect effect = DeclaredEffect(declarations);
        if (inlineEffects.size() >= kMaxInlineEffects)
            inlineEffects.clear();
        inlineEffects.emplace(std::string(declarations), effect);
        return effect;
    }

    static constexpr std::size_t kMaxInlineEffects = 4096;
    ByName<Effect> inlineEffects; // by the style="" value

    static constexpr std::size_t kSeenBits = 1 << 16;
    Selector matcher; // QCss's view of the tree, for every rule in turn
    bool keepTree;
    bool hasRules = false;
    bool touchesEarlier = false;
    std::bitset<kSeenBits> seen;
    std::vector<Node> nodes;
    std::vector<StoredAttribute> attributes;
    std::string text;
    std::vector<std::int32_t> open; // indices of the open elements
    std::vector<std::int32_t> lastChild; // per open element, its last closed child
    std::vector<std::uint16_t> openSlots;
    std::vector<std::uint32_t> openSlotsFrom;
    int rules = 0; // filed so far, for their order
    // Where the entry of each selector is, by its Identity.
    QHash<QString, std::pair<Group*, std::size_t>> bySelector;
    static constexpr std::size_t kAncestorSlots = kSeenBits;
    // How many open elements have a name, id or class in each slot.
    std::array<std::uint16_t, kAncestorSlots> ancestorCount {};
    std::vector<std::uint16_t> liveSlots; // those with a count, each once
    Group universal;
    ByName<Group> byId;
    ByName<Group> byClass;
    ByName<Group> byName;
    ByName<Group> byAttribute;
    std::vector<std::string_view> classesTried; // match's, kept for its room
};

PageStyles::PageStyles(bool keepTree)
    : impl_(std::make_unique<Impl>(keepTree))
{
}

PageStyles::~PageStyles() = default;

bool PageStyles::addSheet(std::string_view css)
{
    return impl_->addSheet(css);
}

void PageStyles::restart()
{
    Impl& d = *impl_;
    d.nodes.clear();
    d.attributes.clear();
    d.text.clear();
    d.open.clear();
    d.lastChild.clear();
    d.ancestorCount.fill(0);
    d.liveSlots.clear();
    d.openSlots.clear();
    d.openSlotsFrom.clear();
    d.seen.reset();
    d.touchesEarlier = false;
}

AuthorStyle PageStyles::open(std::string_view name, std::span<const Attribute> attributes)
{
    Impl& d = *impl_;
    if (!d.keepTree)
        return d.match(-1, attributes);
    Node node;
    node.name = std::uint32_t(d.text.size());
    node.nameLength = std::uint32_t(name.size());
    d.text.append(name);
    node.attributes = std::uint32_t(d.attributes.size());
    for (const Attribute& a : attributes) {
        StoredAttribute stored { std::uint32_t(d.text.size()), std::uint32_t(a.name.size()), 0,
            std::uint32_t(a.value.size()) };
        d.text.append(a.name);
        stored.value = std::uint32_t(d.text.size());
        d.text.append(a.value);
        d.attributes.push_back(stored);
    }
    node.attributeCount = std::uint32_t(attributes.size());
    std::optional<std::string_view> idValue;
    std::optional<std::string_view> classes;
    for (const Attribute& a : attributes) {
        d.see('@', a.name);
        if (a.name == "id")
            idValue = a.value;
        else if (a.name == "class")
            classes = a.value;
    }
    const std::size_t slotsFrom = d.openSlots.size();
    Impl::ForKeys(name, idValue, classes, [&](char kind, std::string_view key) {
        const std::size_t hash = Impl::Hash(kind, key);
        d.seen.set(hash);
        d.openSlots.push_back(Impl::Slot(hash));
    });
    d.openSlotsFrom.push_back(std::uint32_t(slotsFrom));
    node.textEnd = std::uint32_t(d.text.size());
    if (!d.open.empty()) {
        node.parent = d.open.back();
        node.previous = d.lastChild.back();
    }
    const auto id = std::int32_t(d.nodes.size());
    d.nodes.push_back(node);
    d.open.push_back(id);
    d.lastChild.push_back(-1);
    const AuthorStyle style = d.match(id, attributes);
    d.countOpenSlots(slotsFrom, 1);
    return style;
}

void PageStyles::close()
{
    Impl& d = *impl_;
    if (!d.keepTree || d.open.empty())
        return;
    const std::int32_t id = d.open.back();
    d.open.pop_back();
    d.lastChild.pop_back();
    d.countOpenSlots(d.openSlotsFrom.back(), -1);
    d.openSlots.resize(d.openSlotsFrom.back());
    d.openSlotsFrom.pop_back();
    // Its descendants can no longer be matched against: only ancestors and
    // earlier siblings are.
    const Node& node = d.nodes[std::size_t(id)];
    d.attributes.resize(node.attributes + node.attributeCount);
    d.text.resize(node.textEnd);
    d.nodes.resize(std::size_t(id) + 1);
    if (!d.lastChild.empty())
        d.lastChild.back() = id;
}

} // namespace tamsenor::markup
