#include "markup/MarkupReader.h"

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
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
    // The elements reported open. After some errors (a value left open up to
    // the end of the input) the parser starts an element it never ends; the
    // ends it owes are supplied from here so that every start has one end.
    std::vector<std::string> open;
    std::exception_ptr failure;

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
        for (const xmlChar** a = attributes; a && a[0]; a += 2)
            session.attributes.push_back({ View(a[0]), View(a[1]) });
        session.open.emplace_back(View(name));
        session.handler.startElement(View(name), session.attributes);
    });
}

void OnEnd(void* data, const xmlChar* name)
{
    Session& session = From(data);
    session.guarded([&] { session.end(View(name)); });
}

void OnText(void* data, const xmlChar* text, int length)
{
    Session& session = From(data);
    session.guarded([&] { session.handler.text({ reinterpret_cast<const char*>(text), std::size_t(length) }); });
}

void OnRawText(void* data, const xmlChar* text, int length)
{
    Session& session = From(data);
    session.guarded([&] { session.handler.rawText({ reinterpret_cast<const char*>(text), std::size_t(length) }); });
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
    xmlInitParser();
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
    // names the encoding and is not text.
    xmlCharEncoding encoding = XML_CHAR_ENCODING_NONE;
    xmlCharEncodingHandlerPtr forced = nullptr;
    if (options.encoding) {
        forced = xmlFindCharEncodingHandler(options.encoding);
        if (!forced)
            return ReadOutcome::Stopped;
    } else if (bytes.size() >= 2) {
        const auto* start = reinterpret_cast<const unsigned char*>(bytes.data());
        encoding = xmlDetectCharEncoding(start, int(std::min<std::size_t>(bytes.size(), 4)));
        if (encoding == XML_CHAR_ENCODING_UTF8 && bytes.size() >= 3 && start[0] == 0xEF && start[1] == 0xBB
            && start[2] == 0xBF)
            bytes.remove_prefix(3);
        else if ((encoding == XML_CHAR_ENCODING_UTF16LE && start[0] == 0xFF && start[1] == 0xFE)
            || (encoding == XML_CHAR_ENCODING_UTF16BE && start[0] == 0xFE && start[1] == 0xFF))
            bytes.remove_prefix(2);
        else if (encoding != XML_CHAR_ENCODING_UTF16LE && encoding != XML_CHAR_ENCODING_UTF16BE)
            encoding = XML_CHAR_ENCODING_NONE; // the rest of the detector's guesses are for XML
    }

    Session session { handler, nullptr, {}, {}, {} };
    std::unique_ptr<htmlParserCtxt, FreeContext> context(
        htmlCreatePushParserCtxt(&sax, &session, nullptr, 0, nullptr, encoding));
    if (!context)
        throw std::bad_alloc();
    session.context = context.get();
    int parseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
        | HTML_PARSE_NODEFDTD | XML_PARSE_HUGE;
    if (forced)
        parseOptions |= HTML_PARSE_IGNORE_ENC;
    htmlCtxtUseOptions(context.get(), parseOptions);
    if (forced && xmlSwitchToEncoding(context.get(), forced) != 0)
        return ReadOutcome::Stopped;

    ReadOutcome outcome = ReadOutcome::Finished;
    std::size_t at = 0;
    do {
        const std::size_t size = std::min(kSlice, bytes.size() - at);
        const bool last = at + size == bytes.size();
        const int status = htmlParseChunk(context.get(), bytes.data() + at, int(size), last ? 1 : 0);
        at += size;
        if (session.failure)
            break;
        if (status == XML_PARSER_EOF || status == XML_ERR_INVALID_ENCODING
            || (context->instate == XML_PARSER_EOF && !last)) {
            outcome = ReadOutcome::Stopped;
            break;
        }
        if (last)
            break;
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
