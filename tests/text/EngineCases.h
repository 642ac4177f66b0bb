#pragma once

#include "text/Extract.h"

#include <string>
#include <vector>

// The inputs of the hand-written engine tests, gathered so that the
// production engines can be run against the reference on every one of them.
namespace tamsenor::text::testing {

inline std::vector<std::string> StripInputs()
{
    return {
        "Hello world",
        "a < b",
        "x > y <z",
        "x > y <z> w",
        "<b>one</b> <b>two</b>",
        "a<>b",
        "a<SCRIPT LANGUAGE=js>x=1</SCRIPT>b",
        "<script>x=1</script>",
        "<script a>1</script>-<script a>1</script>",
        "SCRIPT> x <script y>z</script>",
        "a<!-- note -->b",
        "<!DOCTYPE html><p>hi</p>-->x",
        "<!DOCTYPE html>text",
        "SCRIPT><SCRIPT x>y</SCRIPT>",
        "-><!x",
        "a&amp;b&nbsp;c&lt;d",
        "a,b;c",
        "Camp example nbspx",
        "&AMP; &NBSP;",
        "&ampamp",
        "&ampnbsp",
        "&&amp;x",
        "http://camp.example.org/",
        "a\x7f"
        "b",
        "a<p>b<P>c<Br>d</tr>e<TR>f</P>g",
        "a<p>b<BR>c",
        "<P ALIGN=left>x<BR/>",
        "<p class=x>text<p>",
        "<a><b><c>",
        "text",
        "<p>x</b>",
        "<SCRIPT a>s</SCRIPT><!-- c --><b>x</b>&amp,",
        "<b>some text</b>",
        // Joins that form new markers, and tags holding several "<".
        "<scr<script a>x</script>ipt b>y</script>",
        "<!<!-- a -->-- b -->c",
        "SCRI<script>PT>",
        "<a <b>x<c <b>y<b>",
        "<x<x <a><x <a><a>",
        "<x <a><x<x <a><a>",
        "<a>b<a>>c<<a>",
        // A deletion forms an end marker, making a copy of the next block.
        "<!a-><!c-> <!c-<!a->>",
        "<script a>x</script><script b>y</script> <script b>y</script<script a>x</script>>",
        // Copies cut ahead of the first block: what a cut leaves passes over a
        // group cut whole to one that held no start marker of its own.
        "<!x-><!y-><!sq-><!s<!y-><!x->q->",
    };
}

struct ExtractCase {
    std::string text;
    std::vector<std::string> columns;
    std::vector<Keyword> keywords; // keywords are on when any is given
};

inline std::vector<ExtractCase> ExtractInputs()
{
    const std::vector<std::string> tail = { "FileName", "ProcessTime" };
    auto columns = [&tail](std::vector<std::string> extractors) {
        extractors.insert(extractors.end(), tail.begin(), tail.end());
        return extractors;
    };
    const std::string words = " K: w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11 w12 w13 ";
    std::vector<ExtractCase> cases = {
        { " write to p@q or r@s ", columns({ "Email" }), {} },
        { " http://a http://b ", columns({ "WebSite" }), {} },
        { " a@b c@d http://x e@f ", columns({ "Email", "WebSite" }), {} },
        { " write to p@q or r@s ", columns({ "Email", "WebSite" }), {} },
        { " plain words ", columns({ "Email", "WebSite" }), {} },
        { " nothing ", columns({ "Name:" }), { { "Name:", "1" } } },
        { " K: a K: b ", columns({ "K:" }), { { "K:", "0" } } },
        { " A: 1 B: 2 A: 3 ", columns({ "A:", "B:" }), { { "A:", "1" }, { "B:", "1" } } },
        { " Email x p@q y Email z ", columns({ "Email" }), { { "Email", "1" } } },
        { "see\thttp://a\r\nand\x08http://b\n\nend", columns({ "WebSite" }), {} },
        { " K: a http://x ", columns({ "WebSite", "K:" }), {} },
        { "a\t\tb\r\n c\x08"
          "d   e",
            { "Email" }, {} },
        { " p@q r@s ", { "Email", "ProcessTime" }, {} },
        { " p@q http://x ", { "Email", "WebSite" }, {} },
        { " a@b c@d http://x http://y ", columns({ "Email", "WebSite" }), {} },
        { " mail p@q now ", { "Email" }, {} },
        { " a @ b ", { "Email" }, {} },
        { " x@y@z ", { "Email" }, {} },
        { " <p@q.org>. ", { "Email" }, {} },
        { " end p@q", { "Email" }, {} },
        { "p@q r", { "Email" }, {} },
        { " " + std::string(150, 'a') + "@" + std::string(100, 'b') + " ", { "Email" }, {} },
        { " x@y@z a@b a@b a@b ", { "Email" }, {} },
        { " see http://host/a?b=1 ", { "WebSite" }, {} },
        { " (http://host/x). ", { "WebSite" }, {} },
        { " ://host ", { "WebSite" }, {} },
        { " go http://h", { "WebSite" }, {} },
        { "http://a b", { "WebSite" }, {} },
        { " http:/x ", { "WebSite" }, {} },
        { " http://" + std::string(300, 'p') + " ", { "WebSite" }, {} },
        { " http://camp.example.org/ ", { "WebSite" }, {} },
        { " Name: Ann x Name: Bob y ", { "Name:" }, { { "Name:", "1" } } },
    };
    // Every keyword case of the extractor tests, as a one-column pass.
    const std::vector<std::pair<std::string, Keyword>> keywordCases = {
        { " Author: John Smith born 1970 ", { "Author:", "1, 2" } },
        { " Author: John Smith born 1970 ", { "Author:", "2" } },
        { " Author: John Smith born 1970 ", { "Author:", "3, 1" } },
        { words, { "K:", "1, 2, 4, 6, 7, 10, 11, 12" } },
        { words, { "K:", "2, 5, 3, 9" } },
        { " K: a K: b ", { "K:", "1, 0" } },
        { " K: a K: b ", { "K:", "-1" } },
        { " nothing here ", { "K:", "1" } },
        { " K: a b c ", { "K:", "1, 50" } },
        { " K: a b", { "K:", "2" } },
        { " Price 10 ", { "price", "1" } },
        { " Prices are 10 ", { "Price", "1" } },
        { " Total: 5 5 7 ", { "Total:", "1, 2, 3" } },
        { " K: a b c ", { "K:", "2.5" } },
        { " K: a b c ", { "K:", "  3  " } },
        { " K: a K: b ", { "K:", "1" } },
        { " a b ", { "", "1" } },
        { " K: a b ", { "K:", "1, x" } },
        { " K: a b ", { "K:", "40000" } },
        { " a b ", { "K:", "x" } },
    };
    for (const auto& [text, keyword] : keywordCases)
        cases.push_back({ text, columns({ keyword.name }), { keyword } });
    return cases;
}

} // namespace tamsenor::text::testing
