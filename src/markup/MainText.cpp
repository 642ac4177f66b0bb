#include "markup/MainText.h"

#include "text/TextBasics.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace tamsenor::markup {
namespace {

// What an element is to the article, from its tag.
enum class Kind : unsigned char {
    Block, // any other element that is not inline
    Article, // <article>
    Main, // <main>
    Chrome, // navigation, sidebars, footers, controls: never the article's
    Header, // <header>: the article's own when it holds a heading
    Title, // <h1>
    Heading, // <h2> ... <h6>
    Listed, // lists, tables and their parts, quotes, preformatted text: short lines are their way
};

enum Flag : std::uint16_t {
    Boilerplate = 1, // its class, id or role names it as other than the article
    ArticleBody = 2, // itemprop="articleBody"
    RoleMain = 4, // role="main"
    HoldsHeading = 8, // a heading is inside
    Soft = 16, // named a header: boilerplate unless it holds a heading
    InChrome = 32, // inside a block that is boilerplate by its tag or name
    Weak = 64, // boilerplate by a weak word of its name only: undone by much prose
    Frame = 128, // a landmark of the page's frame by its tag (<nav>, <header>, <footer>, <aside>, <menu>)
    HoldsMarked = 256, // a <main>, <h1>, articleBody or role=main is inside
    HoldsArticle = 512, // an <article> is inside
    Listing = 1024, // boilerplate by its name only when it holds links
    OwnProse = 2048, // prose of its own, not of the blocks inside it
    Undone = 4096, // named as boilerplate by a weak word, but holds much prose
};

struct TagKind {
    std::string_view name;
    Kind kind;
};

// Elements that flow inline, or hold no text (a table's columns, a rule), make
// no block of their own; the rest are blocks.
constexpr std::string_view kInline[] = { "a", "abbr", "acronym", "b", "bdi", "bdo", "big", "cite", "code", "data",
    "del", "dfn", "em", "font", "i", "ins", "kbd", "label", "mark", "nobr", "picture", "q", "rb", "rt", "ruby", "s",
    "samp", "small", "source", "span", "strike", "strong", "sub", "sup", "time", "tt", "u", "var", "wbr", "br", "img",
    "col", "colgroup", "hr", "area", "track", "param" };

constexpr TagKind kKinds[] = {
    { "article", Kind::Article },
    { "aside", Kind::Chrome },
    { "button", Kind::Chrome },
    { "blockquote", Kind::Listed },
    { "dd", Kind::Listed },
    { "dialog", Kind::Chrome },
    { "dl", Kind::Listed },
    { "dt", Kind::Listed },
    { "figcaption", Kind::Chrome }, // a picture's, not the article's
    { "footer", Kind::Chrome },
    { "h1", Kind::Title },
    { "h2", Kind::Heading },
    { "h3", Kind::Heading },
    { "h4", Kind::Heading },
    { "h5", Kind::Heading },
    { "h6", Kind::Heading },
    { "header", Kind::Header },
    { "li", Kind::Listed },
    { "main", Kind::Main },
    { "menu", Kind::Chrome },
    { "nav", Kind::Chrome },
    { "ol", Kind::Listed },
    { "pre", Kind::Listed },
    { "select", Kind::Chrome },
    { "table", Kind::Listed },
    { "td", Kind::Listed },
    { "th", Kind::Listed },
    { "tr", Kind::Listed },
    { "ul", Kind::Listed },
};

// Words in a class or id that name a part of the page other than its article,
// matched inside a class name ("post-comments", "sharebar").
constexpr std::string_view kChromeWords[] = { "comment", "komment", "comentario", "related", "cookie", "consent",
    "newsletter", "subscri", "popup", "modal", "disqus", "outbrain", "taboola", "recommend", "author-bio", "byline",
    "signup", "login" };
// Weaker ones, which a name that says content outweighs ("content-share-wrap"),
// and much prose too ("has-sidebar" around the whole page).
constexpr std::string_view kWeakChromeWords[] = { "sidebar", "footer", "breadcrumb", "pagination", "promo",
    "sponsor", "advert", "masthead", "trending", "popular", "skip-link", "more-from", "read-more",
    "readmore", "social", "share", "sharing", "banner", "navbar", "navigation", "menu", "widget", "toolbar", "follow",
    "pager", "caption", "credit", "copyright", "legend", "author", "disclosure", "affiliate", "paywall" };
// Words that name a list of other pages when the block holds links ("teaser"),
// and the article's own lead when it holds none.
constexpr std::string_view kListingWords[] = { "teaser" };
// Words that name it only as a whole part of the name ("ad", not "head").
constexpr std::string_view kChromeParts[] = { "ad", "ads", "nav", "aside", "side", "tags", "tag", "foot", "rss",
    "print", "hidden", "hide", "meta", "date" };
// Parts that name a picture's words or the page's notices, whatever else the name says ("wp-caption-text").
constexpr std::string_view kStrongChromeParts[] = { "caption", "credit", "credits", "copyright", "legend" };
constexpr std::string_view kContentWords[] = { "content", "article", "body", "text", "story", "entry" };
// Roles of the page's landmarks that are not the article.
constexpr std::string_view kChromeRoles[]
    = { "navigation", "complementary", "contentinfo", "banner", "search", "menu", "menubar", "dialog", "alert" };

bool IsLower(char c)
{
    return c >= 'a' && c <= 'z';
}

using text::LowerAscii;

bool Contains(std::string_view text, std::span<const std::string_view> words)
{
    return std::any_of(
        words.begin(), words.end(), [text](std::string_view word) { return text.find(word) != std::string_view::npos; });
}

enum class Naming { Neutral, Content, Listing, WeakChrome, Chrome };

bool IsContentName(std::string_view name)
{
    return Contains(name, kContentWords) || name == "post" || name == "hentry" || name == "main";
}

// What the parts of `name` between hyphens, underscores and digits say, in one pass.
Naming PartsSay(std::string_view name)
{
    Naming says = Naming::Neutral;
    while (!name.empty()) {
        std::size_t at = 0;
        while (at < name.size() && !IsLower(name[at]))
            ++at;
        name.remove_prefix(at);
        std::size_t length = 0;
        while (length < name.size() && IsLower(name[length]))
            ++length;
        const std::string_view part = name.substr(0, length);
        if (std::find(std::begin(kStrongChromeParts), std::end(kStrongChromeParts), part)
            != std::end(kStrongChromeParts))
            return Naming::Chrome;
        if (std::find(std::begin(kChromeParts), std::end(kChromeParts), part) != std::end(kChromeParts))
            says = Naming::WeakChrome;
        name.remove_prefix(length);
    }
    return says;
}

// What one class name or id (lower case) says of its block.
Naming NameSays(std::string_view name)
{
    const Naming parts = PartsSay(name);
    if (parts == Naming::Chrome || Contains(name, kChromeWords))
        return Naming::Chrome;
    if (IsContentName(name))
        return Naming::Content;
    if (parts == Naming::WeakChrome || Contains(name, kWeakChromeWords))
        return Naming::WeakChrome;
    return Contains(name, kListingWords) ? Naming::Listing : Naming::Neutral;
}

// What a class or id value says of its block: boilerplate when one of its
// names says so and none says content; `lower` is scratch room.
Naming ValueSays(std::string_view value, std::string& lower)
{
    lower.assign(value.substr(0, 512));
    for (char& c : lower)
        c = LowerAscii(c);
    Naming says = Naming::Neutral;
    std::string_view rest(lower);
    while (!rest.empty()) {
        const std::size_t space = rest.find_first_of(" \t\n\r\f");
        const Naming name = NameSays(rest.substr(0, space));
        if (name == Naming::Content)
            return Naming::Content;
        says = std::max(says, name);
        if (space == std::string_view::npos)
            break;
        rest.remove_prefix(space + 1);
    }
    return says;
}

bool NamesHeader(std::string_view value, std::string& lower)
{
    lower.assign(value.substr(0, 256));
    for (char& c : lower)
        c = LowerAscii(c);
    return lower.find("header") != std::string::npos;
}

constexpr std::uint32_t kNone = UINT32_MAX;

struct Node {
    // Offsets and lengths in the readable text, which is read whole only below 4 GiB.
    std::uint32_t begin = 0; // its text in the readable text: [begin, end)
    std::uint32_t end = 0;
    std::uint32_t inner = 0; // of that, the text of the blocks inside it
    std::uint32_t links = 0; // of that, link text
    std::uint32_t innerLinks = 0; // link text of the blocks inside it
    std::uint32_t prose = 0; // prose in it, boilerplate inside left out
    std::uint32_t parent = kNone;
    std::uint32_t last = 0; // its last descendant (blocks are kept in document order)
    Kind kind = Kind::Block;
    std::uint16_t flags = 0;
};

// Text of a block that counts as prose: this much that is not a link...
constexpr std::size_t kMinProse = 30;
// ... and at most this share of it links (in percent).
constexpr std::size_t kMaxProseLinks = 40;
// A block named as boilerplate by a weak word that holds this much prose is not.
constexpr std::size_t kWrapperProse = 600;
// A block of no prose shorter than this is a line of the page's frame.
constexpr std::size_t kMinLine = 25;
// The main heading before the article starts it when no more text than this stands between
// them (bytes; a quarter of the article's text, within these bounds).
constexpr std::size_t kMinLeadGap = 800;
constexpr std::size_t kMaxLeadGap = 3000;
// A part of the page holding less prose than this has no article to find.
constexpr std::size_t kMinArticle = 150;
// A block the page marks as its article holds at least this share of the page's prose (percent).
constexpr std::size_t kMarkedShare = 30;
// The article is narrowed to a block inside it that holds this share of its prose (percent).
constexpr std::size_t kNarrowShare = 85;
// A block inside the article of which more than this share is links is a list of links (percent).
constexpr std::size_t kMaxLinks = 50;

// What a class or id value says of its block.
struct Said {
    std::string value;
    Naming says = Naming::Neutral;
    bool header = false; // it names a header
    bool known = false;
};

// Records the blocks of the page as the readable text is made.
class Layout : public LayoutObserver {
public:
    explicit Layout(std::size_t maxBlocks)
        : maxBlocks_(maxBlocks)
    {
    }

    void open(std::string_view name, std::span<const Attribute> attributes, std::size_t at) override
    {
        if (name == "a") {
            open_.push_back(Anchor);
            if (anchors_++ == 0)
                anchorStart_ = at;
            return;
        }
        if (std::find(std::begin(kInline), std::end(kInline), name) != std::end(kInline)
            || nodes_.size() >= maxBlocks_ || at >= kNone) {
            overflow_ = overflow_ || nodes_.size() >= maxBlocks_ || at >= kNone;
            open_.push_back(kNone);
            return;
        }
        Node node;
        node.begin = at;
        node.links = LinkTextUpTo(at);
        node.parent = current_;
        for (const TagKind& k : kKinds)
            if (k.name == name)
                node.kind = k.kind;
        if (name == "nav" || name == "header" || name == "footer" || name == "aside" || name == "menu")
            node.flags |= Frame;
        bool content = false;
        for (const Attribute& a : attributes) {
            if (a.name == "class" || a.name == "id") {
                const Said& said = valueSays(a.value);
                const Naming says = said.says;
                content = content || says == Naming::Content;
                // A strong word of either attribute, or a role, stays strong.
                if (says == Naming::Chrome)
                    node.flags = static_cast<std::uint16_t>((node.flags | Boilerplate) & ~(Weak | Listing));
                else if (says == Naming::WeakChrome && !(node.flags & Boilerplate))
                    node.flags |= Boilerplate | Weak;
                else if (says == Naming::Listing && !(node.flags & Boilerplate))
                    node.flags |= Boilerplate | Weak | Listing;
                else if (said.header)
                    node.flags |= Soft;
            } else if (a.name == "role") {
                if (text::EqualsIgnoringAsciiCase(a.value, "main"))
                    node.flags |= RoleMain;
                else if (std::any_of(std::begin(kChromeRoles), std::end(kChromeRoles),
                             [&](std::string_view role) { return text::EqualsIgnoringAsciiCase(a.value, role); }))
                    node.flags = static_cast<std::uint16_t>((node.flags | Boilerplate) & ~Weak);
            } else if (a.name == "itemprop" && text::EqualsIgnoringAsciiCase(a.value, "articleBody")) {
                node.flags |= ArticleBody;
            }
        }
        // The article's own name wins over a word in it ("article-sidebar-layout"),
        // and the page as a whole is never boilerplate ("with-banner").
        if (content || (node.flags & (ArticleBody | RoleMain)) || name == "html" || name == "body")
            node.flags &= static_cast<std::uint16_t>(~(Boilerplate | Weak | Soft));
        current_ = static_cast<std::uint32_t>(nodes_.size());
        open_.push_back(current_);
        nodes_.push_back(node);
    }

    void close(std::string_view name, std::size_t at) override
    {
        (void)name;
        if (open_.empty())
            return;
        const std::uint32_t index = open_.back();
        open_.pop_back();
        if (index == Anchor) {
            if (--anchors_ == 0)
                linkText_ += at - anchorStart_;
            return;
        }
        if (index == kNone)
            return;
        Node& node = nodes_[index];
        node.end = at;
        node.links = LinkTextUpTo(at) - node.links;
        node.last = static_cast<std::uint32_t>(nodes_.size() - 1);
        const std::size_t own = node.end - node.begin - std::min(node.inner, node.end - node.begin);
        const std::size_t ownLinks = node.links - std::min(node.innerLinks, node.links);
        const std::size_t ownText = own - std::min(own, ownLinks);
        if (ownText >= kMinProse && ownLinks * 100 <= own * kMaxProseLinks) {
            node.prose += ownText;
            node.flags |= OwnProse;
        }
        if (node.kind == Kind::Title || node.kind == Kind::Heading)
            node.flags |= HoldsHeading;
        // A menu or share bar has no prose to speak of: a block named so that
        // has is a wrapper of the page ("menu-container" around everything).
        // A teaser that links nowhere is the article's own lead.
        if ((node.flags & Weak) && (node.prose >= kWrapperProse || ((node.flags & Listing) && node.links == 0)))
            node.flags = static_cast<std::uint16_t>(
                (node.flags & ~(Boilerplate | Weak)) | (node.prose >= kWrapperProse ? Undone : 0));
        // A landmark or a block named as boilerplate that holds the page's
        // marks of its article and much prose is no boilerplate either: the
        // parser nests what follows an element left with open blocks inside
        // it (a <nav> whose </nav> cannot close an open <div>).
        if (((node.flags & HoldsMarked) || (node.flags & (Frame | HoldsArticle)) == (Frame | HoldsArticle))
            && (node.flags & (Frame | Boilerplate)) && node.prose >= kWrapperProse) {
            node.kind = Kind::Block;
            node.flags &= static_cast<std::uint16_t>(~(Boilerplate | Weak | Soft));
        }
        current_ = node.parent;
        if (current_ != kNone) {
            Node& parent = nodes_[current_];
            parent.inner += node.end - node.begin;
            parent.innerLinks += node.links;
            parent.flags |= node.flags & (HoldsHeading | HoldsMarked | HoldsArticle);
            if (node.kind == Kind::Main || node.kind == Kind::Title || (node.flags & (ArticleBody | RoleMain)))
                parent.flags |= HoldsMarked;
            if (node.kind == Kind::Article)
                parent.flags |= HoldsArticle;
            if (!IsChrome(node))
                parent.prose += node.prose;
        }
    }

    void linkedData(std::string_view utf8) override
    {
        linkedDataOpen_ = true;
        if (linkedDataTooLong_ || linkedData_.size() + utf8.size() > kMaxLinkedData) {
            linkedDataTooLong_ = true; // the rest of a script cut short is no JSON either
            linkedData_.clear();
            return;
        }
        linkedData_.append(utf8);
    }

    void linkedDataEnd() override
    {
        endLinkedData();
    }

    void restart() override
    {
        *this = Layout(maxBlocks_);
    }

    // The main text of `text` (the readable text these blocks were told
    // from) into `out`; false when there is none to find.
    bool select(const std::string& text, std::string& out)
    {
        // Elements whose end was not told (the text of a hidden body) end with the text.
        while (!open_.empty())
            close({}, text.size());
        if (overflow_ || nodes_.empty())
            return false;
        for (Node& node : nodes_)
            if (node.parent != kNone) {
                const Node& parent = nodes_[node.parent];
                if ((parent.flags & (InChrome | Boilerplate)) || parent.kind == Kind::Chrome)
                    node.flags |= InChrome;
            }
        const std::uint32_t root = articleRoot(text);
        std::uint32_t chosen = narrow(root);
        if (chosen == kNone || nodes_[chosen].prose < kMinArticle)
            return false;
        std::vector<std::pair<std::size_t, std::size_t>> pieces;
        const Node& article = nodes_[chosen];
        std::uint32_t first = chosen + 1;
        std::size_t from = article.begin;
        const std::uint32_t title = titleFor(chosen);
        if (title != kNone) {
            const Node& heading = nodes_[title];
            const std::size_t gap = article.begin - heading.end;
            if (gap <= std::min(kMaxLeadGap, std::max<std::size_t>(kMinLeadGap, (article.end - article.begin) / 4))) {
                // The article starts at its heading: a subtitle or lead between them is its own.
                first = title;
                from = heading.begin;
            } else {
                pieces.emplace_back(heading.begin, heading.end);
            }
        }
        // The article less the blocks that are not its own.
        std::size_t lastProse = 0;
        for (std::uint32_t i = first; i <= article.last;) {
            const Node& node = nodes_[i];
            if (i <= chosen && Inside(chosen, i)) {
                ++i; // around the article: only its part from the heading on is taken
            } else if (i != title && leftOut(node)) {
                pieces.emplace_back(from, node.begin);
                from = node.end;
                i = node.last + 1;
            } else {
                if (node.flags & OwnProse)
                    lastProse = std::max<std::size_t>(lastProse, node.end);
                ++i;
            }
        }
        pieces.emplace_back(from, article.end);
        // The article ends with its last paragraph: what follows it in the
        // block (a note on the author, a rating, links to more) is not its own.
        if (lastProse > 0 && !(article.flags & OwnProse)) {
            std::size_t kept = 0;
            for (const auto& [begin, end] : pieces)
                if (begin < lastProse)
                    pieces[kept++] = { begin, std::min(end, lastProse) };
            pieces.resize(kept);
        }
        Join(text, pieces, out);
        return !out.empty();
    }

private:
    static constexpr std::uint32_t Anchor = kNone - 1;
    static constexpr std::size_t kMaxLinkedData = 1 << 20;
    static constexpr int kMaxJsonDepth = 16;
    // The article's first bytes that find it in the text.
    static constexpr std::size_t kBodyStart = 60;
    // The block found holds this share of the articleBody's length at least (percent).
    static constexpr std::size_t kBodyShare = 80;

    const Said& valueSays(std::string_view value)
    {
        value = value.substr(0, 512);
        Said& said = said_[std::hash<std::string_view> {}(value) % said_.size()];
        if (!said.known || said.value != value) {
            said.value.assign(value);
            said.says = ValueSays(value, scratch_);
            said.header = NamesHeader(value, scratch_);
            said.known = true;
        }
        return said;
    }

    std::size_t LinkTextUpTo(std::size_t at) const
    {
        return linkText_ + (anchors_ > 0 ? at - anchorStart_ : 0);
    }

    static bool IsChrome(const Node& node)
    {
        if (node.kind == Kind::Chrome || (node.flags & Boilerplate))
            return true;
        return (node.kind == Kind::Header || (node.flags & Soft)) && !(node.flags & HoldsHeading);
    }

    bool leftOut(const Node& node) const
    {
        if (IsChrome(node))
            return true;
        if (node.kind == Kind::Title || node.kind == Kind::Heading)
            return false;
        const std::size_t size = node.end - node.begin;
        if (size > 0 && node.links * 100 > size * kMaxLinks)
            return true;
        // A short line of no prose between blocks: a date, a byline, a "Share:".
        return node.kind == Kind::Block && node.prose == 0 && !(node.flags & HoldsHeading) && size < kMinLine;
    }

    // Where the page names its article: the largest of the blocks it marks as
    // such, else the whole page.
    std::uint32_t articleRoot(const std::string& text)
    {
        // The page is its first top element, or where its prose is when that
        // has none: the parser may leave more than one (what follows </html>).
        std::uint32_t page = 0;
        std::size_t pageProse = 0;
        for (std::uint32_t i = 0; i < nodes_.size(); i = nodes_[i].last + 1) {
            pageProse += nodes_[i].prose;
            if (nodes_[0].prose < kMinArticle && nodes_[i].prose > nodes_[page].prose)
                page = i;
        }
        // The block of the JSON-LD articleBody, as a block the page marks: unless it
        // holds no prose (its words as links) or little of the page's (a summary).
        const std::uint32_t fromData = linkedDataBlock(text);
        if (fromData != kNone && nodes_[fromData].prose >= kMinArticle
            && nodes_[fromData].prose * 100 >= pageProse * kMarkedShare)
            return fromData;
        for (const auto& marked : { +[](const Node& n) { return (n.flags & ArticleBody) != 0; },
                 +[](const Node& n) { return n.kind == Kind::Article; },
                 +[](const Node& n) { return n.kind == Kind::Main || (n.flags & RoleMain); } }) {
            // The one that stands out: a list of teasers marks none.
            std::uint32_t best = kNone;
            std::size_t second = 0;
            for (std::uint32_t i = 0; i < nodes_.size(); ++i) {
                if (!marked(nodes_[i]) || (nodes_[i].flags & InChrome))
                    continue;
                if (best == kNone || nodes_[i].prose > nodes_[best].prose) {
                    if (best != kNone && !Inside(i, best))
                        second = std::max<std::size_t>(second, nodes_[best].prose);
                    best = i;
                } else if (!Inside(i, best)) {
                    second = std::max<std::size_t>(second, nodes_[i].prose);
                }
            }
            // ... and holds a fair part of the page's prose (not a quote box).
            if (best != kNone && nodes_[best].prose >= kMinArticle && nodes_[best].prose >= 2 * second
                && nodes_[best].prose * 100 >= pageProse * kMarkedShare)
                return best;
        }
        return page;
    }

    // The block that holds the article a JSON-LD articleBody gives, found by its first words.
    std::uint32_t linkedDataBlock(const std::string& text)
    {
        if (linkedDataOpen_)
            endLinkedData();
        // Its first words, up to the end of its first paragraph, as the readable text has them.
        std::string start;
        bool space = false;
        for (char c : articleBody_) {
            if (c == '\n' && !start.empty())
                break;
            if (text::IsHtmlSpace(c)) {
                space = !start.empty();
                continue;
            }
            if (start.size() >= kBodyStart)
                break;
            if (space)
                start += ' ';
            space = false;
            start += c;
        }
        if (start.size() < kBodyStart / 2)
            return kNone;
        const std::size_t at = text.find(start);
        if (at == std::string::npos)
            return kNone;
        // The innermost block there, widened until it holds about the whole body.
        std::uint32_t block = kNone;
        for (std::uint32_t i = 0; i < nodes_.size() && nodes_[i].begin <= at; ++i)
            if (nodes_[i].end > at)
                block = i;
        const std::size_t wanted = articleBody_.size() * kBodyShare / 100;
        while (block != kNone && nodes_[block].end - nodes_[block].begin < wanted)
            block = nodes_[block].parent;
        return block;
    }

    // The longest articleBody of the script just read, kept.
    void endLinkedData()
    {
        linkedDataOpen_ = false;
        linkedDataTooLong_ = false;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(
            QByteArray::fromRawData(linkedData_.data(), static_cast<qsizetype>(linkedData_.size())), &error);
        linkedData_.clear();
        if (error.error != QJsonParseError::NoError)
            return;
        FindArticleBody(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()), 0);
    }

    void FindArticleBody(const QJsonValue& value, int depth)
    {
        if (depth > kMaxJsonDepth)
            return;
        if (value.isArray()) {
            for (const QJsonValue& item : value.toArray())
                FindArticleBody(item, depth + 1);
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (it.key() == QLatin1String("articleBody") && it.value().isString()) {
                    const QByteArray body = it.value().toString().toUtf8();
                    if (static_cast<std::size_t>(body.size()) > articleBody_.size())
                        articleBody_.assign(body.constData(), static_cast<std::size_t>(body.size()));
                } else {
                    FindArticleBody(it.value(), depth + 1);
                }
            }
        }
    }

    // Whether block `inner` is `outer` or inside it.
    bool Inside(std::uint32_t inner, std::uint32_t outer) const
    {
        return inner >= outer && inner <= nodes_[outer].last;
    }

    // From `root` down to the block that holds most of its prose.
    std::uint32_t narrow(std::uint32_t root) const
    {
        std::uint32_t current = root;
        for (;;) {
            const Node& node = nodes_[current];
            std::uint32_t best = kNone;
            // The prose of blocks that name themselves as boilerplate (a
            // "sidebar" of much text) does not hold the way down to the article.
            std::size_t named = 0;
            for (std::uint32_t child = current + 1; child <= node.last; child = nodes_[child].last + 1) {
                if (!IsChrome(nodes_[child]) && (best == kNone || nodes_[child].prose > nodes_[best].prose))
                    best = child;
                if (nodes_[child].flags & Undone)
                    named += nodes_[child].prose;
            }
            if (best == kNone)
                return current;
            if (nodes_[best].flags & Undone)
                named -= nodes_[best].prose;
            if (nodes_[best].prose * 100 < (node.prose - std::min<std::size_t>(named, node.prose)) * kNarrowShare)
                return current;
            current = best;
        }
    }

    // The page's main heading when the article does not start with it: the last <h1> before it.
    std::uint32_t titleFor(std::uint32_t article) const
    {
        for (std::uint32_t i = article + 1; i <= nodes_[article].last; ++i) {
            if (nodes_[i].kind == Kind::Title)
                return kNone;
            // An <h1> after the article's first paragraph heads a part of it, not the page.
            if (nodes_[i].flags & OwnProse)
                break;
        }
        std::uint32_t title = kNone;
        for (std::uint32_t i = 0; i < article; ++i)
            if (nodes_[i].kind == Kind::Title && nodes_[i].end <= nodes_[article].begin && nodes_[i].end > nodes_[i].begin)
                title = i;
        return title;
    }

    // The pieces in order, each trimmed of line ends; between two, the line
    // ends that stood at either side of the cut, one at least, two at most.
    static void Join(const std::string& text, const std::vector<std::pair<std::size_t, std::size_t>>& pieces,
        std::string& out)
    {
        out.clear();
        std::size_t pendingBreaks = 0;
        for (auto [begin, end] : pieces) {
            std::size_t leading = 0;
            while (begin < end && text[begin] == '\n') {
                ++begin;
                ++leading;
            }
            std::size_t trailing = 0;
            while (end > begin && text[end - 1] == '\n') {
                --end;
                ++trailing;
            }
            if (begin == end) {
                pendingBreaks = std::max(pendingBreaks, std::max(leading, trailing));
                continue;
            }
            if (!out.empty())
                out.append(std::clamp<std::size_t>(std::max(pendingBreaks, leading), 1, 2), '\n');
            out.append(text, begin, end - begin);
            pendingBreaks = trailing;
        }
    }

    std::vector<Node> nodes_;
    std::vector<std::uint32_t> open_; // per open element: its block, Anchor or kNone
    std::string linkedData_; // the JSON-LD script being read
    std::string articleBody_; // the longest articleBody of the page's JSON-LD
    bool linkedDataOpen_ = false;
    bool linkedDataTooLong_ = false;
    std::string scratch_;
    // What the class and id values met say, remembered by their hash: a page repeats its names.
    std::array<Said, 64> said_;
    std::size_t maxBlocks_;
    std::size_t linkText_ = 0; // link text before the current link
    std::size_t anchorStart_ = 0;
    int anchors_ = 0;
    std::uint32_t current_ = kNone;
    bool overflow_ = false;
};

} // namespace

MainTextResult RenderMainText(std::string_view bytes, std::string& out, text::Hook& hook, const SheetLoader& sheets)
{
    MainTextResult result;
    // The blocks take no more memory than the page has bytes; a page of more
    // (thousands of empty elements) is read whole.
    Layout layout(std::max<std::size_t>(4096, bytes.size() / sizeof(Node)));
    std::string readable;
    result.readable = RenderReadableText(bytes, readable, hook, layout, sheets);
    if (result.readable.outcome != ReadableOutcome::Finished) {
        out.swap(readable);
        return result;
    }
    result.found = layout.select(readable, out);
    if (!result.found)
        out.swap(readable);
    return result;
}

} // namespace tamsenor::markup
