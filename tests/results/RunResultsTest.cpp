#include "results/RunResults.h"
#include "results/ResultsBytes.h"
#include "results/ResultsLineWriter.h"
#include "results/FilledTable.h"

#include "io/TempDir.h"
#include "results/SpillSeams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

namespace tamsenor {
namespace {

using testing::Fill;
using testing::ReadBytes;
using testing::Row;
using testing::SiteColumns;
using testing::SpillFailureAfter;
using testing::TempDir;
using testing::WriteFailureAfter;

TEST(ResultsFile, Bytes)
{
    const std::string longSite = "http://host/" + std::string(250, 'p');
    struct Case {
        const char* name;
        std::vector<std::string> columns;
        std::vector<Row> rows;
        std::string bytes;
    };
    const Case cases[] = {
        { "header only", SiteColumns, {}, "WebSite\tFileName\tProcessTime\r\n" },
        { "one finding", SiteColumns, { { "http://host/a", "/docs/a.htm", "Mar-9-07 14:05" } },
            "WebSite\tFileName\tProcessTime\r\nhttp://host/a\t/docs/a.htm\tMar-9-07 14:05\r\n" },
        { "empty middle value gives two tabs", { "FileName", "WebSite", "ProcessTime" },
            { { "/a.htm", "", "Mar-9-07 14:05" } }, "FileName\tWebSite\tProcessTime\r\n/a.htm\t\tMar-9-07 14:05\r\n" },
        { "missing middle value is empty too", SiteColumns, { { std::nullopt, "/a.htm", "t" } },
            "WebSite\tFileName\tProcessTime\r\n\t/a.htm\tt\r\n" },
        { "empty last value gives trailing tab", SiteColumns, { { "s", "/a.htm", "" } },
            "WebSite\tFileName\tProcessTime\r\ns\t/a.htm\t\r\n" },
        { "all empty", SiteColumns, { { "", std::nullopt, "" } }, "WebSite\tFileName\tProcessTime\r\n\t\t\r\n" },
        { "one column", { "Email" }, { { "p@q" }, { "" } }, "Email\r\np@q\r\n\r\n" },
        { "value over 200 characters kept whole", SiteColumns, { { longSite, "/a", "t" } },
            "WebSite\tFileName\tProcessTime\r\n" + longSite + "\t/a\tt\r\n" },
        { "bytes unchanged", SiteColumns, { { "http://h/\xe9\xc3\xa9", "/d/\x1a", "t" } },
            "WebSite\tFileName\tProcessTime\r\nhttp://h/\xe9\xc3\xa9\t/d/\x1a\tt\r\n" },
        // Every line keeps the header's fields: a tab, CR or LF is one space each.
        { "tab, LF and CR LF inside values", SiteColumns, { { "http://h/a\tb", "/d/x\ny.htm", "T\r\n1" } },
            "WebSite\tFileName\tProcessTime\r\nhttp://h/a b\t/d/x y.htm\tT  1\r\n" },
        { "tab, CR and LF at the ends of values", SiteColumns, { { "\ta\t", "\r/d\n", "\r\n" } },
            "WebSite\tFileName\tProcessTime\r\n a \t /d \t  \r\n" },
        { "in column names too", { "Pri\tce", "Fi\nle", "\rTime" }, {}, "Pri ce\tFi le\t Time\r\n" },
        { "NUL inside a value, as a tab", SiteColumns, { { std::string("p\0q@r", 5), "/d", "t" } },
            "WebSite\tFileName\tProcessTime\r\np q@r\t/d\tt\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResults results(c.columns);
        ASSERT_FALSE(results.failed());
        Fill(results, c.rows);
        EXPECT_EQ(c.bytes, ResultsBytes(results));

        TempDir dir;
        int rowsSeen = 0;
        FileResult written = WriteResultsToFile(results, ResultsFormat::Tsv, dir.file("r.txt"), [&] { ++rowsSeen; });
        ASSERT_TRUE(written.ok) << written.reason;
        EXPECT_EQ(c.bytes, ReadBytes(dir.file("r.txt")));
        EXPECT_EQ(static_cast<int>(c.rows.size() + 1), rowsSeen);
    }
}

TEST(ResultsFile, ColumnHeadingsAreDistinctAsWritten)
{
    struct Case {
        const char* name;
        std::vector<std::string> names;
        std::vector<std::string> headings;
    };
    const Case cases[] = {
        { "distinct names unchanged", { "A", "B" }, { "A", "B" } },
        { "a line break reads as a space", { "Key A", "Key\nA" }, { "Key A", "Key A (2)" } },
        { "first keeps its name", { "Key\nA", "Key A" }, { "Key A", "Key A (2)" } },
        { "three alike", { "a b", "a\tb", "a\rb" }, { "a b", "a b (2)", "a b (3)" } },
        { "a suffix another column has is skipped", { "a b", "a\nb", "a b (2)" }, { "a b", "a b (3)", "a b (2)" } },
        { "NUL reads as a space", { std::string("x\0y", 3), "x y" }, { "x y", "x y (2)" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.headings, DistinctColumnHeadings(c.names));
    }
}

// Rows moved out to the temporary file come back as the same bytes in the
// same place, whatever the bound and whatever the pass does afterwards.
TEST(ResultsFile, SpilledRowsGiveTheSameFile)
{
    const Row first { "http://host/a", "/docs/a.htm", "Mar-9-07 14:05" };
    const Row second { "", "/docs/b.htm", "Mar-9-07 14:05" };
    const Row third { "http://host/c", std::nullopt, "t" };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        bool lastDeleted; // one more row, left empty and deleted as the pass does
        std::optional<std::size_t> bound; // nullopt: the bytes of the header and the first row
        std::size_t spilled; // rows moved out in the end
    };
    const Case cases[] = {
        { "no rows but the header", {}, false, 0, 0 },
        { "every row once the next comes", { first, second, third }, false, 0, 3 },
        { "rows exactly at the bound stay, one more moves them", { first, second, third }, false, std::nullopt, 3 },
        { "last row deleted after a spill", { first, second }, true, 0, 3 },
        { "values with tabs and line breaks", { { "a\tb", "/d/c\r\nd", "\n" }, first }, false, 0, 2 },
        { "a value longer than a piece", { { std::string(5u << 19, 'h'), "/a", "t" }, first }, false, 0, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResults held(SiteColumns);
        Fill(held, { c.rows.begin(), c.rows.begin() + std::min<std::size_t>(c.rows.size(), 1) });
        const std::size_t bound = c.bound.value_or(held.table.heldBytes());
        held = RunResults(SiteColumns);

        TempDir dir;
        RunResults spilled(SiteColumns);
        spilled.table.spillInto(dir.path(), bound);
        for (RunResults* results : { &held, &spilled }) {
            Fill(*results, c.rows);
            if (c.lastDeleted) {
                results->table.addRow();
                results->table.setValue(0, "");
                results->table.moveLast();
                ASSERT_TRUE(results->table.deleteCurrent());
            }
        }
        ASSERT_TRUE(spilled.table.spillResult().ok) << spilled.table.spillResult().reason;
        EXPECT_EQ(c.spilled, spilled.table.spilledRowCount());
        EXPECT_EQ(held.table.rowCount(), spilled.table.rowCount());
        EXPECT_EQ(std::vector<std::string> {}, dir.entries()) << "the temporary file has no name";
        const std::string expected = ResultsBytes(held);
        EXPECT_EQ(expected, ResultsBytes(spilled));

        std::size_t calls = 0;
        ASSERT_TRUE(WriteResultsToFile(spilled, ResultsFormat::Tsv, dir.file("r.txt"), [&] { ++calls; }).ok);
        EXPECT_EQ(expected, ReadBytes(dir.file("r.txt")));
        if (c.spilled > 0) {
            EXPECT_GT(calls, spilled.table.rows().size()) << "no yield while copying the moved rows";
        }
    }
}

TEST(ResultsFile, RowsThatCannotMoveOutAreNeverWrittenAsAWhole)
{
    struct Case {
        const char* name;
        std::string folder; // relative to the test's directory
        std::int64_t failAfter; // -1: the disk does not fill up
        int error;
    };
    const Case cases[] = {
        { "disk full", "", 10, ENOSPC },
        { "no such folder", "/gone", -1, ENOENT },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        RunResults results(SiteColumns);
        results.table.spillInto(dir.path() + c.folder, 0);
        {
            SpillFailureAfter full(c.failAfter);
            Fill(results, { { "a", "b", "c" }, { "d", "e", "f" } });
        }
        EXPECT_EQ(std::string(std::strerror(c.error)), results.table.spillResult().reason);
        EXPECT_EQ(3u, results.table.rowCount()) << "the rows stay in memory";

        const FileResult written = WriteResultsToFile(results, ResultsFormat::Tsv, dir.file("r.txt"));
        EXPECT_FALSE(written.ok);
        EXPECT_EQ(results.table.spillResult().reason, written.reason);
        EXPECT_EQ(std::vector<std::string> {}, dir.entries());
    }
}

TEST(ResultsTable, DuplicateColumnRefused)
{
    struct Case {
        const char* name;
        std::vector<std::string> columns;
        bool failed;
    };
    const Case cases[] = {
        { "fixed columns", SiteColumns, false },
        { "two equal keywords", { "Price", "Price", "FileName", "ProcessTime" }, true },
        { "keyword named like a fixed column", { "WebSite", "FileName", "FileName", "ProcessTime" }, true },
        { "names differing in case are different", { "price", "Price", "FileName", "ProcessTime" }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.failed, RunResults(c.columns).failed());
    }

    ResultsTable table;
    EXPECT_TRUE(table.appendColumn("A"));
    EXPECT_FALSE(table.appendColumn("A"));
    EXPECT_EQ(std::vector<std::string> { "A" }, table.columnNames());
}

TEST(ResultsTable, RowOperations)
{
    ResultsTable table;
    table.appendColumn("Email");
    table.appendColumn("FileName");
    EXPECT_TRUE(table.eof());
    EXPECT_FALSE(table.setValue(0, "x"));
    EXPECT_EQ(std::nullopt, table.value(0));

    table.addRow();
    EXPECT_FALSE(table.eof());
    EXPECT_EQ(std::nullopt, table.value(0));
    EXPECT_TRUE(table.setValue(0, "p@q"));
    EXPECT_TRUE(table.setValue(1, "/a"));
    EXPECT_FALSE(table.setValue(2, "no such column"));
    EXPECT_EQ(std::optional<std::string>("p@q"), table.value(0));
    EXPECT_EQ(std::nullopt, table.value(2));

    // The extraction pass removes its last, empty row.
    table.addRow();
    table.setValue(0, "");
    table.setValue(1, "/a");
    EXPECT_EQ(std::optional<std::string>(""), table.value(0));
    table.moveLast();
    EXPECT_TRUE(table.deleteCurrent());
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(1u, table.rowCount());

    table.addRow();
    table.setValue(0, "r@s");
    std::string walked;
    for (table.moveFirst(); !table.eof(); table.moveNext())
        walked += table.value(0).value_or("-") + ";";
    EXPECT_EQ("p@q;r@s;", walked);
    table.moveNext();
    EXPECT_TRUE(table.eof());

    table.moveFirst();
    EXPECT_TRUE(table.deleteCurrent());
    EXPECT_EQ(std::optional<std::string>("r@s"), table.value(0));
    EXPECT_TRUE(table.deleteCurrent());
    EXPECT_FALSE(table.deleteCurrent());
    table.moveLast();
    EXPECT_TRUE(table.eof());
}

TEST(ResultsFile, WritingTwiceReplaces)
{
    TempDir dir;
    const std::string path = dir.file("r.txt");
    RunResults first(SiteColumns);
    Fill(first, { { "a", "b", "c" }, { "d", "e", "f" } });
    ASSERT_TRUE(WriteResultsToFile(first, ResultsFormat::Tsv, path).ok);
    RunResults second(SiteColumns);
    Fill(second, {});
    ASSERT_TRUE(WriteResultsToFile(second, ResultsFormat::Tsv, path).ok);
    EXPECT_EQ("WebSite\tFileName\tProcessTime\r\n", ReadBytes(path));
    EXPECT_EQ(std::vector<std::string> { "r.txt" }, dir.entries());
}

TEST(ResultsFile, FailedWriteLeavesNothingNew)
{
    TempDir dir;
    RunResults results(SiteColumns);
    Fill(results, { { "a", "b", "c" } });

    FileResult missingDir = WriteResultsToFile(results, ResultsFormat::Tsv, dir.file("nodir/r.txt"));
    EXPECT_FALSE(missingDir.ok);
    EXPECT_EQ(std::string(std::strerror(ENOENT)), missingDir.reason);
    EXPECT_EQ(std::vector<std::string> {}, dir.entries());

    testing::WriteBytes(dir.file("r.txt"), "previous\r\n");
    WriteFailureAfter full(10);
    FileResult diskFull = WriteResultsToFile(results, ResultsFormat::Tsv, dir.file("r.txt"));
    EXPECT_FALSE(diskFull.ok);
    EXPECT_EQ(std::string(std::strerror(ENOSPC)), diskFull.reason);
    EXPECT_EQ("previous\r\n", ReadBytes(dir.file("r.txt")));
    EXPECT_EQ(std::vector<std::string> { "r.txt" }, dir.entries());

    FileResult outOfMemory = WriteResultsToFile(results, ResultsFormat::Tsv, dir.file("r.txt"), [] { throw std::bad_alloc(); });
    EXPECT_FALSE(outOfMemory.ok);
    EXPECT_EQ(std::string(std::strerror(ENOMEM)), outOfMemory.reason);
    EXPECT_EQ("previous\r\n", ReadBytes(dir.file("r.txt")));
    EXPECT_EQ(std::vector<std::string> { "r.txt" }, dir.entries());
}

} // namespace
} // namespace tamsenor
