// Found by fuzzing: more than 198 characters before an "@" leave the "@"
// beyond the 199-character cut, so the finding holds no "@" at all.
#include "text/Extract.h"
#include "text/VectorRowSink.h"

#include <gtest/gtest.h>

#include <string>

using namespace tamsenor::text;
using tamsenor::text::testing::VectorRowSink;

namespace {

// E-mails and one keyword with the list 0, as an extraction run sets them up.
ExtractSetup emailsAndKeyword(const std::string& keyword)
{
    ExtractSetup setup;
    setup.columns = { "Email", keyword, "FileName", "ProcessTime" };
    setup.keywordOn = true;
    setup.keywords = { Keyword { keyword, "0" } };
    setup.filePath = "/in/a.htm";
    setup.processTime = [] { return std::string("t"); };
    return setup;
}

TEST(EmailCut, LongRunBeforeTheAtSignIsCutBeforeIt)
{
    const std::string run = std::string(120, '\xff') + std::string(130, 'a');
    BasicHook hook;
    std::string text = " x " + run + "@host.test y ";

    EXPECT_EQ(run.substr(0, 199), NextEmail(text, hook));
    EXPECT_EQ(" x " + run + "host.test y ", text) << "the '@' is consumed all the same";
    EXPECT_EQ("", NextEmail(text, hook));
}

TEST(EmailCut, PassEndsAndKeepsOneRowPerAtSign)
{
    const std::string run(250, 'r');
    ExtractSetup setup;
    setup.columns = { "Email", "FileName", "ProcessTime" };
    setup.filePath = "/in/a.htm";
    setup.processTime = [] { return std::string("t"); };
    std::string text = " " + run + "@@ b@c ";
    VectorRowSink rows(setup.columns.size());
    BasicHook hook;

    ASSERT_EQ(Outcome::Finished, ExtractFindings(text, setup, rows, hook).outcome);

    EXPECT_EQ((std::vector<std::string> { run.substr(0, 199), run.substr(0, 199), "b@c" }), rows.column(0));
    EXPECT_EQ(0, rows.misuses);
}

// Found by fuzzing: a keyword that is a space, with the list 0, consumes every
// space; the next "@" then has no space before it, so the left part is empty
// and the finding is the text after the "@" alone.
TEST(EmailCut, KeywordConsumingEverySpaceLeavesAnEmailWithoutItsLeftPart)
{
    const ExtractSetup setup = emailsAndKeyword(" ");
    std::string text = " p@q r@s ";
    VectorRowSink rows(setup.columns.size());
    BasicHook hook;

    ASSERT_EQ(Outcome::Finished, ExtractFindings(text, setup, rows, hook).outcome);

    EXPECT_EQ((std::vector<std::string> { "p@q", "s" }), rows.column(0));
    EXPECT_EQ((std::vector<std::string> { " ", "" }), rows.column(1));
}

// Found by fuzzing: once a keyword holding a space has consumed the spaces
// before an "@" that a space follows, that "@" gives an empty finding, the row
// is empty and the pass ends with later "@"s still in the text.
TEST(EmailCut, EmptyFindingFromAnAtSignWithoutSpacesAroundEndsThePass)
{
    const ExtractSetup setup = emailsAndKeyword(" x");
    std::string text = " xp@q x@ r@s ";
    VectorRowSink rows(setup.columns.size());
    BasicHook hook;

    ASSERT_EQ(Outcome::Finished, ExtractFindings(text, setup, rows, hook).outcome);

    EXPECT_EQ((std::vector<std::string> { "xp@q" }), rows.column(0));
    EXPECT_EQ((std::vector<std::string> { " " }), rows.column(1));
    EXPECT_NE(std::string::npos, text.find("r@s")) << text;
}

} // namespace
