#include "text/MultiSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using tamsenor::text::MultiSearch;

namespace {

using Occurrences = std::vector<std::pair<std::uint32_t, std::size_t>>;

// Every occurrence by plain comparison, in the order the search reports them:
// by last byte, then longest first.
Occurrences naive(const std::vector<std::string>& patterns, const std::string& text)
{
    Occurrences found;
    for (std::size_t end = 1; end <= text.size(); ++end) {
        std::vector<std::pair<std::size_t, std::uint32_t>> here;
        for (std::size_t p = 0; p < patterns.size(); ++p) {
            const std::size_t n = patterns[p].size();
            if (n <= end && text.compare(end - n, n, patterns[p]) == 0)
                here.emplace_back(n, static_cast<std::uint32_t>(p));
        }
        std::sort(here.rbegin(), here.rend());
        for (const auto& [length, p] : here)
            found.emplace_back(p, end - length);
    }
    return found;
}

TEST(MultiSearch, FindsWhatPlainComparisonFinds)
{
    std::mt19937 random(27);
    const std::string letters = "ab :\xe9";
    auto randomText = [&](std::size_t length) {
        std::string t;
        for (std::size_t i = 0; i < length; ++i)
            t += letters[random() % letters.size()];
        return t;
    };
    for (int n = 0; n < 3000 && !HasFailure(); ++n) {
        std::vector<std::string> patterns;
        for (std::size_t count = 1 + random() % 12; patterns.size() < count;) {
            const std::string pattern = randomText(1 + random() % 5);
            if (std::find(patterns.begin(), patterns.end(), pattern) == patterns.end())
                patterns.push_back(pattern);
        }
        const std::string text = randomText(random() % 60);
        SCOPED_TRACE("text '" + text + "'");
        const MultiSearch search(std::vector<std::string_view>(patterns.begin(), patterns.end()));
        Occurrences found;
        search.forEach(text, [&](std::uint32_t p, std::size_t start) { found.emplace_back(p, start); });
        EXPECT_EQ(naive(patterns, text), found);
    }
}

} // namespace
