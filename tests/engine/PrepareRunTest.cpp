#include "engine/PrepareRun.h"
#include "engine/ProcessRun.h"
#include "engine/RunFixture.h"
#include "engine/SaveResults.h"

#include <array>
#include <functional>

namespace tamsenor::testing {
namespace {

using Names = std::vector<std::string>;

TEST(ColumnNamesTest, FollowFlagsAndKeywordOrder)
{
    struct Row {
        const char* name;
        bool email, website, keyword;
        Names keywords;
        Names expected;
        bool links = false;
    };
    const Row rows[] = {
        { "web sites and two keywords", 0, 1, 1, { "Price", "Phone" },
            { "WebSite", "Price", "Phone", "FileName", "ProcessTime" } },
        { "e-mails before web sites", 1, 1, 0, {}, { "Email", "WebSite", "FileName", "ProcessTime" } },
        { "keywords alone", 0, 0, 1, { "Price" }, { "Price", "FileName", "ProcessTime" } },
        { "keywords off ignores the table", 0, 1, 0, { "Price" }, { "WebSite", "FileName", "ProcessTime" } },
        { "an empty first name is overwritten", 0, 0, 1, { "", "A" }, { "A", "FileName", "ProcessTime" } },
        { "an empty later name stays", 0, 1, 1, { "" }, { "WebSite", "", "FileName", "ProcessTime" } },
        { "links come last", 0, 1, 1, { "Price" }, { "WebSite", "Price", "FileName", "ProcessTime", "Link", "MailTo" },
            true },
        { "links alone leave no empty column", 0, 0, 0, {}, { "FileName", "ProcessTime", "Link", "MailTo" }, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KeywordTable table;
        for (const std::string& name : row.keywords)
            table.addNew(name, "1");
        RunSettings settings;
        settings.email = row.email;
        settings.website = row.website;
        settings.keyword = row.keyword;
        settings.links = row.links;
        EXPECT_EQ(row.expected, BuildColumnNames(settings, &table).value_or(Names {}));
        if (row.keyword && !row.keywords.empty()) {
            EXPECT_TRUE(table.eof()); // left past its last record, as the pass also leaves it
        }
    }
}

class RefusalTest : public RunFixture { };

// A refused run shows why and leaves everything the user set as it was.
TEST_F(RefusalTest, EachRefusalShowsItsMessageAndChangesNothing)
{
    struct Row {
        const char* name;
        std::function<void(FakeRunHost&)> setUp;
        QString message;
        Icon icon;
        Refusal refusal; // what PrepareRun reports
        std::string keyword = {};
        bool chooseFile = true;
    };
    auto keywords = [](std::initializer_list<const char*> list, bool email = false, bool website = false) {
        // A copy: the list's own array ends with the row's expression.
        return [names = std::vector<const char*>(list), email, website](FakeRunHost& h) {
            h.mainState.settings.keyword = true;
            h.mainState.settings.email = email;
            h.mainState.settings.website = website;
            for (const char* name : names)
                h.addKeyword(name, "1");
        };
    };
    const Row rows[] = {
        { "no chosen file", [](FakeRunHost& h) { h.mainState.settings.website = true; }, messages::NoFile, Icon::None,
            Refusal::None, {}, false },
        { "no setting", [](FakeRunHost&) {}, messages::NoSetting, Icon::None, Refusal::NoSetting },
        { "keywords without a keyword", [](FakeRunHost& h) { h.mainState.settings.keyword = true; },
            messages::NoKeyword, Icon::None, Refusal::NoKeyword },
        { "two keywords of one name", keywords({ "Phone", "Price", "Price" }), messages::DuplicateColumns,
            Icon::Critical, Refusal::DuplicateKeyword, "Price" },
        { "a keyword named FileName", keywords({ "Price", "FileName" }), messages::DuplicateColumns, Icon::Critical,
            Refusal::BuiltInColumn, "FileName" },
        { "a keyword named ProcessTime", keywords({ "ProcessTime" }), messages::DuplicateColumns, Icon::Critical,
            Refusal::BuiltInColumn, "ProcessTime" },
        { "a keyword named WebSite with web sites on", keywords({ "WebSite" }, 0, 1), messages::DuplicateColumns,
            Icon::Critical, Refusal::BuiltInColumn, "WebSite" },
        { "a keyword named Email with e-mails on", keywords({ "Email" }, 1, 0), messages::DuplicateColumns,
            Icon::Critical, Refusal::BuiltInColumn, "Email" },
        { "a keyword named MailTo with links on",
            [](FakeRunHost& h) {
                h.mainState.settings.keyword = h.mainState.settings.links = true;
                h.addKeyword("MailTo", "1");
            },
            messages::DuplicateColumns, Icon::Critical, Refusal::BuiltInColumn, "MailTo" },
        { "two keywords named FileName", keywords({ "FileName", "FileName" }), messages::DuplicateColumns,
            Icon::Critical, Refusal::BuiltInColumn, "FileName" },
        // Without e-mails or web sites there is no such column: only the keywords clash.
        { "two keywords named Email with e-mails off", keywords({ "Email", "Email" }, 0, 1), messages::DuplicateColumns,
            Icon::Critical, Refusal::DuplicateKeyword, "Email" },
        { "two keywords named WebSite with web sites off", keywords({ "WebSite", "WebSite" }, 1, 0),
            messages::DuplicateColumns, Icon::Critical, Refusal::DuplicateKeyword, "WebSite" },
        { "a position that is no number",
            [](FakeRunHost& h) {
                h.mainState.settings.keyword = true;
                h.addKeyword("Price", "1");
                h.addKeyword("Phone", "1, x");
            },
            messages::UnreadablePositions("Phone"), Icon::Critical, Refusal::UnreadablePositions, "Phone" },
        { "a position beyond 16 bits",
            [](FakeRunHost& h) {
                h.mainState.settings.keyword = true;
                h.addKeyword("Price", "40000");
            },
            messages::UnreadablePositions("Price"), Icon::Critical, Refusal::UnreadablePositions, "Price" },
        { "an unnamed keyword",
            [](FakeRunHost& h) {
                h.mainState.settings.keyword = true;
                h.addKeyword("Price", "1");
                h.addKeyword("", "1");
            },
            messages::UnnamedKeyword, Icon::Critical, Refusal::UnnamedKeyword },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRunHost h;
        if (row.chooseFile)
            h.chosenList << makeFile("a.htm", "<p>Price 1 http://x.test/ </p>");
        row.setUp(h);
        const QStringList chosen = h.chosenList;
        const RunSettings& settings = h.mainState.settings;
        const std::array<bool, 4> switches { settings.email, settings.website, settings.keyword, settings.links };
        const std::string keywords = KeywordFile::Serialize(*h.sessionState.keywords());

        ProcessChosenFiles(h);

        ASSERT_EQ(1u, h.dialogs.asked.size());
        EXPECT_EQ(row.message, h.dialogs.asked[0].text);
        EXPECT_EQ(row.icon, h.dialogs.asked[0].icon);
        EXPECT_EQ(Buttons::Ok, h.dialogs.asked[0].buttons);
        EXPECT_EQ(0, h.resets);
        EXPECT_EQ(chosen, h.chosenList);
        EXPECT_EQ(
            switches, (std::array<bool, 4> { settings.email, settings.website, settings.keyword, settings.links }));
        EXPECT_EQ(keywords, KeywordFile::Serialize(*h.sessionState.keywords()));
        EXPECT_TRUE(h.processEnabled && h.exitEnabled && !h.cancelEnabled) << "the commands are idle again";
        EXPECT_FALSE(h.mainState.run.results);
        EXPECT_TRUE(h.captions.empty()); // no file was touched
        EXPECT_EQ(QStringList { QString() }, h.mainState.run.stripOutputFiles);

        if (row.chooseFile) {
            FakeRunHost direct;
            row.setUp(direct);
            const PrepareRunResult outcome = PrepareRun(direct);
            EXPECT_EQ(row.refusal, outcome.refusal);
            EXPECT_EQ(row.keyword, outcome.keyword);
            EXPECT_EQ(row.message, outcome.message);
            EXPECT_TRUE(outcome.refused());
        }
    }
}

// A blank line of a keyword file loads as a keyword without a name; a run with
// it would search the empty text. It is refused before any file is read.
TEST_F(RefusalTest, BlankLineOfKeywordFileIsRefusedBeforeAnyFile)
{
    WriteBytes(dir.file("keys.txt"), "Price\t1\r\n\r\nPhone\t1, 2\r\n");
    host.sessionState.useKeywords(std::make_shared<KeywordFile>(dir.file("keys.txt")));
    ASSERT_EQ(3, host.sessionState.keywords()->recordCount());
    ASSERT_EQ("", host.sessionState.keywords()->records()[1].name);
    host.mainState.settings.keyword = true;
    host.chosenList << makeFile("a.htm", "Price 5 Phone 7 8 ");

    ProcessChosenFiles(host);

    EXPECT_EQ(std::vector<QString> { messages::UnnamedKeyword }, host.dialogs.messageTexts());
    EXPECT_EQ(0, host.yields);
    EXPECT_EQ(0, host.resets);
    EXPECT_EQ(3, host.sessionState.keywords()->recordCount());
}

// A keyword that occurs everywhere (one space) still consumes an occurrence per
// row, so the run ends; the host fails the test if it yields without end.
TEST_F(RefusalTest, KeywordOccurringEverywhereStillEnds)
{
    host.mainState.settings.keyword = true;
    host.addKeyword(" ", "1");
    host.chosenList << makeFile("a.htm", "one two three");
    host.dialogs.answer(Answer::No);

    ProcessChosenFiles(host);

    EXPECT_EQ(std::vector<QString> { messages::SaveQuestion }, host.dialogs.messageTexts());
    ASSERT_TRUE(host.rowsAtReset);
    EXPECT_LE(host.rowsAtReset->size(), 5u);
}

TEST_F(RefusalTest, StripQuestionCancelledOrNoDirectoryEndsSilently)
{
    struct Row {
        const char* name;
        Answer answer;
        bool directoryAsked;
    };
    for (const Row row : { Row { "cancel at the question", Answer::Cancel, false },
             Row { "cancel in the directory dialog", Answer::Ok, true } }) {
        SCOPED_TRACE(row.name);
        FakeRunHost h;
        h.strip = true;
        h.mainState.settings.strip = true;
        h.chosenList << makeFile("a.htm", "<p>x</p>");
        h.sessionState.stripOutputDir = "/left/over";
        h.dialogs.answer(row.answer);
        if (row.directoryAsked)
            h.dialogs.directory(QString());

        ProcessChosenFiles(h);

        ASSERT_EQ(std::vector<QString> { messages::StripDirectoryNotice }, h.dialogs.messageTexts());
        EXPECT_EQ(Buttons::OkCancel, h.dialogs.asked[0].buttons);
        EXPECT_EQ(row.directoryAsked ? 2u : 1u, h.dialogs.asked.size());
        EXPECT_TRUE(h.sessionState.stripOutputDir.isEmpty());
        EXPECT_EQ(0, h.resets) << "no file was processed: nothing changes";
        EXPECT_EQ(1, h.chosenList.size());
        EXPECT_TRUE(h.strip);
        EXPECT_EQ(std::vector<std::string> { "a.htm" }, dir.entries());
    }
}

} // namespace
} // namespace tamsenor::testing
