#include "keywords/KeywordFile.h"

#include "io/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tamsenor {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using testing::WriteFailureAfter;
using Records = std::vector<std::pair<std::string, std::string>>;

Records RecordsOf(const KeywordTable& table)
{
    Records records;
    for (const auto& record : table.records())
        records.emplace_back(record.name, record.position);
    return records;
}

KeywordTable TableOf(const Records& records)
{
    KeywordTable table;
    for (const auto& [name, position] : records)
        table.addNew(name, position);
    return table;
}

TEST(KeywordFile, LoadsLinesAsRecords)
{
    const std::string over(101, 'n');
    const std::string limit(100, 'n');
    std::string utf8Limit;
    for (int i = 0; i < 100; ++i)
        utf8Limit += "\xc3\xa9";
    struct Case {
        const char* name;
        std::string content;
        Records records;
        int stoppedAtLine;
        KeywordLoadResult::Field tooLong = KeywordLoadResult::Field::None;
    };
    using enum KeywordLoadResult::Field;
    const Case cases[] = {
        { "name tab position", "price\t1, 2\r\n", { { "price", "1, 2" } }, 0 },
        { "text after a second tab is ignored", "model\t3\tx\r\n", { { "model", "3" } }, 0 },
        { "no tab: whole line twice", "colour\r\n", { { "colour", "colour" } }, 0 },
        { "empty line: empty record", "a\t1\r\n\r\nb\t2\r\n", { { "a", "1" }, { "", "" }, { "b", "2" } }, 0 },
        { "leading tab: empty name", "\tabc\r\n", { { "", "abc" } }, 0 },
        { "only tab ends line: empty position", "abc\t\r\n", { { "abc", "" } }, 0 },
        { "three lines without final line end", "a\t1\r\nb\t2\r\nc\t3", { { "a", "1" }, { "b", "2" }, { "c", "3" } },
            0 },
        { "three lines with final line end", "a\t1\r\nb\t2\r\nc\t3\r\n", { { "a", "1" }, { "b", "2" }, { "c", "3" } },
            0 },
        { "lone CR ends lines", "a\t1\rb\t2\r", { { "a", "1" }, { "b", "2" } }, 0 },
        { "lone LF ends lines", "a\t1\nb\t2\n", { { "a", "1" }, { "b", "2" } }, 0 },
        { "LF after a line without a tab", "colour\nb\t2\n", { { "colour", "colour" }, { "b", "2" } }, 0 },
        { "LF then CR: two line ends", "a\t1\n\rb\t2", { { "a", "1" }, { "", "" }, { "b", "2" } }, 0 },
        { "CR LF, CR and LF mixed", "a\t1\r\nb\t2\rc\t3\nd\t4", { { "a", "1" }, { "b", "2" }, { "c", "3" }, { "d", "4" } },
            0 },
        { "0-byte file", "", {}, 0 },
        { "100 characters load", limit + "\t" + limit + "\r\n", { { limit, limit } }, 0 },
        { "101-character name on line 3 stops there", "a\t1\r\nb\t2\r\n" + over + "\t3\r\nd\t4\r\n",
            { { "a", "1" }, { "b", "2" } }, 3, Name },
        { "101-character position stops", "a\t1\r\nb\t" + over + "\r\nc\t3\r\n", { { "a", "1" } }, 2, Position },
        { "101 characters without tab stops at the name", over + "\r\n", {}, 1, Name },
        { "101-character first line ending in LF", over + "\t1\nb\t2\n", {}, 1, Name },
        { "long text after second tab is ignored", "a\t1\t" + over + "\r\n", { { "a", "1" } }, 0 },
        { "bytes kept", "pr\xc3\xa9is\t1\r\n", { { "pr\xc3\xa9is", "1" } }, 0 },
        { "byte order mark skipped", "\xef\xbb\xbfprice\t1\r\nmodel\t2\r\n", { { "price", "1" }, { "model", "2" } },
            0 },
        { "byte order mark alone", "\xef\xbb\xbf", {}, 0 },
        { "byte order mark after the start is kept",
            "a\t1\r\n\xef\xbb\xbf"
            "b\t2\r\n",
            { { "a", "1" },
                { "\xef\xbb\xbf"
                  "b",
                    "2" } },
            0 },
        { "100 two-byte characters load", utf8Limit + "\t1\r\n", { { utf8Limit, "1" } }, 0 },
        { "101 two-byte characters stop", "a\t1\r\n" + utf8Limit + "\xc3\xa9\t1\r\n", { { "a", "1" } }, 2, Name },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteBytes(dir.file("k.txt"), c.content);
        KeywordFile keywords(dir.file("k.txt"));
        EXPECT_EQ(c.records, RecordsOf(keywords.table));
        const KeywordLoadResult& report = keywords.loadReport();
        EXPECT_TRUE(report.pathGiven);
        EXPECT_TRUE(report.opened);
        EXPECT_FALSE(report.readError);
        EXPECT_EQ(c.stoppedAtLine, report.stoppedAtLine);
        EXPECT_EQ(c.tooLong, report.tooLong);
        EXPECT_EQ("", report.refusedEncoding);
        EXPECT_EQ(static_cast<int>(c.records.size()), report.recordsLoaded);
        // The first record is current after loading.
        EXPECT_EQ(c.records.empty() ? 0 : 1, keywords.table.currentNumber());
    }
}

TEST(KeywordFile, Utf16IsRefusedByName)
{
    const struct {
        const char* name;
        std::string content;
        std::string encoding;
    } cases[] = {
        { "UTF-16LE", std::string("\xFF\xFEp\0r\0\t\0" "1\0\r\0\n\0", 14), "UTF-16LE" },
        { "UTF-16BE", std::string("\xFE\xFF\0p\0r\0\t\0" "1\0\r\0\n", 14), "UTF-16BE" },
        { "mark alone", "\xFF\xFE", "UTF-16LE" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KeywordTable table = TableOf({ { "old", "1" } });
        const KeywordLoadResult report = KeywordFile::Parse(c.content, table);
        EXPECT_EQ(c.encoding, report.refusedEncoding);
        EXPECT_EQ(0, report.recordsLoaded);
        EXPECT_EQ((Records { { "old", "1" } }), RecordsOf(table)) << "nothing appended";
    }
}

TEST(KeywordFile, UnopenedFileGivesEmptyTableAndReason)
{
    TempDir dir;
    ::mkdir(dir.file("sub").c_str(), 0755);
    struct Case {
        const char* name;
        std::string path;
        bool pathGiven;
        std::string reason;
    };
    const Case cases[] = {
        { "empty path", "", false, "" },
        { "missing file", dir.file("missing.txt"), true, std::strerror(ENOENT) },
        { "directory", dir.file("sub"), true, std::strerror(EISDIR) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeywordFile keywords(c.path);
        EXPECT_EQ(0, keywords.table.recordCount());
        EXPECT_TRUE(keywords.table.eof());
        const KeywordLoadResult& report = keywords.loadReport();
        EXPECT_EQ(c.pathGiven, report.pathGiven);
        EXPECT_FALSE(report.opened);
        EXPECT_EQ(c.reason, report.reason);
        EXPECT_EQ(0, report.recordsLoaded);
        EXPECT_EQ(0, report.stoppedAtLine);
    }
}

TEST(KeywordFile, ReadErrorIsReported)
{
    // Reading this file fails at once although it opens.
    KeywordFile keywords("/proc/self/mem");
    const KeywordLoadResult& report = keywords.loadReport();
    EXPECT_TRUE(report.opened);
    EXPECT_TRUE(report.readError);
    EXPECT_EQ(std::string(std::strerror(EIO)), report.reason);
    EXPECT_EQ(0, keywords.table.recordCount());
}

TEST(KeywordFile, ParseAppendsAndRewinds)
{
    KeywordTable table = TableOf({ { "old", "1" } });
    KeywordLoadResult report = KeywordFile::Parse("new\t2\r\n", table);
    EXPECT_EQ(1, report.recordsLoaded);
    EXPECT_EQ((Records { { "old", "1" }, { "new", "2" } }), RecordsOf(table));
    EXPECT_EQ(1, table.currentNumber());
}

TEST(KeywordFile, SerializeWritesCrLfLines)
{
    struct Case {
        const char* name;
        Records records;
        std::string content;
    };
    const Case cases[] = {
        { "empty table is 0 bytes", {}, "" },
        { "one record", { { "price", "1, 2" } }, "price\t1, 2\r\n" },
        { "empty values keep their tab", { { "", "" }, { "a", "" } }, "\t\r\na\t\r\n" },
        { "table order", { { "b", "2" }, { "a", "1" } }, "b\t2\r\na\t1\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.content, KeywordFile::Serialize(TableOf(c.records)));
    }
}

TEST(KeywordFile, RoundTripKeepsRecords)
{
    const Records cases[] = {
        {},
        { { "price", "1, 2" }, { "model", "3" } },
        { { "", "" }, { "x", "" }, { "", "y" } },
        { { std::string(100, 'n'), std::string(100, 'p') } },
        { { "same", "1" }, { "same", "1" } },
    };
    for (const Records& records : cases) {
        SCOPED_TRACE(KeywordFile::Serialize(TableOf(records)));
        TempDir dir;
        KeywordFile source;
        for (const auto& [name, position] : records)
            source.table.addNew(name, position);
        FileResult written = source.WriteToFile(dir.file("k.txt"));
        ASSERT_TRUE(written.ok) << written.reason;
        EXPECT_EQ(KeywordFile::Serialize(source.table), ReadBytes(dir.file("k.txt")));
        KeywordFile loaded(dir.file("k.txt"));
        EXPECT_EQ(records, RecordsOf(loaded.table));
    }
}

TEST(KeywordFile, WriteEmptyTableGivesZeroBytes)
{
    TempDir dir;
    WriteBytes(dir.file("k.txt"), "old\t1\r\n");
    KeywordFile empty;
    ASSERT_TRUE(empty.WriteToFile(dir.file("k.txt")).ok);
    EXPECT_EQ("", ReadBytes(dir.file("k.txt")));
    EXPECT_EQ(std::vector<std::string> { "k.txt" }, dir.entries());
}

TEST(KeywordFile, FailedWriteIsReportedAndKeepsOldFile)
{
    TempDir dir;
    WriteBytes(dir.file("k.txt"), "old\t1\r\n");
    KeywordFile keywords;
    keywords.table.addNew("price", "1, 2");

    FileResult missingDir = keywords.WriteToFile(dir.file("nodir/k.txt"));
    EXPECT_FALSE(missingDir.ok);
    EXPECT_EQ(std::string(std::strerror(ENOENT)), missingDir.reason);

    FileResult emptyPath = keywords.WriteToFile("");
    EXPECT_FALSE(emptyPath.ok);

    WriteFailureAfter full(4);
    FileResult diskFull = keywords.WriteToFile(dir.file("k.txt"));
    EXPECT_FALSE(diskFull.ok);
    EXPECT_EQ(std::string(std::strerror(ENOSPC)), diskFull.reason);
    EXPECT_EQ("old\t1\r\n", ReadBytes(dir.file("k.txt")));
    EXPECT_EQ(std::vector<std::string> { "k.txt" }, dir.entries());
}

} // namespace
} // namespace tamsenor
