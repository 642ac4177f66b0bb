#include "text/ThrottledHook.h"
#include "text/StripTags.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using tamsenor::text::BasicHook;
using tamsenor::text::Outcome;
using tamsenor::text::StripTags;
using tamsenor::text::ThrottledHook;
using namespace std::chrono_literals;

namespace {

TEST(ThrottledHook, PassesOnAtMostOneYieldPerInterval)
{
    struct Case {
        const char* name;
        std::vector<int> clockAtYields; // milliseconds
        long passedOn;
    };
    const std::vector<Case> cases = {
        { "the first yield always goes", { 0 }, 1 },
        { "yields inside the interval are dropped", { 0, 1, 1, 1 }, 1 },
        { "one per interval", { 0, 1, 2, 3, 4, 5 }, 3 },
        { "a long pause lets the next one through", { 0, 100, 100, 250 }, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook inner;
        std::size_t call = 0;
        ThrottledHook hook(inner, 2ms,
            [&] { return ThrottledHook::Clock::time_point(std::chrono::milliseconds(c.clockAtYields.at(call++))); });
        for (std::size_t i = 0; i < c.clockAtYields.size(); ++i)
            hook.yield();
        EXPECT_EQ(c.passedOn, inner.yields);
    }
}

// A cancel requested inside the one yield that went through stops the
// stripper at its next test point, although later yields are dropped.
TEST(ThrottledHook, CancelIsSeenAtTheNextTestPoint)
{
    BasicHook inner;
    inner.onYield = [](BasicHook& h) { h.cancel = true; };
    ThrottledHook hook(inner, 1h);
    std::string text = "<a><b><c>";
    auto result = StripTags(text, hook);
    EXPECT_EQ(Outcome::Cancelled, result.outcome);
    EXPECT_EQ(1, inner.yields);
    EXPECT_EQ(" <a><b><c>", text); // seen at the start of the script pass
}

TEST(ThrottledHook, ProgressAndSwitchGoThroughEveryTime)
{
    BasicHook inner;
    inner.strip = true;
    ThrottledHook hook(inner, 1h);
    std::string text = "<a><b>";
    StripTags(text, hook);
    EXPECT_EQ(1, inner.yields);
    EXPECT_EQ(100.0f, inner.progress);
    EXPECT_EQ("   ", text);
}

} // namespace
