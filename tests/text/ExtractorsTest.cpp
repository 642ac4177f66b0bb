#include "text/Extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tamsenor::text::BasicHook;
using tamsenor::text::Keyword;
using tamsenor::text::NextEmail;
using tamsenor::text::NextKeywordResult;
using tamsenor::text::NextWebSite;
using tamsenor::text::ParsePositionNumber;
using tamsenor::text::PositionError;

namespace {

struct MarkerCase {
    const char* name;
    std::string text;
    std::string expected;
    std::string textAfter;
};

TEST(NextEmail, TakesTheRunAroundTheFirstAtSign)
{
    const std::string longLeft(150, 'a');
    const std::string longRight(100, 'b');
    const std::vector<MarkerCase> cases = {
        { "ordinary address", " mail p@q now ", "p@q", " mail pq now " },
        { "both sides empty", " a @ b ", "@", " a  b " },
        { "second @ belongs to the right part", " x@y@z ", "x@y@z", " xy@z " },
        { "punctuation belongs to the candidate", " <p@q.org>. ", "<p@q.org>.", " <pq.org>. " },
        { "no @ leaves the text alone", " no address ", "", " no address " },
        { "address at the very end runs to the end", " end p@q", "p@q", " end pq" },
        { "no space before: empty left part", "p@q r", "q", "pq r" },
        { "cut to 199 characters", " " + longLeft + "@" + longRight + " ", longLeft + "@" + std::string(48, 'b'),
            " " + longLeft + longRight + " " },
    };
    for (const MarkerCase& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string text = c.text;
        EXPECT_EQ(c.expected, NextEmail(text, hook));
        EXPECT_EQ(c.textAfter, text);
        EXPECT_EQ(c.expected.empty() ? 0 : 1, hook.yields);
    }
}

TEST(NextEmail, SuccessiveCallsWalkTheAddresses)
{
    BasicHook hook;
    std::string text = " x@y@z a@b a@b a@b ";
    std::vector<std::string> found;
    for (std::string next = NextEmail(text, hook); !next.empty(); next = NextEmail(text, hook))
        found.push_back(next);
    EXPECT_EQ((std::vector<std::string> { "x@y@z", "xy@z", "a@b", "a@b", "a@b" }), found);
    EXPECT_EQ(" xyz ab ab ab ", text);
}

TEST(NextWebSite, TakesTheRunAroundTheFirstSchemeMarker)
{
    const std::string longPath(300, 'p');
    const std::vector<MarkerCase> cases = {
        { "ordinary address", " see http://host/a?b=1 ", "http://host/a?b=1", " see httphost/a?b=1 " },
        { "punctuation included", " (http://host/x). ", "(http://host/x).", " (httphost/x). " },
        { "no scheme", " ://host ", "://host", " host " },
        { "address at the very end runs to the end", " go http://h", "http://h", " go httph" },
        { "no space before: the scheme reaches back to the start", "http://a b", "http://a", "httpa b" },
        { "no marker leaves the text alone", " http:/x ", "", " http:/x " },
        { "not cut", " http://" + longPath + " ", "http://" + longPath, " http" + longPath + " " },
        { "a host name keeps its letters", " http://camp.example.org/ ", "http://camp.example.org/",
            " httpcamp.example.org/ " },
    };
    for (const MarkerCase& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string text = c.text;
        EXPECT_EQ(c.expected, NextWebSite(text, hook));
        EXPECT_EQ(c.textAfter, text);
        EXPECT_EQ(c.expected.empty() ? 0 : 1, hook.yields);
    }
}

struct KeywordCase {
    const char* name;
    std::string text;
    Keyword keyword;
    std::string expected;
    std::string textAfter;
};

TEST(NextKeywordResult, WalksThePositionsAfterTheKeyword)
{
    const std::string words = " K: w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11 w12 w13 ";
    const std::string wordsAfter = "  w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11 w12 w13 ";
    const std::vector<KeywordCase> cases = {
        { "two words", " Author: John Smith born 1970 ", { "Author:", "1, 2" }, "John Smith",
            "  John Smith born 1970 " },
        { "one word", " Author: John Smith born 1970 ", { "Author:", "2" }, "Smith", "  John Smith born 1970 " },
        { "descending list walks only to the last number", " Author: John Smith born 1970 ", { "Author:", "3, 1" }, "",
            "  John Smith born 1970 " },
        { "long list, 1 inside 11 plays no part", words, { "K:", "1, 2, 4, 6, 7, 10, 11, 12" },
            "w1 w2 w4 w6 w7 w10 w11 w12", wordsAfter },
        { "out-of-order element stops the taking", words, { "K:", "2, 5, 3, 9" }, "w2 w5", wordsAfter },
        { "list 0 gives a space and takes every occurrence", " K: a K: b ", { "K:", "0" }, " ", "  a  b " },
        { "list ending in 0 takes every occurrence", " K: a K: b ", { "K:", "1, 0" }, "", "  a  b " },
        { "negative last number takes every occurrence", " K: a K: b ", { "K:", "-1" }, "", "  a  b " },
        { "absent keyword", " nothing here ", { "K:", "1" }, "", " nothing here " },
        { "positions past the end give nothing", " K: a b c ", { "K:", "1, 50" }, "a", "  a b c " },
        { "the last word needs a space after it", " K: a b", { "K:", "2" }, "", "  a b" },
        { "case matters", " Price 10 ", { "price", "1" }, "", " Price 10 " },
        { "plain substring, not a whole word", " Prices are 10 ", { "Price", "1" }, "s", " s are 10 " },
        { "repeated words are kept", " Total: 5 5 7 ", { "Total:", "1, 2, 3" }, "5 5 7", "  5 5 7 " },
        { "fraction rounds half to even", " K: a b c ", { "K:", "2.5" }, "b", "  a b c " },
        { "spaces around the list", " K: a b c ", { "K:", "  3  " }, "c", "  a b c " },
        { "only the first occurrence goes", " K: a K: b ", { "K:", "1" }, "a", "  a K: b " },
        { "empty name never occurs", " a b ", { "", "1" }, "", " a b " },
    };
    for (const KeywordCase& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string text = c.text;
        EXPECT_EQ(c.expected, NextKeywordResult(text, c.keyword, hook));
        EXPECT_EQ(c.textAfter, text);
    }
}

TEST(NextKeywordResult, SuccessiveCallsUseSuccessiveOccurrences)
{
    BasicHook hook;
    std::string text = " Name: Ann x Name: Bob y ";
    const Keyword keyword { "Name:", "1" };
    EXPECT_EQ("Ann", NextKeywordResult(text, keyword, hook));
    EXPECT_EQ("Bob", NextKeywordResult(text, keyword, hook));
    EXPECT_EQ("", NextKeywordResult(text, keyword, hook));
    EXPECT_EQ("  Ann x  Bob y ", text);
}

TEST(NextKeywordResult, YieldsOncePerComma)
{
    BasicHook hook;
    std::string text = " K: a b c ";
    NextKeywordResult(text, { "K:", "1, 2, 3" }, hook);
    EXPECT_EQ(2, hook.yields);
}

TEST(NextKeywordResult, BadPositionListReachesTheCaller)
{
    const std::vector<std::pair<const char*, std::string>> lists = {
        { "word", "1, x" },
        { "empty element", "1,,2" },
        { "too large", "40000" },
        { "rounds beyond the range", "32767.5" },
        { "too small", "1, -32769" },
    };
    for (const auto& [name, list] : lists) {
        SCOPED_TRACE(name);
        BasicHook hook;
        std::string text = " K: a b ";
        EXPECT_THROW(NextKeywordResult(text, { "K:", list }, hook), PositionError);
    }
    // The list is only read when the keyword occurs.
    BasicHook hook;
    std::string text = " a b ";
    EXPECT_EQ("", NextKeywordResult(text, { "K:", "x" }, hook));
}

TEST(ParsePositionNumber, ConvertsLikeTheEntryDialogsNumbers)
{
    const std::vector<std::pair<std::string, short>> good = {
        { "7", 7 },
        { " 7 ", 7 },
        { "+3", 3 },
        { "-4", -4 },
        { "2.5", 2 },
        { "3.5", 4 },
        { "-2.5", -2 },
        { "0.51", 1 },
        { ".5", 0 },
        { "1.", 1 },
        { "1E2", 100 },
        { "1D2", 100 },
        { "25e-1", 2 },
        { "1e-400", 0 },
        { "32767", 32767 },
        { "-32768", -32768 },
        { "-32768.5", -32768 },
        { "0003", 3 },
    };
    for (const auto& [text, expected] : good) {
        SCOPED_TRACE("'" + text + "'");
        EXPECT_EQ(expected, ParsePositionNumber(text));
    }
    const std::vector<std::string> bad = {
        "",
        " ",
        "abc",
        "1.2.3",
        "1e",
        "1e+",
        ".",
        "+",
        "--1",
        "1 2",
        "1,5",
        "&H10",
        "0x10",
        "1f",
        "32768",
        "-32769",
        "32767.5",
        "1e400",
        "1" + std::string(400, '0'),
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE("'" + text + "'");
        EXPECT_EQ(std::nullopt, ParsePositionNumber(text));
    }
}

} // namespace
