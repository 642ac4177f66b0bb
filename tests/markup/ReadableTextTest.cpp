#include "markup/ReadableText.h"
#include "text/TextBasics.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace tamsenor::markup;
using tamsenor::text::BasicHook;

namespace {

struct Layout {
    const char* name;
    std::string html;
    std::string text;
};

// The expected texts are what the browser's document.body.innerText gives for
// the same markup (scripts off, no style sheet).
const Layout kLayouts[] = {
    { "paragraphs and headings", "<h1>H</h1><p>para</p><h2>H2</h2>text<ul><li>one</li><li>two</li></ul>",
        "H\n\npara\n\nH2\ntext\none\ntwo" },
    { "white space across inline elements", "<body>a <span> b </span> c<div> d </div> e <b>f</b><i> g</i>",
        "a b c\nd\ne f g" },
    { "line breaks add to block breaks", "<p>a</p><br><p>b</p><div><br></div><div>c<br><br></div>d",
        "a\n\n\n\n\nb\n\n\n\nc\n\n\nd" },
    { "pre keeps its white space", "<pre>\nline1\n  line2\r\n\tx\n</pre>after", "line1\n  line2\n\tx\n\nafter" },
    { "nested lists and quotes", "<ul><li><p>a</p></li><li>b</li></ul><blockquote><p>q</p></blockquote><hr><p>e</p>",
        "a\n\nb\n\nq\n\ne" },
    { "definition list", "<dl><dt>term<dd><p>def p</p><pre>code\n</pre></dl><p>x</p>", "term\n\ndef p\n\ncode\n\n\nx" },
    { "table cells and rows",
        "<table><caption>cap</caption><thead><tr><th>h1</th><th>h2</th></tr></thead>"
        "<tbody><tr><td> c1 </td><td></td></tr></tbody></table>",
        "cap\nh1\th2\nc1\t" },
    { "paragraph in a cell", "<table><tr><td><p>a</p></td><td>x</td></tr><tr><td>b</td></tr></table>c",
        "a\n\n\tx\nb\nc" },
    { "table in a table", "<table><tr><td>a<table><tr><td>b<td>c</table><td>d</table>", "a\nb\tc\n\td" },
    { "left out",
        "<head><title>T</title><style>p{}</style></head><body><script>x()</script><template>t</template>"
        "<!-- c --><p hidden>h</p><textarea>ta</textarea>shown<img src=a.png alt=alt>"
        "<input value=v></body>",
        "shown" },
    { "spaces beside boxes stay",
        "<body><p>a <img src=x> b</p><div><input> <input></div>z<p>x <img src=x></p><p><img src=x> y"
        "<input type=hidden> </p>c <button> ok </button> d<select><option>o1<option>o2</select>",
        "a  b\n\n \nz\n\nx \n\n y\n\nc ok d\no1\no2" },
    { "elements the parser does not know to be empty",
        "<body>k<embed> l<wbr>m <textarea>t</textarea> <iframe>f</iframe> n", "k lm   n" },
    { "closed details show their summary",
        "<body><details><summary>S</summary>hidden <b>part</b><p>more</details>"
        "<details open><summary>S2</summary>shown</details>",
        "S\nS2\nshown" },
    { "a replaced element in a closed summary", "<body><details><summary>S <svg></svg></summary><p>x</p></details>after",
        "S \nafter" },
    { "text after the end of the document", "<html><body><p>a</p></body></html>\n<p>b</p>c", "a\n\nb\n\nc" },
    { "display math on lines of its own",
        "<p>so <math><mi>x</mi></math> and<math display=\"block\"><mi>y</mi><mo>=</mo><mn>1</mn></math>then",
        "so x and\ny=1\nthen" },
    { "character references", "<p>a&lt;b&gt;&quot;&#233;&#x20AC;&copy;&nbsp;&amp;z", "a<b>\"é€©\u00A0&z" },
};

// The page's own CSS, scripts off: the texts are the browser's innerText of
// the same markup, laid out in a window 1280 pixels wide.
const Layout kStyled[] = {
    { "a class rule hides a block", "<style>.x{display:none}</style><p>a</p><p class=x>hidden</p><p>b</p>", "a\n\nb" },
    { "property names in capitals and spaced from their colon",
        "<style>.x{color:red;DISPLAY\n :none}</style><p class=x>hidden</p><p style=\"Visibility :hidden\">gone</p>b", "b" },
    { "style attributes without a value", "<p style>a</p><p style=\"\">b</p>", "a\n\nb" },
    { "a child selector makes a block", "<style>#i > span.y {display:block}</style><div id=i>a<span class=y>b</span>c<span>d</span></div>",
        "a\nb\ncd" },
    { "attribute selectors",
        "<style>[data-x=\"1\"]{display:none} a[href^=\"http\"]{display:block}</style>q<span data-x=1>gone</span>"
        "<a href=\"http://e\">link</a>z",
        "q\nlink\nz" },
    { "pseudo-classes and elements do not apply",
        "<style>p::before{content:\"X\";display:block} li:hover{display:none} .n:not(.a){display:none}</style>"
        "<p>para</p><ul><li>item</li></ul><p class=\"n a\">na</p>",
        "para\n\nitem\n\nna" },
    { "plain selectors apply beside unreadable pseudo-classes; an escaped colon is no pseudo-class",
        "<style>.a, b:not(.c) .d, li:nth-child(n + 2){display:none} .md\\:x, /* : */ .y{display:none}</style>"
        "<p class=a>A</p><p class=\"md:x\">M</p><p class=y>Y</p>ok",
        "ok" },
    { "escapes: a selector ending in an escaped space, brackets that open nothing",
        "<style>.a\\ , i{display:none} \\( {} .c {} .d\\) {display:none}</style><i>I</i><p class=c>C</p>"
        "<p class=\"d)\">D</p>ok",
        "C\n\nok" },
    { "a value is one keyword, comments and spaces aside; several words or a string are none",
        "<style>.a{display:/*x*/NONE ! Important} .a{display:block} .b{display:none foo} .c{display:\"none\"}</style>"
        "<p class=a>A</p><p class=b>B</p><p class=c>C</p><p style=\"display: none!important\">D</p>",
        "B\n\nC" },
    { "specificity", "<style>div p{display:none} p.keep{display:block}</style><div><p>gone</p><p class=keep>kept</p></div>",
        "kept" },
    { "style attribute beats the sheet",
        "<style>.a{display:none}</style><p class=a style=\"display:block\">shown</p><p class=a>gone</p>", "shown" },
    { "important and inherited visibility",
        "<style>body{visibility:hidden !important}</style><body style=\"visibility:visible\">x<div>hid</div>"
        "<p style=\"visibility:visible\">shown</p>",
        "shown" },
    { "a visible child of a hidden block",
        "<style>div.h{visibility:hidden}</style><div class=h>gone<p><span style=\"visibility:visible\">kept</span></p></div>"
        "after",
        "keptafter" },
    { "an unreadable rule is dropped alone",
        "<style>.a{display:none} .b:not(.c .d){display:none} .c{display:none} @media screen and (width > 10px) "
        "{.x{color:red}} .e{display:none}</style><p class=a>A</p><p class=c>C</p><p class=e>E</p>ok",
        "ok" },
    { "media print and widths",
        "<style>@media print{.p{display:none}} @media screen and (max-width:600px){.m{display:none}} "
        "@media (min-width: 900px){.d{display:none}}</style><p class=p>print-hidden</p><p class=m>mobile</p>"
        "<p class=d>desktop-hidden</p>",
        "print-hidden\n\nmobile" },
    { "a repeated selector keeps each declaration's place",
        "<style>.a{display:none} .b{display:block} .a{display:none} .c{display:none} .d{display:block} "
        ".c{text-transform:uppercase}</style><p class=\"a b\">one</p><p class=\"c d\">two</p>end",
        "TWO\n\nend" },
    { "a repeated selector and important",
        "<style>.e{display:none !important} .f{display:block !important} .e{display:block}</style>"
        "<p class=\"e f\">three</p><p class=e>four</p>end",
        "three\n\nend" },
    { "many rules for one class, each under other ancestors",
        "<style>.x .a{display:none} .y .a{text-transform:uppercase} .z .a{display:block} .v .a{display:none} "
        ".w .a{display:none} .u .a{display:none}</style><div class=y><p class=a>up</p></div><div class=x><p class=a>"
        "gone</p></div><div class=\"z v\"><p class=a>also gone</p></div>end",
        "UP\n\nend" },
    { "a sheet after what it styles", "<p class=late>before</p><style>.late{display:none}</style><p class=late>after</p>x",
        "x" },
    { "a hidden root gives the text content", "<style>html{display:none}</style><body><p>a   b</p><script>s()</script>",
        "a   bs()" },
    { "table display values",
        "<style>.t{display:table}.r{display:table-row}.c{display:table-cell}</style><div class=t><div class=r>"
        "<div class=c>1</div><div class=c>2</div></div><div class=r><span class=c>3</span><span class=c>4</span></div></div>",
        "1\t2\n3\t4" },
    { "text-transform", "<style>h1{text-transform:uppercase}.c{text-transform:capitalize}</style><h1>title \u00e9 \u00df</h1>"
        "<p class=c>hello wide world</p>",
        "TITLE \u00c9 SS\n\nHello Wide World" },
    { "white-space",
        "<style>.w{white-space:pre}.l{white-space:pre-line}</style><div class=w>a   b\\n c</div><div class=l>d   e\n f</div>"
        "<pre style=\"white-space:normal\">g   h</pre>",
        "a   b\\n c\nd e\nf\ng h" },
    { "noscript shown, a script's escaped end tags kept inside it",
        "<p>a</p><noscript><p>shown without scripts</p></noscript><script><!-- <script></script> --></script>b",
        "a\n\nshown without scripts\n\nb" },
};

TEST(ReadableTextTest, AppliesThePagesOwnCss)
{
    for (const Layout& c : kStyled) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string out;
        EXPECT_EQ(RenderReadableText(c.html, out, hook).outcome, ReadableOutcome::Finished);
        EXPECT_EQ(out, c.text);
    }
}

TEST(ReadableTextTest, LaysOutLikeTheBrowser)
{
    for (const Layout& c : kLayouts) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string out = "left over";
        const ReadableResult result = RenderReadableText(c.html, out, hook);
        EXPECT_EQ(result.outcome, ReadableOutcome::Finished);
        EXPECT_EQ(out, c.text);
    }
}

struct Encoded {
    const char* name;
    std::string bytes;
    std::string text;
    const char* encoding;
    EncodingSource source;
};

const Encoded kEncodings[] = {
    { "UTF-8 mark", "\xEF\xBB\xBF<p>caf\xC3\xA9", "café", "UTF-8", EncodingSource::ByteOrderMark },
    { "UTF-16LE mark", std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "é", "UTF-16LE", EncodingSource::ByteOrderMark },
    { "UTF-16BE mark", std::string("\xFE\xFF\0<\0p\0>\x20\xAC", 10), "€", "UTF-16BE", EncodingSource::ByteOrderMark },
    { "mark wins over a declaration", "\xEF\xBB\xBF<meta charset=koi8-r><p>\xC3\xA9", "é", "UTF-8",
        EncodingSource::ByteOrderMark },
    { "latin1 label means windows-1252", "<meta charset=latin1><p>caf\xE9 \x80", "café €", "windows-1252",
        EncodingSource::Declaration },
    { "http-equiv content", "<meta http-equiv=\"Content-Type\" content='text/html; charset=koi8-r'><p>\xF0\xD2\xC9",
        "При", "KOI8-R", EncodingSource::Declaration },
    { "Shift_JIS", "<META CHARSET=\"sjis\"><p>\x93\xFA\x96\x7B", "日本", "Shift_JIS", EncodingSource::Declaration },
    { "windows-1252 holes are C1 controls",
        "<meta charset=windows-1252><p>a\x81"
        "b\x80",
        "a\u0081b€", "windows-1252", EncodingSource::Declaration },
    { "Shift_JIS byte that does not fit", "<meta charset=shift_jis><p>\x93\xFA\xFF!", "日\uFFFD!", "Shift_JIS",
        EncodingSource::Declaration },
    { "declared UTF-8, bytes that are not", "<meta charset=utf-8><p>caf\xE9! \xE2\x82! \xED\xA0\x80",
        "caf\uFFFD! \uFFFD! \uFFFD\uFFFD\uFFFD", "UTF-8", EncodingSource::Declaration },
    { "content without http-equiv does not count", "<meta content='text/html; charset=koi8-r'><p>caf\xC3\xA9", "café",
        "UTF-8", EncodingSource::Detected },
    { "declaration inside a comment does not count", "<!-- <meta charset=koi8-r> --><p>caf\xC3\xA9", "café", "UTF-8",
        EncodingSource::Detected },
    { "declaration after the first 1024 bytes does not count",
        "<!-- " + std::string(1020, '-') + " --><meta charset=koi8-r><p>caf\xC3\xA9", "café", "UTF-8",
        EncodingSource::Detected },
    { "unknown label does not count", "<meta charset=klingon><p>caf\xC3\xA9", "café", "UTF-8",
        EncodingSource::Detected },
    { "declared UTF-16 reads as UTF-8", "<meta charset=utf-16><p>caf\xC3\xA9", "café", "UTF-8",
        EncodingSource::Declaration },
    { "plain text stays as it is",
        "Gr\xC3\xBC\xC3\x9F"
        "e aus K\xC3\xB6ln",
        "Grüße aus Köln", "UTF-8", EncodingSource::Detected },
};

TEST(ReadableTextTest, DecodesAsTheBrowserDoes)
{
    for (const Encoded& c : kEncodings) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string out;
        const ReadableResult result = RenderReadableText(c.bytes, out, hook);
        EXPECT_EQ(result.outcome, ReadableOutcome::Finished);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(result.encoding.name, c.encoding);
        EXPECT_EQ(result.encoding.source, c.source);
    }
}

// A page of `paragraphs` numbered paragraphs.
std::string LongPage(int paragraphs)
{
    std::string page = "<meta charset=utf-8>";
    for (int i = 0; i < paragraphs; ++i)
        page += "<p>paragraph " + std::to_string(i) + " with some words in it</p>\n";
    return page;
}

TEST(ReadableTextTest, BinaryInputEndsWithValidText)
{
    std::string bytes;
    unsigned state = 12345;
    for (int i = 0; i < 300000; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>(state >> 23);
    }
    BasicHook hook;
    std::string out;
    const ReadableResult result = RenderReadableText(bytes, out, hook);
    EXPECT_NE(result.outcome, ReadableOutcome::Cancelled);
    EXPECT_NE(result.outcome, ReadableOutcome::Unsupported);
    EXPECT_TRUE(tamsenor::text::IsValidUtf8(out)) << result.encoding.name;
}

TEST(ReadableTextTest, CancelKeepsTheTextSoFar)
{
    const std::string page = LongPage(20000);
    BasicHook hook;
    std::string whole;
    ASSERT_EQ(RenderReadableText(page, whole, hook).outcome, ReadableOutcome::Finished);
    ASSERT_GT(hook.yields, 2);

    BasicHook cancelling;
    cancelling.onYield = [](BasicHook& h) { h.cancel = h.yields >= 2; };
    std::string part;
    EXPECT_EQ(RenderReadableText(page, part, cancelling).outcome, ReadableOutcome::Cancelled);
    EXPECT_LT(part.size(), whole.size());
    EXPECT_EQ(whole.compare(0, part.size(), part), 0);
}

// Keeps what it is given, refusing from the `refuseAt`-th piece on.
class Pieces : public TextSink {
public:
    explicit Pieces(int refuseAt)
        : refuseAt_(refuseAt)
    {
    }
    std::string text;
    int count = 0;
    bool write(std::string_view utf8) override
    {
        if (++count >= refuseAt_)
            return false;
        text += utf8;
        return true;
    }

private:
    int refuseAt_;
};

TEST(ReadableTextTest, SinkGetsTheSameTextInPiecesAndItsRefusalStops)
{
    const std::string page = LongPage(20000);
    BasicHook hook;
    std::string whole;
    ASSERT_EQ(RenderReadableText(page, whole, hook).outcome, ReadableOutcome::Finished);

    Pieces all(1000000);
    EXPECT_EQ(RenderReadableText(page, all, hook).outcome, ReadableOutcome::Finished);
    EXPECT_GT(all.count, 1);
    EXPECT_EQ(all.text, whole);

    Pieces refusing(2);
    EXPECT_EQ(RenderReadableText(page, refusing, hook).outcome, ReadableOutcome::SinkFailed);
    EXPECT_EQ(refusing.count, 2);
}

} // namespace
