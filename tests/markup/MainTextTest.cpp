#include "markup/MainText.h"

#include <gtest/gtest.h>

#include <string>

using namespace tamsenor::markup;
using tamsenor::text::BasicHook;

namespace {

// Sentences long enough to count as prose, each different so that a test
// names which one went missing.
std::string Prose(char tag)
{
    return std::string("Paragraph ") + tag + " tells the story of the page in words that are not links.";
}

std::string P(char tag)
{
    return "<p>" + Prose(tag) + "</p>";
}

std::string Repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

const std::string kLinks = "<ul><li><a href=/1>First other story</a></li><li><a href=/2>Second other story</a></li>"
                           "<li><a href=/3>Third other story</a></li></ul>";

struct Selection {
    const char* name;
    std::string html;
    std::string text; // the main text
};

const Selection kSelections[] = {
    { "navigation, page header and footer by their tags",
        "<header><a href=/>Site</a> <a href=/about>About</a></header><nav>" + kLinks + "</nav><h1>Title</h1>" + P('a')
            + P('b') + P('c') + "<footer>(c) Site, all rights reserved</footer>",
        "Title\n\n" + Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "sidebars and notices by their class, id and role",
        "<div id=content>" + P('a') + "<div class=share-buttons>Share this on every network</div>" + P('b')
            + "<div id=comments><p>Great post, I read it twice and liked it a lot, thank you.</p></div>"
            + "<div class=cookie-notice>We use cookies to give you the best experience.</div>"
            + "<div role=complementary>Sponsored: the best of the rest, today only.</div>" + P('c') + "</div>"
            + "<div class=sidebar>" + P('x') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a name that says content outweighs a weak word",
        "<div class='content-share'>" + P('a') + P('b') + P('c') + "</div><div class=share>Share it</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a weak word on a wrapper of much prose is no boilerplate",
        "<div class=menu-container><div class=menu>" + kLinks + "</div><div>" + P('a') + P('b') + P('c') + P('d')
            + P('e') + P('f') + P('g') + P('h') + P('i') + P('j') + "</div></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') + "\n\n" + Prose('e')
            + "\n\n" + Prose('f') + "\n\n" + Prose('g') + "\n\n" + Prose('h') + "\n\n" + Prose('i') + "\n\n"
            + Prose('j') },
    { "a list of links inside the article",
        "<div>" + P('a') + "<div>Read also:" + kLinks + "</div>" + P('b') + P('c') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "links inside prose stay",
        "<div><p>Paragraph a, with <a href=/x>a link</a> in the middle of words that are not links.</p>" + P('b')
            + P('c') + "</div>",
        "Paragraph a, with a link in the middle of words that are not links.\n\n" + Prose('b') + "\n\n"
            + Prose('c') },
    { "narrowed to the block that holds the prose",
        "<div><div>" + P('a') + P('b') + P('c') + P('d') + P('e') + P('f') + "</div><div><p>Unmarked words "
            + "next to the story, as long as a paragraph is.</p></div></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') + "\n\n" + Prose('e')
            + "\n\n" + Prose('f') },
    { "a sidebar of much text does not keep the article from being narrowed to",
        "<div><div class=sidebar>" + P('k') + P('l') + P('m') + P('n') + P('o') + P('p') + P('q') + P('r') + P('s')
            + "</div><div>" + P('a') + P('b') + P('c') + P('d') + P('e') + P('f') + P('g') + P('h') + P('i') + P('j')
            + "</div></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') + "\n\n" + Prose('e')
            + "\n\n" + Prose('f') + "\n\n" + Prose('g') + "\n\n" + Prose('h') + "\n\n" + Prose('i') + "\n\n"
            + Prose('j') },
    { "an <h1> after the article's first paragraph heads a part of it, not the page",
        "<h1>Title</h1><div>" + P('a') + "<h1>Part two</h1>" + P('b') + P('c') + "</div>",
        "Title\n\n" + Prose('a') + "\n\nPart two\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "the one <article> of the page",
        "<div>" + P('x') + P('y') + "</div><article>" + P('a') + P('b') + P('c') + "</article>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "itemprop=articleBody before an <article> around more",
        "<article><div>" + P('x') + P('y') + "</div><div itemprop=articleBody>" + P('a') + P('b') + P('c')
            + "</div></article>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "<main> and role=main",
        "<div>" + P('x') + P('y') + "</div><div role=main>" + P('a') + P('b') + P('c') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "teasers of equal size mark no article",
        "<div><article>" + P('a') + P('b') + "</article><article>" + P('c') + P('d') + "</article></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') },
    { "a JSON-LD articleBody finds its block",
        "<head><script type=application/ld+json>{\"@type\":\"WebSite\"}</script>"
        "<script type=application/ld+json>{\"@graph\":[{\"@type\":\"NewsArticle\",\"articleBody\":\"" + Prose('a') + " "
            + Prose('b') + " " + Prose('c') + "\"}]}</script></head><div><div>" + P('x') + P('y') + P('z') + "</div><div>"
            + P('a') + P('b') + P('c') + "</div></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a JSON-LD articleBody whose words the page shows as a link is passed over",
        "<head><script type=application/ld+json>{\"articleBody\":\"" + Prose('a') + "\"}</script></head><ul><li>"
            + "<a href=/a>" + Prose('a') + "</a></li></ul><article>" + P('b') + P('c') + P('d') + "</article>",
        Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') },
    { "a JSON-LD articleBody that is a summary of the page's prose is passed over",
        "<head><script type=application/ld+json>{\"articleBody\":\"" + Prose('a') + " " + Prose('b') + " " + Prose('c')
            + "\"}</script></head><div><div>" + P('a') + P('b') + P('c') + "</div>" + P('d') + P('e') + P('f') + P('g')
            + P('h') + P('i') + P('j') + P('k') + P('l') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') + "\n\n" + Prose('e')
            + "\n\n" + Prose('f') + "\n\n" + Prose('g') + "\n\n" + Prose('h') + "\n\n" + Prose('i') + "\n\n"
            + Prose('j') + "\n\n" + Prose('k') + "\n\n" + Prose('l') },
    { "a table's columns take no room among the blocks",
        "<table><colgroup>" + Repeat("<col>", 5000) + "</colgroup><tr><td>x</td></tr></table><div>" + P('a')
            + P('b') + P('c') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "the main heading starts the article: a subtitle before the body is its own",
        "<nav>" + kLinks + "</nav><div><h1>Title</h1><h2>The subtitle</h2><div class=body>" + P('a') + P('b')
            + P('c') + "</div></div>",
        "Title\nThe subtitle\n\n" + Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a main heading far before the article comes first, once",
        "<h1>Title</h1><div>" + P('o') + P('p') + P('q') + P('r') + P('s') + P('t') + P('u') + P('v')
            + P('w') + P('x') + P('y') + P('z') + P('0') + P('1') + P('2') + "</div><article>" + P('a')
            + P('b') + P('c') + P('d') + P('e') + P('f') + P('g') + P('h') + P('i') + P('j') + P('k') + P('l')
            + P('m') + P('n') + "</article>",
        "Title\n\n" + Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') + "\n\n"
            + Prose('e') + "\n\n" + Prose('f') + "\n\n" + Prose('g') + "\n\n" + Prose('h') + "\n\n" + Prose('i')
            + "\n\n" + Prose('j') + "\n\n" + Prose('k') + "\n\n" + Prose('l') + "\n\n" + Prose('m') + "\n\n"
            + Prose('n') },
    { "short lines of no prose and captions",
        "<div>" + P('a') + "<div>12.03.2020</div><figure><img src=a.png><figcaption>Photo: Someone</figcaption>"
            + "</figure>" + P('b') + P('c') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a picture's caption or credit, whatever else its name says",
        "<div class=content>" + P('a') + "<p class=wp-caption-text>Photo: a photographer of an agency, 2020</p>"
            + P('b') + "<div><span class=img__credit>Pictures of the agency</span></div>" + P('c') + "</div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "comments named in another language",
        "<div>" + P('a') + P('b') + P('c') + "<section id=kommentare><p>Ein Kommentar, lang genug, um ein Absatz "
            + "zu sein, und doch nicht der Artikel.</p></section></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a teaser with a link is another page's, one without is the article's lead",
        "<div><p class=teaser>" + Prose('a') + "</p>" + P('b') + P('c') + "<div class=teaser><h3><a href=/o>Other"
            + "</a></h3><p>Words about the other story, which is not this one at all.</p></div></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "a landmark the parser left open around the article",
        "<nav><div><a href=/>Site</a></nav><main><h1>Title</h1>" + P('a') + P('b') + P('c') + P('d') + P('e')
            + P('f') + P('g') + P('h') + P('i') + P('j') + "</main>",
        "Title\n\n" + Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') + "\n\n" + Prose('d') + "\n\n"
            + Prose('e') + "\n\n" + Prose('f') + "\n\n" + Prose('g') + "\n\n" + Prose('h') + "\n\n"
            + Prose('i') + "\n\n" + Prose('j') },
    { "the article ends with its last paragraph",
        "<div>" + P('a') + P('b') + P('c') + "<h4>Rate this page</h4><ul><li>One star</li><li>Five stars</li></ul></div>",
        Prose('a') + "\n\n" + Prose('b') + "\n\n" + Prose('c') },
    { "line rules of the readable text inside",
        "<div><p>a<br>b and all the words it takes to be a paragraph of its own</p><table><tr><td>x<td>y</table>"
            + P('b') + P('c') + "</div>",
        "a\nb and all the words it takes to be a paragraph of its own\n\nx\ty\n\n" + Prose('b') + "\n\n"
            + Prose('c') },
};

TEST(MainTextTest, SelectsTheArticle)
{
    for (const Selection& selection : kSelections) {
        SCOPED_TRACE(selection.name);
        BasicHook hook;
        std::string out;
        const MainTextResult result = RenderMainText(selection.html, out, hook);
        EXPECT_EQ(result.readable.outcome, ReadableOutcome::Finished);
        EXPECT_TRUE(result.found);
        EXPECT_EQ(out, selection.text);
    }
}

// With no prose to find, the readable text whole rather than nothing.
TEST(MainTextTest, APageWithoutMainTextGivesItsReadableText)
{
    std::string many;
    for (int i = 0; i < 20000; ++i)
        many += "<div>x";
    const struct {
        const char* name;
        std::string html;
    } pages[] = {
        { "an index of links", "<h1>Index</h1><nav>" + kLinks + "</nav>" + kLinks },
        { "a form", "<h1>Sign in</h1><form>Name <input> Password <input type=password><button>Go</button></form>" },
        { "more blocks than the page has room for", many + P('a') + P('b') + P('c') },
        { "nothing", "" },
    };
    for (const auto& page : pages) {
        SCOPED_TRACE(page.name);
        BasicHook hook;
        std::string out;
        std::string readable;
        const MainTextResult result = RenderMainText(page.html, out, hook);
        RenderReadableText(page.html, readable, hook);
        EXPECT_EQ(result.readable.outcome, ReadableOutcome::Finished);
        EXPECT_FALSE(result.found);
        EXPECT_EQ(out, readable);
    }
}

// A cancelled page is cancelled, with the readable text so far, not a selection of it.
TEST(MainTextTest, CancelKeepsTheReadableTextSoFar)
{
    std::string page;
    while (page.size() < 300 * 1024)
        page += P('a');
    BasicHook cancelling;
    cancelling.onYield = [](BasicHook& hook) { hook.cancel = hook.yields >= 2; };
    std::string out;
    const MainTextResult result = RenderMainText(page, out, cancelling);
    EXPECT_EQ(result.readable.outcome, ReadableOutcome::Cancelled);
    EXPECT_FALSE(result.found);
    EXPECT_FALSE(out.empty());
    EXPECT_LT(out.size(), page.size() / 2);
}

} // namespace
