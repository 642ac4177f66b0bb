#pragma once

// The markup layer (src/markup): HTML read by libxml2, links, page encodings and the readable text.

#include "text/Hook.h"

#include <span>
#include <string_view>

namespace tamsenor::markup {

// One attribute of a start tag as a browser would see it.
struct Attribute {
    std::string_view name; // lower case
    std::string_view value; // UTF-8, character references decoded; "" for an attribute without a value
};

// Receives the events of ReadMarkup in document order. The views are valid
// only during the call. A handler may throw; reading then stops and the
// exception reaches the caller of ReadMarkup.
class MarkupHandler {
public:
    virtual ~MarkupHandler() = default;
    // Also for the elements the parser implies (html, body, p, ...).
    virtual void startElement(std::string_view name, std::span<const Attribute> attributes)
    {
        (void)name;
        (void)attributes;
    }
    // Also for the elements closed implicitly and for void elements (right
    // after their start). Unless reading is cancelled, every start gets
    // exactly one end, properly nested.
    virtual void endElement(std::string_view name) { (void)name; }
    // Character data in UTF-8, white space exactly as in the document; one run
    // of text may arrive in several calls.
    virtual void text(std::string_view utf8) { (void)utf8; }
    // The content of script and style elements, which is not markup.
    virtual void rawText(std::string_view utf8) { (void)utf8; }
};

struct ReadOptions {
    // nullptr: the byte-order mark, else the document's own <meta> charset,
    // else UTF-8 when the bytes are valid UTF-8, else ISO-8859-1.
    // A name such as "UTF-8" or "windows-1252": the bytes are in that
    // encoding whatever the document declares.
    const char* encoding = nullptr;
    // With encoding "UTF-8": the caller vouches that the bytes are
    // well-formed UTF-8, so the reader need not check the text for bytes to
    // replace (it checks the whole input once otherwise).
    bool validUtf8 = false;
    // In well-formed UTF-8, attribute lists, long values and runs of text are
    // read without the parser's taking them character by character (the
    // events are the same); false makes the parser read them, to compare the two.
    bool valuesAside = true;
};

enum class ReadOutcome {
    Finished, // every byte was read
    Cancelled, // the hook asked to stop; the events so far were delivered
    Stopped, // the parser gave up early (bytes not valid in the document's
             // encoding, or an encoding it does not know); the events so far were delivered
};

// Reads `bytes` as HTML the way a browser's parser recovers from errors and
// calls `handler` for each element start and end, run of text and run of
// script/style content; comments, processing instructions and the doctype
// are not reported. As in a browser, </body> and </html> end nothing: what
// follows them is read into the body. The parser takes the input as it goes
// and keeps no copy of it, only a window of a few KiB (up to about 1 MiB
// ahead of a script or style element, whose content is then handed on
// from there without the parser's reading it); after every 64 KiB it
// takes, hook.yield() and hook.cancelRequested() are called. A NUL reads as
// a space. Character references are read as a browser reads them (those to
// 0x80-0x9F as windows-1252, those to no character as U+FFFD, every name of
// the standard's list) except in pages in UTF-16 or an encoding with escape
// modes, where libxml2's own reading (HTML 4 names only) stands. Prints nothing.
// Example: "<p>a &amp; b" -> start html, start body, start p, text "a & b",
// end p, end body, end html.
ReadOutcome ReadMarkup(
    std::string_view bytes, MarkupHandler& handler, text::Hook& hook, const ReadOptions& options = {});

} // namespace tamsenor::markup
