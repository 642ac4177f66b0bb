#include "text/Extract.h"

#include "text/VectorRowSink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tamsenor::text::BasicHook;
using tamsenor::text::ExtractFindings;
using tamsenor::text::ExtractSetup;
using tamsenor::text::Keyword;
using tamsenor::text::Outcome;
using tamsenor::text::PositionError;
using tamsenor::text::testing::VectorRowSink;

namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::string Path = "/data/page.html";
const std::string Time = "Mar-9-07 14:05";

ExtractSetup makeSetup(std::vector<std::string> columns, std::vector<Keyword> keywords = {})
{
    ExtractSetup setup;
    setup.columns = std::move(columns);
    setup.keywordOn = !keywords.empty();
    setup.keywords = std::move(keywords);
    setup.filePath = Path;
    setup.processTime = [] { return Time; };
    return setup;
}

ExtractSetup withListed(ExtractSetup setup, std::vector<ExtractSetup::ListedColumn> listed)
{
    setup.listed = std::move(listed);
    return setup;
}

TEST(ExtractFindings, AddsOneRowPerFinding)
{
    struct Case {
        const char* name;
        std::string text;
        ExtractSetup setup;
        Rows expected;
    };
    const std::vector<Case> cases = {
        { "one e-mail column", " write to p@q or r@s ", makeSetup({ "Email", "FileName", "ProcessTime" }),
            { { "p@q", Path, Time }, { "r@s", Path, Time } } },
        { "sites only", " http://a http://b ", makeSetup({ "WebSite", "FileName", "ProcessTime" }),
            { { "http://a", Path, Time }, { "http://b", Path, Time } } },
        // Row k holds the k-th finding of each extractor; one running dry does not end the file.
        { "more addresses than sites", " a@b c@d http://x e@f ",
            makeSetup({ "Email", "WebSite", "FileName", "ProcessTime" }),
            { { "a@b", "http://x", Path, Time }, { "c@d", "", Path, Time }, { "e@f", "", Path, Time } } },
        { "addresses without any site", " write to p@q or r@s ",
            makeSetup({ "Email", "WebSite", "FileName", "ProcessTime" }),
            { { "p@q", "", Path, Time }, { "r@s", "", Path, Time } } },
        { "no finding gives no row", " plain words ", makeSetup({ "Email", "WebSite", "FileName", "ProcessTime" }),
            {} },
        { "absent keyword gives no row", " nothing ",
            makeSetup({ "Name:", "FileName", "ProcessTime" }, { { "Name:", "1" } }), {} },
        { "list 0 gives a single space once", " K: a K: b ",
            makeSetup({ "K:", "FileName", "ProcessTime" }, { { "K:", "0" } }), { { " ", Path, Time } } },
        { "two keyword columns", " A: 1 B: 2 A: 3 ",
            makeSetup({ "A:", "B:", "FileName", "ProcessTime" }, { { "A:", "1" }, { "B:", "1" } }),
            { { "1", "2", Path, Time }, { "3", "", Path, Time } } },
        // Both extractors consume; the keyword result is what the column keeps.
        { "keyword named Email", " Email x p@q y Email z ",
            makeSetup({ "Email", "FileName", "ProcessTime" }, { { "Email", "1" } }),
            { { "x", Path, Time }, { "z", Path, Time } } },
        // Listed values fill their rows in order and keep the rows going past the findings.
        { "listed links outlast the sites", " http://a ",
            withListed(makeSetup({ "WebSite", "FileName", "ProcessTime", "Link", "MailTo" }),
                { { "Link", { "L1", "L2" } }, { "MailTo", { "m@x" } } }),
            { { "http://a", Path, Time, "L1", "m@x" }, { "", Path, Time, "L2", "" } } },
        { "listed values alone", " plain words ",
            withListed(makeSetup({ "FileName", "ProcessTime", "Link" }), { { "Link", { "L1" } } }),
            { { Path, Time, "L1" } } },
        { "empty listed columns add no row", " plain ",
            withListed(makeSetup({ "FileName", "ProcessTime", "Link" }), { { "Link", {} } }), {} },
        { "tabs, line breaks and backspaces are spaces", "see\thttp://a\r\nand\x08http://b\n\nend",
            makeSetup({ "WebSite", "FileName", "ProcessTime" }),
            { { "http://a", Path, Time }, { "http://b", Path, Time } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        hook.progress = 50;
        VectorRowSink rows(c.setup.columns.size());
        std::string text = c.text;
        EXPECT_EQ(Outcome::Finished, ExtractFindings(text, c.setup, rows, hook).outcome);
        EXPECT_EQ(c.expected, rows.rows);
        EXPECT_EQ(0, rows.misuses);
        EXPECT_EQ(100.0f, hook.progress);
    }
}

TEST(ExtractFindings, KeywordColumnsStayEmptyWhenKeywordsAreOff)
{
    ExtractSetup setup = makeSetup({ "WebSite", "K:", "FileName", "ProcessTime" }, { { "K:", "1" } });
    setup.keywordOn = false;
    BasicHook hook;
    VectorRowSink rows(setup.columns.size());
    std::string text = " K: a http://x ";
    ExtractFindings(text, setup, rows, hook);
    EXPECT_EQ((Rows { { "http://x", "", Path, Time } }), rows.rows);
}

TEST(ExtractFindings, NormalisesWhiteSpace)
{
    BasicHook hook;
    VectorRowSink rows(1);
    std::string text = "a\t\tb\r\n c\x08"
                       "d   e";
    ExtractFindings(text, makeSetup({ "Email" }), rows, hook);
    EXPECT_EQ(" a b c d e", text);
    EXPECT_TRUE(rows.rows.empty());
}

TEST(ExtractFindings, AsksTheTimeForEveryRowIncludingTheRemovedOne)
{
    ExtractSetup setup = makeSetup({ "Email", "ProcessTime" });
    int asked = 0;
    setup.processTime = [&asked] { return "t" + std::to_string(++asked); };
    BasicHook hook;
    VectorRowSink rows(2);
    std::string text = " p@q r@s ";
    ExtractFindings(text, setup, rows, hook);
    EXPECT_EQ((Rows { { "p@q", "t1" }, { "r@s", "t2" } }), rows.rows);
    EXPECT_EQ(3, asked);
}

TEST(ExtractFindings, AdvancesProgressPerExtractorCall)
{
    BasicHook hook;
    hook.progress = 50;
    VectorRowSink rows(2);
    float atSecondRow = -1;
    hook.onYield = [&](BasicHook& h) {
        // The first yield once the first row is complete starts the second row.
        if (rows.rows.size() == 1 && rows.rows[0][1] == "http://x" && atSecondRow < 0)
            atSecondRow = h.progress;
    };
    std::string text = " p@q http://x ";
    ExtractFindings(text, makeSetup({ "Email", "WebSite" }), rows, hook);
    EXPECT_FLOAT_EQ(59.5f, atSecondRow); // 50 -> 55 -> 59.5
    EXPECT_EQ(100.0f, hook.progress);
}

TEST(ExtractFindings, CancelLeavesThePartlyFilledRow)
{
    BasicHook hook;
    hook.progress = 50;
    VectorRowSink rows(4);
    // Cancel while the second row is being filled: seen after its e-mail call.
    hook.onYield = [&rows](BasicHook& h) {
        if (rows.rows.size() == 2)
            h.cancel = true;
    };
    std::string text = " a@b c@d http://x http://y ";
    Outcome outcome
        = ExtractFindings(text, makeSetup({ "Email", "WebSite", "FileName", "ProcessTime" }), rows, hook).outcome;
    EXPECT_EQ(Outcome::Cancelled, outcome);
    EXPECT_EQ((Rows { { "a@b", "http://x", Path, Time }, { "c@d", "", "", "" } }), rows.rows);
    EXPECT_NE(100.0f, hook.progress);
}

TEST(ExtractFindings, CancelAtTheStartOfARowAddsNoRow)
{
    BasicHook hook;
    hook.cancel = true;
    VectorRowSink rows(1);
    std::string text = " a@b ";
    EXPECT_EQ(Outcome::Cancelled, ExtractFindings(text, makeSetup({ "Email" }), rows, hook).outcome);
    EXPECT_TRUE(rows.rows.empty());
}

TEST(ExtractFindings, FindingsStopBeforeTheRowThatWouldPassTheirLimit)
{
    struct Row {
        const char* name;
        std::size_t limit;
        Rows rows;
        bool cut;
    };
    const Row table[] = {
        { "no limit", 0, { { "a@b" }, { "c@d" }, { "e@f" } }, false },
        { "exactly enough", 9, { { "a@b" }, { "c@d" }, { "e@f" } }, false },
        { "a byte short of the third row", 8, { { "a@b" }, { "c@d" } }, true },
        { "not even the first row", 2, {}, true },
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        BasicHook hook;
        VectorRowSink rows(1);
        std::string text = " a@b c@d e@f ";
        ExtractSetup setup = makeSetup({ "Email" });
        setup.findingsLimit = row.limit;
        const tamsenor::text::FindingsResult result = ExtractFindings(text, setup, rows, hook);
        EXPECT_EQ(Outcome::Finished, result.outcome);
        EXPECT_EQ(row.cut, result.cut);
        EXPECT_EQ(row.rows, rows.rows);
    }
}

TEST(ExtractFindings, BadPositionListReachesTheCaller)
{
    BasicHook hook;
    VectorRowSink rows(1);
    std::string text = " K: a b ";
    EXPECT_EQ("\"x\" is not a number",
        ExtractFindings(text, makeSetup({ "K:" }, { { "K:", "1,x" } }), rows, hook).positionProblem);
}

} // namespace
