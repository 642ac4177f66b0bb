#include "DesktopFixture.h"

#include "ui/ChosenFilesDrop.h"

#include <QFile>

using namespace tamsenor;
using namespace tamsenor::testing;

namespace {

// Stands in for the progress dialog: counts its steps and cancels at a chosen one.
class FakeProgress : public DropProgress {
public:
    FakeProgress(int& created, std::vector<int>& found, int cancelAtStep)
        : found_(found)
        , cancelAtStep_(cancelAtStep)
    {
        ++created;
    }
    bool step(int, int found) override
    {
        found_.push_back(found);
        return static_cast<int>(found_.size()) != cancelAtStep_;
    }

private:
    std::vector<int>& found_;
    int cancelAtStep_;
};

} // namespace

class ChosenFilesDropTest : public DesktopFixture { };

TEST_F(ChosenFilesDropTest, DroppedFilesLandWhereAddWouldPutThem)
{
    for (const char* f : { "b.htm", "A.txt", "c", "sub/d.htm" }) {
        if (QString(f).contains('/'))
            makeDir("sub");
        makeFile(f);
    }
    startWithHook();
    pickSuffix("htm");
    // ">>" first, with b.htm chosen from List1.
    ASSERT_EQ(QStringList({ "b.htm" }), list("List1")->entries());
    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    ASSERT_EQ(QStringList({ path("b.htm") }), list("List2")->entries());

    // Dropped files need not match the suffix; the same file twice is chosen twice.
    const DropOutcome out = dropOnList2({ url("sub/d.htm"), url("c"), url("A.txt"), url("b.htm") });
    EXPECT_TRUE(out.entered);
    EXPECT_TRUE(out.dropped);
    EXPECT_EQ(QStringList({ path("A.txt"), path("b.htm"), path("b.htm"), path("c"), path("sub/d.htm") }),
        list("List2")->entries());
    EXPECT_EQ(QString("Total: 5"), caption("Label5"));
    EXPECT_EQ(QStringList({}), list("List1")->entries()) << "a drop leaves List1 alone";
    EXPECT_TRUE(hooked_.asked.empty());
}

TEST_F(ChosenFilesDropTest, FolderDropTakesMatchingOrdinaryFilesOfTheWholeTree)
{
    makeDir("top/sub/deeper");
    makeDir("top/.secret");
    for (const char* f : { "top/a.htm", "top/b.txt", "top/NOEXT", "top/.hidden.htm", "top/sub/c.htm",
             "top/sub/deeper/D.HTM", "top/sub/deeper/e.html", "top/.secret/f.htm", "outside.htm" })
        makeFile(f);
    // A link back up must not trap the walk; a link to a file counts as the file.
    ASSERT_TRUE(QFile::link(path("top"), path("top/sub/loop")));
    ASSERT_TRUE(QFile::link(path("outside.htm"), path("top/linked.htm")));

    struct Row {
        const char* name;
        const char* suffix; // Combo1 item; nullptr keeps the empty start text
        QStringList expected;
    };
    const Row rows[] = {
        { "htm", "htm", { "top/a.htm", "top/linked.htm", "top/sub/c.htm", "top/sub/deeper/D.HTM" } },
        { "all files", "* (All File)",
            { "top/a.htm", "top/b.txt", "top/linked.htm", "top/NOEXT", "top/sub/c.htm", "top/sub/deeper/D.HTM",
                "top/sub/deeper/e.html" } },
        { "no suffix yet", nullptr, { "top/NOEXT" } },
        { "none match", "asp", {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        startWithHook();
        if (row.suffix)
            pickSuffix(row.suffix);
        const DropOutcome out = dropOnList2({ url("top") });
        EXPECT_TRUE(out.dropped);
        QStringList expected;
        for (const QString& r : row.expected)
            expected << path(r);
        EXPECT_EQ(expected, list("List2")->entries());
        EXPECT_EQ(expected.isEmpty() ? QString() : QString("Total: %1").arg(expected.size()), caption("Label5"));
    }
}

TEST_F(ChosenFilesDropTest, OnlyLocalFilesAreLetIn)
{
    makeFile("a.htm");
    startWithHook();
    const DropOutcome web = dropOnList2({ QUrl("https://example.org/a.htm") });
    EXPECT_FALSE(web.entered);
    EXPECT_FALSE(web.dropped);
    const DropOutcome gone = dropOnList2({ url("missing.htm") });
    EXPECT_EQ(0, list("List2")->count());
    EXPECT_EQ(QString(), caption("Label5")) << "nothing added, nothing counted";
    EXPECT_TRUE(gone.entered);
}

TEST_F(ChosenFilesDropTest, LongFolderWalkShowsProgressAndCanBeCancelled)
{
    const int files = ChosenFilesDrop::ProgressThreshold + 2 * ChosenFilesDrop::ProgressInterval + 10;
    makeDir("many/a");
    makeDir("many/b");
    for (int i = 0; i < files; ++i)
        makeFile(QString("many/%1/f%2.htm").arg(i % 2 ? "a" : "b").arg(i, 4, 10, QChar('0')));
    makeFile("small.htm");

    struct Row {
        const char* name;
        QString dropped;
        int cancelAtStep; // 0: never
        int expectedDialogs;
        int expectedAdded;
    };
    const Row rows[] = {
        { "few files: no progress shown", "small.htm", 0, 0, 1 },
        { "many files: progress until done", "many", 0, 1, files },
        { "cancelled: nothing added", "many", 1, 1, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        startWithHook();
        pickSuffix("htm");
        int created = 0;
        std::vector<int> found;
        main_->chosenFilesDrop().setProgressFactory(
            [&] { return std::make_unique<FakeProgress>(created, found, row.cancelAtStep); });
        dropOnList2({ url(row.dropped) });
        EXPECT_EQ(row.expectedDialogs, created);
        EXPECT_EQ(row.expectedAdded, list("List2")->count());
        if (row.expectedDialogs > 0) {
            ASSERT_FALSE(found.empty());
            EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
            EXPECT_LE(found.back(), files);
        }
    }
}

TEST_F(ChosenFilesDropTest, DropDuringARunIsRefusedSilently)
{
    makeFile("chosen.htm");
    makeDir("more");
    makeFile("more/late.htm");
    startWithHook();
    pickSuffix("htm");
    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    ASSERT_EQ(1, list("List2")->count());
    check("ChkStrip")->click();

    // The strip run's first question comes while the run is on.
    std::optional<DropOutcome> duringRun;
    QStringList listDuringRun;
    QString countDuringRun;
    hooked_.atFirstMessage = [&] {
        duringRun = dropOnList2({ url("more/late.htm"), url("more") });
        listDuringRun = list("List2")->entries();
        countDuringRun = caption("Label5");
    };
    hooked_.answer(Answer::Cancel);
    button("CmdProcess")->click();

    ASSERT_TRUE(duringRun.has_value());
    EXPECT_FALSE(duringRun->entered);
    EXPECT_FALSE(duringRun->dropped);
    EXPECT_EQ(QStringList({ path("chosen.htm") }), listDuringRun);
    EXPECT_EQ(QString("Total: 1"), countDuringRun);
    EXPECT_EQ(1u, hooked_.asked.size()) << "the refusal asks nothing";

    // After the run drops are welcome again; the run ended before any file,
    // so the chosen file is still there.
    EXPECT_TRUE(dropOnList2({ url("more/late.htm") }).dropped);
    EXPECT_EQ(QStringList({ path("chosen.htm"), path("more/late.htm") }), list("List2")->entries());
}
