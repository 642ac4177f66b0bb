#include "markup/MarkupReader.h"

#include "markup/CharacterReferences.h"

#include "text/TextBasics.h"

#include <QByteArrayView>
#include <QString>

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tamsenor::markup {

namespace {

constexpr std::size_t kSlice = 64 * 1024;

std::string_view View(const xmlChar* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

struct Session {
    explicit Session(MarkupHandler& h)
        : handler(h)
    {
    }
    MarkupHandler& handler;
    htmlParserCtxtPtr context = nullptr;
    std::vector<Attribute> attributes;
    // Replacements for pieces that are not valid UTF-8, one per name and
    // value; a deque, so that growing it leaves the earlier ones in place.
    std::deque<std::string> repaired;
    // The elements reported open. After some errors (a value left open up to
    // the end of the input) the parser starts an element it never ends; the
    // ends it owes are supplied from here so that every start has one end.
    std::vector<std::string> open;
    std::exception_ptr failure;
    // The input and how far the parser has taken it.
    std::string_view bytes;
    std::size_t given = 0;
    std::size_t nextYield = kSlice;
    text::Hook* hook = nullptr;
    bool cancelled = false;
    // Well-formed UTF-8 read as UTF-8: the parser's text needs no repair.
    bool validInput = false;
    // The content of script and style elements is handed on here, not
    // read by the parser (see SkipRawContent).
    bool skipRaw = false;
    // Attribute lists, long values and runs of text are handed over as placeholders (see ReferenceRewriter).
    bool valuesAside = false;
    // Set for input in an ASCII-compatible encoding, which it hands over.
    std::optional<ReferenceRewriter> rewriter;
    // A NUL code unit in other input and what stands for it (see OnRead).
    std::size_t unit = 1;
    char space[4] = { ' ', 0, 0, 0 };

    // With UTF-8 declared or forced, libxml2 passes invalid sequences on as
    // they are; like a browser's decoder we put U+FFFD in their place.
    std::string_view utf8(std::string_view piece, std::size_t slot)
    {
        if (validInput || QByteArrayView(piece.data(), qsizetype(piece.size())).isValidUtf8())
            return piece;
        if (repaired.size() <= slot)
            repaired.resize(slot + 1);
        repaired[slot] = QString::fromUtf8(piece.data(), qsizetype(piece.size())).toStdString();
        return repaired[slot];
    }

    void end(std::string_view name)
    {
        if (open.empty() || open.back() != name) {
            const auto match = std::find(open.rbegin(), open.rend(), name);
            if (match == open.rend())
                return;
            while (open.back() != name) {
                handler.endElement(open.back());
                open.pop_back();
            }
        }
        handler.endElement(name);
        open.pop_back();
    }

    void endAll()
    {
        while (!open.empty()) {
            handler.endElement(open.back());
            open.pop_back();
        }
    }

    // A handler's exception must not unwind through the C parser: it is kept,
    // the parser is stopped, and the exception is thrown again afterwards.
    template <typename Call> void guarded(Call&& call)
    {
        if (failure || cancelled)
            return;
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
            xmlStopParser(context);
        }
    }
};

Session& From(void* data)
{
    return *static_cast<Session*>(data);
}

// The parser asks for input as it goes and keeps only what it has not parsed
// yet, so reading needs no copy of the page. Between slices the hook runs.
int OnRead(void* data, char* buffer, int length)
{
    Session& session = From(data);
    if (session.failure || session.cancelled || length <= 0)
        return 0;
    if (session.given >= session.nextYield && session.given < session.bytes.size()) {
        session.nextYield = session.given + kSlice;
        try {
            session.hook->yield();
            session.cancelled = session.hook->cancelRequested();
        } catch (...) {
            session.failure = std::current_exception();
        }
        // Stopping the parser from here would free the buffer it is filling;
        // the end of input and no more events do the same safely.
        if (session.failure || session.cancelled) {
            session.context->disableSAX = 1;
            return 0;
        }
    }
    if (session.rewriter) {
        const std::size_t size = session.rewriter->fill(buffer, std::size_t(length));
        session.given = session.rewriter->taken();
        return int(size);
    }
    const std::size_t size = std::min(std::size_t(length), session.bytes.size() - session.given);
    std::memcpy(buffer, session.bytes.data() + session.given, size);
    // Reading as it goes, the parser takes a NUL between two items for the
    // end of the document; it reads one inside text as a space, so every NUL
    // is given as a space.
    for (char* nul = buffer; (nul = static_cast<char*>(std::memchr(nul, 0, size - (nul - buffer))));) {
        const std::size_t at = session.given + std::size_t(nul - buffer);
        const std::size_t start = at - at % session.unit;
        if (start + session.unit <= session.bytes.size()
            && std::all_of(session.bytes.begin() + start, session.bytes.begin() + start + session.unit,
                [](char c) { return c == 0; }))
            *nul = session.space[at - start];
        ++nul;
    }
    session.given += size;
    return int(size);
}

// How wide the code units of an encoding are, and a space in them.
void SetUnit(Session& session, std::string_view name)
{
    const auto starts = [&](std::string_view prefix) {
        return name.size() >= prefix.size()
            && std::equal(prefix.begin(), prefix.end(), name.begin(),
                [](char p, char n) { return p == (n >= 'a' && n <= 'z' ? n - 'a' + 'A' : n); });
    };
    if (starts("UTF-16") || starts("UTF16") || starts("UCS-2") || starts("UCS2") || starts("UNICODE"))
        session.unit = 2;
    else if (starts("UTF-32") || starts("UTF32") || starts("UCS-4") || starts("UCS4"))
        session.unit = 4;
    else
        return;
    // Without an order named, iconv reads big-endian.
    const bool little = name.find("LE") != std::string_view::npos || name.find("le") != std::string_view::npos;
    std::fill(std::begin(session.space), std::end(session.space), 0);
    session.space[little ? 0 : session.unit - 1] = ' ';
}

int OnClose(void*)
{
    return 0;
}

// A browser does not end the document at </body> or </html>: what follows
// still goes into the body, and elements open there stay open. libxml2 would
// take nothing more after </html>. It ignores those end tags (and </head>,
// whose end it also infers from the content) while it counts misplaced
// <html>/<body>/<head> start tags; a count that never runs out makes it
// ignore them all. The count is reset when parsing starts, hence here.
void OnStartDocument(void* data)
{
    From(data).context->depth = 1 << 30;
}

// How deep elements nest, as in browsers (which put a deeper element beside
// its parent): libxml2 looks an end tag up through every open element, which
// would take time with the square of the depth.
constexpr int kMaxDepth = 512;

void OnRawText(void* data, const xmlChar* text, int length);

// How far ahead of a script or style element the reader looks for its end
// tag, and how much it takes from the input at a time while it looks.
constexpr std::size_t kRawWindow = 1 << 20;
constexpr int kRawStep = 64 * 1024;

// Whether the well-formed UTF-8 sequence of `length` bytes at `p` is a
// character XML allows, which libxml2 passes on: not a control other than
// tab and line ends, nor U+FFFE or U+FFFF (surrogates are not well-formed).
bool IsXmlCharacter(const xmlChar* p, std::size_t length)
{
    if (length == 1)
        return *p >= 0x20 || *p == '\t' || *p == '\n' || *p == '\r';
    return !(length == 3 && p[0] == 0xEF && p[1] == 0xBF && p[2] >= 0xBE);
}

// The end of the run from `p` (before `end`) of printable ASCII, tabs and line ends.
const xmlChar* PlainRun(const xmlChar* p, const xmlChar* end)
{
    while (p < end) {
        std::uint64_t word;
        if (end - p >= 8) {
            std::memcpy(&word, p, 8);
            // Neither a byte of 0x80 or more nor (with all below 0x80) one below 0x20.
            if (((word | (word - 0x2020202020202020ull)) & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        // Byte by byte for these eight (a line end is one of them, most often).
        for (const xmlChar* stop = p + std::min<std::ptrdiff_t>(8, end - p); p < stop; ++p)
            if (!((*p >= 0x20 && *p < 0x80) || *p == '\t' || *p == '\n' || *p == '\r'))
                return p;
    }
    return p;
}

// Whether a tag at the start of script or style content (`tag`: what
// follows its '<', up to the end tag) may end the element before its content
// is read: an end tag, or a start tag whose name ends it to libxml2 (on any
// open elements, measured: <body> and <frameset> end a style, <noscript> a
// script). A name is compared by its start only, so longer ones count too.
bool MayEndRaw(std::string_view name, const xmlChar* tag)
{
    if (*tag == '/')
        return true;
    const auto startsWith = [&](std::string_view word) {
        return xmlStrncasecmp(tag, reinterpret_cast<const xmlChar*>(word.data()), int(word.size())) == 0;
    };
    if (name == "style")
        return startsWith("body") || startsWith("frameset");
    return startsWith("noscript");
}

// Right after the start tag of a script or style element: libxml2 would
// read its content one character at a time through several calls each,
// which takes a quarter of the time of reading a real page. When the content
// and its end tag are in the parser's window (widened up to kRawWindow), it
// is handed on here in the pieces libxml2 gives (characters it leaves out
// left out, at most about 1000 bytes each), and the parser is moved on to
// the end tag, as if the element had no content. Anything unusual (the
// content starts with an end tag or with a tag that ends the element, bytes
// that are not UTF-8, no end tag in reach) leaves the content to the parser.
void SkipRawContent(Session& session, std::string_view name)
{
    htmlParserCtxtPtr context = session.context;
    xmlParserInputPtr input = context ? context->input : nullptr;
    if (!input || !input->buf || !input->buf->buffer || context->charset != XML_CHAR_ENCODING_UTF8
        || context->recovery == 0 || context->disableSAX || input->cur >= input->end || *input->cur != '>')
        return;
    // The element libxml2 reads as raw text is the one it has open.
    if (!context->name || View(context->name) != name)
        return;
    const auto endTag = [&](const xmlChar* p) {
        return p + 2 + name.size() <= input->end && p[1] == '/'
            && xmlStrncasecmp(context->name, p + 2, int(name.size())) == 0;
    };
    std::size_t from = 1;
    const xmlChar* close = nullptr;
    for (;;) {
        const std::size_t available = std::size_t(input->end - input->cur);
        while (from < available) {
            const auto* p = static_cast<const xmlChar*>(std::memchr(input->cur + from, '<', available - from));
            if (!p) {
                from = available;
                break;
            }
            if (std::size_t(input->end - p) < 2 + name.size())
                break; // maybe an end tag cut short: looked at again with more
            if (endTag(p)) {
                close = p;
                break;
            }
            from = std::size_t(p - input->cur) + 1;
        }
        if (close || available > kRawWindow || session.failure || session.cancelled)
            break;
        // More of the input, as the parser itself takes it; the window moves.
        const std::ptrdiff_t at = input->cur - input->base;
        const int grown = xmlParserInputBufferGrow(input->buf, kRawStep);
        const xmlChar* content = xmlBufContent(input->buf->buffer);
        input->base = content;
        input->cur = content + at;
        input->end = xmlBufEnd(input->buf->buffer);
        if (grown <= 0 || context->disableSAX)
            break;
    }
    // Content that starts with a reference or a tag that may end the element is read otherwise.
    if (!close || close - input->cur < 3 || input->cur[1] == '&' || (input->cur[1] == '<' && MayEndRaw(name, input->cur + 2)))
        return;
    // First every character is checked, so that nothing is given unless all is.
    const xmlChar* const first = input->cur + 1;
    if (!text::IsValidUtf8({ reinterpret_cast<const char*>(first), std::size_t(close - first) }))
        return;
    // Then it is given as the parser gives it: in pieces of the first 1000
    // bytes or more, characters that are not XML characters left out.
    constexpr std::size_t kPiece = 1000;
    xmlChar piece[kPiece + 8];
    std::size_t filled = 0;
    for (const xmlChar* p = first; p < close;) {
        const xmlChar* const run = PlainRun(p, p + std::min<std::size_t>(std::size_t(close - p), kPiece - filled));
        if (run > p) {
            std::memcpy(piece + filled, p, std::size_t(run - p));
            filled += std::size_t(run - p);
            p = run;
        } else {
            const std::size_t length
                = text::NextUtf8({ reinterpret_cast<const char*>(p), std::size_t(close - p) }).length;
            if (IsXmlCharacter(p, length)) {
                std::memcpy(piece + filled, p, length);
                filled += length;
            }
            p += length;
        }
        if (filled >= kPiece) {
            OnRawText(&session, piece, int(filled));
            filled = 0;
        }
    }
    if (filled > 0)
        OnRawText(&session, piece, int(filled));
    // The parser takes the '>' of the start tag next, then the end tag.
    xmlChar* last = const_cast<xmlChar*>(close) - 1;
    *last = '>';
    input->cur = last;
}

void OnStart(void* data, const xmlChar* name, const xmlChar** attributes)
{
    Session& session = From(data);
    htmlParserCtxtPtr context = session.context;
    if (context && context->nameNr > kMaxDepth && !session.failure && !session.cancelled) {
        // The parser has just taken this element as the child of the
        // deepest one; that one ends here instead, and this takes its place.
        const xmlChar* parent = context->nameTab[context->nameNr - 2];
        context->nameTab[context->nameNr - 2] = context->nameTab[context->nameNr - 1];
        --context->nameNr;
        session.guarded([&] { session.end(session.utf8(View(parent), 0)); });
    }
    session.guarded([&] {
        session.attributes.clear();
        std::size_t slot = 1;
        if (session.valuesAside && attributes && attributes[0] && !attributes[1] && !attributes[2]
            && session.rewriter->attributesFor(View(attributes[0]), session.attributes))
            attributes = nullptr; // they were set aside together
        for (const xmlChar** a = attributes; a && a[0]; a += 2, slot += 2) {
            std::string_view value = session.utf8(View(a[1]), slot + 1);
            if (session.valuesAside)
                value = session.rewriter->valueFor(value);
            session.attributes.push_back({ session.utf8(View(a[0]), slot), value });
        }
        const std::string_view element = session.utf8(View(name), 0);
        session.open.emplace_back(element);
        session.handler.startElement(element, session.attributes);
    });
    if (session.skipRaw && (View(name) == "script" || View(name) == "style"))
        SkipRawContent(session, View(name));
}

void OnEnd(void* data, const xmlChar* name)
{
    Session& session = From(data);
    session.guarded([&] { session.end(session.utf8(View(name), 0)); });
}

void OnText(void* data, const xmlChar* text, int length)
{
    Session& session = From(data);
    session.guarded([&] {
        std::string_view piece = session.utf8({ reinterpret_cast<const char*>(text), std::size_t(length) }, 0);
        if (session.valuesAside)
            piece = session.rewriter->valueFor(piece);
        session.handler.text(piece);
    });
}

void OnRawText(void* data, const xmlChar* text, int length)
{
    Session& session = From(data);
    session.guarded([&] {
        session.handler.rawText(session.utf8({ reinterpret_cast<const char*>(text), std::size_t(length) }, 0));
    });
}

void Silent(void*, const char*, ...)
{
}
void SilentStructured(void*, xmlErrorPtr)
{
}

// libxml2 reports some problems through its per-thread generic channel
// rather than the parser's; nothing may reach stderr while we read.
class QuietErrors {
public:
    QuietErrors()
        : generic_(xmlGenericError)
        , genericContext_(xmlGenericErrorContext)
        , structured_(xmlStructuredError)
        , structuredContext_(xmlStructuredErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, Silent);
        xmlSetStructuredErrorFunc(nullptr, SilentStructured);
    }
    ~QuietErrors()
    {
        xmlSetGenericErrorFunc(genericContext_, generic_);
        xmlSetStructuredErrorFunc(structuredContext_, structured_);
    }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    xmlGenericErrorFunc generic_;
    void* genericContext_;
    xmlStructuredErrorFunc structured_;
    void* structuredContext_;
};

struct FreeContext {
    void operator()(htmlParserCtxtPtr context) const { htmlFreeParserCtxt(context); }
};

} // namespace

ReadOutcome ReadMarkup(std::string_view bytes, MarkupHandler& handler, text::Hook& hook, const ReadOptions& options)
{
    // Readers may run on several threads at once; the library's set-up must not.
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    QuietErrors quiet;

    htmlSAXHandler sax {};
    sax.startElement = OnStart;
    sax.endElement = OnEnd;
    sax.characters = OnText;
    // White space the parser deems ignorable is still text to a browser.
    sax.ignorableWhitespace = OnText;
    sax.cdataBlock = OnRawText;
    sax.startDocument = OnStartDocument;
    sax.error = Silent;
    sax.warning = Silent;
    sax.fatalError = Silent;
    sax.serror = SilentStructured;
    sax.initialized = XML_SAX2_MAGIC;

    // The byte-order mark is handled here, before the parser sees it: the mark
    // names the encoding (over any declaration, as in a browser) and is not text.
    xmlCharEncoding encoding = XML_CHAR_ENCODING_NONE;
    xmlCharEncodingHandlerPtr forced = nullptr;
    bool ignoreDeclared = true;
    // Whether the text can only be well-formed UTF-8: the parser passes on
    // the bytes of a UTF-8 page as they are (and a declaration met on the
    // way makes it convert, which gives UTF-8 too).
    bool validInput = false;
    if (options.encoding) {
        forced = xmlFindCharEncodingHandler(options.encoding);
        if (!forced)
            return ReadOutcome::Stopped;
        if (std::string_view(forced->name) == "UTF-8")
            validInput = options.validUtf8 || QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8();
    } else {
        const auto* start = reinterpret_cast<const unsigned char*>(bytes.data());
        if (bytes.size() >= 2)
            encoding = xmlDetectCharEncoding(start, int(std::min<std::size_t>(bytes.size(), 4)));
        if (encoding == XML_CHAR_ENCODING_UTF8 && bytes.size() >= 3 && start[0] == 0xEF && start[1] == 0xBB
            && start[2] == 0xBF) {
            bytes.remove_prefix(3);
        } else if ((encoding == XML_CHAR_ENCODING_UTF16LE && start[0] == 0xFF && start[1] == 0xFE)
            || (encoding == XML_CHAR_ENCODING_UTF16BE && start[0] == 0xFE && start[1] == 0xFF)) {
            bytes.remove_prefix(2);
        } else if (encoding != XML_CHAR_ENCODING_UTF16LE && encoding != XML_CHAR_ENCODING_UTF16BE) {
            // Left to itself the parser reads an undeclared page as
            // ISO-8859-1 from its first non-ASCII byte on; a page on disk
            // that is valid UTF-8 is meant as UTF-8. A declaration still wins.
            ignoreDeclared = false;
            validInput = QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8();
            encoding = validInput ? XML_CHAR_ENCODING_UTF8 : XML_CHAR_ENCODING_NONE;
        }
    }

    Session session(handler);
    session.validInput = validInput;
    session.bytes = bytes;
    session.hook = &hook;
    // A context with no input yet, given our handler and a stream that
    // pulls from `bytes`.
    std::unique_ptr<htmlParserCtxt, FreeContext> context(htmlNewParserCtxt());
    if (!context || !context->sax)
        throw std::bad_alloc();
    *context->sax = sax;
    context->userData = &session;
    session.context = context.get();
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateIO(OnRead, OnClose, &session, XML_CHAR_ENCODING_NONE);
    if (!buffer)
        throw std::bad_alloc();
    xmlParserInputPtr stream = xmlNewIOInputStream(context.get(), buffer, XML_CHAR_ENCODING_NONE);
    if (!stream) {
        xmlFreeParserInputBuffer(buffer);
        throw std::bad_alloc();
    }
    inputPush(context.get(), stream);
    int parseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
        | HTML_PARSE_NODEFDTD | XML_PARSE_HUGE;
    if (ignoreDeclared)
        parseOptions |= HTML_PARSE_IGNORE_ENC;
    htmlCtxtUseOptions(context.get(), parseOptions);
    if (forced)
        SetUnit(session, options.encoding);
    else if (encoding == XML_CHAR_ENCODING_UTF16LE)
        SetUnit(session, "UTF-16LE");
    else if (encoding == XML_CHAR_ENCODING_UTF16BE)
        SetUnit(session, "UTF-16BE");
    // Character references libxml2 reads otherwise than a browser are
    // written out the browser's way as the page is handed over.
    if (session.unit == 1 && (!forced || IsAsciiCompatible(options.encoding)))
        session.rewriter.emplace(bytes);
    session.skipRaw = validInput && session.rewriter;
    // Only where the parser takes the bytes as they are whatever the page
    // declares, so that a value read from the page is what it would give.
    if (session.skipRaw && ignoreDeclared && options.valuesAside) {
        session.rewriter->setValuesAside();
        session.valuesAside = true;
    }
    if (forced && validInput && std::string_view(forced->name) == "UTF-8") {
        // Well-formed UTF-8 is what the parser reads without a decoder, and
        // the declared encoding is ignored: no conversion that copies the page once more.
        if (xmlSwitchEncoding(context.get(), XML_CHAR_ENCODING_UTF8) != 0)
            return ReadOutcome::Stopped;
    } else if (forced) {
        if (xmlSwitchToEncoding(context.get(), forced) != 0)
            return ReadOutcome::Stopped;
    } else if (encoding != XML_CHAR_ENCODING_NONE && xmlSwitchEncoding(context.get(), encoding) != 0) {
        return ReadOutcome::Stopped;
    }

    htmlParseDocument(context.get());

    ReadOutcome outcome = ReadOutcome::Finished;
    if (session.cancelled) {
        outcome = ReadOutcome::Cancelled;
    } else if (!session.failure) {
        // The parser halts on bytes it cannot decode (or leaves them
        // undecoded at the end) without saying so.
        const xmlParserInputBufferPtr input = context->input ? context->input->buf : nullptr;
        if (session.given < bytes.size() || context->disableSAX
            || (input && (input->error || (input->raw && xmlBufUse(input->raw) > 0))))
            outcome = ReadOutcome::Stopped;
    }

    context.reset();
    session.context = nullptr; // a handler that throws below has no parser left to stop
    if (!session.failure && outcome != ReadOutcome::Cancelled)
        session.guarded([&] { session.endAll(); });
    if (session.failure)
        std::rethrow_exception(session.failure);
    return outcome;
}

} // namespace tamsenor::markup
