#include "io/Journal.h"

#include "io/KilledRun.h"
#include "io/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace tamsenor::io {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using testing::KilledRunOutput;
using testing::RunAndKill;

TEST(JournalTest, AKilledRunIsTakenBackByTheNextOne)
{
    struct Row {
        const char* name;
        std::function<void(const TempDir&, Journal&)> run;
        std::function<void(const TempDir&)> afterCrash;
        std::vector<std::string> entries;
        std::string earlier; // a.txt afterwards
        std::size_t putBack, removed, left;
    };
    const Row rows[] = {
        { "a replaced file comes back",
            [](const TempDir& dir, Journal& j) { KilledRunOutput(j, dir.file("a.txt"), "new"); }, {}, { "a.txt" }, "mine", 1, 0,
            0 },
        { "a new output goes",
            [](const TempDir& dir, Journal& j) {
                KilledRunOutput(j, dir.file("a.txt"), "new");
                KilledRunOutput(j, dir.file("b.txt"), "new");
            },
            {}, { "a.txt" }, "mine", 1, 1, 0 },
        { "a half-written temporary goes",
            [](const TempDir& dir, Journal& j) {
                static ReplacingFile half; // never settled: the crash comes first
                if (!half.open(dir.file("a.txt"), &j) || !half.write("hal"))
                    ::_exit(5);
            },
            {}, { "a.txt" }, "mine", 0, 0, 0 },
        { "an output another program changed stays, with the earlier file",
            [](const TempDir& dir, Journal& j) { KilledRunOutput(j, dir.file("a.txt"), "new"); },
            [](const TempDir& dir) {
                WriteBytes(dir.file("x"), "theirs");
                ASSERT_EQ(0, std::rename(dir.file("x").c_str(), dir.file("a.txt").c_str()));
            },
            {}, "theirs", 0, 0, 1 },
        { "a finished run keeps its outputs and lets the earlier files go",
            [](const TempDir& dir, Journal& j) {
                KilledRunOutput(j, dir.file("a.txt"), "new");
                KilledRunOutput(j, dir.file("b.txt"), "new");
                if (!j.finished())
                    ::_exit(6);
            },
            {}, { "a.txt", "b.txt" }, "new", 0, 0, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        WriteBytes(dir.file("a.txt"), "mine");
        RunAndKill(dir.path(), [&](Journal& journal) { row.run(dir, journal); });
        if (row.afterCrash)
            row.afterCrash(dir);

        std::vector<RolledBackRun> runs;
        ASSERT_TRUE(RollBackInterruptedRuns(dir.path(), runs));

        ASSERT_EQ(1u, runs.size());
        EXPECT_EQ(row.putBack, runs[0].putBack.size());
        EXPECT_EQ(row.removed, runs[0].removed.size());
        ASSERT_EQ(row.left, runs[0].left.size());
        EXPECT_EQ(row.earlier, ReadBytes(dir.file("a.txt")));
        if (row.left == 0) {
            EXPECT_EQ(row.entries, dir.entries());
        } else {
            // The earlier file is named, and still there under that name.
            EXPECT_EQ("mine", ReadBytes(runs[0].left[0].kept));
            EXPECT_EQ(2u, dir.entries().size()); // a.txt and the kept file
        }
        runs.clear();
        ASSERT_TRUE(RollBackInterruptedRuns(dir.path(), runs));
        EXPECT_TRUE(runs.empty()) << "the journal is gone once rolled back";
    }
}

TEST(JournalTest, TheJournalOfARunStillGoingIsLeftAlone)
{
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "mine");
    Journal journal;
    ASSERT_TRUE(journal.create(dir.path()).ok);
    {
        ReplacingFile file;
        ASSERT_TRUE(file.open(dir.file("a.txt"), &journal).ok);
        ASSERT_TRUE(file.write("new").ok);
        ASSERT_TRUE(file.commit(true, false).ok);
    }
    std::vector<RolledBackRun> runs;
    ASSERT_TRUE(RollBackInterruptedRuns(dir.path(), runs));
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ("new", ReadBytes(dir.file("a.txt")));
    journal.remove();
}

} // namespace
} // namespace tamsenor::io
