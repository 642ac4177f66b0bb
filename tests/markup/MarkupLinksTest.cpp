#include "markup/MarkupLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tamsenor::markup;
using tamsenor::text::BasicHook;
using Strings = std::vector<std::string>;
using namespace std::string_literals;

namespace {

struct Case {
    const char* name;
    std::string markup;
    Strings links;
    Strings mailTos;
};

const Case kCases[] = {
    { "relative URLs resolved against the base",
        R"(<base href="http://Ex.com/d/"><a href="p?q#f"><img src="../i.png">)",
        { "http://ex.com/d/p?q#f", "http://ex.com/i.png" }, {} },
    { "a base later in the page still applies", R"(<a href="p"><base href="http://h/">)", { "http://h/p" }, {} },
    { "the first base with an href counts",
        R"(<base target=x><base href="http://a/"><base href="http://b/"><a href=p>)", { "http://a/p" }, {} },
    { "a relative base resolves nothing", R"(<base href="/d/"><a href=p><a href="//h/x"><a href="http://h/y">)",
        { "http://h/y" }, {} },
    { "links after the end of the document", R"(<a href="http://h/a"></body></html><a href="http://h/b">)",
        { "http://h/a", "http://h/b" }, {} },
    { "without a base relative URLs are left out", R"(<a href="p"><a href="//h/x"><a href="#top">)", {}, {} },
    { "character references decoded, a bare & kept",
        R"(<a href="http://h/?a=1&amp;b=2&copy=3"><a href="&#x68;ttp://h/e">)",
        { "http://h/?a=1&b=2&copy=3", "http://h/e" }, {} },
    { "srcset candidates, a comma inside a URL, a bad descriptor",
        R"(<img srcset="http://h/a.png 1x, http://h/b,c.png 2x,http://h/d.png 2q, http://h/e.png (x, y) 3w">)"
        R"(<source srcset="http://h/f.png, http://h/g.png 1x 2x">)",
        { "http://h/a.png", "http://h/b,c.png", "http://h/f.png" }, {} },
    { "only http, https, ftp and ftps",
        R"x(<a href="javascript:go('http://h/j')"><img src="data:image/png;base64,AA"><a href="FTP://H/f">)x"
        R"(<iframe src="ftps://h/f"><script src="HTTPS://h/s.js"></script><a href="file:///etc/x"><a href="news:x">)",
        { "ftp://h/f", "ftps://h/f", "https://h/s.js" }, {} },
    { "default ports dropped, others kept",
        R"(<a href="http://h:80/"><a href="https://h:443/"><a href="ftp://h:21/"><a href="ftps://h:990/"><a href="http://h:443/">)",
        { "http://h/", "https://h/", "ftp://h/", "ftps://h/", "http://h:443/" }, {} },
    { "each URL once, in document order",
        R"(<a href="http://h/a"><link href=" http://H/a "><form action="http://h/b"></form><q cite="http://h:80/a">)",
        { "http://h/a", "http://h/b" }, {} },
    { "every element and attribute that names a link, and no other",
        R"(<area href=http://h/1><embed src=http://h/2><audio src=http://h/3></audio><video src=http://h/4></video>)"
        R"(<blockquote cite=http://h/5></blockquote><div src=http://h/6></div><a src=http://h/7 title=http://h/8>)",
        { "http://h/1", "http://h/2", "http://h/3", "http://h/4", "http://h/5" }, {} },
    { "white space around and line breaks inside removed, spaces encoded",
        "<a href=\"\n http://h/a\tb \n\"><a href=\"http://h/c d\">", { "http://h/ab", "http://h/c%20d" }, {} },
    { "dot segments resolved, user info and double slashes kept",
        R"(<a href="http://example.com/a/./../b"><a href="http://u:p@h/x/y/.."><a href="http://h/a//b/%2e%2e/c">)",
        { "http://example.com/b", "http://u:p@h/x/", "http://h/a//c" }, {} },
    { "links after bytes that do not fit the declared encoding",
        "<meta charset=gb2312><a href=\"http://h/a\">\x80\xff\xfe<a href=\"http://h/b\">\xa1", { "http://h/a", "http://h/b" },
        {} },
    { "URLs without a valid host left out", R"(<a href="http://"><a href="http:///x"><a href="http://a b/">)", {}, {} },
    { "mailto addresses: query dropped, domain lower-cased, split at commas, decoded",
        R"(<a href="mailto:A@EX.COM?subject=hi"><a href="MAILTO:b@x.org,%20c@y.org"><area href="mailto:d%40z.org">)",
        {}, { "A@ex.com", "b@x.org", "c@y.org", "d@z.org" } },
    { "invalid addresses left out, each address once, only a and area",
        "<a href=\"mailto:no-at\"><a href=\"mailto:a@-x.org\"><a href=\"mailto:a%20b@x.org\"><a "
        "href=\"mailto:a@x..org\">"
        "<a href=\"mailto:\xC3\xA4@x.org\"><a href=\"mailto:e@x.org\"><a href=\"mailto:e@X.org\">"
        "<link href=\"mailto:l@x.org\"><img src=\"mailto:i@x.org\">",
        {}, { "e@x.org" } },
    { "NUL bytes and binary data read through", "\x80\x81\xFE<a href=http://h/1>\0\0\xFF<a href=http://h/2>"s,
        { "http://h/1", "http://h/2" }, {} },
    { "a value over 2 MiB is no link",
        "<a href=\"http://h/" + std::string(2 * 1024 * 1024, 'x') + "\"><a href=http://h/y>", { "http://h/y" }, {} },
    // The parser keeps a value left open up to the end of the input.
    { "unterminated attribute value", R"(<a href="http://h/4"><img src='http://h/5)", { "http://h/4", "http://h/5" },
        {} },
};

TEST(MarkupLinksTest, LinksAndAddresses)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        const MarkupLinks found = ReadMarkupLinks(c.markup, hook);
        EXPECT_EQ(found.outcome, ReadOutcome::Finished);
        EXPECT_EQ(found.links, c.links);
        EXPECT_EQ(found.mailTos, c.mailTos);
    }
}

TEST(MarkupLinksTest, CancelLeavesBothListsEmpty)
{
    std::string page = "<a href=\"mailto:a@x.org\"><a href=\"http://h/\">";
    page += std::string(100 * 1024, ' ');
    BasicHook hook;
    hook.onYield = [](BasicHook& h) { h.cancel = true; };
    const MarkupLinks found = ReadMarkupLinks(page, hook);
    EXPECT_EQ(found.outcome, ReadOutcome::Cancelled);
    EXPECT_EQ(found.links, Strings());
    EXPECT_EQ(found.mailTos, Strings());
}

} // namespace
