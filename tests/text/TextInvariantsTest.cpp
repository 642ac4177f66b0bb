#include "text/Extract.h"
#include "text/StripTags.h"

#include "text/VectorRowSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using tamsenor::text::BasicHook;
using tamsenor::text::ExtractFindings;
using tamsenor::text::ExtractSetup;
using tamsenor::text::Outcome;
using tamsenor::text::StripTags;
using tamsenor::text::testing::VectorRowSink;

namespace {

// Pieces that make the markers of the stripper and the extractors collide often.
const std::vector<std::string> Alphabet = {
    "<",
    ">",
    "!",
    "-",
    "->",
    "<!",
    "script",
    "SCRIPT",
    "<script",
    "script>",
    "<p>",
    "<BR>",
    "&amp;",
    "&nbsp;",
    "&",
    "amp",
    ",",
    ";",
    "@",
    "://",
    " ",
    "  ",
    "\r\n",
    "\t",
    "\x7f",
    "a",
    "b",
    "K:",
    "x",
    "http",
};

std::string randomInput(std::mt19937& random)
{
    std::uniform_int_distribution<std::size_t> length(0, 60);
    std::uniform_int_distribution<std::size_t> piece(0, Alphabet.size() - 1);
    std::string text;
    for (std::size_t n = length(random); n > 0; --n)
        text += Alphabet[piece(random)];
    return text;
}

std::size_t countOf(const std::string& text, char c)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

TEST(TextEngines, InvariantsHoldForRandomMarkup)
{
    std::mt19937 random(20240611);
    const std::vector<std::string> columns = { "Email", "WebSite", "K:", "a", "FileName", "ProcessTime" };
    ExtractSetup setup;
    setup.columns = columns;
    setup.keywordOn = true;
    setup.keywords = { { "K:", "1, 2" }, { "a", "0" } };
    setup.filePath = "/f";
    setup.processTime = [] { return std::string("t"); };

    for (int round = 0; round < 5000; ++round) {
        const std::string input = randomInput(random);
        const bool strip = round % 2 == 1;
        SCOPED_TRACE("input '" + input + "' strip " + std::to_string(strip));

        // Every iteration of a pass shortens the text, so the passes together
        // cannot yield more often than the text is long, plus one ending yield each.
        const long yieldLimit = static_cast<long>(input.size()) + 4;
        BasicHook hook;
        hook.strip = strip;
        hook.onYield = [yieldLimit](BasicHook& h) {
            if (h.yields > yieldLimit)
                h.cancel = true;
        };
        std::string text = input;
        auto stripped = StripTags(text, hook);
        ASSERT_EQ(Outcome::Finished, stripped.outcome) << "a pass made no progress";
        EXPECT_EQ(std::string::npos, text.find_first_of("&,;"));
        std::size_t lastOpen = text.rfind('<');
        if (lastOpen != std::string::npos) {
            EXPECT_EQ(std::string::npos, text.find('>', lastOpen)) << "text: '" << text << "'";
        }
        if (strip) {
            EXPECT_EQ(std::string::npos, text.find('\x7f'));
        }

        // Extraction: each row with a finding consumes a marker or keyword,
        // so rows stay below the text length.
        const std::size_t addresses = countOf(text, '@');
        const long extractLimit = 20 * static_cast<long>(text.size()) + 20;
        BasicHook extractHook;
        extractHook.onYield = [extractLimit](BasicHook& h) {
            if (h.yields > extractLimit)
                h.cancel = true;
        };
        VectorRowSink rows(columns.size());
        ASSERT_EQ(Outcome::Finished, ExtractFindings(text, setup, rows, extractHook).outcome) << "the row loop did not end";
        EXPECT_EQ(0, rows.misuses);
        std::size_t emails = 0;
        for (const auto& row : rows.rows) {
            ASSERT_EQ(columns.size(), row.size());
            EXPECT_TRUE(!row[0].empty() || !row[1].empty() || !row[2].empty() || !row[3].empty())
                << "a row without any finding was kept";
            if (!row[0].empty()) {
                ++emails;
                EXPECT_NE(std::string::npos, row[0].find('@'));
                EXPECT_LE(row[0].size(), 199u);
            }
            if (!row[1].empty()) {
                EXPECT_NE(std::string::npos, row[1].find("://"));
            }
            EXPECT_TRUE(row[3].empty() || row[3] == " ") << "list 0 yields a single space";
            EXPECT_EQ("/f", row[4]);
            EXPECT_EQ("t", row[5]);
        }
        EXPECT_LE(std::count_if(rows.rows.begin(), rows.rows.end(), [](const auto& row) { return row[3] == " "; }), 1);
        // No address is lost, whatever the other extractors find.
        EXPECT_EQ(addresses, emails);
        EXPECT_EQ(std::string::npos, text.find('@'));
    }
}

} // namespace
