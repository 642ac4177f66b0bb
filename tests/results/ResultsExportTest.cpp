#include "results/ResultsExport.h"
#include "results/ResultsBytes.h"
#include "results/FilledTable.h"

#include "io/TempDir.h"
#include "results/SpillSeams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace tamsenor {
namespace {

using testing::Fill;
using testing::ReadBytes;
using testing::Row;
using testing::SiteColumns;
using testing::TempDir;

const std::string Bom = "\xEF\xBB\xBF";

TEST(ResultsExport, CsvField)
{
    const struct {
        const char* name;
        std::string value;
        std::string field;
    } cases[] = {
        { "plain", "http://host/a", "http://host/a" },
        { "empty", "", "" },
        { "comma quoted", "a,b", "\"a,b\"" },
        { "quotes doubled", "say \"hi\"", "\"say \"\"hi\"\"\"" },
        { "CR quoted", "a\rb", "\"a\rb\"" },
        { "LF quoted", "a\nb", "\"a\nb\"" },
        { "formula made inert", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\"" },
        { "plus", "+1", "'+1" },
        { "minus", "-1", "'-1" },
        { "at", "@SUM(A1)", "'@SUM(A1)" },
        { "leading tab", "\tx", "'\tx" },
        { "leading CR also quoted", "\rx", "\"'\rx\"" },
        { "sign inside is harmless", "a=b-c", "a=b-c" },
        { "valid UTF-8 kept", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC" },
        { "Latin-1 byte becomes U+FFFD", "caf\xE9", "caf\xEF\xBF\xBD" },
        { "cut sequence becomes one U+FFFD", "\xE2\x82,", "\"\xEF\xBF\xBD,\"" },
        { "formula guard before a replaced byte", "=\xFF", "'=\xEF\xBF\xBD" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.field, CsvField(c.value));
    }
}

TEST(ResultsExport, JsonString)
{
    const struct {
        const char* name;
        std::string bytes;
        std::string json;
    } cases[] = {
        { "plain", "a b", "\"a b\"" },
        { "quote and backslash", "\"C:\\d\"", "\"\\\"C:\\\\d\\\"\"" },
        { "short escapes", "\t\r\n", "\"\\t\\r\\n\"" },
        { "other control bytes", std::string("\x01\x1f\0", 3), "\"\\u0001\\u001f\\u0000\"" },
        { "DEL and slash kept", "\x7f/", "\"\x7f/\"" },
        { "valid UTF-8 kept", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"" },
        { "lone continuation byte", "a\x80z", "\"a\\ufffdz\"" },
        { "Latin-1 byte", "caf\xE9", "\"caf\\ufffd\"" },
        { "cut sequence then ASCII", "\xE2\x82z", "\"\\ufffdz\"" },
        { "cut sequence at the end", "\xF0\x9F\x98", "\"\\ufffd\"" },
        { "overlong form", "\xC0\xAF", "\"\\ufffd\\ufffd\"" },
        { "surrogate", "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\"" },
        { "past U+10FFFF", "\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\"" },
        { "invalid lead byte", "\xFF\"", "\"\\ufffd\\\"\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.json, JsonString(c.bytes));
    }
}

TEST(ResultsExport, Formats)
{
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::string csv;
        std::string jsonl;
    };
    const Case cases[] = {
        { "header only", {}, Bom + "WebSite,FileName,ProcessTime\r\n", "" },
        { "rows", { { "http://host/a", "/d/a,b.htm", "t" }, { std::nullopt, "/d/\"c\".htm", "" } },
            Bom + "WebSite,FileName,ProcessTime\r\nhttp://host/a,\"/d/a,b.htm\",t\r\n,\"/d/\"\"c\"\".htm\",\r\n",
            "{\"WebSite\":\"http://host/a\",\"FileName\":\"/d/a,b.htm\",\"ProcessTime\":\"t\"}\n"
            "{\"WebSite\":\"\",\"FileName\":\"/d/\\\"c\\\".htm\",\"ProcessTime\":\"\"}\n" },
        { "formula", { { "=1+2", "-x", "@y" } }, Bom + "WebSite,FileName,ProcessTime\r\n'=1+2,'-x,'@y\r\n",
            "{\"WebSite\":\"=1+2\",\"FileName\":\"-x\",\"ProcessTime\":\"@y\"}\n" },
        { "tab and line break become spaces as in the results file", { { "a\tb", "c\r\nd", "\n" } },
            Bom + "WebSite,FileName,ProcessTime\r\na b,c  d, \r\n",
            "{\"WebSite\":\"a b\",\"FileName\":\"c  d\",\"ProcessTime\":\" \"}\n" },
        { "invalid UTF-8", { { "\xFF", "/d/caf\xE9", "t" } },
            Bom + "WebSite,FileName,ProcessTime\r\n\xEF\xBF\xBD,/d/caf\xEF\xBF\xBD,t\r\n",
            "{\"WebSite\":\"\\ufffd\",\"FileName\":\"/d/caf\\ufffd\",\"ProcessTime\":\"t\"}\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResults held(SiteColumns);
        Fill(held, c.rows);
        EXPECT_EQ(c.csv, ResultsBytes(held, ResultsFormat::Csv));
        EXPECT_EQ(c.jsonl, ResultsBytes(held, ResultsFormat::JsonLines));
    }
}

TEST(ResultsExport, SpilledTableGivesTheSameBytes)
{
    const std::string longSite = "http://host/" + std::string(3u << 19, 'p'); // longer than a piece
    const std::vector<Row> rows { { "=a", "/d/a,b", "t" }, { longSite, "/d/\xE9", "t" }, { "", std::nullopt, "" },
        { "x", "\"q\"", "t" } };
    for (ResultsFormat format : { ResultsFormat::Tsv, ResultsFormat::Csv, ResultsFormat::JsonLines }) {
        SCOPED_TRACE(std::string(ResultsFormatName(format)));
        RunResults held(SiteColumns);
        Fill(held, rows);
        TempDir dir;
        RunResults spilled(SiteColumns);
        {
            testing::SpillBound bound(0);
            spilled.table.spillInto(dir.path());
            Fill(spilled, rows);
        }
        ASSERT_EQ(rows.size(), spilled.table.spilledRowCount());
        const std::string expected = ResultsBytes(held, format);
        EXPECT_EQ(expected, ResultsBytes(spilled, format));
        ASSERT_TRUE(WriteResultsToFile(spilled, format, dir.file("r")).ok);
        EXPECT_EQ(expected, ReadBytes(dir.file("r")));
    }
}

TEST(ResultsExport, FailedWriteKeepsTheOldFile)
{
    TempDir dir;
    RunResults results(SiteColumns);
    Fill(results, { { "a", "b", "c" } });
    testing::WriteBytes(dir.file("r.csv"), "previous\r\n");
    testing::WriteFailureAfter full(10);
    const FileResult written = WriteResultsToFile(results, ResultsFormat::Csv, dir.file("r.csv"));
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(std::string(std::strerror(ENOSPC)), written.reason);
    EXPECT_EQ("previous\r\n", ReadBytes(dir.file("r.csv")));
}

TEST(ResultsExport, FormatNames)
{
    for (ResultsFormat format : { ResultsFormat::Tsv, ResultsFormat::Csv, ResultsFormat::JsonLines })
        EXPECT_EQ(format, ResultsFormatNamed(ResultsFormatName(format)));
    EXPECT_EQ(std::nullopt, ResultsFormatNamed("json"));
    EXPECT_EQ(std::nullopt, ResultsFormatNamed("CSV"));
}

} // namespace
} // namespace tamsenor
