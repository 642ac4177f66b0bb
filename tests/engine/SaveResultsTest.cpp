#include "engine/SaveResults.h"
#include "engine/RunFixture.h"

#include <QFile>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace tamsenor::testing {
namespace {

const std::string Table = "WebSite\tFileName\r\nhttp://x.test/\t/in/a.htm\r\n";

class SaveResultsTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        auto results = std::make_shared<RunResults>(std::vector<std::string> { "WebSite", "FileName" });
        results->table.addRow();
        results->table.setValue(0, "WebSite");
        results->table.setValue(1, "FileName");
        results->table.addRow();
        results->table.setValue(0, "http://x.test/");
        results->table.setValue(1, "/in/a.htm");
        host.mainState.run.results = results;
        existing = makeFile("old.txt", "old");
    }
    QString existing;
};

TEST_F(SaveResultsTest, NoToTheQuestionWritesNothing)
{
    host.dialogs.answer(Answer::No);

    SaveResults(host);

    EXPECT_EQ(1u, host.dialogs.asked.size());
    EXPECT_EQ(std::vector<std::string> { "old.txt" }, dir.entries());
}

TEST_F(SaveResultsTest, ReplaceQuestion)
{
    struct Row {
        const char* name;
        std::vector<Answer> replaceAnswers;
        std::vector<std::optional<QString>> files; // relative names; nullopt = cancel
        std::string oldContent;
        std::optional<std::string> newContent;
    };
    const Row rows[] = {
        { "yes replaces", { Answer::Yes }, { "old.txt" }, Table, std::nullopt },
        { "no then a new name", { Answer::No }, { "old.txt", "new.txt" }, "old", Table },
        { "no then cancel", { Answer::No }, { "old.txt", std::nullopt }, "old", std::nullopt },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(existing.toStdString(), "old");
        std::remove(dir.file("new.txt").c_str());
        FakeRunHost h;
        h.mainState.run.results = host.mainState.run.results;
        h.dialogs.answer(Answer::Yes);
        for (Answer a : row.replaceAnswers)
            h.dialogs.answer(a);
        for (const auto& f : row.files)
            h.dialogs.file(f ? std::optional<QString>(pathOf(f->toStdString())) : std::nullopt);

        SaveResults(h);

        EXPECT_EQ(row.oldContent, ReadBytes(existing.toStdString()));
        EXPECT_EQ(row.newContent.has_value(), QFile::exists(pathOf("new.txt")));
        if (row.newContent) {
            EXPECT_EQ(*row.newContent, ReadBytes(dir.file("new.txt")));
        }
        EXPECT_TRUE(h.dialogs.scriptUsedUp());
        const auto texts = h.dialogs.messageTexts();
        ASSERT_EQ(2u, texts.size());
        EXPECT_EQ(messages::ReplaceQuestion(existing), texts[1]);
        EXPECT_EQ(
            QStringLiteral("The file ") + existing + QStringLiteral(" already exists, do you want to replace it?"),
            texts[1]);
    }
}

TEST_F(SaveResultsTest, FailedWriteIsReportedAndTheDialogComesBack)
{
    const QString nowhere = pathOf("gone/results.txt");
    const QString good = pathOf("results.txt");
    host.dialogs.answer(Answer::Yes).file(nowhere).file(good);

    SaveResults(host);

    const std::vector<QString> expected {
        messages::SaveQuestion,
        QStringLiteral("The results could not be saved to '") + nowhere
            + QStringLiteral("': No such file or directory"),
    };
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    EXPECT_EQ(Icon::Critical, host.dialogs.messages()[1].icon);
    EXPECT_EQ(Table, ReadBytes(good.toStdString()));
    EXPECT_EQ(good, host.sessionState.resultsSavePath);
    EXPECT_TRUE(host.dialogs.scriptUsedUp());
}

TEST_F(SaveResultsTest, NeverOntoAChosenFileOrTheKeywordFile)
{
    struct Row {
        const char* name;
        std::function<void(FakeRunHost&, const QString&)> use; // makes the file one the results must spare
        std::string why;
    };
    const Row rows[] = {
        { "a chosen file", [](FakeRunHost& h, const QString& file) { h.chosenList << file; },
            "it is one of the files being processed" },
        { "the keyword file opened", [](FakeRunHost& h, const QString& file) { h.sessionState.keywordOpenPath = file; },
            "it is the keyword file in use" },
        { "the keyword file saved, named through a link",
            [this](FakeRunHost& h, const QString& file) {
                ASSERT_EQ(0, ::symlink(file.toStdString().c_str(), dir.file("link.txt").c_str()));
                h.sessionState.keywordSavePath = pathOf("link.txt");
            },
            "it is the keyword file in use" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString precious = makeFile("precious.txt", "the user's");
        std::remove(dir.file("link.txt").c_str());
        FakeRunHost h;
        h.mainState.run.results = host.mainState.run.results;
        row.use(h, precious);
        h.dialogs.answer(Answer::Yes).file(precious).file(std::nullopt);

        SaveResults(h);

        EXPECT_EQ("the user's", ReadBytes(precious.toStdString()));
        const std::vector<QString> expected { messages::SaveQuestion, messages::ResultsNotSaved(precious, row.why) };
        EXPECT_EQ(expected, h.dialogs.messageTexts());
        EXPECT_TRUE(h.dialogs.scriptUsedUp());
    }
}

TEST_F(SaveResultsTest, DiskFullKeepsTheOldFileUntilTheUserGivesUp)
{
    host.dialogs.answer(Answer::Yes).file(existing).answer(Answer::Yes).file(std::nullopt);
    {
        WriteFailureAfter full(5);
        SaveResults(host);
    }

    const auto texts = host.dialogs.messageTexts();
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ(messages::ResultsNotSaved(existing, "No space left on device"), texts[2]);
    EXPECT_EQ("old", ReadBytes(existing.toStdString()));
    EXPECT_TRUE(host.dialogs.scriptUsedUp());
}

TEST(WithSuffix, AddsTheFormatsSuffixOnlyToANameWithout)
{
    const struct {
        const char* name;
        QString path;
        QString suffix;
        QString expected;
    } cases[] = {
        { "no suffix", "/r/out", "csv", "/r/out.csv" },
        { "own suffix kept", "/r/out.txt", "csv", "/r/out.txt" },
        { "dot in the folder only", "/r.d/out", "jsonl", "/r.d/out.jsonl" },
        { "leading dot is no suffix", "/r/.out", "csv", "/r/.out.csv" },
        { "none asked", "/r/out", "", "/r/out" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, WithSuffix(c.path, c.suffix));
    }
}

} // namespace
} // namespace tamsenor::testing
