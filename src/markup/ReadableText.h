#pragma once

#include "markup/MarkupReader.h"
#include "markup/PageEncoding.h"
#include "text/Hook.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tamsenor::markup {

// Where the readable text goes as it is made, in pieces of up to about 64 KiB.
class TextSink {
public:
    virtual ~TextSink() = default;
    // Takes the next piece; false when it could not be kept (the rendering then stops).
    virtual bool write(std::string_view utf8) = 0;
};

enum class ReadableOutcome {
    Finished, // the whole page was read
    Cancelled, // the hook asked to stop; the text so far was delivered
    Stopped, // the parser gave up before the end; the text up to there was delivered
    Unsupported, // the page's encoding cannot be decoded here; nothing was delivered
    SinkFailed, // the sink refused a piece; rendering stopped there
};

struct ReadableResult {
    ReadableOutcome outcome = ReadableOutcome::Finished;
    PageEncoding encoding; // the encoding the page was read in, and how it was learnt
};

// The text of an HTML page as a browser shows it: its body's innerText under
// the browser's default styles, in UTF-8 with LF line ends. The encoding is
// decided as SniffPageEncoding does; bytes that do not fit it become U+FFFD.
// The page's own CSS (style elements and style="" attributes, see
// PageStyles) decides what is shown, on lines of its own and in which letters;
// noscript is shown, as by a browser with scripts off. Left out: head, script, style, template,
// comments, elements marked hidden, the content of a closed details but its
// summary, and the text of textareas, inputs and images (innerText has none;
// they only keep the spaces beside them). Block elements stand on their own
// lines, a paragraph is set off by one blank line (runs of such breaks merge
// as in the browser), <br> ends a line, table cells are separated by a tab
// and rows by a line end; white space collapses as in normal flow except
// inside pre, listing, xmp and plaintext. Never fails on bad markup: the
// parser recovers as browsers mostly do. Memory beyond the input: the
// text (here only a piece of up to 64 KiB at a time, or all of it for a page
// of up to 64 MiB with a style sheet, which may be laid out twice), the
// reader's events for such a page, and a UTF-8 copy of the page when some of
// its bytes do not fit its encoding. Yields to the hook between
// slices of the input; on cancel the text so far has been delivered.
// Example: "<h1>Title</h1><p>One &amp;\n two</p><p>x<br>y" -> "Title\n\nOne & two\n\nx\ny".
// `sheets`, when given, reads the style sheets the page links
// (<link rel=stylesheet href=...> for media that apply): it is given the
// href as written and returns the sheet's text, or nothing when it is not to
// be read; a sheet so read counts where its link stands.
using SheetLoader = std::function<std::optional<std::string>(std::string_view href)>;
ReadableResult RenderReadableText(
    std::string_view bytes, TextSink& sink, text::Hook& hook, const SheetLoader& sheets = {});

// The same into a string (cleared first), which holds the whole text.
ReadableResult RenderReadableText(
    std::string_view bytes, std::string& out, text::Hook& hook, const SheetLoader& sheets = {});

// Told how the shown elements lie in the text as it is made, for a reading
// of that text (MainText). `at` is the length of the text made until then;
// line ends still pending at a start are written inside the element.
class LayoutObserver {
public:
    virtual ~LayoutObserver() = default;
    // An element that is shown starts (hidden ones and their content are not told).
    virtual void open(std::string_view name, std::span<const Attribute> attributes, std::size_t at) = 0;
    // Its end, once for every open.
    virtual void close(std::string_view name, std::size_t at) = 0;
    // The content of a <script type="application/ld+json">, which is not
    // shown, in one call or more; then its end.
    virtual void linkedData(std::string_view utf8) { (void)utf8; }
    virtual void linkedDataEnd() { }
    // The page is read again from its start (a style sheet came after what it styles): forget it all.
    virtual void restart() = 0;
};

// The same into a string, telling `observer` the layout as it goes.
ReadableResult RenderReadableText(std::string_view bytes, std::string& out, text::Hook& hook,
    LayoutObserver& observer, const SheetLoader& sheets = {});

// The browser's name of the encoding with how it was learnt, for a log line.
// Example: {"windows-1252", Detected} -> "windows-1252 (detected)".
std::string DescribeEncoding(const PageEncoding& encoding);

} // namespace tamsenor::markup
