#include "reference/ReferenceStripTags.h"
#include "text/StripTags.h"
#include "text/TagWalk.h"

#include "text/RecordingHook.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using tamsenor::text::Hook;
using tamsenor::text::Outcome;
using tamsenor::text::testing::RecordingHook;

namespace {

struct PassRun {
    std::string text;
    Outcome outcome = Outcome::Finished;
    long iterations = 0;
    RecordingHook hook;
};

template <class Pass> PassRun runWith(Pass pass, const std::string& input, bool strip, long cancelAtYield)
{
    PassRun run;
    run.text = input;
    run.hook.strip = strip;
    run.hook.cancelAtYield = cancelAtYield;
    run.outcome = pass(run.text, run.hook, run.iterations);
    return run;
}

// The walk with the given hash base against the literal tag pass: text,
// outcome, iteration count and every hook call.
PassRun expectSameTagPass(const std::string& input, std::uint64_t base, bool strip, long cancelAtYield)
{
    PassRun expected = runWith([](std::string& t, Hook& h, long& i) { return tamsenor::reference::TagPass(t, h, i); },
        input, strip, cancelAtYield);
    PassRun actual
        = runWith([base](std::string& t, Hook& h, long& i) { return tamsenor::text::WalkTagPass(t, h, i, base); },
            input, strip, cancelAtYield);
    EXPECT_EQ(expected.text, actual.text);
    EXPECT_EQ(expected.outcome, actual.outcome);
    EXPECT_EQ(expected.iterations, actual.iterations);
    EXPECT_EQ(expected.hook.log, actual.hook.log);
    return expected;
}

// Bases that make many texts hash alike: 1 sums the characters, so every
// anagram collides; 2^61 - 2 is -1 and only tells apart alternating sums.
// The walk must then pass by every false match.
struct Base {
    const char* name;
    std::uint64_t value;
};
const Base Bases[] = { { "drawn-like", 0x1F3A5C7E9B2D4F61ull % ((1ull << 61) - 1) }, { "sum", 1 },
    { "alternating", (1ull << 61) - 2 } };

// Under every base, `count` texts of 1 to `maxPieces` random pieces, each
// stripped whole and, now and then, with a cancel at a random yield.
void expectSameOnGeneratedTexts(const std::vector<std::string>& pieces, unsigned seed, int maxPieces, int count)
{
    for (const Base& base : Bases) {
        SCOPED_TRACE(base.name);
        std::mt19937 random(seed);
        std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
        std::uniform_int_distribution<int> length(1, maxPieces);
        for (int n = 0; n < count && !::testing::Test::HasFailure(); ++n) {
            std::string input;
            for (int i = length(random); i > 0; --i)
                input += pieces[pick(random)];
            SCOPED_TRACE("input '" + input + "'");
            const bool strip = n % 3 == 0;
            const PassRun whole = expectSameTagPass(input, base.value, strip, 0);
            if (n % 5 == 0 && whole.hook.yields > 1) {
                std::uniform_int_distribution<long> yield(1, whole.hook.yields);
                expectSameTagPass(input, base.value, strip, yield(random));
            }
        }
    }
}

// Tags with more than one "<", the ends of groups that later tags reach, and
// anagrams of one another.
TEST(TagWalkDifferential, GeneratedGroupsUnderWeakHashes)
{
    expectSameOnGeneratedTexts({ "<a>", "<b>", "<ab>", "<ba>", "<a<b>", "<b<a>", "<a <b>", "<<b>", "<q<a>", "<<", "<",
                                   ">", "a>", "b>", " >", "x", " ", "<a", "<b" },
        32, 40, 6000);
}

// Tags with dozens of "<", so that groups match them from deep inside: the
// walk keeps only some of a long tag's inner suffixes and must still find
// every tag that ends a group.
TEST(TagWalkDifferential, TagsWithManyLts)
{
    expectSameOnGeneratedTexts(
        { "<", "<<<<", std::string(15, '<'), std::string(17, '<'), ">", " >", " ", "a", "<a" }, 64, 60, 3000);
}

// Mostly distinct tags, as in a text of numbered tags: a tag whose tail (from
// its last "<") no other group has is taken without filing, and the pieces
// with a space, a group without "<" or a shared tail must still be found.
TEST(TagWalkDifferential, MostlyDistinctTails)
{
    std::vector<std::string> pieces { "<a>", "<a", " ", "b>", ">", "<q b>", "<" };
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i);
        for (const std::string& piece : { "<<" + n + ">", "<a<" + n + ">", "<" + n + " b>", n + ">", "<" + n })
            pieces.push_back(piece);
    }
    expectSameOnGeneratedTexts(pieces, 27, 40, 3000);
}

// Shapes where what a dead group leaves over travels far: a long run with a
// "<" in front that each later tag carries one group further, many "<" in a
// row that tags take one by one, and a long remnant that the same short tag
// takes apart from the end while a long tag has all its suffixes. Every
// cancel point is checked.
TEST(TagWalkDifferential, LeftoversCarriedAcrossManyGroups)
{
    auto repeated = [](const std::string& piece, int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += piece;
        return text;
    };
    auto numbered = [](const std::string& before, int count, const std::string& after) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += before + std::to_string(i) + after;
        return text;
    };
    // Each "<xN>" takes the "<a" off "<a<xN>", which joins "<b>" into a new
    // "<a <b>": one more iteration with that same tag.
    auto takers = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "<x" + std::to_string(i) + "><a<x" + std::to_string(i) + "><b>";
        return text;
    };
    struct Case {
        const char* name;
        std::string input;
    };
    const Case cases[] = {
        { "run carried by each tag", numbered("<a", 12, ">") + "<" + std::string(30, 'x') + numbered("<a", 12, ">") },
        { "run carried with two-lt tags",
            numbered("<q<a", 8, ">") + "<" + std::string(9, 'x') + numbered("<q<a", 8, ">") },
        { "lts taken one by one", std::string(20, '<') + ">" + numbered("<", 10, ">") + std::string(20, '<') + "> >" },
        { "tag comes back after a join", "<a<b> <a >x<c<b> >y<a >" },
        { "leftover without a later group", "<b> <a<b>" },
        { "distinct two-lt tags", numbered("<<", 30, ">") },
        { "tag with a space reaches a later join", numbered("<<", 6, ">") + "<z><q b><q<z>b>" },
        { "short tags taking a long remnant apart",
            repeated("<a", 40) + " <b><z>" + takers(30) + repeated("<a", 40) + "<z>" + repeated("<b>", 45) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Base& base : Bases) {
            SCOPED_TRACE(base.name);
            const PassRun whole = expectSameTagPass(c.input, base.value, false, 0);
            for (long at = 1; at <= whole.hook.yields && !HasFailure(); ++at)
                expectSameTagPass(c.input, base.value, true, at);
        }
    }
}

TEST(TagWalk, RefusesABaseOutsideTheField)
{
    std::string text = "<a>";
    RecordingHook hook;
    long iterations = 0;
    for (std::uint64_t base : { std::uint64_t(0), (std::uint64_t(1) << 61) - 1 })
        EXPECT_THROW(tamsenor::text::WalkTagPass(text, hook, iterations, base), std::invalid_argument);
    EXPECT_EQ("<a>", text);
}

} // namespace
