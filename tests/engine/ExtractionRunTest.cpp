#include "engine/ExtractionRun.h"
#include "engine/PrepareRun.h"
#include "engine/ProcessRun.h"
#include "engine/RunFixture.h"
#include "engine/SaveResults.h"

#include <QDir>

#include <algorithm>

namespace tamsenor::testing {
namespace {

class ExtractionRunTest : public RunFixture {
protected:
    // The value of column `name` in data row `row` (1 = first after the header).
    std::optional<std::string> valueAt(std::size_t row, const std::string& name) const
    {
        const auto& names = host.sessionState.columnNames;
        const auto at = std::find(names.begin(), names.end(), name) - names.begin();
        return (*host.rowsAtReset)[row][static_cast<std::size_t>(at)];
    }
};

TEST_F(ExtractionRunTest, WebSitesEmailsAndKeywordsEndInTheSavedFile)
{
    const QString a = makeFile("a.htm",
        "<html><head><title>Shop</title></head>\r\n"
        "<body><p>Write to sales@shop.test or info@shop.test</p>\r\n"
        "<p>Visit http://shop.test/index.htm</p>\r\n"
        "<p>Price: 10 USD Phone 555 1234</p>\r\n"
        "<p>Price: 12 EUR Phone 555 9999</p>\r\n"
        "</body></html>\r\n");
    const QString b = makeFile("b.html",
        "<p>Contact: team@mail.test, see http://mail.test/a?b=1&c=2</p>\n"
        "<p>Price: 7 GBP</p><p>Phone 1 2</p>\n");
    const QString c = makeFile("c.txt", "nothing to find here\r\n");
    host.chosenList << a << b << c;
    host.mainState.settings.email = true;
    host.mainState.settings.website = true;
    host.mainState.settings.keyword = true;
    host.addKeyword("Price:", "1, 2");
    host.addKeyword("Phone", "1, 2");
    const QString saved = pathOf("results.txt");
    host.dialogs.answer(Answer::Yes).file(saved);

    ProcessChosenFiles(host);

    const std::string expected = "Email\tWebSite\tPrice:\tPhone\tFileName\tProcessTime\r\n"
                                 "sales@shop.test\thttp://shop.test/index.htm\t10 USD\t555 1234\t"
        + a.toStdString()
        + "\tMar-9-07 14:05\r\n"
          "info@shop.test\t\t12 EUR\t555 9999\t"
        + a.toStdString()
        + "\tMar-9-07 14:05\r\n"
          "team@mail.test\thttp://mail.test/a?b=1\t7 GBP\t1 2\t"
        + b.toStdString() + "\tMar-9-07 14:05\r\n";
    EXPECT_EQ(expected, ReadBytes(saved.toStdString()));
    EXPECT_EQ(std::vector<QString> { messages::SaveQuestion }, host.dialogs.messageTexts());
    ASSERT_EQ(2u, host.dialogs.asked.size());
    EXPECT_EQ(TextFileFilter, host.dialogs.asked[1].fileDialog.filter);
    EXPECT_EQ(2, host.dialogs.asked[1].fileDialog.filterIndex);
    EXPECT_EQ(saved, host.sessionState.resultsSavePath);
    EXPECT_EQ(1, host.resets);
    EXPECT_TRUE(host.chosenList.isEmpty());
    EXPECT_TRUE(host.dialogs.scriptUsedUp());
}

TEST_F(ExtractionRunTest, UnreadableFilesAreReportedAndTheRunGoesOn)
{
    const QString a = makeFile("a.htm", "see http://a.test/ now");
    const QString b = makeFile("b.htm", "http://b.test/ ");
    ASSERT_TRUE(QFile::remove(b)); // deleted after it was chosen
    const QString c = makeFile("c.htm", std::string("x\x1Ay http://c.test/ ", 18));
    const QString d = makeFile("d.htm", std::string("http://d.test/ \x1A", 16));
    const QString e = makeFile("e.htm", "");
    const QString f = pathOf("f.htm");
    ASSERT_TRUE(QDir().mkdir(f));
    host.chosenList << a << b << c << d << e << f;
    host.mainState.settings.website = true;
    host.dialogs.answer(Answer::No);

    ProcessChosenFiles(host);

    const std::vector<QString> expected {
        messages::FileHasProblem(b, "No such file or directory"),
        messages::FileNotAppropriate(c),
        messages::FileHasProblem(f, "Is a directory"),
        messages::SaveQuestion,
    };
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    const auto shown = host.dialogs.messages();
    for (std::size_t i = 0; i + 1 < shown.size(); ++i) {
        EXPECT_EQ(Icon::Critical, shown[i].icon);
        EXPECT_EQ(Buttons::Ok, shown[i].buttons);
    }
    EXPECT_EQ(QStringLiteral("The file '") + b
            + QStringLiteral("' has problem: No such file or directory,\r\n So, it can not be processed!"),
        expected[0]);
    ASSERT_TRUE(host.rowsAtReset);
    ASSERT_EQ(3u, host.rowsAtReset->size());
    EXPECT_EQ("http://a.test/", valueAt(1, "WebSite"));
    EXPECT_EQ("http://d.test/", valueAt(2, "WebSite"));
    EXPECT_EQ(d.toStdString(), valueAt(2, "FileName"));
    EXPECT_EQ(1, host.resets);
}

TEST_F(ExtractionRunTest, LinksComeFromTheMarkupOnEveryThreadCount)
{
    // A tag broken over lines and a link only in an attribute: neither survives stripping.
    const QString a = makeFile("a.htm",
        "<base href=\"http://Site.test:80/d/\">\r\n<a\r\nhref=\"p.htm#top\">x</a> <img src=\"//cdn.test/i.png\">\r\n"
        "<a href=\"mailto:Me@Mail.TEST,bad@,you@mail.test?subject=hi\">m</a> <a href=\"javascript:x()\">j</a>\r\n"
        "<a href=\"http://site.test/d/p.htm#top\">again</a> text http://plain.test/\r\n");
    const QString b = makeFile("b.htm", "<p>no links</p>");
    for (const int workers : { 1, 2 }) {
        SCOPED_TRACE(std::to_string(workers) + " workers");
        FakeRunHost h;
        h.workers = workers;
        h.chosenList << a << b;
        h.mainState.settings.links = true; // alone it is a setting
        ASSERT_FALSE(PrepareRun(h).refused());
        ASSERT_EQ(ExtractionRunResult::Status::Finished, ExtractChosenFiles(h).status);
        const std::string file = a.toStdString();
        const FakeRunHost::Rows expected {
            { "FileName", "ProcessTime", "Link", "MailTo" },
            { file, "Mar-9-07 14:05", "http://site.test/d/p.htm#top", "Me@mail.test" },
            { file, "Mar-9-07 14:05", "http://cdn.test/i.png", "you@mail.test" },
        };
        EXPECT_EQ(expected, h.mainState.run.results->table.rows());
    }
}

// Without a column that reads the text, links alone need no stripped text;
// with one, the text is still made and searched.
TEST_F(ExtractionRunTest, LinksBesideAColumnOfTheTextLeaveTheTextSearched)
{
    const QString a = makeFile("a.htm", "<a href=\"http://l.test/\">x</a> write to me@mail.test");
    for (const bool keyword : { false, true }) {
        for (const int workers : { 1, 2 }) {
            SCOPED_TRACE(std::string(keyword ? "keyword" : "e-mail") + ", " + std::to_string(workers) + " workers");
            FakeRunHost h;
            h.workers = workers;
            h.chosenList << a << a;
            h.mainState.settings.links = true;
            h.mainState.settings.email = !keyword;
            h.mainState.settings.keyword = keyword;
            if (keyword)
                h.addKeyword("write", "1");
            ASSERT_FALSE(PrepareRun(h).refused());
            ASSERT_EQ(ExtractionRunResult::Status::Finished, ExtractChosenFiles(h).status);
            const FakeRunHost::Rows rows = h.mainState.run.results->table.rows();
            ASSERT_EQ(3u, rows.size());
            const auto column = [&](const char* name) {
                return std::size_t(std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin());
            };
            const std::size_t found = column(keyword ? "write" : "Email");
            const std::size_t link = column("Link");
            ASSERT_LT(found, rows[0].size());
            ASSERT_LT(link, rows[0].size());
            for (std::size_t row = 1; row < rows.size(); ++row) {
                EXPECT_EQ(keyword ? "to" : "me@mail.test", rows[row][found]);
                EXPECT_EQ("http://l.test/", rows[row][link]);
            }
        }
    }
}

TEST_F(ExtractionRunTest, ReadableTextLetsTheExtractorsSeeDecodedReferences)
{
    const QString a = makeFile("a.htm", "<p>Write to name&#64;example.org</p>");
    for (const bool readable : { false, true }) {
        SCOPED_TRACE(readable ? "readable" : "stripped");
        FakeRunHost h;
        h.chosenList << a;
        h.mainState.settings.email = true;
        h.mainState.settings.readableExtraction = readable;
        ASSERT_FALSE(PrepareRun(h).refused());
        ASSERT_EQ(ExtractionRunResult::Status::Finished, ExtractChosenFiles(h).status);
        const auto rows = h.mainState.run.results->table.rows();
        EXPECT_EQ(readable ? 2u : 1u, rows.size());
        if (readable && rows.size() == 2) {
            EXPECT_EQ("name@example.org", rows[1][0]);
        }
    }
}

TEST_F(ExtractionRunTest, WorkerThreadsChangeNothingTheUserSees)
{
    std::string big;
    for (int i = 0; big.size() < (3u << 20) / 2; ++i)
        big += "<p>Price: " + std::to_string(i) + " USD at http://s" + std::to_string(i % 13) + ".test/ or x"
            + std::to_string(i) + "@mail.test</p>\r\n";
    const QStringList inputs { makeFile("a.htm", "<b>Price: 10 USD</b> mail a@b.test http://a.test/"),
        makeFile("big.htm", big),
        makeFile("bin.htm",
            std::string("a\x1A"
                        "b http://no.test/",
                20)),
        pathOf("missing.htm"), makeFile("long.htm", "http://t.test/abcdefghijklmnop " + std::string(50, 'x')),
        makeFile("none.txt", "nothing here") };

    struct Seen {
        FakeRunHost::Rows rows;
        std::vector<float> overall, file;
        std::vector<QString> captions, messages;
    };
    auto run = [&](int workers) {
        FakeRunHost h;
        h.workers = workers;
        h.chosenList = inputs;
        h.mainState.settings.website = h.mainState.settings.email = h.mainState.settings.keyword = true;
        h.addKeyword("Price:", "1, 2");
        PrepareRun(h);
        EXPECT_EQ(ExtractionRunResult::Status::Finished, ExtractChosenFiles(h, 1u << 20).status);
        return Seen { h.mainState.run.results->table.rows(), h.overallValues, h.fileValues, h.captions,
            h.dialogs.messageTexts() };
    };

    const Seen one = run(1);
    ASSERT_GT(one.rows.size(), 1000u);
    ASSERT_EQ(3u, one.messages.size()); // missing, too large (big), not appropriate (bin)
    for (const int workers : { 2, 4 }) {
        SCOPED_TRACE(std::to_string(workers) + " workers");
        const Seen many = run(workers);
        EXPECT_EQ(one.rows, many.rows);
        EXPECT_EQ(one.overall, many.overall);
        EXPECT_EQ(one.file, many.file);
        EXPECT_EQ(one.captions, many.captions);
        EXPECT_EQ(one.messages, many.messages);
    }
}

TEST_F(ExtractionRunTest, OverlongFileIsTruncatedWithAMessage)
{
    const QString exact = makeFile("a.htm", "http://exact.test/ab"); // 20 bytes: at the limit
    const QString longer = makeFile("b.htm", "http://t.test/abcdefghijklmnop");
    host.chosenList << exact << longer;
    host.mainState.settings.website = true;
    ASSERT_FALSE(PrepareRun(host).refused());

    EXPECT_EQ(ExtractionRunResult::Status::Finished, ExtractChosenFiles(host, 20).status);

    EXPECT_EQ(std::vector<QString> { messages::FileTooLarge(longer) }, host.dialogs.messageTexts());
    const auto& rows = host.mainState.run.results->table.rows();
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("http://exact.test/ab", rows[1][0]);
    EXPECT_EQ("http://t.test/abcdef", rows[2][0]);
}

// Keywords loaded behind the checks' back: the pass stops for the first
// file, says why, and the run still goes on with the next.
TEST_F(ExtractionRunTest, FailingPassEndsOnlyItsFile)
{
    const QString bad = makeFile("a.htm", "Bad 1 http://one.test/ ");
    host.chosenList << bad << makeFile("b.htm", "http://two.test/ ");
    host.mainState.settings.website = true;
    ASSERT_FALSE(PrepareRun(host).refused());
    host.mainState.settings.keyword = true;
    host.addKeyword("Bad", "x");
    host.sessionState.columnNames = { "WebSite", "Bad", "FileName", "ProcessTime" };
    host.mainState.run.results = std::make_shared<RunResults>(host.sessionState.columnNames);

    EXPECT_EQ(ExtractionRunResult::Status::Finished, ExtractChosenFiles(host).status);

    const auto& rows = host.mainState.run.results->table.rows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ("http://two.test/", rows.back()[0]);
    EXPECT_EQ(std::vector<QString> { "The file '" + bad
                  + "' has problem: a keyword's position list cannot be read: \"x\" is not a number,\r\n So, it "
                    "can not be processed!" },
        host.dialogs.messageTexts());
}

TEST_F(ExtractionRunTest, CancelAtTheStartOfAFile)
{
    const QString a = makeFile("a.htm", "http://a.test/ ");
    host.chosenList << a << makeFile("b.htm", "http://b.test/ ") << makeFile("c.htm", "http://c.test/ ");
    host.mainState.settings.website = true;
    // The pass of a file ends at 100; the next yield is the top of the next file.
    host.cancelWhen([](const FakeRunHost& h) { return h.fileProgress() == 100.0f; });

    ProcessChosenFiles(host);

    EXPECT_TRUE(host.dialogs.asked.empty());
    EXPECT_EQ(1, host.resets);
    ASSERT_TRUE(host.rowsAtReset);
    ASSERT_EQ(2u, host.rowsAtReset->size());
    EXPECT_EQ("http://a.test/", valueAt(1, "WebSite"));
    EXPECT_EQ(1u, host.captions.size());
    EXPECT_FALSE(host.mainState.run.cancelRequested);
}

TEST_F(ExtractionRunTest, CancelInsideTheStripper)
{
    host.chosenList << makeFile("a.htm", "<b>x</b> <i>y</i> http://a.test/ ") << makeFile("b.htm", "http://b.test/ ");
    host.mainState.settings.website = true;
    // The first tag has gone once the progress value has taken its first step
    // (the stripper need not show its work in the buffer before it ends).
    host.cancelWhen([](const FakeRunHost& h) { return h.fileProgress() == 5.0f; });

    ProcessChosenFiles(host);

    EXPECT_TRUE(host.dialogs.asked.empty());
    EXPECT_EQ(1, host.resets);
    ASSERT_TRUE(host.rowsAtReset);
    EXPECT_EQ(1u, host.rowsAtReset->size()); // the header row only
    EXPECT_NE(std::string::npos, host.mainState.run.textBuffer.find("<i>"));
    EXPECT_EQ(1u, host.captions.size());
}

TEST_F(ExtractionRunTest, CancelInsideTheRowLoop)
{
    host.chosenList << makeFile("a.htm", "http://1.test/ http://2.test/ http://3.test/ http://4.test/ ");
    host.mainState.settings.website = true;
    host.cancelWhen([](const FakeRunHost& h) { return h.mainState.run.results->table.rowCount() == 3; });

    ProcessChosenFiles(host);

    EXPECT_TRUE(host.dialogs.asked.empty());
    EXPECT_EQ(1, host.resets);
    ASSERT_TRUE(host.rowsAtReset);
    ASSERT_EQ(3u, host.rowsAtReset->size());
    EXPECT_EQ("http://2.test/", valueAt(2, "WebSite"));
    EXPECT_EQ(std::nullopt, valueAt(2, "FileName")); // the row was left as it was being filled
}

TEST_F(ExtractionRunTest, OverallProgressPerFileCount)
{
    struct Row {
        const char* name;
        int files;
        std::vector<float> expected; // after PrepareRun's 0
    };
    const Row rows[] = {
        { "one file", 1, { 100.0f } },
        { "three files", 3, { 33.33f, 66.66f, 99.99f } },
        { "seven files stop below 100", 7, { 14.29f, 28.58f, 42.87f, 57.16f, 71.45f, 85.74f } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRunHost h;
        for (int i = 0; i < row.files; ++i)
            h.chosenList << makeFile("f" + std::to_string(i) + ".htm", "http://" + std::to_string(i) + ".test/ ");
        h.mainState.settings.website = true;
        h.dialogs.answer(Answer::No);

        ProcessChosenFiles(h);

        ASSERT_EQ(row.expected.size() + 1, h.overallValues.size());
        EXPECT_EQ(0.0f, h.overallValues[0]);
        for (std::size_t i = 0; i < row.expected.size(); ++i)
            EXPECT_NEAR(row.expected[i], h.overallValues[i + 1], 0.001f) << "step " << i;
        ASSERT_TRUE(h.rowsAtReset);
        EXPECT_EQ(static_cast<std::size_t>(row.files) + 1, h.rowsAtReset->size()); // every file processed
    }
}

TEST_F(ExtractionRunTest, CaptionNamesTheFileAndItsSize)
{
    const QString big = makeFile("big.htm", "http://big.test/ " + std::string(12500 - 17, 'x'));
    host.chosenList << big;
    host.mainState.settings.website = true;
    host.dialogs.answer(Answer::No);

    ProcessChosenFiles(host);

    EXPECT_EQ(std::vector<QString> { big + QStringLiteral(" ( 12.5k )") }, host.captions);
}

} // namespace
} // namespace tamsenor::testing
