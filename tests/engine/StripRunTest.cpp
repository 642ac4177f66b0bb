#include "engine/StripRun.h"
#include "engine/PrepareRun.h"
#include "engine/ProcessRun.h"
#include "engine/RunFixture.h"
#include "io/KilledRun.h"

#include <QDir>

#include <algorithm>
#include <map>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamsenor::testing {
namespace {

class StripRunTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        out = pathOf("out");
        ASSERT_TRUE(QDir().mkdir(out));
        host.strip = true;
        host.mainState.settings.strip = true;
    }
    // Answers the directory notice with OK and the dialog with `directory`.
    void chooseDirectory(const QString& directory) { host.dialogs.answer(Answer::Ok).directory(directory); }
    std::string output(const std::string& name) const { return ReadBytes(out.toStdString() + "/" + name); }
    std::vector<std::string> outputs() const
    {
        std::vector<std::string> names;
        for (const QString& name : QDir(out).entryList(QDir::Files | QDir::Hidden))
            names.push_back(name.toStdString());
        std::sort(names.begin(), names.end());
        return names;
    }

    QString out;
};

TEST(StripOutputPathTest, NameRule)
{
    struct Row {
        const char* name;
        QString directory, chosen;
        QStringList written;
        QString expected;
    };
    const Row rows[] = {
        { "dots removed", "/out", "/web/index.html", {}, "/out/indexhtml.txt" },
        { "every dot", "/out", "/docs/a.b.htm", {}, "/out/abhtm.txt" },
        { "no dot at all", "/out", "/x/README", {}, "/out/README.txt" },
        { "root directory doubles the separator", "/", "/x/a.htm", {}, "//ahtm.txt" },
        { "a name this run wrote gets _2", "/out", "/b/index.htm", { "", "/out/indexhtm.txt" }, "/out/indexhtm_2.txt" },
        { "and then _3", "/out", "/c/index.htm", { "", "/out/indexhtm.txt", "/out/indexhtm_2.txt" },
            "/out/indexhtm_3.txt" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, StripOutputPath(row.directory, row.chosen, row.written));
    }
}

TEST_F(StripRunTest, OutputsHoldHeaderJoinedLinesAndFinalLineEnd)
{
    const QString n = makeFile("n.txt", "a\r\nb\rc");
    const QString page = makeFile("page.htm", "<html><body>One<p>Two\r\nlines\nkept</body></html>\r\n");
    const QString readme = makeFile("README", "");
    host.chosenList << n << page << readme;
    chooseDirectory(out + "/"); // a directory given with its separator: two in a row, accepted

    ProcessChosenFiles(host);

    EXPECT_EQ(" From: " + n.toStdString() + "\r\nabc\r\n", output("ntxt.txt"));
    EXPECT_EQ(" From: " + page.toStdString() + "\r\n  One\r\nTwolines\nkept  \r\n", output("pagehtm.txt"));
    EXPECT_EQ(" From: " + readme.toStdString() + "\r\n\r\n", output("README.txt"));
    EXPECT_EQ((std::vector<std::string> { "README.txt", "ntxt.txt", "pagehtm.txt" }), outputs());
    const QStringList recorded { QString(), out + "//ntxt.txt", out + "//pagehtm.txt", out + "//README.txt" };
    EXPECT_EQ(recorded, host.mainState.run.stripOutputFiles);
    ASSERT_EQ(2u, host.dialogs.messages().size());
    EXPECT_EQ(messages::StripFinished, host.dialogs.messages()[1].text);
    EXPECT_EQ(Icon::Information, host.dialogs.messages()[1].icon);
    EXPECT_EQ(1, host.resets);
}

TEST_F(StripRunTest, ReadableTextOnEveryThreadCount)
{
    // A declared Latin-1 page, references, blocks, a table and a script.
    const QString page = makeFile("page.htm",
        "<html><head><meta charset=\"iso-8859-1\"><title>T</title><script>x()</script></head>\r\n"
        "<body><h1>Caf\xe9 &amp; more</h1><p>One\r\n  two</p><table><tr><td>a<td>b</table>x<br>y</body></html>");
    const QString plain = makeFile("plain.txt", "just text");
    // An article between a menu and a footer.
    const std::string prose = "words enough to count as the prose of a paragraph of the story";
    const QString story = makeFile("story.htm",
        "<nav><a href=/>Home</a></nav><h1>S</h1><p>1 " + prose + "</p><p>2 " + prose + "</p><p>3 " + prose
            + "</p><footer>(c)</footer>");
    const std::string storyText = "S\n\n1 " + prose + "\n\n2 " + prose + "\n\n3 " + prose;
    for (const bool mainText : { false, true }) {
        for (const int workers : { 1, 2 }) {
            SCOPED_TRACE(std::to_string(workers) + " workers" + (mainText ? ", main text" : ""));
            QDir(out).removeRecursively();
            QDir().mkdir(out);
            FakeRunHost h;
            h.strip = true;
            h.mainState.settings.strip = h.mainState.settings.readable = true;
            h.mainState.settings.mainText = mainText;
            h.workers = workers;
            h.chosenList << page << plain << story;
            h.dialogs.answer(Answer::Ok).directory(out);
            ProcessChosenFiles(h);
            // The page has too little prose to hold an article: it is written whole.
            EXPECT_EQ("From: " + page.toStdString() + "\nCaf\xc3\xa9 & more\n\nOne two\n\na\tb\nx\ny\n",
                output("pagehtm.txt"));
            EXPECT_EQ("From: " + plain.toStdString() + "\njust text\n", output("plaintxt.txt"));
            EXPECT_EQ("From: " + story.toStdString() + (mainText ? "\n" : "\nHome\n") + storyText
                    + (mainText ? "\n" : "\n\n(c)\n"),
                output("storyhtm.txt"));
        }
    }
}

TEST_F(StripRunTest, ReadableTextReadsStyleSheetsFromThePagesFolderOnly)
{
    ASSERT_TRUE(QDir().mkpath(pathOf("site/css")));
    makeFile("site/css/a.css", ".ad { display: none } h1 { text-transform: uppercase }");
    makeFile("other.css", "p { display: none }");
    ASSERT_EQ(0, ::mkfifo(pathOf("site/css/fifo.css").toStdString().c_str(), 0600));
    const QString page = makeFile("site/page.htm",
        "<link rel=stylesheet href=\"css/a.css?v=2\"><link rel=stylesheet href=\"../other.css\">"
        "<link rel=stylesheet href=\"css/fifo.css\"><link rel=stylesheet href=\"http://example.com/p.css\">"
        "<h1>Title</h1><div class=ad>advert</div><p>kept</p>");
    host.mainState.settings.strip = host.mainState.settings.readable = true;
    host.chosenList << page;
    chooseDirectory(out);
    ProcessChosenFiles(host);
    EXPECT_EQ("From: " + page.toStdString() + "\nTITLE\n\nkept\n", output("pagehtm.txt"));
}

TEST_F(StripRunTest, SameOutputNameTwiceKeepsBoth)
{
    ASSERT_TRUE(QDir().mkdir(pathOf("x")) && QDir().mkdir(pathOf("y")));
    const QString first = makeFile("x/index.htm", "first");
    const QString second = makeFile("y/index.htm", "second");
    WriteBytes(out.toStdString() + "/indexhtm.txt", "from before the run");
    host.chosenList << first << second;
    chooseDirectory(out);

    ProcessChosenFiles(host);

    EXPECT_EQ(" From: " + first.toStdString() + "\r\nfirst\r\n", output("indexhtm.txt"));
    EXPECT_EQ(" From: " + second.toStdString() + "\r\nsecond\r\n", output("indexhtm_2.txt"));
    // The replaced file was kept aside only until the run finished.
    EXPECT_EQ((std::vector<std::string> { "indexhtm.txt", "indexhtm_2.txt" }), outputs());
}

TEST_F(StripRunTest, AnOutputNeverReplacesAnotherOutputThroughALink)
{
    ASSERT_TRUE(QDir().mkdir(pathOf("x")) && QDir().mkdir(pathOf("y")));
    const QString a = makeFile("x/a.html", "first");
    const QString b = makeFile("y/b.html", "second");
    // "ahtml.txt" leads to the name the second output would take.
    ASSERT_EQ(0, ::symlink("bhtml.txt", (out + "/ahtml.txt").toStdString().c_str()));
    host.chosenList << a << b;
    chooseDirectory(out);

    ProcessChosenFiles(host);

    EXPECT_EQ(" From: " + a.toStdString() + "\r\nfirst\r\n", output("bhtml.txt"));
    EXPECT_EQ(" From: " + b.toStdString() + "\r\nsecond\r\n", output("bhtml_2.txt"));
}

TEST_F(StripRunTest, AnOutputNeverReplacesAChosenFile)
{
    // "a.txt" gives "atxt.txt", the name of another chosen file of the run,
    // reached here through a link to the folder.
    const QString a = makeFile("a.txt", "new text");
    const QString chosen = makeFile("atxt.txt", "the user's file");
    ASSERT_EQ(0, ::symlink(pathOf("").toStdString().c_str(), (out + "/same").toStdString().c_str()));
    host.chosenList << a << chosen;
    chooseDirectory(out + "/same");

    ProcessChosenFiles(host);

    EXPECT_EQ("the user's file", ReadBytes(chosen.toStdString()));
    EXPECT_EQ(" From: " + a.toStdString() + "\r\nnew text\r\n", ReadBytes(pathOf("atxt_2.txt").toStdString()));
    EXPECT_EQ(
        " From: " + chosen.toStdString() + "\r\nthe user's file\r\n", ReadBytes(pathOf("atxttxt.txt").toStdString()));
}

TEST_F(StripRunTest, CancelDeletesExactlyThisRunsOutputs)
{
    struct Row {
        const char* name;
        std::function<bool(const FakeRunHost&)> when;
        int workers = 1;
    };
    const auto afterSecondOutput = [](const FakeRunHost& h) { return h.mainState.run.stripOutputFiles.size() == 3; };
    const Row rows[] = {
        { "after the second output", afterSecondOutput },
        // Outputs written ahead by the workers are abandoned, never left behind.
        { "after the second output, three workers", afterSecondOutput, 3 },
        { "while lines are read",
            [](const FakeRunHost& h) { return h.mainState.run.textBuffer.empty() && h.captions.size() == 2; } },
        { "inside the stripper",
            // After the first tag: the progress value has taken its first step.
            [](const FakeRunHost& h) { return h.captions.size() == 3 && h.fileProgress() == 10.0f; } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRunHost h;
        h.strip = true;
        h.mainState.settings.strip = true;
        const QString keep = out + "/older.txt";
        WriteBytes(keep.toStdString(), "not ours");
        // The first output replaces a file from before the run: a cancel puts it back.
        const QString replaced = out + "/ahtm.txt";
        WriteBytes(replaced.toStdString(), "the user's earlier ahtm.txt");
        for (const char* name : { "a.htm", "b.htm", "c.htm", "d.htm" })
            h.chosenList << makeFile(name, "<b>x</b>\r\n<i>y</i>\r\nz");
        h.dialogs.answer(Answer::Ok).directory(out);
        h.cancelWhen(row.when);
        h.workers = row.workers;

        ProcessChosenFiles(h);

        EXPECT_EQ((std::vector<std::string> { "ahtm.txt", "older.txt" }), outputs());
        EXPECT_EQ("not ours", ReadBytes(keep.toStdString()));
        EXPECT_EQ("the user's earlier ahtm.txt", ReadBytes(replaced.toStdString()));
        EXPECT_EQ(std::vector<QString> { messages::StripDirectoryNotice }, h.dialogs.messageTexts());
        EXPECT_EQ(1, h.resets);
        EXPECT_GE(h.mainState.run.stripOutputFiles.size(), 2); // something had been written
    }
}

// A folder that cannot be written is refused before the first file, once.
TEST_F(StripRunTest, MissingOutputDirectoryIsRefusedOnceBeforeAnyFile)
{
    host.chosenList << makeFile("a.htm", "x") << makeFile("b.htm", "y");
    chooseDirectory(pathOf("gone"));

    ProcessChosenFiles(host);

    const std::vector<QString> expected {
        messages::StripDirectoryNotice,
        messages::OutputFolderNotWritable(pathOf("gone"), QStringLiteral("No such file or directory")),
    };
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    EXPECT_EQ(Icon::Critical, host.dialogs.messages()[1].icon);
    EXPECT_TRUE(host.captions.empty()) << "no file was begun";
    EXPECT_EQ(QStringList { QString() }, host.mainState.run.stripOutputFiles);
    EXPECT_EQ(2, host.chosenList.size()) << "a refused run keeps the chosen files";
    EXPECT_EQ(0, host.resets);
}

// An output name too long for the system and a file too large to convert
// are skipped for what they are; the large file is never read.
TEST_F(StripRunTest, TooLongOutputNamesAndHugeFilesAreSkippedForWhatTheyAre)
{
    const QString huge = makeFile("huge.htm", "x");
    ASSERT_EQ(0, ::truncate(huge.toLocal8Bit().constData(), 3LL << 30)); // sparse: no disk taken
    const std::string stem(250, 'n');
    const QString longName = makeFile(stem + ".html", "<b>x</b>");
    host.chosenList << huge << longName;
    chooseDirectory(out);

    ProcessChosenFiles(host);

    const std::vector<QString> expected {
        messages::StripDirectoryNotice,
        messages::StripFinished,
        messages::FilesNotConverted({ { huge, QStringLiteral("the file is too large") },
            { longName,
                QString::fromStdString(
                    "its output name '" + stem + "html.txt' is too long (258 bytes; a name may have at most 255)") } }),
    };
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    EXPECT_LT(host.yields, 100) << "the huge file was read before it was refused";
    EXPECT_TRUE(outputs().empty());
}

// A run killed outright is taken back by the next run into its folder,
// which says so before it goes on.
TEST_F(StripRunTest, AKilledRunIsTakenBackByTheNextRunIntoItsFolder)
{
    const std::string earlier = out.toStdString() + "/ahtm.txt";
    WriteBytes(earlier, "the user's");
    testing::RunAndKill(out.toStdString(), [&](io::Journal& j) { testing::KilledRunOutput(j, earlier, "stripped"); });
    ASSERT_EQ("stripped", output("ahtm.txt"));
    host.chosenList << makeFile("b.htm", "b");
    chooseDirectory(out);

    ProcessChosenFiles(host);

    ASSERT_EQ(3u, host.dialogs.messages().size());
    EXPECT_TRUE(host.dialogs.messages()[1].text.startsWith(QStringLiteral("An earlier run into this folder ended")))
        << host.dialogs.messages()[1].text.toStdString();
    EXPECT_TRUE(host.dialogs.messages()[1].text.endsWith(QStringLiteral("put back: ") + out + "/ahtm.txt"));
    EXPECT_EQ(messages::StripFinished, host.dialogs.messages()[2].text);
    EXPECT_EQ("the user's", output("ahtm.txt"));
    EXPECT_EQ((std::vector<std::string> { "ahtm.txt", "bhtm.txt" }), outputs());
}

// Sets or clears the immutable flag, which keeps even root from writing.
bool SetImmutable(const QString& folder, bool on)
{
    const int fd = ::open(folder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

// The output folder is opened once: moved or swapped for a link during the
// run, it still gets the outputs; removed or made read-only, the run says so
// once, by name, keeps what it wrote and leaves no temporary behind.
TEST_F(StripRunTest, OutputFolderChangedDuringTheRun)
{
    struct Row {
        const char* name;
        std::function<bool(const QString& out)> change; // false: cannot be done here
        QString lost; // the reason told; empty when the run finishes
        std::vector<std::string> inMoved; // what the folder holds afterwards, wherever it is
    };
    const std::vector<std::string> all { "ahtm.txt", "bhtm.txt", "chtm.txt" };
    const Row rows[] = {
        { "swapped for a link",
            [this](const QString& o) {
                return ::rename(o.toLocal8Bit().constData(), (o + "-moved").toLocal8Bit().constData()) == 0
                    && QDir().mkdir(pathOf("other"))
                    && ::symlink(pathOf("other").toLocal8Bit().constData(), o.toLocal8Bit().constData()) == 0;
            },
            {}, all },
        { "removed",
            [](const QString& o) {
                return QDir(o).removeRecursively()
                    && QDir().mkdir(o + "-moved"); // nothing of the run may turn up anywhere
            },
            QStringLiteral("it was removed"), {} },
        { "made read-only",
            [](const QString& o) {
                return ::rename(o.toLocal8Bit().constData(), (o + "-moved").toLocal8Bit().constData()) == 0
                    && SetImmutable(o + "-moved", true);
            },
            QStringLiteral("Operation not permitted"), { "ahtm.txt" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString o = pathOf(std::string("o-") + std::to_string(&row - rows));
        ASSERT_TRUE(QDir().mkdir(o));
        FakeRunHost h;
        h.strip = true;
        h.mainState.settings.strip = true;
        for (const char* name : { "a.htm", "b.htm", "c.htm" })
            h.chosenList << makeFile(name, "<b>x</b>");
        h.dialogs.answer(Answer::Ok).directory(o);
        bool changed = false;
        bool possible = true;
        h.onYield = [&](FakeRunHost& host) {
            if (!changed && host.mainState.run.stripOutputFiles.size() == 2) {
                changed = true;
                possible = row.change(o);
            }
        };

        ProcessChosenFiles(h);
        if (!possible) {
            SetImmutable(o + "-moved", false);
            GTEST_SKIP() << "the change cannot be made here";
        }

        const std::vector<QString> expected { messages::StripDirectoryNotice,
            row.lost.isEmpty() ? messages::StripFinished
                               : messages::OutputFolderLost(o, row.lost, pathOf("b.htm")) };
        EXPECT_EQ(expected, h.dialogs.messageTexts());
        std::vector<std::string> names;
        // A read-only folder keeps the run's journal too, until a later run
        // can settle it; a temporary it never keeps.
        for (const QString& name : QDir(o + "-moved").entryList(QDir::Files | QDir::Hidden))
            if (!name.startsWith(QStringLiteral(".tmsn-journal-")))
                names.push_back(name.toStdString());
        EXPECT_EQ(row.inMoved, names);
        EXPECT_TRUE(QDir(pathOf("other")).isEmpty()) << "an output went through the link put in its place";
        SetImmutable(o + "-moved", false);
    }
}

TEST_F(StripRunTest, UnreadableInputIsSkippedAndTheRunGoesOn)
{
    const QString missing = pathOf("missing.htm");
    const QString binary = makeFile("binary.htm",
        std::string("a\x1A"
                    "b",
            3));
    const QString fine = makeFile("fine.htm", "ok");
    // Chosen as a file, then made a pipe with no writer: refused, never waited on.
    const QString pipe = pathOf("pipe.htm");
    ASSERT_EQ(0, ::mkfifo(pipe.toStdString().c_str(), 0644));
    host.chosenList << binary << fine << pipe << missing;
    chooseDirectory(out);

    ProcessChosenFiles(host);

    EXPECT_EQ(std::vector<std::string> { "finehtm.txt" }, outputs());
    ASSERT_EQ(3u, host.dialogs.messageTexts().size());
    const QString list = host.dialogs.messageTexts()[2];
    EXPECT_TRUE(list.startsWith(QStringLiteral("These files could not be converted:\r\n") + binary + ": "))
        << list.toStdString();
    EXPECT_TRUE(list.contains("\r\n" + pipe + QStringLiteral(": it is a named pipe (FIFO), not a regular file\r\n")))
        << list.toStdString();
    EXPECT_TRUE(list.endsWith("\r\n" + missing + QStringLiteral(": No such file or directory"))) << list.toStdString();
}

TEST_F(StripRunTest, AFileThatRunsOutOfMemoryIsSkippedNotWrittenEmpty)
{
    const QString big = makeFile("big.htm", "<b>x</b>");
    const QString fine = makeFile("fine.htm", "ok");
    host.chosenList << big << fine;
    chooseDirectory(out);
    // Inside the stripper of the first file (its progress has moved), memory runs out.
    host.onYield = [thrown = false](FakeRunHost& h) mutable {
        if (!thrown && h.captions.size() == 1 && h.fileProgress() > 0.0f) {
            thrown = true;
            throw std::bad_alloc();
        }
    };

    ProcessChosenFiles(host);

    EXPECT_EQ(std::vector<std::string> { "finehtm.txt" }, outputs());
    ASSERT_EQ(3u, host.dialogs.messageTexts().size());
    EXPECT_EQ(QStringLiteral("These files could not be converted:\r\n") + big
            + QStringLiteral(": there is not enough memory to convert it"),
        host.dialogs.messageTexts()[2]);
}

TEST_F(StripRunTest, WorkerThreadsChangeNothingTheUserSees)
{
    // Shapes that take the stripper different ways, a file past the first
    // mebibyte, files that are skipped, and two of the same output name.
    ASSERT_TRUE(QDir().mkdir(pathOf("x")));
    std::string big;
    for (int i = 0; big.size() < (3u << 20) / 2; ++i)
        big += "<p class=\"c" + std::to_string(i % 97) + "\">line " + std::to_string(i) + "</p>\r\n";
    const QStringList inputs { makeFile("a.htm", "<b>one</b> &amp; two"),
        makeFile("b.htm", "<script>x</script>y<!-- c -->z"), makeFile("big.htm", big),
        makeFile("bin.htm",
            std::string("a\x1A"
                        "b",
                3)),
        pathOf("missing.htm"), makeFile("x/a.htm", "<<a>>"), makeFile("plain.txt", "no markup\r\nat all") };

    struct Seen {
        std::map<std::string, std::string> outputs;
        QStringList recorded;
        std::vector<float> overall, file;
        std::vector<QString> captions, messages;
    };
    auto run = [&](int workers) {
        QDir(out).removeRecursively();
        QDir().mkdir(out);
        FakeRunHost h;
        h.strip = true;
        h.mainState.settings.strip = true;
        h.workers = workers;
        h.chosenList = inputs;
        h.dialogs.answer(Answer::Ok).directory(out);
        ProcessChosenFiles(h);
        Seen seen { {}, h.mainState.run.stripOutputFiles, h.overallValues, h.fileValues, h.captions,
            h.dialogs.messageTexts() };
        for (const std::string& name : outputs())
            seen.outputs[name] = output(name);
        return seen;
    };

    const Seen one = run(1);
    ASSERT_EQ(5u, one.outputs.size());
    for (const int workers : { 2, 4 }) {
        SCOPED_TRACE(std::to_string(workers) + " workers");
        const Seen many = run(workers);
        EXPECT_EQ(one.outputs, many.outputs);
        EXPECT_EQ(one.recorded, many.recorded);
        EXPECT_EQ(one.overall, many.overall);
        EXPECT_EQ(one.file, many.file);
        EXPECT_EQ(one.captions, many.captions);
        EXPECT_EQ(one.messages, many.messages);
    }
}

TEST_F(StripRunTest, RunningOutOfMemoryOutsideAFileIsSaidAndTakesTheOutputsBack)
{
    WriteBytes(out.toStdString() + "/ahtm.txt", "the user's earlier ahtm.txt");
    host.chosenList << makeFile("a.htm", "x") << makeFile("b.htm", "y");
    chooseDirectory(out);
    // After the first output replaced a file, at a yield outside any file's own work.
    host.onYield = [](FakeRunHost& h) {
        if (h.mainState.run.stripOutputFiles.size() == 2)
            throw std::bad_alloc();
    };

    ProcessChosenFiles(host);

    const std::vector<QString> expected { messages::StripDirectoryNotice, messages::RunOutOfMemory };
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    EXPECT_EQ(std::vector<std::string> { "ahtm.txt" }, outputs());
    EXPECT_EQ("the user's earlier ahtm.txt", output("ahtm.txt"));
    EXPECT_EQ(1, host.resets);
}

TEST(FilesNotConvertedTest, ListsAtMostTwentyFiles)
{
    std::vector<SkippedFile> skipped;
    for (int i = 1; i <= 23; ++i)
        skipped.push_back({ QStringLiteral("/in/%1").arg(i), QStringLiteral("why") });

    const QStringList lines = messages::FilesNotConverted(skipped).split(QStringLiteral("\r\n"));

    ASSERT_EQ(22, lines.size());
    EXPECT_EQ(QStringLiteral("/in/20: why"), lines[20]);
    EXPECT_EQ(QStringLiteral("... and 3 more"), lines[21]);
}

// The bar moves as in an extraction run, also past 100 files.
TEST_F(StripRunTest, OverallProgressUsesTheTwoDecimalStep)
{
    struct Row {
        const char* name;
        int files;
        std::vector<float> expected; // before the final 0
    };
    std::vector<float> halves; // 0.5, 1, ... 99.5: at 99.5 the bar stops
    for (int i = 1; i <= 199; ++i)
        halves.push_back(0.5f * static_cast<float>(i));
    const Row rows[] = {
        { "one file", 1, { 100.0f } },
        { "three files", 3, { 33.33f, 66.66f, 99.99f } },
        { "seven files stop below 100", 7, { 14.29f, 28.58f, 42.87f, 57.16f, 71.45f, 85.74f } },
        { "two hundred files", 200, halves },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRunHost h;
        h.strip = true;
        h.mainState.settings.strip = true;
        for (int i = 0; i < row.files; ++i)
            h.chosenList << makeFile("p" + std::to_string(i), "x");
        h.dialogs.answer(Answer::Ok).directory(out);

        ProcessChosenFiles(h);

        std::vector<float> expected = row.expected;
        expected.push_back(0.0f); // the end of the strip loop
        ASSERT_EQ(expected.size(), h.overallValues.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(expected[i], h.overallValues[i], 0.001f) << "step " << i;
        EXPECT_EQ(static_cast<qsizetype>(row.files) + 1, h.mainState.run.stripOutputFiles.size());
    }
}

} // namespace
} // namespace tamsenor::testing
