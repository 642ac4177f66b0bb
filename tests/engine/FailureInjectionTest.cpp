// Bad inputs and failing disks through the Process command: each case checks
// what the user is told and that nothing already found or written is lost.
#include "batch/BatchRun.h"
#include "engine/ExtractionRun.h"
#include "engine/PrepareRun.h"
#include "engine/ProcessRun.h"
#include "engine/RunFixture.h"
#include "engine/SaveResults.h"
#include "engine/StripRun.h"
#include "results/SpillSeams.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace tamsenor::testing {
namespace {

namespace fs = std::filesystem;

// The first bytes of a PNG image: its signature holds 0x1A before the end.
const std::string PngBytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1F\x15\xC4\x89", 33);

// A small tmpfs in a directory of the test's own, when mounting is permitted.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& where)
        : path_(where)
    {
        fs::create_directories(where);
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(path_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};

std::vector<std::string> entriesOf(const QString& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory.toStdString()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FailureInjectionTest : public RunFixture {
protected:
    // The saved results file of an extraction run whose save question is answered Yes.
    QString extractAndSave(const QString& saveAs)
    {
        host.dialogs.answer(Answer::Yes).file(saveAs);
        ProcessChosenFiles(host);
        return saveAs;
    }
    void stripInto(const QString& directory)
    {
        host.strip = true;
        host.mainState.settings.strip = true;
        host.dialogs.answer(Answer::Ok).directory(directory);
        ProcessChosenFiles(host);
    }
};

TEST_F(FailureInjectionTest, BadFilesAreReportedAndTheFindingsOfTheOthersAreSaved)
{
    const QString vanished = pathOf("vanished.htm");
    fs::create_symlink(dir.file("removed-after-choosing"), vanished.toStdString()); // dangling
    const QString becameDirectory = pathOf("dir.htm");
    ASSERT_TRUE(QDir().mkdir(becameDirectory));
    const QString eof = makeFile("eof.htm", std::string("a@b.test \x1A tail", 15));
    const QString png = makeFile("image.png", PngBytes);
    std::string elfBytes = ReadBytes("/bin/true");
    ASSERT_GT(elfBytes.size(), 1000u);
    const QString elf = makeFile("true", elfBytes);
    const QString empty = makeFile("empty.htm", "");
    const QString good = makeFile("good.htm", "<p>mail x@y.test or see http://y.test/</p>");
    host.chosenList << vanished << becameDirectory << eof << png << elf << empty << good;
    host.mainState.settings.email = true;
    host.mainState.settings.website = true;

    const QString saved = extractAndSave(pathOf("results.txt"));

    std::vector<QString> expected {
        messages::FileHasProblem(vanished, "No such file or directory"),
        messages::FileHasProblem(becameDirectory, "Is a directory"),
        messages::FileNotAppropriate(eof),
        messages::FileNotAppropriate(png),
    };
    // An executable is taken as text unless it holds 0x1A before its last byte.
    if (elfBytes.find('\x1A') < elfBytes.size() - 1)
        expected.push_back(messages::FileNotAppropriate(elf));
    expected.push_back(messages::SaveQuestion);
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    const std::string table = ReadBytes(saved.toStdString());
    EXPECT_NE(std::string::npos, table.find("x@y.test\thttp://y.test/\t" + good.toStdString())) << table;
    EXPECT_EQ(std::string::npos, table.find(empty.toStdString())) << "an empty file has no findings";
    EXPECT_TRUE(host.dialogs.scriptUsedUp());
    EXPECT_EQ(1, host.resets);
}

// Unoptimised instrumented code is about seventy times slower; the sanitizer
// build walks the same paths over a smaller page.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t BigPageBytes = 4u << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t BigPageBytes = 4u << 20;
#else
constexpr std::size_t BigPageBytes = 50u << 20;
#endif
#else
constexpr std::size_t BigPageBytes = 50u << 20;
#endif

TEST_F(FailureInjectionTest, FiftyMegabytePageKeepsFindingsAtStartMiddleAndEnd)
{
    const std::string line(998, 'w');
    std::string page;
    page.reserve(BigPageBytes + 64);
    page += "first@start.test ";
    while (page.size() < BigPageBytes / 2)
        page += line + "\r\n";
    page += " middle@half.test ";
    while (page.size() < BigPageBytes)
        page += line + "\r\n";
    page += " last@end.test";
    host.chosenList << makeFile("big.htm", page);
    page.clear();
    page.shrink_to_fit();
    host.mainState.settings.email = true;
    host.dialogs.answer(Answer::No);

    ProcessChosenFiles(host);

    ASSERT_TRUE(host.rowsAtReset);
    ASSERT_EQ(4u, host.rowsAtReset->size());
    EXPECT_EQ("first@start.test", (*host.rowsAtReset)[1][0]);
    EXPECT_EQ("middle@half.test", (*host.rowsAtReset)[2][0]);
    EXPECT_EQ("last@end.test", (*host.rowsAtReset)[3][0]);
    EXPECT_EQ(std::vector<QString> { messages::SaveQuestion }, host.dialogs.messageTexts());
}

TEST_F(FailureInjectionTest, OutputDirectoryGoneBetweenChoosingAndTheRun)
{
    struct Row {
        const char* name;
        std::function<void(const QString&)> spoil;
        std::string reason;
    };
    const Row rows[] = {
        { "deleted", [](const QString& d) { fs::remove(d.toStdString()); }, "No such file or directory" },
        { "replaced by a file",
            [](const QString& d) {
                fs::remove(d.toStdString());
                WriteBytes(d.toStdString(), "a file now");
            },
            "Not a directory" },
    };
    int round = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRunHost h;
        const QString out = pathOf("out" + std::to_string(++round));
        ASSERT_TRUE(QDir().mkdir(out));
        const QString a = makeFile("a" + std::to_string(round) + ".htm", "<p>a</p>");
        const QString b = makeFile("b" + std::to_string(round) + ".htm", "<p>b</p>");
        h.chosenList << a << b;
        h.strip = true;
        h.mainState.settings.strip = true;
        h.dialogs.answer(Answer::Ok).directory(out);
        // The directory is spoilt once the dialog has returned, at the run's first yield.
        h.onYield = [&, done = false](FakeRunHost&) mutable {
            if (!done)
                row.spoil(out);
            done = true;
        };

        ProcessChosenFiles(h);

        const std::vector<QString> expected {
            messages::StripDirectoryNotice,
            messages::StripFinished,
            messages::FilesNotConverted(
                { { a, QString::fromStdString(row.reason) }, { b, QString::fromStdString(row.reason) } }),
        };
        EXPECT_EQ(expected, h.dialogs.messageTexts());
        EXPECT_EQ(Icon::Exclamation, h.dialogs.messages().back().icon);
        EXPECT_EQ(1, h.resets);
    }
}

TEST_F(FailureInjectionTest, FullDiskWhileStrippingLeavesNoPartialOutput)
{
    const QString out = pathOf("out");
    ASSERT_TRUE(QDir().mkdir(out));
    WriteBytes(out.toStdString() + "/keephtm.txt", "an output of an earlier run");
    const QString keep = makeFile("keep.htm", "<p>new text</p>");
    const QString other = makeFile("other.htm", "<p>other</p>");
    host.chosenList << keep << other;
    {
        WriteFailureAfter full(10);
        stripInto(out);
    }

    const QString reason = QStringLiteral("No space left on device");
    const std::vector<QString> expected {
        messages::StripDirectoryNotice,
        messages::StripFinished,
        messages::FilesNotConverted({ { keep, reason }, { other, reason } }),
    };
    EXPECT_EQ(expected, host.dialogs.messageTexts());
    EXPECT_EQ(std::vector<std::string> { "keephtm.txt" }, entriesOf(out)) << "no partial or temporary file";
    EXPECT_EQ("an output of an earlier run", ReadBytes(out.toStdString() + "/keephtm.txt"));
}

TEST_F(FailureInjectionTest, FullTmpfsWhileStrippingKeepsWhatFits)
{
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString out = pathOf("disk");
    const QString big = makeFile("big.htm", std::string(200 * 1024, 'x'));
    const QString small = makeFile("small.htm", "<b>fits</b>");
    host.chosenList << big << small;

    stripInto(out);

    const auto texts = host.dialogs.messageTexts();
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ(messages::FilesNotConverted({ { big, QStringLiteral("No space left on device") } }), texts[2]);
    EXPECT_EQ(std::vector<std::string> { "smallhtm.txt" }, entriesOf(out));
    const std::string written = ReadBytes(out.toStdString() + "/smallhtm.txt");
    EXPECT_EQ(0u, written.find(" From: " + small.toStdString() + "\r\n")) << written;
    EXPECT_NE(std::string::npos, written.find("fits")) << written;
}

TEST_F(FailureInjectionTest, FullDiskWhileSavingResultsKeepsTheOldFile)
{
    struct Row {
        const char* name;
        bool tmpfs;
    };
    for (const Row row : { Row { "write seam", false }, Row { "small tmpfs", true } }) {
        SCOPED_TRACE(row.name);
        TempDir here;
        SmallDisk disk(here.file("disk"));
        if (row.tmpfs && !disk.mounted())
            continue;
        fs::create_directory(here.file("save"));
        const std::string saveDir = here.file(row.tmpfs ? "disk" : "save");
        const QString old = QString::fromStdString(saveDir + "/results.txt");
        WriteBytes(old.toStdString(), "old results");
        std::string page;
        // 800 rows of about 100 bytes: more than the small disk holds.
        for (int i = 0; i < 800; ++i)
            page += " user" + std::to_string(i) + std::string(40, 'u') + "@mail.test";
        FakeRunHost h;
        WriteBytes(here.file("page.htm"), page);
        h.chosenList << QString::fromStdString(here.file("page.htm"));
        h.mainState.settings.email = true;
        // Save, replace the old file, fail; then the dialog again, cancelled.
        h.dialogs.answer(Answer::Yes).file(old).answer(Answer::Yes).file(std::nullopt);
        {
            WriteFailureAfter full(row.tmpfs ? -1 : 100);
            ProcessChosenFiles(h);
        }

        const auto texts = h.dialogs.messageTexts();
        ASSERT_EQ(3u, texts.size());
        EXPECT_EQ(messages::ResultsNotSaved(old, "No space left on device"), texts[2]);
        EXPECT_EQ("old results", ReadBytes(old.toStdString()));
        EXPECT_EQ(std::vector<std::string> { "results.txt" }, entriesOf(QString::fromStdString(saveDir)));
        ASSERT_TRUE(h.rowsAtReset);
        EXPECT_EQ(801u, h.rowsAtReset->size()) << "the findings were still there when the user gave up";
    }
}

// Findings that outgrow memory wait in a temporary file; when it cannot take
// them, the run stops there and says so, and no results file is written.
TEST_F(FailureInjectionTest, ResultsThatCannotBeKeptEndTheRun)
{
    struct Row {
        const char* name;
        bool window; // else the companion
        bool tmpfs; // else the write seam
    };
    const Row rows[] = {
        { "window, write seam", true, false },
        { "companion, write seam", false, false },
        { "companion, small tmpfs", false, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir here;
        SmallDisk disk(here.file("disk"));
        if (row.tmpfs && !disk.mounted())
            continue;
        std::string page;
        // 800 rows of about 100 bytes: more than the small disk holds.
        for (int i = 0; i < 800; ++i)
            page += " user" + std::to_string(i) + std::string(40, 'u') + "@mail.test";
        WriteBytes(here.file("a.htm"), page);
        WriteBytes(here.file("b.htm"), "b@mail.test");
        const QStringList chosen { QString::fromStdString(here.file("a.htm")),
            QString::fromStdString(here.file("b.htm")) };
        const std::string saveDir = row.tmpfs ? here.file("disk") : here.file("save");
        fs::create_directories(saveDir);
        const QString old = QString::fromStdString(saveDir + "/results.txt");
        WriteBytes(old.toStdString(), "old results");

        SpillBound everyRow(0);
        SpillFailureAfter full(row.tmpfs ? -1 : 100);
        if (row.window) {
            FakeRunHost h;
            h.chosenList = chosen;
            h.mainState.settings.email = true;
            ProcessChosenFiles(h);
            EXPECT_EQ(std::vector<QString> { messages::ResultsNotKept(QDir::tempPath(), "No space left on device") },
                h.dialogs.messageTexts());
            EXPECT_EQ(Icon::Critical, h.dialogs.messages().back().icon);
            EXPECT_EQ(1u, h.captions.size()) << "the run went on to the next file";
            EXPECT_EQ(1, h.resets);
        } else {
            BatchHost batch(chosen);
            int searched = 0;
            batch.onFile = [&searched](int, int, const QString&) { ++searched; };
            BatchSettings settings;
            settings.email = true;
            settings.resultsPath = old;
            const BatchRunResult report = RunBatch(batch, settings);
            EXPECT_EQ(BatchRunResult::Status::ResultsNotSaved, report.status);
            EXPECT_EQ(QStringLiteral("No space left on device"), report.error);
            // The temporary file is beside the results file, so the full disk shows at once.
            EXPECT_EQ(1, searched) << "the run went on to the next file";
        }
        EXPECT_EQ("old results", ReadBytes(old.toStdString()));
        EXPECT_EQ(std::vector<std::string> { "results.txt" }, entriesOf(QString::fromStdString(saveDir)));
    }
}

TEST_F(FailureInjectionTest, KeywordFilesThatCannotBeReadWhole)
{
    WriteBytes(dir.file("long.txt"), "A\t1\r\n" + std::string(101, 'v') + "\t2\r\nB\t3\r\n");
    WriteBytes(dir.file("image.png"), PngBytes);
    fs::create_symlink(dir.file("gone.txt"), dir.file("vanished.txt"));

    const KeywordFile longValue(dir.file("long.txt"));
    EXPECT_EQ(2, longValue.loadReport().stoppedAtLine);
    EXPECT_EQ(1, longValue.table.recordCount());

    const KeywordFile binary(dir.file("image.png"));
    EXPECT_TRUE(binary.loadReport().opened);
    EXPECT_EQ(binary.loadReport().recordsLoaded, binary.table.recordCount());
    // Whatever a binary file gives loads back the same after a save.
    ASSERT_TRUE(binary.WriteToFile(dir.file("binary-saved.txt")).ok);
    const KeywordFile reloaded(dir.file("binary-saved.txt"));
    EXPECT_EQ(KeywordFile::Serialize(binary.table), KeywordFile::Serialize(reloaded.table));

    const KeywordFile vanished(dir.file("vanished.txt"));
    EXPECT_FALSE(vanished.loadReport().opened);
    EXPECT_EQ("No such file or directory", vanished.loadReport().reason);
    EXPECT_EQ(0, vanished.table.recordCount());
}

// A binary file opened as the keyword file gives keywords no run can search:
// the run is refused before any file is read.
TEST_F(FailureInjectionTest, KeywordsFromABinaryFileAreRefusedByTheRun)
{
    WriteBytes(dir.file("image.png"), PngBytes);
    host.sessionState.useKeywords(std::make_shared<KeywordFile>(dir.file("image.png")));
    ASSERT_GT(host.sessionState.keywords()->recordCount(), 0);
    host.chosenList << makeFile("a.htm", "a@b.test");
    host.mainState.settings.keyword = true;

    ProcessChosenFiles(host);

    EXPECT_EQ(std::vector<QString> { messages::UnreadablePositions("\x89PNG") }, host.dialogs.messageTexts());
    EXPECT_TRUE(host.captions.empty()) << "no file was searched";
    EXPECT_FALSE(host.mainState.run.results);
    EXPECT_EQ(0, host.resets) << "a refused run changes nothing";
}

TEST_F(FailureInjectionTest, FullDiskWhileSavingKeywordsKeepsThePreviousFile)
{
    KeywordFile keywords;
    for (int i = 0; i < 1000; ++i) // about 95 KB: more than the small disk holds
        keywords.table.addNew(std::to_string(i) + std::string(90, 'n'), "1, 2");
    const std::string previous = "Old\t1\r\n";
    SmallDisk disk(dir.file("disk"));
    const std::string target = (disk.mounted() ? dir.file("disk") : dir.path()) + "/keywords.txt";
    WriteBytes(target, previous);

    FileResult written;
    {
        WriteFailureAfter full(disk.mounted() ? -1 : 50);
        written = keywords.WriteToFile(target);
    }

    EXPECT_FALSE(written.ok);
    EXPECT_EQ("No space left on device", written.reason);
    EXPECT_EQ(previous, ReadBytes(target));
    EXPECT_EQ(
        std::vector<std::string> { "keywords.txt" }, entriesOf(QString::fromStdString(fs::path(target).parent_path())));
}

TEST_F(FailureInjectionTest, AwkwardPathsAreUsedExactly)
{
    const char* names[] = { "with space.htm", "quote'and\"double.htm", "Grüße aus Köln.htm", "-rf.htm" };
    QStringList chosen;
    for (const char* name : names)
        chosen << makeFile(name, std::string("<p>mail ") + name[1] + "@x.test</p>");
    const QString out = pathOf("out dir 'ü' -x");
    ASSERT_TRUE(QDir().mkdir(out));

    host.chosenList = chosen;
    host.mainState.settings.email = true;
    const QString saved = extractAndSave(pathOf("-results 'ä'.txt"));
    const std::string table = ReadBytes(saved.toStdString());
    for (int i = 0; i < chosen.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_NE(std::string::npos, table.find(std::string(1, names[i][1]) + "@x.test\t" + chosen[i].toStdString()))
            << table;
    }

    FakeRunHost strip;
    strip.chosenList = chosen;
    strip.strip = true;
    strip.mainState.settings.strip = true;
    strip.dialogs.answer(Answer::Ok).directory(out);
    ProcessChosenFiles(strip);
    EXPECT_EQ((std::vector<std::string> {
                  "-rfhtm.txt", "Grüße aus Kölnhtm.txt", "quote'and\"doublehtm.txt", "with spacehtm.txt" }),
        entriesOf(out));
    const std::string dashed = ReadBytes(out.toStdString() + "/-rfhtm.txt");
    EXPECT_EQ(0u, dashed.find(" From: " + chosen[3].toStdString() + "\r\n")) << dashed;
    EXPECT_NE(std::string::npos, dashed.find("mail r@x.test")) << dashed;
    EXPECT_EQ(2u, strip.dialogs.messageTexts().size()) << "nothing was skipped";
}

} // namespace
} // namespace tamsenor::testing
