#include "batch/BatchRun.h"
#include "engine/PrepareRun.h"
#include "engine/RunFixture.h"
#include "engine/RunProgress.h"
#include "results/SpillSeams.h"

#include <QDir>

#include <algorithm>
#include <functional>
#include <map>

namespace tamsenor::testing {
namespace {

TEST(InChosenListOrderTest, SortsAsTheChosenListInserts)
{
    struct Row {
        const char* name;
        QStringList added;
        QStringList expected;
    };
    const Row rows[] = {
        { "letters regardless of case", { "/d/b", "/d/C", "/d/a" }, { "/d/a", "/d/b", "/d/C" } },
        { "names equal but for case keep the order of adding", { "/d/b", "/d/A", "/d/a", "/d/B" },
            { "/d/A", "/d/a", "/d/b", "/d/B" } },
        { "two directories interleave by full path", { "/x/b", "/x/c", "/X/a", "/x/a" },
            { "/X/a", "/x/a", "/x/b", "/x/c" } },
        { "the same path twice stays twice", { "/d/a", "/d/a" }, { "/d/a", "/d/a" } },
        { "a separator sorts as its character", { "/d/a-b", "/d/a/b", "/d/a_b" }, { "/d/a-b", "/d/a/b", "/d/a_b" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, InChosenListOrder(row.added));
    }
}

class BatchRunTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(pathOf("in/sub")));
        ASSERT_TRUE(QDir().mkpath(pathOf("other")));
    }

    // Files of one directory as the file chooser lists them, with their content.
    QString in(const std::string& name, const std::string& content) { return makeFile("in/" + name, content); }

    // The same run through the window's Process command: returns the messages it showed.
    std::vector<QString> windowStrip(const QStringList& chosen, const QString& out)
    {
        host.chosenList = chosen;
        host.strip = true;
        host.mainState.settings.strip = true;
        host.dialogs.answer(Answer::Ok).directory(out);
        ProcessChosenFiles(host);
        return host.dialogs.messageTexts();
    }

    // The companion's strip run of `chosen` into `out`; `interrupted` is asked with the run's host.
    BatchRunResult batchStrip(
        const QStringList& chosen, const QString& out, const std::function<bool(BatchHost&)>& interrupted = {})
    {
        BatchHost batch(chosen);
        if (interrupted)
            batch.interrupted = [&] { return interrupted(batch); };
        BatchSettings settings;
        settings.strip = true;
        settings.outputDirectory = out;
        return RunBatch(batch, settings);
    }

    void windowExtract(const QStringList& chosen, const BatchSettings& settings, const QString& results)
    {
        host.chosenList = chosen;
        host.mainState.settings.website = settings.web;
        host.mainState.settings.email = settings.email;
        host.mainState.settings.keyword = settings.keywordFile.has_value();
        if (settings.keywordFile)
            host.sessionState.useKeywords(std::make_shared<KeywordFile>(settings.keywordFile->toStdString()));
        host.dialogs.answer(Answer::Yes).file(results);
        ProcessChosenFiles(host);
    }

    // Name -> bytes of every file in `directory`.
    std::map<std::string, std::string> contents(const QString& directory) const
    {
        std::map<std::string, std::string> files;
        for (const QString& name : QDir(directory).entryList(QDir::Files | QDir::Hidden))
            files[name.toStdString()] = ReadBytes((directory + "/" + name).toStdString());
        return files;
    }
};

TEST_F(BatchRunTest, ChooseFilesListsOrdinaryFilesOfDirectoriesAndNamedFiles)
{
    in("b.html", "b");
    in("A.htm", "a");
    in(".hidden", "h");
    makeFile("in/sub/deep.htm", "d");
    const QString other = makeFile("other/a.txt", "o");

    const QString root = QString::fromStdString(dir.path());
    const ChosenFiles chosen = ChooseFiles({ pathOf("in") + "/", pathOf("in/../other/a.txt") });
    EXPECT_EQ(QStringList(), chosen.problems);
    EXPECT_EQ(QStringList({ root + "/in/A.htm", root + "/in/b.html", root + "/other/a.txt" }), chosen.paths);
    EXPECT_EQ(other, chosen.paths.back());
}

TEST_F(BatchRunTest, ChooseFilesNamesWhatIsNoFileAndKeepsTheOthers)
{
    const QString kept = in("a.htm", "a");
    struct Row {
        const char* name;
        QString argument;
        const char* says;
    };
    QString deep;
    for (int i = 0; i < 25; ++i)
        deep += QStringLiteral("/") + QString(200, u'd');
    const Row rows[] = {
        { "missing", pathOf("nothing-here"), "does not exist" },
        { "empty argument", QString(), "does not exist" },
        { "device", QStringLiteral("/dev/null"), "is not an ordinary file" },
        { "a path longer than the system allows", deep, "longer than the system allows" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ChosenFiles chosen = ChooseFiles({ row.argument, pathOf("in") });
        ASSERT_EQ(1, chosen.problems.size());
        EXPECT_TRUE(chosen.problems.front().contains(QLatin1String(row.says))) << chosen.problems.front().toStdString();
        EXPECT_EQ(QStringList({ kept }), chosen.paths);
    }
}

TEST_F(BatchRunTest, StripWritesWhatTheWindowWrites)
{
    in("index.html", "<html><head><title>T</title></head>\r\n<body>one, two&amp;<br>three</body></html>\r\n");
    in("README", "a\rb\r\nc");
    in("empty.htm", "");
    in("x.a.b", "<!-- c --><script>x</script>text");
    makeFile("other/index.html", "<p>second index</p>");
    const QStringList chosen = ChooseFiles({ pathOf("in"), pathOf("other") }).paths;
    ASSERT_EQ(5, chosen.size());

    const QString windowOut = pathOf("window-out");
    ASSERT_TRUE(QDir().mkdir(windowOut));
    windowStrip(chosen, windowOut);

    const QString batchOut = pathOf("batch-out");
    ASSERT_TRUE(QDir().mkdir(batchOut));
    const BatchRunResult report = batchStrip(chosen, batchOut);

    EXPECT_EQ(BatchRunResult::Status::Finished, report.status);
    EXPECT_EQ(5, report.written.size());
    EXPECT_TRUE(report.skipped.empty());
    const auto expected = contents(windowOut);
    EXPECT_EQ(5u, expected.size());
    EXPECT_EQ(expected, contents(batchOut));
}

TEST_F(BatchRunTest, StripSkipsWhatItCannotReadAndSaysWhy)
{
    in("a.htm", "<b>a</b>");
    const QString gone = in("b.htm", "b");
    const QString folder = in("c.htm", "c");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    ASSERT_EQ(QFile::remove(gone), true);
    ASSERT_EQ(QFile::remove(folder), true);
    ASSERT_TRUE(QDir().mkdir(folder));

    const QString out = pathOf("out");
    ASSERT_TRUE(QDir().mkdir(out));
    const BatchRunResult report = batchStrip(chosen, out);

    EXPECT_EQ(BatchRunResult::Status::Finished, report.status);
    EXPECT_EQ(QStringList({ out + "/ahtm.txt" }), report.written);
    ASSERT_EQ(2u, report.skipped.size());
    EXPECT_EQ(gone, report.skipped[0].path);
    EXPECT_EQ(QString::fromStdString(io::ErrorText(ENOENT)), report.skipped[0].reason);
    EXPECT_EQ(folder, report.skipped[1].path);
    EXPECT_NE(QString(), report.skipped[1].reason);
}

TEST_F(BatchRunTest, InterruptedStripDeletesItsOutputs)
{
    const QString older = pathOf("out/bhtm.txt");
    in("a.htm", "a");
    in("b.htm", "b\r\nb");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    ASSERT_TRUE(QDir().mkdir(pathOf("out")));
    WriteBytes(older.toStdString(), "older");

    // Interrupted as soon as the first output is written.
    const BatchRunResult report = batchStrip(
        chosen, pathOf("out"), [](BatchHost& batch) { return batch.state().run.stripOutputFiles.size() == 2; });

    EXPECT_EQ(BatchRunResult::Status::Cancelled, report.status);
    EXPECT_EQ((std::map<std::string, std::string> { { "bhtm.txt", "older" } }), contents(pathOf("out")));
    EXPECT_EQ(1u, report.undo.removed);
    EXPECT_EQ(0u, report.undo.putBack);
    EXPECT_TRUE(report.undo.problems.empty());
}

// An interrupt while the results are written stops the write: the earlier
// results file stays whole and no temporary is left beside it.
TEST_F(BatchRunTest, InterruptWhileResultsAreWrittenKeepsTheEarlierFile)
{
    in("a.htm", "http://example.org/a http://example.org/b");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    ASSERT_TRUE(QDir().mkdir(pathOf("res")));
    WriteBytes(dir.file("res/r.tsv"), "earlier results");

    BatchHost batch(chosen);
    // The results file is named once the findings are in: the write begins.
    batch.interrupted = [&batch] { return !batch.session().resultsSavePath.isEmpty(); };
    BatchSettings settings;
    settings.web = true;
    settings.resultsPath = pathOf("res/r.tsv");
    const BatchRunResult report = RunBatch(batch, settings);

    EXPECT_EQ(BatchRunResult::Status::Cancelled, report.status);
    EXPECT_EQ((std::map<std::string, std::string> { { "r.tsv", "earlier results" } }), contents(pathOf("res")));
}

TEST_F(BatchRunTest, ExtractWritesTheResultsTheWindowSaves)
{
    in("a.html",
        "<p>Write to ann@example.org or bob@example.net, see http://example.org/x and "
        "https://example.net/y.</p>\r\nPrice: 12 USD Phone 555 1234\r\n");
    in("B.htm", "Nothing here but Price: 7 EUR and ftp://files.example/z");
    in("c.txt", "no findings at all");
    const QString keywords = makeFile("keywords.txt", "Price:\t1,2\r\nPhone\t1, 2\r\n");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;

    BatchSettings settings;
    settings.web = true;
    settings.email = true;
    settings.keywordFile = keywords;
    settings.resultsPath = pathOf("batch.txt");
    windowExtract(chosen, settings, pathOf("window.txt"));

    const std::string expected = ReadBytes(dir.file("window.txt"));
    EXPECT_NE(std::string::npos, expected.find("ann@example.org"));
    // Rows moved out of memory at every bound give the same file and count.
    for (const long long bound : { -1LL, 0LL, 300LL }) {
        SCOPED_TRACE(bound);
        SpillBound spill(bound);
        BatchHost batch(chosen);
        batch.setClock(host.fixedClock);
        const BatchRunResult report = RunBatch(batch, settings);

        EXPECT_EQ(BatchRunResult::Status::Finished, report.status);
        EXPECT_TRUE(report.skipped.empty());
        EXPECT_EQ(expected, ReadBytes(dir.file("batch.txt")));
        EXPECT_EQ(static_cast<std::size_t>(std::count(expected.begin(), expected.end(), '\n') - 1), report.findings);
    }
}

// CSV's ISO times belong to their rows: with a clock a minute on at every
// reading, each row's ISO time is the moment its results-file text names,
// also when rows moved out of memory, and also on standard output.
TEST_F(BatchRunTest, ExportTimesBelongToTheirRows)
{
    class TickingClock : public Clock {
    public:
        QDateTime now() const override { return time = time.addSecs(61); }
        mutable QDateTime time { QDate(2026, 12, 8), QTime(9, 0, 5), Qt::UTC };
    };
    in("a.html", "see http://a.example/ and http://b.example/ or mail c@example.org");
    in("b.htm", "http://d.example/");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    // The results of one run in `format`, the clock started afresh.
    const auto run = [&](ResultsFormat format) {
        TickingClock clock;
        BatchHost batch(chosen);
        batch.setClock(clock);
        BatchSettings settings;
        settings.web = true;
        settings.email = true;
        settings.resultsFormat = format;
        std::string out;
        settings.writeResults = [&out](std::string_view bytes) {
            out.append(bytes);
            return FileResult::success();
        };
        EXPECT_EQ(BatchRunResult::Status::Finished, RunBatch(batch, settings).status);
        return QString::fromStdString(out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    };
    for (const long long bound : { -1LL, 0LL }) {
        SCOPED_TRACE(bound);
        SpillBound spill(bound);
        const QStringList tsv = run(ResultsFormat::Tsv);
        const QStringList csv = run(ResultsFormat::Csv);
        ASSERT_EQ(4, tsv.size());
        ASSERT_EQ(tsv.size(), csv.size());
        for (qsizetype row = 1; row < tsv.size(); ++row) {
            SCOPED_TRACE(row);
            const QDateTime iso = QDateTime::fromString(csv[row].section(QLatin1Char(','), -1), Qt::ISODate);
            ASSERT_TRUE(iso.isValid()) << csv[row].toStdString();
            EXPECT_EQ(tsv[row].section(QLatin1Char('\t'), -1), FormatProcessTime(iso.toUTC(), QLocale::c()));
        }
        EXPECT_NE(tsv[1].section(QLatin1Char('\t'), -1), tsv[3].section(QLatin1Char('\t'), -1));
    }
}

TEST_F(BatchRunTest, ProcessTimeTextStandsForTheClock)
{
    in("a.html", "see http://a.example/ and http://b.example/");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    BatchSettings settings;
    settings.web = true;
    settings.resultsPath = pathOf("batch.txt");
    windowExtract(chosen, settings, pathOf("window.txt"));

    // Whatever the batch's clock says, the fixed text is what the window's clock showed.
    FixedClock otherTime(QDateTime(QDate(2031, 12, 30), QTime(23, 59)));
    BatchHost batch(chosen);
    batch.setClock(otherTime);
    settings.processTime = FormatProcessTime(host.fixedClock.now()).toStdString();
    ASSERT_EQ("Mar-9-07 14:05", *settings.processTime);
    // Rows that have left memory get the text too.
    SpillBound everyRow(0);
    EXPECT_EQ(BatchRunResult::Status::Finished, RunBatch(batch, settings).status);

    EXPECT_EQ(ReadBytes(dir.file("window.txt")), ReadBytes(dir.file("batch.txt")));
}

TEST_F(BatchRunTest, ExtractSkipsUnreadableFilesWithTheirReasons)
{
    in("a.htm", "http://kept.example/");
    const QString gone = in("b.htm", "http://gone.example/");
    const QString binary = in("c.bin", "http://c.example/ \x1A more");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    ASSERT_TRUE(QFile::remove(gone));

    BatchHost batch(chosen);
    BatchSettings settings;
    settings.web = true;
    settings.processTime = "T";
    settings.resultsPath = pathOf("results.txt");
    const BatchRunResult report = RunBatch(batch, settings);

    EXPECT_EQ(BatchRunResult::Status::Finished, report.status);
    ASSERT_EQ(2u, report.skipped.size());
    EXPECT_EQ(gone, report.skipped[0].path);
    EXPECT_EQ(QString::fromStdString(io::ErrorText(ENOENT)), report.skipped[0].reason);
    EXPECT_EQ(binary, report.skipped[1].path);
    EXPECT_EQ(1u, report.findings);
    EXPECT_EQ("WebSite\tFileName\tProcessTime\r\nhttp://kept.example/\t" + pathOf("in/a.htm").toStdString() + "\tT\r\n",
        ReadBytes(dir.file("results.txt")));
}

// Every finding of "://" runs on to the next space, so a page of them alone
// would give findings the square of its size.
TEST_F(BatchRunTest, FindingsPastSixtyFourTimesTheFileAreCutWithANote)
{
    std::string page;
    for (int i = 0; i < 10000; ++i)
        page += "://";
    const QString many = in("a.htm", page);
    in("b.htm", "http://kept.example/");
    BatchHost batch(ChooseFiles({ pathOf("in") }).paths);
    BatchSettings settings;
    settings.web = true;
    settings.processTime = "T";
    settings.resultsPath = pathOf("results.txt");
    const BatchRunResult report = RunBatch(batch, settings);

    EXPECT_EQ(BatchRunResult::Status::Finished, report.status);
    EXPECT_TRUE(report.cut);
    EXPECT_EQ(std::vector<QString> { many + ": its findings were cut at 1920000 bytes" }, report.notes);
    const std::string results = ReadBytes(dir.file("results.txt"));
    EXPECT_LE(results.size(), 1920000u + 1000u);
    EXPECT_GT(results.size(), 1920000u - 30000u - 1000u) << "the rows before the cut stay";
    EXPECT_NE(std::string::npos, results.find("http://kept.example/")) << "the next file is searched";
}

TEST_F(BatchRunTest, RefusedRunsSayWhyInTheirOwnWordsAndWriteNothing)
{
    in("a.htm", "a");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    const QString keywords = pathOf("kw.txt");
    struct Row {
        const char* name;
        const char* keywordFile; // nullptr: no such file
        QStringList chosen;
        QString expected; // the start of the reason
    };
    const Row rows[] = {
        { "keyword named like a built-in column", "FileName\t1\r\n", chosen,
            "the keyword 'FileName' in the keyword file '" + keywords
                + "' has the name of a built-in column; rename it in the keyword file" },
        { "two keywords of one name", "K\t1\r\nK\t2\r\n", chosen,
            "two keywords in the keyword file '" + keywords + "' are both named 'K'; keyword names must be unique" },
        { "unreadable positions", "K\tx\r\n", chosen,
            "the positions of the keyword 'K' in the keyword file '" + keywords
                + "' cannot be read: its Position field (after the first tab) must be whole numbers separated by "
                  "commas" },
        { "unnamed keyword", "K\t1\r\n\r\n", chosen,
            "the keyword file '" + keywords + "' holds a keyword without a name" },
        { "empty keyword file", "", chosen, "the keyword file '" + keywords + "' holds no keywords" },
        { "missing keyword file", nullptr, chosen, QStringLiteral("the keyword file") },
        { "UTF-16 keyword file", "\xFE\xFF", chosen,
            "the keyword file '" + keywords + "' is UTF-16BE text, which cannot be read: save it as UTF-8 (plain text)" },
        { "no file chosen", "K\t1\r\n", {}, messages::NoFile },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(keywords);
        if (row.keywordFile)
            WriteBytes(keywords.toStdString(), row.keywordFile);
        BatchHost batch(row.chosen);
        BatchSettings settings;
        settings.keywordFile = keywords;
        settings.resultsPath = pathOf("results.txt");
        const BatchRunResult report = RunBatch(batch, settings);
        EXPECT_EQ(BatchRunResult::Status::Rejected, report.status);
        EXPECT_TRUE(report.error.startsWith(row.expected)) << report.error.toStdString();
        EXPECT_FALSE(report.error.contains(QStringLiteral("Property"))) << report.error.toStdString();
        EXPECT_FALSE(QFile::exists(settings.resultsPath));
    }
}

// An interrupt from the terminal while a long keyword file loads or the
// checks run stops the run there, not only once the files are searched.
TEST_F(BatchRunTest, InterruptDuringKeywordLoadingOrChecksCancels)
{
    in("a.htm", "k1 x");
    const QStringList chosen = ChooseFiles({ pathOf("in") }).paths;
    std::string lines;
    for (int k = 0; k < 10000; ++k)
        lines += "k" + std::to_string(k) + "\t1\r\n";
    const QString keywords = makeFile("kw.txt", lines);

    // What the run had done when the interrupt came.
    struct Stage {
        int keywordsInUse = 0;
        std::size_t columns = 0;
        std::size_t resultRows = 0;
        bool operator==(const Stage&) const = default;
    };
    struct Row {
        const char* name;
        int interruptAtYield;
        Stage stage;
    };
    const Row rows[] = {
        // 10,000 keywords: each step asks twice (every 4096 keywords).
        { "while the keyword file loads", 1, { 0, 0, 0 } },
        { "while the column names are read", 3, { 10000, 0, 0 } },
        { "while the results table gets its columns", 5, { 10000, 10002, 0 } },
        { "while the positions are checked", 7, { 10000, 10002, 0 } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BatchHost batch(chosen);
        int yields = 0;
        Stage stage;
        batch.interrupted = [&] {
            if (++yields != row.interruptAtYield)
                return false;
            const MainState& state = batch.state();
            stage = { batch.session().keywords()->recordCount(), batch.session().columnNames.size(),
                state.run.results ? state.run.results->table.rowCount() : 0 };
            return true;
        };
        BatchSettings settings;
        settings.keywordFile = keywords;
        settings.resultsPath = pathOf("results.txt");
        const BatchRunResult report = RunBatch(batch, settings);

        EXPECT_EQ(BatchRunResult::Status::Cancelled, report.status);
        EXPECT_EQ(row.interruptAtYield, yields); // stopped at once
        EXPECT_TRUE(row.stage == stage) << stage.keywordsInUse << " keywords, " << stage.columns << " columns, "
                                        << stage.resultRows << " rows";
        EXPECT_FALSE(QFile::exists(settings.resultsPath));
    }
}

} // namespace
} // namespace tamsenor::testing
