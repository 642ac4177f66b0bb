#include "reference/ReferenceExtract.h"
#include "text/Extract.h"

#include "text/EngineCases.h"
#include "text/MarkupGenerator.h"
#include "text/RecordingHook.h"
#include "text/VectorRowSink.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using tamsenor::text::ExtractSetup;
using tamsenor::text::Hook;
using tamsenor::text::Keyword;
using tamsenor::text::Outcome;
using tamsenor::text::PositionError;
using tamsenor::text::RowSink;
using tamsenor::text::testing::ExtractCase;
using tamsenor::text::testing::ExtractInputs;
using tamsenor::text::testing::RandomMarkup;
using tamsenor::text::testing::RecordingHook;
using tamsenor::text::testing::VectorRowSink;

namespace {

ExtractSetup setupFor(const ExtractCase& c)
{
    ExtractSetup setup;
    setup.columns = c.columns;
    setup.keywordOn = !c.keywords.empty();
    setup.keywords = c.keywords;
    setup.filePath = "/f.html";
    int asked = 0;
    setup.processTime = [asked]() mutable { return "t" + std::to_string(++asked); };
    return setup;
}

struct PassRun {
    std::string text;
    Outcome outcome = Outcome::Finished;
    bool threw = false;
    VectorRowSink rows { 0 };
    RecordingHook hook;
};

template <class Pass> PassRun runPass(Pass pass, const ExtractCase& c, long cancelAtYield)
{
    PassRun run;
    run.text = c.text;
    run.rows = VectorRowSink(c.columns.size());
    run.hook.progress = 50;
    run.hook.cancelAtYield = cancelAtYield;
    try {
        run.outcome = pass(run.text, setupFor(c), run.rows, run.hook);
    } catch (const PositionError&) {
        run.threw = true;
    }
    return run;
}

// The production pass; `split`: the run's way, the white space normalised
// first (on a worker) and the text not given back.
PassRun runProduction(const ExtractCase& c, long cancelAtYield, bool split)
{
    return runPass(
        [split](std::string& t, const ExtractSetup& s, RowSink& r, Hook& h) {
            ExtractSetup setup = s;
            if (split) {
                setup.textNormalised = true;
                setup.giveBackText = false;
                t = tamsenor::text::NormaliseForExtraction(t, h);
            }
            const tamsenor::text::FindingsResult result = tamsenor::text::ExtractFindings(t, setup, r, h);
            if (!result.positionProblem.empty())
                throw PositionError(result.positionProblem); // as the literal pass reports it
            return result.outcome;
        },
        c, cancelAtYield);
}

PassRun expectSamePass(const ExtractCase& c, long cancelAtYield)
{
    PassRun expected = runPass([](std::string& t, const ExtractSetup& s, RowSink& r,
                                   Hook& h) { return tamsenor::reference::ExtractFindings(t, s, r, h); },
        c, cancelAtYield);
    const PassRun actual = runProduction(c, cancelAtYield, false);
    EXPECT_EQ(expected.threw, actual.threw);
    EXPECT_EQ(expected.outcome, actual.outcome);
    EXPECT_EQ(expected.rows.rows, actual.rows.rows);
    EXPECT_EQ(expected.rows.misuses, actual.rows.misuses);
    EXPECT_EQ(expected.text, actual.text);
    EXPECT_EQ(expected.hook.progress, actual.hook.progress);
    EXPECT_EQ(expected.hook.log, actual.hook.log);
    const PassRun split = runProduction(c, cancelAtYield, true);
    EXPECT_EQ(expected.threw, split.threw);
    EXPECT_EQ(expected.outcome, split.outcome);
    EXPECT_EQ(expected.rows.rows, split.rows.rows);
    EXPECT_EQ(expected.hook.log, split.hook.log);
    return expected;
}

// Calls one extractor until it comes up empty (or a few times more than the
// text is long), on both engines, comparing every result and the text after it.
template <class Reference, class Production>
void expectSameCalls(const std::string& input, Reference reference, Production production)
{
    std::string expectedText = input;
    std::string actualText = input;
    RecordingHook expectedHook;
    RecordingHook actualHook;
    for (std::size_t call = 0; call <= input.size() + 1; ++call) {
        SCOPED_TRACE("call " + std::to_string(call + 1));
        std::string expected;
        std::string actual;
        bool expectedThrew = false;
        bool actualThrew = false;
        try {
            expected = reference(expectedText, expectedHook);
        } catch (const PositionError&) {
            expectedThrew = true;
        }
        try {
            actual = production(actualText, actualHook);
        } catch (const PositionError&) {
            actualThrew = true;
        }
        EXPECT_EQ(expectedThrew, actualThrew);
        EXPECT_EQ(expected, actual);
        EXPECT_EQ(expectedText, actualText);
        EXPECT_EQ(expectedHook.log, actualHook.log);
        if (expected.empty() || expectedThrew)
            break;
    }
}

void expectSameExtractorCalls(const std::string& input, const std::vector<Keyword>& keywords)
{
    {
        SCOPED_TRACE("e-mail");
        expectSameCalls(
            input, [](std::string& t, Hook& h) { return tamsenor::reference::NextEmail(t, h); },
            [](std::string& t, Hook& h) { return tamsenor::text::NextEmail(t, h); });
    }
    {
        SCOPED_TRACE("web site");
        expectSameCalls(
            input, [](std::string& t, Hook& h) { return tamsenor::reference::NextWebSite(t, h); },
            [](std::string& t, Hook& h) { return tamsenor::text::NextWebSite(t, h); });
    }
    for (const Keyword& keyword : keywords) {
        SCOPED_TRACE("keyword '" + keyword.name + "' list '" + keyword.position + "'");
        expectSameCalls(
            input,
            [&keyword](std::string& t, Hook& h) { return tamsenor::reference::NextKeywordResult(t, keyword, h); },
            [&keyword](std::string& t, Hook& h) { return tamsenor::text::NextKeywordResult(t, keyword, h); });
    }
}

TEST(ExtractDifferential, EveryHandWrittenCaseWithACancelAtEveryYield)
{
    for (const ExtractCase& c : ExtractInputs()) {
        SCOPED_TRACE("text '" + c.text + "' first column '" + c.columns.front() + "'");
        PassRun whole = expectSamePass(c, 0);
        for (long at = 1; at <= whole.hook.yields; ++at) {
            SCOPED_TRACE("cancel at yield " + std::to_string(at));
            expectSamePass(c, at);
        }
        expectSameExtractorCalls(c.text, c.keywords);
    }
}

// Column sets that make the extractors share, form and destroy one another's markers.
std::vector<ExtractCase> generatedSetups(const std::string& text)
{
    return {
        { text, { "Email", "FileName", "ProcessTime" }, {} },
        { text, { "WebSite" }, {} },
        { text, { "Email", "WebSite", "Author:", "K:", "FileName" }, { { "Author:", "1, 2" }, { "K:", "0" } } },
        { text, { "K:", "a" }, { { "K:", "3, 1" }, { "a", "1, 0" }, { "K:", "1" } } },
        { text, { "ab", "WebSite", "Email", "b a" }, { { "ab", "0" }, { "b a", "1" } } },
        { text, { "::", "a:", "@", "/" }, { { "::", "-1" }, { "a:", "1, 3" }, { "@", "2" }, { "/", "1, 2, 4, 9" } } },
        // Names that begin one another, so one deletion forms several at once.
        { text, { "a", "ab", "aab", "b a", "a:", "ba", "WebSite" },
            { { "ab", "0" }, { "a", "1" }, { "aab", "1, 2" }, { "b a", "2" }, { "a:", "-1" }, { "ba", "0" } } },
        // Enough names that one pass finds them all ahead, with the same deletions and formings.
        { text, { "a", "ab", "aab", "b a", "Email", "a:", "ba", "b", "://", " ", "a a", "WebSite", "<a" },
            { { "ab", "0" }, { "a", "1" }, { "aab", "1, 2" }, { "b a", "2" }, { "a:", "-1" }, { "ba", "0" },
                { "b", "2, 1" }, { "://", "1" }, { " ", "1" }, { "a a", "0" }, { "<a", "1, 3" } } },
    };
}

TEST(ExtractDifferential, GeneratedText)
{
    std::mt19937 random(88);
    for (int n = 0; n < 100000 && !HasFailure(); ++n) {
        const std::string input = RandomMarkup(random, n % 4 == 0 ? 40 : 14);
        SCOPED_TRACE("input '" + input + "'");
        const std::vector<ExtractCase> setups = generatedSetups(input);
        const ExtractCase& c = setups[static_cast<std::size_t>(n) % setups.size()];
        PassRun whole = expectSamePass(c, 0);
        if (n % 10 == 0 && whole.hook.yields > 0) {
            std::uniform_int_distribution<long> yield(1, whole.hook.yields);
            expectSamePass(c, yield(random));
        }
        if (n % 5 == 0)
            expectSameExtractorCalls(input, setups[5].keywords);
    }
}

TEST(ExtractDifferential, LongerGeneratedText)
{
    std::mt19937 random(880);
    for (int n = 0; n < 300 && !HasFailure(); ++n) {
        const std::string input = RandomMarkup(random, 600);
        SCOPED_TRACE("input '" + input + "'");
        for (const ExtractCase& c : generatedSetups(input))
            expectSamePass(c, 0);
    }
}

} // namespace
