#include "reference/ReferenceStripTags.h"
#include "text/StripTags.h"

#include "text/EngineCases.h"
#include "text/MarkupGenerator.h"
#include "text/RecordingHook.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using tamsenor::text::StripResult;
using tamsenor::text::testing::RandomMarkup;
using tamsenor::text::testing::RecordingHook;
using tamsenor::text::testing::StripInputs;

namespace {

struct Setting {
    bool strip = false;
    long cancelAtYield = 0;
    long flipStripAtYield = 0;
};

struct StripRun {
    std::string text;
    StripResult result;
    RecordingHook hook;
};

// `room`: the text has room for a character more (the stripper then works in place).
template <class Engine>
StripRun runWith(Engine engine, const std::string& input, const Setting& setting, bool room = false)
{
    StripRun run;
    run.text.reserve(input.size() + (room ? 1 : 0));
    run.text = input;
    run.hook.strip = setting.strip;
    run.hook.cancelAtYield = setting.cancelAtYield;
    run.hook.flipStripAtYield = setting.flipStripAtYield;
    run.result = engine(run.text, run.hook);
    return run;
}

// Runs both strippers and reports every way they differ; returns the
// reference run so that callers can choose further settings from it.
StripRun expectSameAsReference(const std::string& input, const Setting& setting)
{
    StripRun expected = runWith(
        [](std::string& t, tamsenor::text::Hook& h) { return tamsenor::reference::StripTags(t, h); }, input, setting);
    for (const bool room : { false, true }) {
        SCOPED_TRACE(room ? "in place" : "copied");
        StripRun actual = runWith(
            [](std::string& t, tamsenor::text::Hook& h) { return tamsenor::text::StripTags(t, h); }, input, setting,
            room);
        EXPECT_EQ(expected.text, actual.text);
        EXPECT_EQ(expected.result.outcome, actual.result.outcome);
        EXPECT_EQ(expected.result.tagIterations, actual.result.tagIterations);
        EXPECT_EQ(expected.hook.progress, actual.hook.progress);
        EXPECT_EQ(expected.hook.log, actual.hook.log);
    }
    return expected;
}

TEST(StripDifferential, EveryHandWrittenCaseWithACancelAtEveryYield)
{
    for (const std::string& input : StripInputs()) {
        for (bool strip : { false, true }) {
            SCOPED_TRACE("input '" + input + "' strip " + std::to_string(strip));
            StripRun whole = expectSameAsReference(input, { strip, 0, 0 });
            for (long at = 1; at <= whole.hook.yields; ++at) {
                SCOPED_TRACE("cancel at yield " + std::to_string(at));
                expectSameAsReference(input, { strip, at, 0 });
                expectSameAsReference(input, { strip, 0, at });
            }
        }
    }
}

TEST(StripDifferential, GeneratedMarkup)
{
    std::mt19937 random(8);
    std::uniform_int_distribution<int> coin(0, 1);
    for (int n = 0; n < 150000 && !HasFailure(); ++n) {
        const std::string input = RandomMarkup(random, n % 3 == 0 ? 40 : 12);
        SCOPED_TRACE("input '" + input + "'");
        Setting setting { coin(random) == 1, 0, 0 };
        StripRun whole = expectSameAsReference(input, setting);
        if (n % 8 == 0 && whole.hook.yields > 0) {
            std::uniform_int_distribution<long> yield(1, whole.hook.yields);
            expectSameAsReference(input, { setting.strip, yield(random), 0 });
            expectSameAsReference(input, { setting.strip, 0, yield(random) });
        }
    }
}

TEST(StripDifferential, LongerGeneratedMarkup)
{
    std::mt19937 random(80);
    for (int n = 0; n < 300 && !HasFailure(); ++n) {
        const std::string input = RandomMarkup(random, 1500);
        SCOPED_TRACE("input '" + input + "'");
        expectSameAsReference(input, { n % 2 == 0, 0, 0 });
    }
}

// Many copies of few tag texts, and tags sharing their last "<" part.
TEST(StripDifferential, RepeatedAndNestedTags)
{
    std::mt19937 random(800);
    const std::vector<std::string> pieces = { "<a>", "<b>", "<a <b>", "<<b>", "x", " ", "<", ">", "<a<a<b>" };
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    for (int n = 0; n < 3000 && !HasFailure(); ++n) {
        std::string input;
        for (int i = 0; i < 30; ++i)
            input += pieces[pick(random)];
        SCOPED_TRACE("input '" + input + "'");
        expectSameAsReference(input, { false, 0, 0 });
    }
}

// Script and comment blocks whose deletion joins text into new markers, many
// copies of few blocks, and blocks nested in one another.
TEST(StripDifferential, BlocksThatFormNewMarkers)
{
    std::mt19937 random(8000);
    const std::vector<std::string> pieces = { "<!", "->", "-", ">", "<", "!", "a", "<!a->", "<!-b->", "<script",
        "SCRIPT>", "scr", "ipt>", "<SCR", "IPT", "<sCrIpT x>y</ScRiPt>", "S", "x", " " };
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int n = 0; n < 20000 && !HasFailure(); ++n) {
        std::string input;
        for (int i = length(random); i > 0; --i)
            input += pieces[pick(random)];
        SCOPED_TRACE("input '" + input + "'");
        StripRun whole = expectSameAsReference(input, { false, 0, 0 });
        if (n % 10 == 0 && whole.hook.yields > 1)
            expectSameAsReference(input, { false, whole.hook.yields / 2, 0 });
    }
}

} // namespace
