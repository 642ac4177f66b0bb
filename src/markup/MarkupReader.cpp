#include "markup/MarkupReader.h"

#include <QByteArrayView>
#include <QString>

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
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

    // With UTF-8 declared or forced, libxml2 passes invalid sequences on as
    // they are; like a browser's decoder we put U+FFFD in their place.
    std::string_view utf8(std::string_view piece, std::size_t slot)
    {
        if (QByteArrayView(piece.data(), qsizetype(piece.size())).isValidUtf8())
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
        if (failure)
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

void OnStart(void* data, const xmlChar* name, const xmlChar** attributes)
{
    Session& session = From(data);
    session.guarded([&] {
        session.attributes.clear();
        std::size_t slot = 1;
        for (const xmlChar** a = attributes; a && a[0]; a += 2, slot += 2)
            session.attributes.push_back({ session.utf8(View(a[0]), slot), session.utf8(View(a[1]), slot + 1) });
        const std::string_view element = session.utf8(View(name), 0);
        session.open.emplace_back(element);
        session.handler.startElement(element, session.attributes);
    });
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
        session.handler.text(session.utf8({ reinterpret_cast<const char*>(text), std::size_t(length) }, 0));
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
    sax.error = Silent;
    sax.warning = Silent;
    sax.fatalError = Silent;
    sax.serror = SilentStructured;
    sax.initialized = XML_SAX2_MAGIC;

    // The push parser does not look for a byte-order mark itself; the mark
    // names the encoding (over any declaration, as in a browser) and is not text.
    xmlCharEncoding encoding = XML_CHAR_ENCODING_NONE;
    xmlCharEncodingHandlerPtr forced = nullptr;
    bool ignoreDeclared = true;
    if (options.encoding) {
        forced = xmlFindCharEncodingHandler(options.encoding);
        if (!forced)
            return ReadOutcome::Stopped;
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
            encoding = QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8() ? XML_CHAR_ENCODING_UTF8
                                                                                           : XML_CHAR_ENCODING_NONE;
        }
    }

    Session session { handler, nullptr, {}, {}, {}, {} };
    std::unique_ptr<htmlParserCtxt, FreeContext> context(
        htmlCreatePushParserCtxt(&sax, &session, nullptr, 0, nullptr, encoding));
    if (!context)
        throw std::bad_alloc();
    session.context = context.get();
    int parseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
        | HTML_PARSE_NODEFDTD | XML_PARSE_HUGE;
    if (ignoreDeclared)
        parseOptions |= HTML_PARSE_IGNORE_ENC;
    htmlCtxtUseOptions(context.get(), parseOptions);
    if (forced && xmlSwitchToEncoding(context.get(), forced) != 0)
        return ReadOutcome::Stopped;
    // A browser does not end the document at </body> or </html>: what follows
    // still goes into the body, and elements open there stay open. libxml2
    // would take nothing more after </html>. It ignores those end tags (and
    // </head>, whose end it also infers from the content) while it counts
    // misplaced <html>/<body>/<head> start tags; a count that never runs out
    // makes it ignore them all.
    context->depth = 1 << 30;

    ReadOutcome outcome = ReadOutcome::Finished;
    std::size_t at = 0;
    do {
        const std::size_t size = std::min(kSlice, bytes.size() - at);
        const bool last = at + size == bytes.size();
        htmlParseChunk(context.get(), bytes.data() + at, int(size), last ? 1 : 0);
        at += size;
        if (session.failure)
            break;
        // The parser halts (and takes no more input) on bytes it cannot
        // decode; the errors it recovers from leave it running.
        if (context->disableSAX) {
            outcome = ReadOutcome::Stopped;
            break;
        }
        if (last) {
            // Bytes left undecoded at the end: the parser gave up on them
            // without saying so.
            const xmlParserInputBufferPtr input = context->input ? context->input->buf : nullptr;
            if (input && (input->error || (input->raw && xmlBufUse(input->raw) > 0)))
                outcome = ReadOutcome::Stopped;
            break;
        }
        hook.yield();
        if (hook.cancelRequested()) {
            outcome = ReadOutcome::Cancelled;
            break;
        }
    } while (true);

    context.reset();
    if (!session.failure && outcome != ReadOutcome::Cancelled)
        session.guarded([&] { session.endAll(); });
    if (session.failure)
        std::rethrow_exception(session.failure);
    return outcome;
}

} // namespace tamsenor::markup
