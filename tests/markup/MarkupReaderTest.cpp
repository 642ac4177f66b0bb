#include "markup/MarkupReader.h"

#include <gtest/gtest.h>

#include <libxml/xmlmemory.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tamsenor::markup;
using tamsenor::text::BasicHook;

namespace {

// Writes the events as markup again: start tags with their attributes, text
// in [], script/style content in {}; adjacent text calls join.
class Trace : public MarkupHandler {
public:
    std::string out;
    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        close();
        out += "<" + std::string(name);
        for (const Attribute& a : attributes)
            out += " " + std::string(a.name) + "=\"" + std::string(a.value) + "\"";
        out += ">";
    }
    void endElement(std::string_view name) override
    {
        close();
        out += "</" + std::string(name) + ">";
    }
    void text(std::string_view utf8) override { add('[', utf8); }
    void rawText(std::string_view utf8) override { add('{', utf8); }
    std::string finish()
    {
        close();
        return out;
    }

private:
    char open_ = 0;
    void add(char kind, std::string_view piece)
    {
        if (open_ != kind) {
            close();
            out += kind;
            open_ = kind;
        }
        out += piece;
    }
    void close()
    {
        if (open_)
            out += open_ == '[' ? ']' : '}';
        open_ = 0;
    }
};

struct Case {
    const char* name;
    std::string input;
    const char* encoding;
    std::string expected;
    ReadOutcome outcome = ReadOutcome::Finished;
};

std::string Repeat(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

const std::string kBody = "<html><body>";
const std::string kEnd = "</body></html>";

const Case kCases[] = {
    { "implied elements and a character reference", "<p>a &amp; b", nullptr, kBody + "<p>[a & b]</p>" + kEnd },
    { "names in lower case, values decoded", "<P CLASS=\"x&lt;y\" Id=z>t</p>", nullptr,
        kBody + "<p class=\"x<y\" id=\"z\">[t]</p>" + kEnd },
    { "white space kept", "<body><pre> a\n\tb </pre>\n</body>", nullptr,
        "<html><body><pre>[ a\n\tb ]</pre>[\n]" + kEnd },
    { "comments and processing instructions left out", "<body>a<!-- c -->b<?pi x?>c", nullptr, kBody + "[abc]" + kEnd },
    { "script content is not markup", "<body><script>if (a<b) x('<p>')</script>", nullptr,
        kBody + "<script>{if (a<b) x('<p>')}</script>" + kEnd },
    { "void element ends at once", "<body><br>x", nullptr, kBody + "<br></br>[x]" + kEnd },
    // The parser reads a NUL as a space and goes on.
    { "NUL byte read through", std::string("<body>a\0b<i>c</i>", 17), nullptr, kBody + "[a b]<i>[c]</i>" + kEnd },
    { "NUL byte between elements", std::string("<p>a</p>\0<b>x</b>", 16), nullptr,
        kBody + "<p>[a]</p>[ ]<b>[x]</b>" + kEnd },
    { "NUL code unit in UTF-16", std::string("\xFF\xFE<\0p\0>\0\0\0<\0b\0>\0x\0", 18), nullptr,
        kBody + "<p>[ ]<b>[x]</b></p>" + kEnd },
    { "numeric references to 0x80-0x9F read as windows-1252", "<p title=\"&#150;&#x80\">&#150;&#X9f;&#129;", nullptr,
        kBody + "<p title=\"\u2013\u20AC\">[\u2013\u0178\u0081]</p>" + kEnd },
    { "numeric references to no character", "<p title=\"a&#0;b\">&#xD800;&#1114112;&#99999999999999999999;&#0x",
        nullptr, kBody + "<p title=\"a\uFFFDb\">[\uFFFD\uFFFD\uFFFD\uFFFDx]</p>" + kEnd },
    { "named references of the standard's list", "<p title=\"a&NewLine;b&nbsp\">x&NewLine;y&nbsp;z&nbsp w&acE;",
        nullptr, kBody + "<p title=\"a\nb\u00A0\">[x\ny\u00A0z\u00A0 w\u223E\u0333]</p>" + kEnd },
    { "a name without its semicolon before = or a letter stays", "<p title=\"?a=1&copy=3&not\">&copy=3 &notit &bogus;",
        nullptr, kBody + "<p title=\"?a=1&copy=3\u00AC\">[&copy=3 &notit &bogus;]</p>" + kEnd },
    { "references in script left as they are", "<script>'&#150;'</script><p>&#150;", nullptr,
        "<html><head><script>{'&#150;'}</script></head><body><p>[\u2013]</p>" + kEnd },
    { "references across the parser's reads", "<body>" + Repeat("&#150;", 3000), nullptr,
        kBody + "[" + Repeat("\u2013", 3000) + "]" + kEnd },
    { "references in a long value across the parser's reads", "<p title=\"" + Repeat("a&#39;", 3000) + "\">x", nullptr,
        kBody + "<p title=\"" + Repeat("a'", 3000) + "\">[x]</p>" + kEnd },
    // Script and style content as the parser gives it: control characters
    // but tab and line ends left out, however long the content.
    { "long script content", "<body><script>" + Repeat("a\x01\tb\x0C", 30000) + "</script>x", nullptr,
        kBody + "<script>{" + Repeat("a\tb", 30000) + "}</script>[x]" + kEnd },
    { "script content: U+FFFE left out, other characters kept",
        "<body><script>a\xEF\xBF\xBE\xC3\xA9\xEF\xBF\xBD\xF0\x9F\x98\x80" "b</script>x", nullptr,
        kBody + "<script>{a\xC3\xA9\xEF\xBF\xBD\xF0\x9F\x98\x80" "b}</script>[x]" + kEnd },
    { "style content past the parser's window", "<style>" + Repeat("p{}", 200000) + "</STYLE >x", nullptr,
        "<html><head><style>{" + Repeat("p{}", 200000) + "}</style></head><body><p>[x]</p></body></html>" },
    { "an end tag that only starts like the script's does not end it", "<body><script>a</scripts>b</script>c", nullptr,
        kBody + "<script>{a /scripts>b}</script>[c]" + kEnd },
    { "script content that starts with an end tag", "<body><div><script></div>a</script>b", nullptr,
        kBody + "<div><script></script></div>[ab]" + kEnd },
    { "script and style content that starts with a tag, which ends only a style if it is <body>",
        "<body><script><div>a</div></script><style><!--b--></style><style><BODY>c</style>d", nullptr,
        kBody + "<script>{<div>a</div>}</script><style>{<!--b-->}</style><style></style>[cd]" + kEnd },
    { "script left open", "<body><script>a<b>c", nullptr, kBody + "<script>{a<b>c}</script>" + kEnd },
    { "self-closed script", "<body><script/>a<b>c</b>", nullptr, kBody + "<script></script>[a]<b>[c]</b>" + kEnd },
    // A value left open runs to the end of the input; its element still ends.
    { "unterminated attribute value", "<body>a<a href=\"x>t</a><b>y", nullptr,
        kBody + "[a]<a href=\"x>t</a><b>y\"></a>" + kEnd },
    // As in a browser, content after </html> goes into the body.
    { "content after the end of the document", "<html><body>a</body></html><div>c</div>", nullptr,
        kBody + "[a]<div>[c]</div>" + kEnd },
    { "an element open at </body> stays open", "<body><b>x</body>y</html> z", nullptr, kBody + "<b>[xy z]</b>" + kEnd },
    { "byte-order mark is not text", "\xEF\xBB\xBF<body>x", nullptr, kBody + "[x]" + kEnd },
    { "UTF-16 by its byte-order mark", std::string("\xFF\xFE<\0b\0>\0\xE9\0", 10), nullptr,
        kBody + "<b>[\xC3\xA9]</b>" + kEnd },
    { "undeclared, valid UTF-8", "<body>\xC3\xA9", nullptr, kBody + "[\xC3\xA9]" + kEnd },
    { "undeclared, not UTF-8", "<body>\xE9t\xE9", nullptr, kBody + "[\xC3\xA9t\xC3\xA9]" + kEnd },
    { "byte-order mark beats the declared charset", "\xEF\xBB\xBF<meta charset=iso-8859-1><body>\xC3\xA9", nullptr,
        "<html><head><meta charset=\"iso-8859-1\"></meta></head><body>[\xC3\xA9]" + kEnd },
    { "declared charset", "<meta charset=iso-8859-1><body>\xE9", nullptr,
        "<html><head><meta charset=\"iso-8859-1\"></meta></head><body>[\xC3\xA9]" + kEnd },
    { "invalid UTF-8 replaced",
        "<body>a\xFF\xC3"
        "b",
        "UTF-8",
        kBody
            + "[a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b]"
            + kEnd },
    { "undecodable bytes stop the parser", "<meta charset=shift_jis><body><b>a</b>\x81\x20<i>b</i>", nullptr,
        "<html><head><meta charset=\"shift_jis\"></meta></head><body><b>[a]</b>" + kEnd, ReadOutcome::Stopped },
    { "forced encoding beats the declared one", "<meta charset=iso-8859-1><body>\xC3\xA9", "UTF-8",
        "<html><head><meta charset=\"iso-8859-1\"></meta></head><body>[\xC3\xA9]" + kEnd },
};

TEST(MarkupReaderTest, EventsInDocumentOrder)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Trace trace;
        BasicHook hook;
        EXPECT_EQ(ReadMarkup(c.input, trace, hook, { c.encoding }), c.outcome);
        EXPECT_EQ(trace.finish(), c.expected);
    }
}

// Long values and runs of text are handed to the parser as placeholders and
// read back from the page: the events must be those of the parser's own
// reading, on every shape of markup it reads in a way of its own.
TEST(MarkupReaderTest, ValuesSetAsideGiveTheParsersEvents)
{
    const std::string v = "a value long enough to be set aside";
    const std::string t = " title=\"" + v + "\"";
    const std::string blanks(40, ' ');
    std::vector<std::string> pages = {
        "<!--[if IE]><script src=\"" + v + "\"></script><![endif]--><p" + t + ">" + v,
        "<!-- <script>" + v + " --><p" + t + ">" + v + "</script>" + v,
        "<p>" + v + "<!-- a --!><b" + t + ">x<!---->" + v + "<!-->" + v + "-->" + v + "<!-- " + v,
        "<!DOCTYPE html PUBLIC \"-//x>y//EN\" 'http://a>b'><p" + t + ">" + v,
        "<!doctype html SYSTEM \"a>" + v + "<p" + t + ">" + v,
        "<!DOCTYPE x]y a>\n " + v + "<!-- c -->\n" + v + "<p>\n" + v,
        "<p>" + v + "<!DOCTYPE html></p><b" + t + ">" + v + "<!DOCTYPE x><!DOCTYPE y \"" + v + ">\"><i" + t + ">",
        "<?xml version=\"1.0\"?><? no target><p" + t + ">" + v + "<?php echo '>'; ?>" + v + "<?\xC3\xA9" + t + ">",
        "<p>" + v + "</p <b" + t + ">" + v + "</ p>" + v + "</3>" + v + "</a" + t + "/>" + v,
        "<meta content=\"" + v + "\" laws\"=\"\" x=\"" + v + "\"><p @click=\"" + v + "\" :a='" + v + "' / b" + t + ">" + v,
        "<script src=\"" + v + "\"/><p" + t + ">" + v + "<script><!--<script>" + v + "</script>--></script><i" + t + ">" + v,
        "<style>" + v + "</styles><p" + t + ">" + v + "</style><b" + t + ">" + v,
        "<style<p>" + v + "</style>\r\n <a" + t + ">" + v + "<script\"x\">" + v + "</script><b" + t + ">",
        "<script>" + v + "</scriptx><p" + t + ">" + v + "</script><b" + t + ">" + v,
        "<script data-x=\"a>b</script>\" src=\"" + v + "\">x</script><p" + t + ">" + v,
        "<style title='</style>" + v + "'>p{}</style><p" + t + ">" + v,
        "<a href=\"" + v + "&amp;" + v + "\" alt='" + v + "<script>" + v + "' data=" + std::string(30, 'u') + ">" + v,
        "<p title='a>" + v + "'>" + v + "<b title = \"" + v + "\"x=" + v.substr(0, 1) + "y" + t + ">",
        "<a href=/x/y/>" + v + "<br class=\"" + v + "\"/><img alt='" + v + "' src=x hidden data-a.b:c=\"1\" alt=\"d\">"
            + "<b CLASS=\"" + v + "\" id=x>" + v + "<i a=\"x\"" + t + " a=\"y\">" + v,
        "<p" + t + "><i _:.0 title=\"" + v + "\">" + v,
        "<html>" + blanks + "<head>" + blanks + "<title>" + v + "</title>" + std::string(1500, ' ') + "</head>"
            + blanks + "&amp;" + v,
        "<html>" + std::string(1200, ' ') + "x" + v,
        "<html>" + blanks + "&amp;x",
        "<html>" + std::string(995, '\n') + v + "<b>x",
        "<p>" + v + "\x01" + v + "<b title=\"" + v + "\x02\">" + v + "\xEF\xBF\xBE" + v + "\x7F" + v,
        "<p" + t + ">\xEF\xB7\x90" "0" + v,
        "<p" + t + ">" + v + "<b>\t\r\t" + blanks + "</b>",
        "<p" + t + ">" + v + "<b>\t\r\t\n</b>" + v + "<i" + t + ">" + v,
        "<p " + std::string(120, 'a') + "=\"" + v + "\"" + t + ">" + v + "<" + std::string(120, 'b') + t + ">" + v,
        "<p title=\"" + v + "\r\n" + v + "\">\r\n" + v + "\r\n" + v + "<b>\r\n" + blanks + "\r\n</b>",
        "<p " + Repeat("a1=\"x\" ", 300) + t + ">" + v + "<i" + t + ">" + v,
        "<p " + Repeat("a1=\"" + v + "\" ", 20) + t + ">" + v,
        "<p>" + v + "<![CDATA[<b" + t + ">]]>" + v,
        "<p" + t,
        "<p title=\"" + v,
        "<p>" + Repeat(v, 3000) + "<b" + t + ">" + v,
        "<P TITLE=\"" + v + "\" Title=\"" + v + "x\"><SCRIPT>" + v + "</SCRIPT >" + v,
        "<p>" + v + std::string("\0", 1) + v + "<b" + t + ">",
    };
    for (const Case& c : kCases)
        pages.push_back(c.input);
    for (const std::string& page : pages) {
        SCOPED_TRACE(page.substr(0, 120));
        Trace parsed, aside;
        BasicHook hook;
        ReadOptions options { "UTF-8" };
        options.valuesAside = false;
        const ReadOutcome outcome = ReadMarkup(page, parsed, hook, options);
        options.valuesAside = true;
        EXPECT_EQ(ReadMarkup(page, aside, hook, options), outcome);
        EXPECT_EQ(aside.finish(), parsed.finish());
    }
}

TEST(MarkupReaderTest, CancelBetweenSlicesStopsReading)
{
    const std::string page = "<body>" + std::string(200 * 1024, 'x') + "<b>late</b>";
    Trace trace;
    BasicHook hook;
    hook.onYield = [](BasicHook& h) { h.cancel = true; };
    EXPECT_EQ(ReadMarkup(page, trace, hook), ReadOutcome::Cancelled);
    EXPECT_EQ(hook.yields, 1);
    EXPECT_EQ(trace.finish().find("<b>"), std::string::npos);
}

// Counts the bytes the parser holds on the heap, through the library's own
// allocation hooks, and keeps the highest count.
struct HeapCount {
    static inline long long now = 0;
    static inline long long peak = 0;
    static void* Malloc(std::size_t size)
    {
        void* p = std::malloc(size);
        Add(p);
        return p;
    }
    static void* Realloc(void* p, std::size_t size)
    {
        Remove(p);
        p = std::realloc(p, size);
        Add(p);
        return p;
    }
    static void Free(void* p)
    {
        Remove(p);
        std::free(p);
    }
    static char* Strdup(const char* s)
    {
        char* p = ::strdup(s);
        Add(p);
        return p;
    }
    static void Add(void* p)
    {
        now += p ? static_cast<long long>(malloc_usable_size(p)) : 0;
        peak = std::max(peak, now);
    }
    static void Remove(void* p) { now -= p ? static_cast<long long>(malloc_usable_size(p)) : 0; }
};

TEST(MarkupReaderTest, ParserKeepsNoCopyOfTheInput)
{
    const std::string text = "<p>" + std::string(16 * 1024 * 1024, 'x');
    const std::string latin = "<p>" + std::string(16 * 1024 * 1024, '\xE9');
    const struct {
        const char* name;
        const std::string& page;
        const char* encoding;
    } cases[] = {
        { "UTF-8", text, "UTF-8" },
        { "converted as it is read", latin, "windows-1252" },
    };
    xmlFreeFunc freeFunc;
    xmlMallocFunc mallocFunc;
    xmlReallocFunc reallocFunc;
    xmlStrdupFunc strdupFunc;
    ASSERT_EQ(xmlMemGet(&freeFunc, &mallocFunc, &reallocFunc, &strdupFunc), 0);
    ASSERT_EQ(xmlMemSetup(HeapCount::Free, HeapCount::Malloc, HeapCount::Realloc, HeapCount::Strdup), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeapCount::now = HeapCount::peak = 0;
        MarkupHandler ignore;
        BasicHook hook;
        EXPECT_EQ(ReadMarkup(c.page, ignore, hook, { c.encoding }), ReadOutcome::Finished);
        // Text runs arrive in small pieces; only the parser's window on the input stays.
        EXPECT_LT(HeapCount::peak, 1024 * 1024);
    }
    xmlMemSetup(freeFunc, mallocFunc, reallocFunc, strdupFunc);
}

TEST(MarkupReaderTest, HandlerExceptionReachesTheCaller)
{
    struct Throwing : MarkupHandler {
        int starts = 0;
        void startElement(std::string_view, std::span<const Attribute>) override
        {
            if (++starts == 2)
                throw std::runtime_error("full");
        }
    } handler;
    BasicHook hook;
    EXPECT_THROW(ReadMarkup("<p>a<p>b<p>c", handler, hook), std::runtime_error);
    EXPECT_EQ(handler.starts, 2);
}

TEST(MarkupReaderTest, UnknownForcedEncodingIsReported)
{
    Trace trace;
    BasicHook hook;
    EXPECT_EQ(ReadMarkup("<p>x", trace, hook, { "no-such-encoding" }), ReadOutcome::Stopped);
}

} // namespace
