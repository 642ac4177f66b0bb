#include "text/StripTags.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

using tamsenor::text::BasicHook;
using tamsenor::text::Outcome;
using tamsenor::text::StripTags;

namespace {

struct StripCase {
    const char* name;
    std::string input;
    bool strip;
    std::string expected;
};

TEST(StripTags, TurnsMarkupIntoText)
{
    const std::vector<StripCase> cases = {
        { "plain text only gains the leading space", "Hello world", false, " Hello world" },
        { "a < without any > stays", "a < b", false, " a < b" },
        { "a > before the last < and none after it", "x > y <z", false, " x > y <z" },
        { "> before < is searched again from the <", "x > y <z> w", false, " x > y   w" },
        { "each tag text becomes one space", "<b>one</b> <b>two</b>", false, "  one   two " },
        { "empty tag", "a<>b", false, " a b" },
        { "script with attributes goes whole", "a<SCRIPT LANGUAGE=js>x=1</SCRIPT>b", false, " ab" },
        { "bare script tag: only the opening tag goes", "<script>x=1</script>", false, " x=1 " },
        { "copies of a script block go together", "<script a>1</script>-<script a>1</script>", false, " -" },
        { "end marker far before start marker", "SCRIPT> x <script y>z</script>", false, " SCRIPT> x  z " },
        { "comment goes whole", "a<!-- note -->b", false, " ab" },
        { "declaration is cut through the next ->", "<!DOCTYPE html><p>hi</p>-->x", false, " x" },
        { "declaration without -> falls to the tag pass", "<!DOCTYPE html>text", false, "  text" },
        // An empty block ends its pass instead of looping; the tag pass takes over.
        { "zero-length script block ends the script pass", "SCRIPT><SCRIPT x>y</SCRIPT>", false, " SCRIPT> y " },
        { "zero-length comment block ends the comment pass", "-><!x", false, " -><!x" },
        { "entities end as spaces", "a&amp;b&nbsp;c&lt;d", false, " a  b  c lt d" },
        { "commas and semicolons become spaces", "a,b;c", false, " a b c" },
        { "words holding amp or nbsp stay whole", "Camp example nbspx", false, " Camp example nbspx" },
        { "capital entity names stay", "&AMP; &NBSP;", false, "  AMP   NBSP " },
        { "only the name right after & goes", "&ampamp", false, "  amp" },
        { "nbsp after a deleted amp stays", "&ampnbsp", false, "  nbsp" },
        { "second & of a pair", "&&amp;x", false, "    x" },
        { "host names keep their letters", "http://camp.example.org/", false, " http://camp.example.org/" },
        { "DEL survives when not checked",
            "a\x7f"
            "b",
            false,
            " a\x7f"
            "b" },
        { "DEL removed when checked",
            "a\x7f"
            "b",
            true, " ab" },
        { "line-break tags in any case when checked", "a<p>b<P>c<Br>d</tr>e<TR>f</P>g", true,
            " a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng" },
        { "line-break tags are spaces when not checked", "a<p>b<BR>c", false, " a b c" },
        { "only the exact line-break tag texts convert", "<P ALIGN=left>x<BR/>", true, "  x " },
    };
    for (const StripCase& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        hook.strip = c.strip;
        // A pass that stops making progress is cut off and shows as a cancel.
        hook.onYield = [](BasicHook& h) {
            if (h.yields > 1000)
                h.cancel = true;
        };
        std::string text = c.input;
        auto result = StripTags(text, hook);
        EXPECT_EQ(c.expected, text);
        EXPECT_EQ(Outcome::Finished, result.outcome);
        EXPECT_EQ(c.strip ? 100.0f : 50.0f, hook.progress);
    }
}

TEST(StripTags, ProgressMovesATenthTowardsTheTargetPerDistinctTag)
{
    struct Case {
        const char* name;
        std::string input;
        bool strip;
        long iterations;
        std::vector<float> atYields; // progress seen at each yield
    };
    const std::vector<Case> cases = {
        { "two distinct tags, not checked", "<b>one</b> <b>two</b>", false, 2, { 0, 0, 0, 5, 9.5f } },
        { "one tag, checked", "<p class=x>text<p>", true, 1, { 0, 0, 0, 10 } },
        { "three tags, not checked", "<a><b><c>", false, 3, { 0, 0, 0, 5, 9.5f, 13.55f } },
        { "no tags", "text", false, 0, { 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        hook.strip = c.strip;
        std::vector<float> seen;
        hook.onYield = [&seen](BasicHook& h) { seen.push_back(h.progress); };
        std::string text = c.input;
        auto result = StripTags(text, hook);
        EXPECT_EQ(c.iterations, result.tagIterations);
        ASSERT_EQ(c.atYields.size(), seen.size());
        for (std::size_t i = 0; i < seen.size(); ++i)
            EXPECT_FLOAT_EQ(c.atYields[i], seen[i]) << "yield " << i + 1;
        EXPECT_EQ(c.strip ? 100.0f : 50.0f, hook.progress);
    }
}

TEST(StripTags, ReadsTheStripSwitchAgainAfterEachTag)
{
    BasicHook hook;
    // Checked from the second tag iteration on: too late for the line-break
    // step, in time for the second progress step and the final value.
    hook.onYield = [](BasicHook& h) {
        if (h.yields == 4)
            h.strip = true;
    };
    std::string text = "<p>x</b>";
    StripTags(text, hook);
    EXPECT_EQ("  x ", text);
    EXPECT_EQ(100.0f, hook.progress);

    BasicHook probe;
    std::vector<float> seen;
    probe.onYield = [&seen](BasicHook& h) {
        if (h.yields == 4)
            h.strip = true;
        seen.push_back(h.progress);
    };
    text = "<p>x</b>";
    StripTags(text, probe);
    ASSERT_EQ(5u, seen.size());
    EXPECT_FLOAT_EQ(14.5f, seen[4]); // 5 + (100 - 5) / 10
}

TEST(StripTags, CancelKeepsWhatWasStrippedSoFar)
{
    const std::string input = "<SCRIPT a>s</SCRIPT><!-- c --><b>x</b>&amp,";
    struct Case {
        const char* name;
        long cancelAtYield; // 0: never
        std::string expected;
        Outcome outcome;
        float progress;
    };
    const std::vector<Case> cases = {
        { "in the script pass", 1, " <SCRIPT a>s</SCRIPT><!-- c --><b>x</b>&amp,", Outcome::Cancelled, 0 },
        { "at the end of the script pass", 2, " <!-- c --><b>x</b>&amp,", Outcome::Cancelled, 0 },
        { "in the comment pass", 3, " <!-- c --><b>x</b>&amp,", Outcome::Cancelled, 0 },
        { "at the first tag", 5, " <b>x</b>&amp,", Outcome::Cancelled, 0 },
        { "at the second tag", 6, "  x</b>&amp,", Outcome::Cancelled, 5 },
        { "at the end of the tag pass", 7, "  x &amp,", Outcome::Cancelled, 9.5f },
        { "not at all", 0, "  x   ", Outcome::Finished, 50 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        hook.onYield = [&c](BasicHook& h) {
            if (h.yields == c.cancelAtYield)
                h.cancel = true;
        };
        std::string text = input;
        auto result = StripTags(text, hook);
        EXPECT_EQ(c.expected, text);
        EXPECT_EQ(c.outcome, result.outcome);
        EXPECT_FLOAT_EQ(c.progress, hook.progress);
    }
}

TEST(StripTags, InternalFailureEmptiesTheText)
{
    BasicHook hook;
    hook.onYield = [](BasicHook& h) {
        if (h.yields == 3)
            throw std::bad_alloc();
    };
    std::string text = "<b>some text</b>";
    auto result = StripTags(text, hook);
    EXPECT_EQ("", text);
    EXPECT_EQ(Outcome::Finished, result.outcome);
}

} // namespace
