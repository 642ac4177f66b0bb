#include "reference/ReferenceStripTags.h"
#include "text/StripTags.h"

#include "text/RecordingHook.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using tamsenor::text::testing::RecordingHook;

namespace {

// The general tag pass files groups in a table under 32 bits of a hash, so
// different texts can share a bucket. These pairs share one under the present
// hash (the first two as tags with one "<", the last two with two): lookups
// then meet groups that are not copies of their tag and must pass them by.
const std::string SharedA = "<a18016>";
const std::string SharedB = "<a138457>";
const std::string SharedC = "<a<809>";
const std::string SharedD = "<a<57340>";

struct StripRun {
    std::string text;
    tamsenor::text::StripResult result;
    RecordingHook hook;
};

template <class Engine> StripRun runWith(Engine engine, const std::string& input, bool strip, long cancelAtYield)
{
    StripRun run;
    run.text = input;
    run.hook.strip = strip;
    run.hook.cancelAtYield = cancelAtYield;
    run.result = engine(run.text, run.hook);
    return run;
}

StripRun expectSameAsReference(const std::string& input, bool strip, long cancelAtYield)
{
    StripRun expected = runWith([](std::string& t, tamsenor::text::Hook& h) { return tamsenor::reference::StripTags(t, h); },
        input, strip, cancelAtYield);
    StripRun actual = runWith([](std::string& t, tamsenor::text::Hook& h) { return tamsenor::text::StripTags(t, h); },
        input, strip, cancelAtYield);
    EXPECT_EQ(expected.text, actual.text);
    EXPECT_EQ(expected.result.outcome, actual.result.outcome);
    EXPECT_EQ(expected.result.tagIterations, actual.result.tagIterations);
    EXPECT_EQ(expected.hook.progress, actual.hook.progress);
    EXPECT_EQ(expected.hook.log, actual.hook.log);
    return expected;
}

// Tags whose keys share a bucket, as whole groups, as the last part of
// groups with more "<" in front, and split by stray markers, with a cancel
// at some yield now and then.
TEST(StripSharedKeyDifferential, TagsWhoseKeysShareABucket)
{
    const std::vector<std::string> pieces = { SharedA, SharedB, SharedC, SharedD, "<q" + SharedA, "<q" + SharedC,
        "<q" + SharedD, "<<" + SharedB.substr(1), "x", " ", "<", ">", "<a", "<<", "809>", "57340>" };
    std::mt19937 random(32);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 40);
    for (int n = 0; n < 4000 && !HasFailure(); ++n) {
        // Half the inputs open with a group of two "<", which the general pass handles.
        std::string input = n % 2 == 0 ? "<<x>" : "";
        for (int i = length(random); i > 0; --i)
            input += pieces[pick(random)];
        SCOPED_TRACE("input '" + input + "'");
        const StripRun whole = expectSameAsReference(input, n % 3 == 0, 0);
        if (n % 5 == 0 && whole.hook.yields > 1) {
            std::uniform_int_distribution<long> yield(1, whole.hook.yields);
            expectSameAsReference(input, n % 3 == 0, yield(random));
        }
    }
}

} // namespace
