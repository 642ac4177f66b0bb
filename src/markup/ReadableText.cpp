#include "markup/ReadableText.h"

#include "text/TextBasics.h"

#include "markup/MarkupReader.h"
#include "markup/PageStyles.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace tamsenor::markup {
namespace {

// How an element takes part in the text, after the browser's default styles.
enum class Role : unsigned char {
    Inline, // its text flows with its neighbours'
    Block, // on lines of its own
    Paragraph, // on lines of its own, a blank line before and after
    Pre, // a block whose white space is kept
    Hidden, // neither it nor anything inside is shown
    Replaced, // a box on the line (a field, a frame) that shows no text
    Void, // a box on the line that never has content (an image)
    InlineBlock, // a box on the line with a text of its own inside
    Break, // <br>
    Table, // a block whose rows are counted
    Row, // a line end before every row but a table's first
    Cell, // a tab before every cell but a row's first
    Details, // a block; when closed only its summary is shown
};

struct RoleOf {
    std::string_view name;
    Role role;
};

// Elements the default style sheet shows other than inline. Unknown elements are inline.
constexpr RoleOf kRoles[] = {
    { "address", Role::Block },
    { "article", Role::Block },
    { "aside", Role::Block },
    { "audio", Role::Hidden },
    { "blockquote", Role::Block },
    { "body", Role::Block },
    { "br", Role::Break },
    { "button", Role::InlineBlock },
    { "canvas", Role::Replaced },
    { "caption", Role::Block },
    { "center", Role::Block },
    { "datalist", Role::Hidden },
    { "dd", Role::Block },
    { "desc", Role::Hidden },
    { "details", Role::Details },
    { "dialog", Role::Hidden },
    { "dir", Role::Block },
    { "div", Role::Block },
    { "dl", Role::Block },
    { "dt", Role::Block },
    { "embed", Role::Void },
    { "fieldset", Role::Block },
    { "figcaption", Role::Block },
    { "figure", Role::Block },
    { "footer", Role::Block },
    { "form", Role::Block },
    { "frameset", Role::Block },
    { "h1", Role::Block },
    { "h2", Role::Block },
    { "h3", Role::Block },
    { "h4", Role::Block },
    { "h5", Role::Block },
    { "h6", Role::Block },
    { "head", Role::Hidden },
    { "header", Role::Block },
    { "hgroup", Role::Block },
    { "hr", Role::Block },
    { "html", Role::Block },
    { "iframe", Role::Replaced },
    { "img", Role::Void },
    { "input", Role::Void },
    { "legend", Role::Block },
    { "li", Role::Block },
    { "listing", Role::Pre },
    { "main", Role::Block },
    { "menu", Role::Block },
    { "meter", Role::Replaced },
    { "nav", Role::Block },
    { "noembed", Role::Hidden },
    { "noframes", Role::Hidden },
    { "ol", Role::Block },
    { "optgroup", Role::Block },
    { "option", Role::Block },
    { "p", Role::Paragraph },
    { "param", Role::Hidden },
    { "plaintext", Role::Pre },
    { "pre", Role::Pre },
    { "progress", Role::Replaced },
    { "rp", Role::Hidden },
    { "script", Role::Hidden },
    { "search", Role::Block },
    { "section", Role::Block },
    { "select", Role::InlineBlock },
    { "style", Role::Hidden },
    { "summary", Role::Block },
    { "svg", Role::Replaced },
    { "table", Role::Table },
    { "td", Role::Cell },
    { "template", Role::Hidden },
    { "textarea", Role::Replaced },
    { "th", Role::Cell },
    { "title", Role::Hidden },
    { "tr", Role::Row },
    { "ul", Role::Block },
    { "video", Role::Replaced },
    { "xmp", Role::Pre },
};

static_assert(std::is_sorted(std::begin(kRoles), std::end(kRoles),
                  [](const RoleOf& a, const RoleOf& b) { return a.name < b.name; }),
    "the roles of a first letter are found side by side");

// The roles grouped by first letter, so that a lookup (two for each element)
// compares a few names at most.
class RoleTable {
public:
    constexpr RoleTable()
    {
        for (std::size_t i = 0; i < std::size(kRoles); ++i) {
            const auto letter = static_cast<std::size_t>(kRoles[i].name[0] - 'a');
            if (count_[letter] == 0)
                first_[letter] = static_cast<unsigned char>(i);
            ++count_[letter];
        }
    }

    Role find(std::string_view name) const
    {
        if (name.empty() || name[0] < 'a' || name[0] > 'z')
            return Role::Inline;
        const auto letter = static_cast<std::size_t>(name[0] - 'a');
        for (std::size_t i = first_[letter], end = i + count_[letter]; i < end; ++i)
            if (kRoles[i].name == name)
                return kRoles[i].role;
        return Role::Inline;
    }

private:
    std::array<unsigned char, 26> first_ {};
    std::array<unsigned char, 26> count_ {};
};

constexpr RoleTable kRoleTable;

Role RoleFor(std::string_view name)
{
    return kRoleTable.find(name);
}

// The white space that collapses in normal flow, as a table: this test runs
// for every character of the text.
constexpr std::array<bool, 256> kCollapsible = [] {
    std::array<bool, 256> table {};
    for (unsigned char c : { ' ', '\n', '\t', '\r', '\f' })
        table[c] = true;
    return table;
}();

bool IsCollapsible(unsigned char c)
{
    return kCollapsible[c];
}

// A piece the sink refused; unwinds through the reader.
struct SinkRefused { };

constexpr std::size_t kPiece = 64 * 1024;

// Builds the text the way the browser's innerText does: strings, and between
// them "required line break counts" of which a run gives its largest number
// of line ends, none at the very start or end. White space is collapsed as the
// browser lays out lines: a space survives only between content on one line.
class Renderer : public MarkupHandler {
public:
    // `hold`: nothing goes to the sink before the end, as the page may be
    // read again. `sheetsKnown`: the page's style sheets were given to
    // `styles` beforehand, so its style elements are not read again.
    Renderer(std::string& buffer, TextSink* sink, PageStyles& styles, bool hold, bool sheetsKnown,
        const SheetLoader& loader, LayoutObserver* observer = nullptr)
        : out_(buffer)
        , sink_(sink)
        , styles_(styles)
        , hold_(hold)
        , sheetsKnown_(sheetsKnown)
        , loader_(loader)
        , observer_(observer)
    {
    }

    // Whether a style sheet came after elements it may have styled.
    bool lateSheet() const { return lateSheet_; }

    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        const auto has = [&](std::string_view attribute, std::string_view value = {}) {
            return std::any_of(attributes.begin(), attributes.end(), [&](const Attribute& a) {
                return a.name == attribute && (value.empty() || text::EqualsIgnoringAsciiCase(a.value, value));
            });
        };
        if (name == "style") {
            // A style sheet counts wherever it stands, for the media it names.
            sheet_.clear();
            inSheet_ = !has("type") || has("type", "text/css");
            for (const Attribute& a : attributes)
                if (a.name == "media" && !MediaApplies(a.value))
                    inSheet_ = false;
        }
        if (name == "link" && loader_ && !sheetsKnown_)
            linkedSheet(attributes);
        if (hiddenDepth_ > 0) {
            ++hiddenDepth_;
            // JSON-LD is hidden wherever it stands, the head included.
            if (observer_ && IsLinkedData(name, attributes))
                linkedDataDepth_ = hiddenDepth_;
            return;
        }
        if (textContent_) {
            stack_.push_back(stack_.back());
            return;
        }
        const Role tagRole = RoleFor(name);
        Role role = tagRole;
        bool hiddenAttribute = false;
        if (role == Role::Void && name == "input" && has("type", "hidden"))
            role = Role::Hidden;
        else if (has("hidden"))
            hiddenAttribute = true;
        else if (name == "dialog" && has("open"))
            role = Role::Block;
        else if (role == Role::Details && has("open"))
            role = Role::Block;
        else if (name == "math" && has("display", "block"))
            role = Role::Block; // display math stands on lines of its own
        const AuthorStyle author = styles_.open(name, attributes);
        role = WithDisplay(role, hiddenAttribute, author.display);
        // A page that hides its root or body (to show it from a script) has no
        // rendered text; the browser's innerText is then the body's text
        // content: every text as written, scripts and styles included.
        if ((name == "html" || name == "body") && author.display == Display::None) {
            rootHidden_ = true;
            role = Role::Block;
        }
        if (name == "body" && rootHidden_) {
            textContent_ = true;
            Open all;
            all.whiteSpace = WhiteSpace::Preserve;
            stack_.push_back(all);
            return;
        }
        // A closed <details> shows its first <summary> and nothing else.
        if (!closedDetails_.empty() && closedDetails_.back().depth == 0) {
            if (name == "summary" && !closedDetails_.back().summaryShown)
                closedDetails_.back().summaryShown = true;
            else
                role = Role::Hidden;
        }
        const Open parent = stack_.empty() ? Open {} : stack_.back();
        Open open;
        open.role = role;
        open.visible = author.visible.value_or(parent.visible);
        open.transform = author.textTransform.value_or(parent.transform);
        open.whiteSpace = author.whiteSpace.value_or(tagRole == Role::Pre ? WhiteSpace::Preserve : parent.whiteSpace);
        open.preTag = tagRole == Role::Pre;
        stack_.push_back(open);
        if (role == Role::Hidden) {
            hiddenDepth_ = 1;
            if (observer_ && IsLinkedData(name, attributes))
                linkedDataDepth_ = 1;
            return;
        }
        if (role == Role::Replaced) {
            // Its content is hidden, so its end is counted there, not in a details.
            if (open.visible)
                box();
            hiddenDepth_ = 1;
            return;
        }
        if (!closedDetails_.empty())
            ++closedDetails_.back().depth;
        if (observer_)
            observer_->open(name, attributes, out_.size());
        if (open.preTag)
            // The parser keeps a line end right after <pre>; the browser does not.
            dropNewline_ = true;
        switch (role) {
        case Role::Inline:
        case Role::Hidden:
        case Role::Replaced:
        case Role::Pre: // not reached: a block whose white space is kept
            return;
        case Role::Void:
            // Not hidden: the parser may nest what follows an element it does
            // not know to be empty (<embed>) inside it.
            if (open.visible)
                box();
            return;
        case Role::InlineBlock:
            if (open.visible)
                box();
            // Its own text starts a line of its own inside the box.
            lineHasContent_ = false;
            return;
        case Role::Break:
            if (open.visible) {
                pendingSpace_ = false;
                string("\n");
            }
            return;
        case Role::Paragraph:
            if (open.visible)
                lineBreaks(2);
            return;
        case Role::Block:
            if (open.visible)
                lineBreaks(1);
            return;
        case Role::Details:
            if (open.visible)
                lineBreaks(1);
            closedDetails_.push_back({});
            return;
        case Role::Table:
            if (open.visible)
                lineBreaks(1);
            tables_.push_back({});
            return;
        case Role::Row:
            if (!tables_.empty() && open.visible) {
                if (tables_.back().rows++ > 0)
                    string("\n");
                tables_.back().cells = 0;
            }
            return;
        case Role::Cell:
            if (!tables_.empty() && open.visible && tables_.back().cells++ > 0)
                string("\t");
            // A cell is a block of its own: white space at its start is dropped.
            pendingSpace_ = false;
            lineHasContent_ = false;
            return;
        }
    }

    void endElement(std::string_view name) override
    {
        if (inSheet_ && name == "style") {
            if (!sheetsKnown_) {
                if (styles_.addSheet(sheet_))
                    lateSheet_ = true;
            }
            inSheet_ = false;
            sheet_.clear();
        }
        if (hiddenDepth_ > 0) {
            if (hiddenDepth_ == linkedDataDepth_) {
                linkedDataDepth_ = 0;
                observer_->linkedDataEnd();
            }
            if (--hiddenDepth_ == 0) {
                // The hidden or replaced element itself.
                stack_.pop_back();
                styles_.close();
            }
            return;
        }
        if (stack_.empty())
            return;
        const Open open = stack_.back();
        stack_.pop_back();
        if (textContent_)
            return;
        if (observer_)
            observer_->close(name, out_.size());
        styles_.close();
        if (!closedDetails_.empty()) {
            if (closedDetails_.back().depth == 0) {
                closedDetails_.pop_back();
                if (open.visible)
                    lineBreaks(1);
                return;
            }
            --closedDetails_.back().depth;
        }
        if (open.preTag)
            dropNewline_ = false;
        if (!open.visible && open.role != Role::Table && open.role != Role::Cell)
            return;
        switch (open.role) {
        case Role::Paragraph:
            lineBreaks(2);
            return;
        case Role::Block:
        case Role::Details: // an open one
        case Role::Pre:
            lineBreaks(1);
            return;
        case Role::InlineBlock:
            // White space at the end of the box's own text is dropped; the box
            // itself is content of the line around it.
            pendingSpace_ = false;
            lineHasContent_ = true;
            return;
        case Role::Table:
            if (!tables_.empty())
                tables_.pop_back();
            if (open.visible)
                lineBreaks(1);
            return;
        case Role::Cell:
            pendingSpace_ = false;
            return;
        default:
            return;
        }
    }

    void rawText(std::string_view utf8) override
    {
        if (inSheet_)
            sheet_.append(utf8);
        if (textContent_)
            text(utf8);
        if (linkedDataDepth_ > 0 && linkedDataDepth_ == hiddenDepth_)
            observer_->linkedData(utf8);
    }

    void text(std::string_view utf8) override
    {
        if (hiddenDepth_ > 0 || utf8.empty() || (!closedDetails_.empty() && closedDetails_.back().depth == 0))
            return;
        const Open current = stack_.empty() ? Open {} : stack_.back();
        if (!current.visible)
            return;
        std::string transformed;
        if (current.transform != TextTransform::None) {
            transformed = Transformed(utf8, current.transform);
            utf8 = transformed;
        }
        switch (current.whiteSpace) {
        case WhiteSpace::Collapse:
            flowing(utf8);
            break;
        case WhiteSpace::Preserve:
            preformatted(utf8);
            break;
        case WhiteSpace::PreserveBreaks:
            for (std::size_t at = 0;;) {
                const std::size_t end = utf8.find('\n', at);
                flowing(utf8.substr(at, end - at));
                if (end == std::string_view::npos)
                    break;
                pendingSpace_ = false;
                string("\n");
                at = end + 1;
            }
            break;
        }
        if (sink_ && !hold_ && out_.size() >= kPiece)
            flush();
    }

    // Hands the rest to the sink.
    void finish()
    {
        if (sink_)
            flush();
    }

private:
    struct Table {
        int rows = 0;
        int cells = 0;
    };
    struct ClosedDetails {
        int depth = 0; // elements open inside it
        bool summaryShown = false;
    };
    // An open element as it takes part in the text: its role after the
    // page's CSS, and the inherited properties it passes on.
    struct Open {
        Role role = Role::Block;
        bool visible = true;
        TextTransform transform = TextTransform::None;
        WhiteSpace whiteSpace = WhiteSpace::Collapse;
        bool preTag = false; // pre, listing, xmp or plaintext
    };

    // A style sheet the page links, read through the loader.
    void linkedSheet(std::span<const Attribute> attributes)
    {
        std::string_view href;
        bool stylesheet = false;
        for (const Attribute& a : attributes) {
            if (a.name == "href") {
                href = a.value;
            } else if (a.name == "rel") {
                // Keywords apart by white space; an alternate sheet is not applied.
                std::string words = " " + std::string(a.value) + " ";
                for (char& c : words)
                    c = IsCollapsible(static_cast<unsigned char>(c))
                        ? ' '
                        : text::LowerAscii(c);
                stylesheet = words.find(" stylesheet ") != std::string::npos
                    && words.find(" alternate ") == std::string::npos;
            } else if (a.name == "media" && !MediaApplies(a.value)) {
                return;
            } else if (a.name == "type" && !text::EqualsIgnoringAsciiCase(a.value, "text/css")) {
                return;
            }
        }
        if (!stylesheet || href.empty())
            return;
        std::optional<std::string> sheet = loader_(href);
        if (!sheet)
            return;
        if (styles_.addSheet(*sheet))
            lateSheet_ = true;
    }

    // The role under the page's display value: none hides any element;
    // the others change only the elements whose box holds their text.
    static Role WithDisplay(Role role, bool hiddenAttribute, std::optional<Display> display)
    {
        if (!display)
            return hiddenAttribute ? Role::Hidden : role;
        if (*display == Display::None)
            return Role::Hidden;
        switch (role) {
        case Role::Inline:
        case Role::Block:
        case Role::Paragraph:
        case Role::Pre:
        case Role::Table:
        case Role::Row:
        case Role::Cell:
            break;
        default:
            return role;
        }
        switch (*display) {
        case Display::None:
            return Role::Hidden;
        case Display::Inline:
            return Role::Inline;
        case Display::Block:
            return role == Role::Paragraph || role == Role::Pre ? role : Role::Block;
        case Display::InlineBlock:
            return Role::InlineBlock;
        case Display::Table:
            return Role::Table;
        case Display::Row:
            return Role::Row;
        case Display::Cell:
            return Role::Cell;
        }
        return role;
    }

    // The text with its letters changed as text-transform says.
    std::string Transformed(std::string_view utf8, TextTransform transform) const
    {
        QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        switch (transform) {
        case TextTransform::None:
            break;
        case TextTransform::Uppercase:
            text = text.toUpper();
            break;
        case TextTransform::Lowercase:
            text = text.toLower();
            break;
        case TextTransform::Capitalize: {
            // The first letter of each word; a word goes on across elements.
            bool inWord = !pendingSpace_ && pendingBreaks_ == 0 && lineHasContent_ && !out_.empty() && (static_cast<unsigned char>(out_.back()) >= 0x80
                || std::isalnum(static_cast<unsigned char>(out_.back())));
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (c.isLetterOrNumber() || c.isMark() || (inWord && (c == u'\'' || c == u'\u2019'))) {
                    if (!inWord)
                        text[i] = c.toTitleCase();
                    inWord = true;
                } else {
                    inWord = false;
                }
            }
            break;
        }
        }
        return text.toStdString();
    }

    static bool IsLinkedData(std::string_view name, std::span<const Attribute> attributes)
    {
        return name == "script" && std::any_of(attributes.begin(), attributes.end(), [](const Attribute& a) {
            return a.name == "type" && text::EqualsIgnoringAsciiCase(a.value, "application/ld+json");
        });
    }

    void lineBreaks(int count)
    {
        // White space next to a block's edge is at a line's end or start.
        pendingSpace_ = false;
        lineHasContent_ = false;
        if (count > pendingBreaks_)
            pendingBreaks_ = count;
    }

    // Before the next string: the pending line ends are written, unless
    // nothing was written yet.
    void settle()
    {
        if (pendingBreaks_ > 0) {
            if (started_)
                out_.append(static_cast<std::size_t>(pendingBreaks_), '\n');
            pendingBreaks_ = 0;
        }
        started_ = true;
    }

    void string(std::string_view piece)
    {
        settle();
        out_ += piece;
        lineHasContent_ = false;
    }

    // An image, a field or a button: no text of its own, but the spaces on
    // either side of it are between content.
    void box()
    {
        if (pendingSpace_ && lineHasContent_) {
            settle();
            out_ += ' ';
        }
        pendingSpace_ = false;
        lineHasContent_ = true;
    }

    // Normal flow: each run of white space is one space, none at a line's start or end.
    void flowing(std::string_view utf8)
    {
        const char* p = utf8.data();
        const char* end = p + utf8.size();
        while (p < end) {
            if (IsCollapsible(static_cast<unsigned char>(*p))) {
                pendingSpace_ = true;
                do
                    ++p;
                while (p < end && IsCollapsible(static_cast<unsigned char>(*p)));
                continue;
            }
            // Words apart by single spaces, as most text is, go in as they stand.
            const char* word = p;
            for (;;) {
                do
                    ++p;
                while (p < end && !IsCollapsible(static_cast<unsigned char>(*p)));
                if (end - p < 2 || *p != ' ' || IsCollapsible(static_cast<unsigned char>(p[1])))
                    break;
                ++p;
            }
            settle();
            if (pendingSpace_ && lineHasContent_)
                out_ += ' ';
            pendingSpace_ = false;
            lineHasContent_ = true;
            out_.append(word, p);
        }
    }

    void preformatted(std::string_view utf8)
    {
        if (dropNewline_) {
            dropNewline_ = false;
            if (utf8.starts_with("\r\n"))
                utf8.remove_prefix(2);
            else if (utf8.starts_with('\n') || utf8.starts_with('\r'))
                utf8.remove_prefix(1);
            if (utf8.empty())
                return;
        }
        settle();
        pendingSpace_ = false;
        // Line ends are LF whatever the page used.
        for (std::size_t at = 0; at < utf8.size();) {
            const std::size_t cr = utf8.find('\r', at);
            if (cr == std::string_view::npos) {
                out_.append(utf8.substr(at));
                break;
            }
            out_.append(utf8.substr(at, cr - at));
            out_ += '\n';
            at = cr + 1;
            if (at < utf8.size() && utf8[at] == '\n')
                ++at;
        }
        lineHasContent_ = !(utf8.back() == '\n' || utf8.back() == '\r');
    }

    void flush()
    {
        if (!out_.empty() && !sink_->write(out_))
            throw SinkRefused();
        out_.clear();
    }

    std::string& out_;
    TextSink* sink_;
    PageStyles& styles_;
    std::vector<Open> stack_;
    std::string sheet_; // the content of the style element being read
    bool inSheet_ = false;
    bool hold_;
    bool sheetsKnown_;
    bool lateSheet_ = false;
    const SheetLoader& loader_;
    bool rootHidden_ = false; // html or body has display: none
    bool textContent_ = false; // inside such a body: its text content as it is
    std::vector<Table> tables_;
    std::vector<ClosedDetails> closedDetails_;
    int hiddenDepth_ = 0;
    LayoutObserver* observer_; // only without a sink: its offsets are into the whole text
    int linkedDataDepth_ = 0; // the hidden depth of the JSON-LD script being read, if any
    int pendingBreaks_ = 0;
    bool pendingSpace_ = false;
    bool lineHasContent_ = false; // whether a space here would be between content on one line
    bool started_ = false;
    bool dropNewline_ = false;
};

// Whether "<style" (or with `links`, "<link") stands anywhere in the page, in any case.
bool MayHoldStyleSheet(std::string_view bytes, bool links)
{
    for (const char* p = bytes.data(), *end = p + bytes.size();
         (p = static_cast<const char*>(std::memchr(p, '<', std::size_t(end - p)))); ++p) {
        if (end - p >= 6 && (p[1] | 0x20) == 's' && (p[2] | 0x20) == 't' && (p[3] | 0x20) == 'y'
            && (p[4] | 0x20) == 'l' && (p[5] | 0x20) == 'e')
            return true;
        if (links && end - p >= 5 && (p[1] | 0x20) == 'l' && (p[2] | 0x20) == 'i' && (p[3] | 0x20) == 'n'
            && (p[4] | 0x20) == 'k')
            return true;
    }
    return false;
}

// The reader's events kept as they pass on to a renderer, so that the page can
// be laid out again without parsing it again.
class Recording : public MarkupHandler {
public:
    // `page`: the size of the page read. Its events, with their lengths and
    // kinds, are often a little larger than the page; room for half as much
    // again spares most pages a move of the whole record (room not written
    // takes no memory).
    Recording(MarkupHandler& next, std::size_t page)
        : next_(next)
        , capacity_(page + page / 2)
        , events_(new char[capacity_])
    {
    }

    // Each event is written with one look at the room left.
    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        next_.startElement(name, attributes);
        std::size_t size = 1 + kLength + name.size() + kLength;
        for (const Attribute& a : attributes)
            size += 2 * kLength + a.name.size() + a.value.size();
        char* out = room(size);
        *out++ = Start;
        out = put(out, name);
        out = putLength(out, attributes.size());
        for (const Attribute& a : attributes)
            out = put(put(out, a.name), a.value);
    }
    void endElement(std::string_view name) override
    {
        next_.endElement(name);
        put(kindAndRoom(End, name.size()), name);
    }
    void text(std::string_view utf8) override
    {
        next_.text(utf8);
        put(kindAndRoom(Text, utf8.size()), utf8);
    }
    void rawText(std::string_view utf8) override
    {
        next_.rawText(utf8);
        put(kindAndRoom(Raw, utf8.size()), utf8);
    }

    // Gives the events again, in order, to `handler`.
    void replay(MarkupHandler& handler) const
    {
        std::vector<Attribute> attributes;
        for (std::size_t at = 0; at < size_;) {
            const char kind = events_[at++];
            const std::string_view first = take(at);
            switch (kind) {
            case Start: {
                attributes.resize(takeLength(at));
                for (Attribute& a : attributes) {
                    a.name = take(at);
                    a.value = take(at);
                }
                handler.startElement(first, attributes);
                break;
            }
            case End:
                handler.endElement(first);
                break;
            case Text:
                handler.text(first);
                break;
            default:
                handler.rawText(first);
                break;
            }
        }
    }

private:
    enum Kind : char { Start, End, Text, Raw };
    static constexpr std::size_t kLength = sizeof(std::uint32_t);

    // `size` bytes more at the end of the record, to be written.
    char* room(std::size_t size)
    {
        if (capacity_ - size_ < size) {
            const std::size_t capacity = std::max(2 * capacity_, size_ + size);
            std::unique_ptr<char[]> grown(new char[capacity]);
            std::memcpy(grown.get(), events_.get(), size_);
            events_ = std::move(grown);
            capacity_ = capacity;
        }
        char* const out = events_.get() + size_;
        size_ += size;
        return out;
    }
    // An event of one piece: its kind written, room left for the piece.
    char* kindAndRoom(Kind kind, std::size_t piece)
    {
        char* const out = room(1 + kLength + piece);
        *out = kind;
        return out + 1;
    }
    static char* putLength(char* out, std::size_t length)
    {
        const auto value = std::uint32_t(length);
        std::memcpy(out, &value, kLength);
        return out + kLength;
    }
    static char* put(char* out, std::string_view piece)
    {
        out = putLength(out, piece.size());
        if (!piece.empty())
            std::memcpy(out, piece.data(), piece.size());
        return out + piece.size();
    }
    std::size_t takeLength(std::size_t& at) const
    {
        std::uint32_t value;
        std::memcpy(&value, events_.get() + at, kLength);
        at += kLength;
        return value;
    }
    std::string_view take(std::size_t& at) const
    {
        const std::size_t length = takeLength(at);
        const std::string_view piece(events_.get() + at, length);
        at += length;
        return piece;
    }

    MarkupHandler& next_;
    std::size_t size_ = 0;
    std::size_t capacity_;
    std::unique_ptr<char[]> events_; // not set before it is written
};

ReadableOutcome Outcome(ReadOutcome read)
{
    switch (read) {
    case ReadOutcome::Finished:
        break;
    case ReadOutcome::Cancelled:
        return ReadableOutcome::Cancelled;
    case ReadOutcome::Stopped:
        return ReadableOutcome::Stopped;
    }
    return ReadableOutcome::Finished;
}

// The largest page whose text is held back from the sink until its style
// sheets are all known.
constexpr std::size_t kMaxHeldPage = 64 << 20;

ReadableResult Render(
    std::string_view bytes, std::string& buffer, TextSink* sink, text::Hook& hook, const SheetLoader& loader,
    LayoutObserver* observer = nullptr)
{
    ReadableResult result;
    result.encoding = SniffPageEncoding(bytes);
    ParserInput input;
    switch (PrepareParserInput(bytes, result.encoding, input, hook)) {
    case DecodeOutcome::Finished:
        break;
    case DecodeOutcome::Cancelled:
        result.outcome = ReadableOutcome::Cancelled;
        return result;
    case DecodeOutcome::Unsupported:
        result.outcome = ReadableOutcome::Unsupported;
        return result;
    }

    ReadOptions options;
    options.encoding = input.encoding.c_str();
    // The page as it is when it is valid UTF-8, or its decoded copy.
    options.validUtf8 = input.encoding == "UTF-8";
    // The element tree is kept for selectors only when the page may hold a style sheet.
    const bool mayHoldSheet = input.encoding != "UTF-8" || MayHoldStyleSheet(input.bytes, bool(loader));
    // A page with a style sheet may have to be laid out twice (a sheet after
    // the elements it styles), from its events as the reader gave them; its
    // text is held until then. Past a size the events are not kept, and
    // there a sheet applies from where it stands on (to the text in pieces)
    // or the page is read again (to a string).
    const bool keep = mayHoldSheet && input.bytes.size() <= kMaxHeldPage;
    const bool hold = sink && keep;
    try {
        bool again = false;
        std::optional<Recording> recording;
        PageStyles styles(mayHoldSheet);
        {
            Renderer renderer(buffer, sink, styles, hold, false, loader, observer);
            if (keep) {
                recording.emplace(renderer, input.bytes.size());
                result.outcome = Outcome(ReadMarkup(input.bytes, *recording, hook, options));
            } else {
                result.outcome = Outcome(ReadMarkup(input.bytes, renderer, hook, options));
            }
            if (!renderer.lateSheet() || result.outcome == ReadableOutcome::Cancelled || (sink && !hold))
                renderer.finish();
            else
                again = true;
        }
        if (again) {
            buffer.clear();
            if (observer)
                observer->restart();
            // The rules of every sheet, as read, now apply from the start.
            styles.restart();
            Renderer renderer(buffer, sink, styles, false, true, loader, observer);
            if (recording)
                recording->replay(renderer);
            else
                result.outcome = Outcome(ReadMarkup(input.bytes, renderer, hook, options));
            renderer.finish();
        }
    } catch (const SinkRefused&) {
        result.outcome = ReadableOutcome::SinkFailed;
    }
    return result;
}

} // namespace

ReadableResult RenderReadableText(std::string_view bytes, TextSink& sink, text::Hook& hook, const SheetLoader& sheets)
{
    std::string buffer;
    buffer.reserve(kPiece + kPiece / 2);
    return Render(bytes, buffer, &sink, hook, sheets);
}

ReadableResult RenderReadableText(std::string_view bytes, std::string& out, text::Hook& hook, const SheetLoader& sheets)
{
    out.clear();
    // The text of a page is hardly ever longer than the page, and room
    // reserved but not written takes no memory; the string then never has to
    // move, which would briefly need its size twice.
    out.reserve(bytes.size());
    return Render(bytes, out, nullptr, hook, sheets);
}

ReadableResult RenderReadableText(std::string_view bytes, std::string& out, text::Hook& hook,
    LayoutObserver& observer, const SheetLoader& sheets)
{
    out.clear();
    out.reserve(bytes.size());
    return Render(bytes, out, nullptr, hook, sheets, &observer);
}

std::string DescribeEncoding(const PageEncoding& encoding)
{
    switch (encoding.source) {
    case EncodingSource::ByteOrderMark:
        return encoding.name + " (byte-order mark)";
    case EncodingSource::Declaration:
        return encoding.name + " (declared)";
    case EncodingSource::Detected:
        return encoding.name + " (detected)";
    case EncodingSource::Default:
        return encoding.name + " (default)";
    }
    return encoding.name;
}

} // namespace tamsenor::markup
