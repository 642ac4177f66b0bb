#include "markup/ReadableText.h"

#include "markup/MarkupReader.h"

#include <algorithm>
#include <array>
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
    { "noscript", Role::Hidden },
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
    Renderer(std::string& buffer, TextSink* sink, LayoutObserver* observer = nullptr)
        : out_(buffer)
        , sink_(sink)
        , observer_(observer)
    {
    }

    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        if (hiddenDepth_ > 0) {
            ++hiddenDepth_;
            // JSON-LD is hidden wherever it stands, the head included.
            if (observer_ && IsLinkedData(name, attributes))
                linkedDataDepth_ = hiddenDepth_;
            return;
        }
        const auto has = [&](std::string_view attribute, std::string_view value = {}) {
            return std::any_of(attributes.begin(), attributes.end(), [&](const Attribute& a) {
                return a.name == attribute && (value.empty() || EqualNoCase(a.value, value));
            });
        };
        Role role = RoleFor(name);
        if (has("hidden") || (role == Role::Void && name == "input" && has("type", "hidden")))
            role = Role::Hidden;
        else if (name == "dialog" && has("open"))
            role = Role::Block;
        else if (role == Role::Details && has("open"))
            role = Role::Block;
        // A closed <details> shows its first <summary> and nothing else.
        if (!closedDetails_.empty() && closedDetails_.back().depth == 0) {
            if (name == "summary" && !closedDetails_.back().summaryShown)
                closedDetails_.back().summaryShown = true;
            else
                role = Role::Hidden;
        }
        if (role == Role::Hidden) {
            hiddenDepth_ = 1;
            if (observer_ && IsLinkedData(name, attributes))
                linkedDataDepth_ = 1;
            return;
        }
        if (role == Role::Replaced) {
            // Its content is hidden, so its end is counted there, not in a details.
            box();
            ++hiddenDepth_;
            return;
        }
        if (!closedDetails_.empty())
            ++closedDetails_.back().depth;
        if (observer_)
            observer_->open(name, attributes, out_.size());
        switch (role) {
        case Role::Inline:
        case Role::Hidden:
        case Role::Replaced:
            return;
        case Role::Void:
            // Not hidden: the parser may nest what follows an element it does
            // not know to be empty (<embed>) inside it.
            box();
            return;
        case Role::InlineBlock:
            box();
            // Its own text starts a line of its own inside the box.
            lineHasContent_ = false;
            return;
        case Role::Break:
            pendingSpace_ = false;
            string("\n");
            return;
        case Role::Paragraph:
            lineBreaks(2);
            return;
        case Role::Block:
            lineBreaks(1);
            return;
        case Role::Details:
            lineBreaks(1);
            closedDetails_.push_back({});
            return;
        case Role::Pre:
            lineBreaks(1);
            ++preDepth_;
            // The parser keeps a line end right after <pre>; the browser does not.
            dropNewline_ = true;
            return;
        case Role::Table:
            lineBreaks(1);
            tables_.push_back({});
            return;
        case Role::Row:
            if (!tables_.empty()) {
                if (tables_.back().rows++ > 0)
                    string("\n");
                tables_.back().cells = 0;
            }
            return;
        case Role::Cell:
            if (!tables_.empty() && tables_.back().cells++ > 0)
                string("\t");
            // A cell is a block of its own: white space at its start is dropped.
            pendingSpace_ = false;
            lineHasContent_ = false;
            return;
        }
    }

    void endElement(std::string_view name) override
    {
        if (hiddenDepth_ > 0) {
            if (hiddenDepth_ == linkedDataDepth_)
                linkedDataDepth_ = 0;
            --hiddenDepth_;
            return;
        }
        if (observer_)
            observer_->close(name, out_.size());
        if (!closedDetails_.empty()) {
            if (closedDetails_.back().depth == 0) {
                closedDetails_.pop_back();
                lineBreaks(1);
                return;
            }
            --closedDetails_.back().depth;
        }
        switch (RoleFor(name)) {
        case Role::Paragraph:
            lineBreaks(2);
            return;
        case Role::Block:
        case Role::Details: // an open one
            lineBreaks(1);
            return;
        case Role::InlineBlock:
            // White space at the end of the box's own text is dropped; the box
            // itself is content of the line around it.
            pendingSpace_ = false;
            lineHasContent_ = true;
            return;
        case Role::Pre:
            if (preDepth_ > 0)
                --preDepth_;
            dropNewline_ = false;
            lineBreaks(1);
            return;
        case Role::Table:
            if (!tables_.empty())
                tables_.pop_back();
            lineBreaks(1);
            return;
        case Role::Cell:
            pendingSpace_ = false;
            return;
        default:
            return;
        }
    }

    void text(std::string_view utf8) override
    {
        if (hiddenDepth_ > 0 || utf8.empty() || (!closedDetails_.empty() && closedDetails_.back().depth == 0))
            return;
        if (preDepth_ > 0)
            preformatted(utf8);
        else
            flowing(utf8);
        if (sink_ && out_.size() >= kPiece)
            flush();
    }

    void rawText(std::string_view utf8) override
    {
        if (linkedDataDepth_ > 0 && linkedDataDepth_ == hiddenDepth_)
            observer_->linkedData(utf8);
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

    static bool EqualNoCase(std::string_view a, std::string_view b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
            return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == y;
        });
    }

    static bool IsLinkedData(std::string_view name, std::span<const Attribute> attributes)
    {
        return name == "script" && std::any_of(attributes.begin(), attributes.end(), [](const Attribute& a) {
            return a.name == "type" && EqualNoCase(a.value, "application/ld+json");
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
            const char* word = p;
            do
                ++p;
            while (p < end && !IsCollapsible(static_cast<unsigned char>(*p)));
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
    LayoutObserver* observer_; // only without a sink: its offsets are into the whole text
    std::vector<Table> tables_;
    std::vector<ClosedDetails> closedDetails_;
    int hiddenDepth_ = 0;
    int preDepth_ = 0;
    int pendingBreaks_ = 0;
    bool pendingSpace_ = false;
    bool lineHasContent_ = false; // whether a space here would be between content on one line
    bool started_ = false;
    bool dropNewline_ = false;
    int linkedDataDepth_ = 0; // the hidden depth of the JSON-LD script being read, if any
};

ReadableResult Render(
    std::string_view bytes, std::string& buffer, TextSink* sink, text::Hook& hook, LayoutObserver* observer = nullptr)
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

    Renderer renderer(buffer, sink, observer);
    ReadOptions options;
    options.encoding = input.encoding.c_str();
    // The page as it is when it is valid UTF-8, or its decoded copy.
    options.validUtf8 = input.encoding == "UTF-8";
    try {
        switch (ReadMarkup(input.bytes, renderer, hook, options)) {
        case ReadOutcome::Finished:
            break;
        case ReadOutcome::Cancelled:
            result.outcome = ReadableOutcome::Cancelled;
            break;
        case ReadOutcome::Stopped:
            result.outcome = ReadableOutcome::Stopped;
            break;
        }
        renderer.finish();
    } catch (const SinkRefused&) {
        result.outcome = ReadableOutcome::SinkFailed;
    }
    return result;
}

} // namespace

ReadableResult RenderReadableText(std::string_view bytes, TextSink& sink, text::Hook& hook)
{
    std::string buffer;
    buffer.reserve(kPiece + kPiece / 2);
    return Render(bytes, buffer, &sink, hook);
}

ReadableResult RenderReadableText(std::string_view bytes, std::string& out, text::Hook& hook)
{
    out.clear();
    // The text of a page is hardly ever longer than the page, and room
    // reserved but not written takes no memory; the string then never has to
    // move, which would briefly need its size twice.
    out.reserve(bytes.size());
    return Render(bytes, out, nullptr, hook);
}

ReadableResult RenderReadableText(
    std::string_view bytes, std::string& out, text::Hook& hook, LayoutObserver& observer)
{
    out.clear();
    out.reserve(bytes.size());
    return Render(bytes, out, nullptr, hook, &observer);
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
