#include "engine/RunProgress.h"
#include "engine/Clock.h"
#include "engine/ChosenFile.h"
#include "engine/RunFixture.h"

namespace tamsenor::testing {
namespace {

TEST(RunProgressTest, OverallStepRoundsHalfToEven)
{
    struct Row {
        int files;
        double step;
    };
    for (const Row row : { Row { 1, 100.0 }, Row { 3, 33.33 }, Row { 7, 14.29 }, Row { 16, 6.25 }, Row { 32, 3.12 },
             Row { 160, 0.62 }, Row { 96, 1.04 }, Row { 1699, 0.06 }, Row { 20000, 0.0 }, Row { 19999, 0.01 } }) {
        SCOPED_TRACE(row.files);
        EXPECT_EQ(row.step, OverallProgressStep(row.files));
    }
}

TEST(RunProgressTest, SizeInKShortestHalfToEven)
{
    struct Row {
        std::int64_t bytes;
        const char* text;
    };
    for (const Row row : { Row { 1234567, "1234.57" }, Row { 12500, "12.5" }, Row { 0, "0" }, Row { 1000, "1" },
             Row { 5, "0" }, Row { 15, "0.02" }, Row { 25, "0.02" }, Row { 1005, "1" }, Row { 1015, "1.02" },
             Row { 999995, "1000" }, Row { 10, "0.01" }, Row { 3000000000, "3000000" } }) {
        SCOPED_TRACE(row.bytes);
        EXPECT_EQ(QString::fromLatin1(row.text), FormatSizeInK(row.bytes));
    }
    EXPECT_EQ(QStringLiteral("/a b.htm ( 12.5k )"), ProgressCaption("/a b.htm", 12500));
    EXPECT_EQ(QStringLiteral("/a b.htm"), ProgressCaption("/a b.htm", std::nullopt));
}

TEST(RunProgressTest, ProcessTimeFormat)
{
    QLocale::setDefault(QLocale::c());
    struct Row {
        QDateTime time;
        const char* text;
    };
    for (const Row& row : { Row { QDateTime(QDate(2007, 3, 9), QTime(14, 5)), "Mar-9-07 14:05" },
             Row { QDateTime(QDate(2000, 12, 31), QTime(0, 0)), "Dec-31-00 0:00" },
             Row { QDateTime(QDate(1999, 1, 1), QTime(9, 59)), "Jan-1-99 9:59" } }) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(QString::fromLatin1(row.text), FormatProcessTime(row.time));
    }
}

TEST(RunProgressTest, IsoProcessTime)
{
    struct Row {
        const char* name;
        QDateTime time;
        const char* text;
    };
    const QDate day(2026, 12, 8);
    const QTime clock(9, 21, 5);
    for (const Row& row : { Row { "UTC", QDateTime(day, clock, Qt::UTC), "2026-12-08T09:21:05+00:00" },
             Row { "east", QDateTime(day, clock, Qt::OffsetFromUTC, 5 * 3600 + 1800), "2026-12-08T09:21:05+05:30" },
             Row { "west", QDateTime(day, QTime(0, 0), Qt::OffsetFromUTC, -3 * 3600), "2026-12-08T00:00:00-03:00" } }) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.text, IsoProcessTime(row.time));
    }
}

// The rows' time is the local time, whatever zone the user is in, even
// though the clock works it out only once a second.
TEST(RunProgressTest, SystemClockGivesTheLocalTime)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "IST-5:30");
    tzset();
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const QDateTime now = SystemClock().now();
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    EXPECT_EQ(5 * 3600 + 1800, now.offsetFromUtc());
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch()).time(), now.time());
    EXPECT_LE(before, now.toSecsSinceEpoch());
    EXPECT_GE(after, now.toSecsSinceEpoch());
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

class ReadChosenFileTest : public RunFixture { };

TEST_F(ReadChosenFileTest, Cases)
{
    struct Row {
        const char* name;
        std::string content;
        std::size_t limit;
        TextRead::Status status;
        bool truncated;
        std::string text;
    };
    const Row rows[] = {
        { "plain bytes unchanged", "a\r\nb\rc\n\xe9", 100, TextRead::Status::Read, false, "a\r\nb\rc\n\xe9" },
        { "zero length", "", 100, TextRead::Status::Read, false, "" },
        { "end-of-text byte last", std::string("ab\x1A", 3), 100, TextRead::Status::Read, false,
            std::string("ab\x1A", 3) },
        { "end-of-text byte inside",
            std::string("a\x1A"
                        "b",
                3),
            100, TextRead::Status::NotText, false,
            std::string("a\x1A"
                        "b",
                3) },
        { "exactly at the limit", "abcde", 5, TextRead::Status::Read, false, "abcde" },
        { "over the limit", "abcdef", 5, TextRead::Status::Read, true, "abcde" },
        { "end-of-text byte last of the kept part",
            std::string("abcd\x1A"
                        "f",
                6),
            5, TextRead::Status::NotText, true, std::string("abcd\x1A", 5) },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(dir.file("f"), row.content);
        std::string text = "left over";
        const TextRead read = ReadChosenFile(dir.file("f"), text, row.limit);
        EXPECT_EQ(row.status, read.status);
        EXPECT_EQ(row.truncated, read.truncated);
        EXPECT_EQ(row.text, text);
    }
    std::string text;
    const TextRead missing = ReadChosenFile(dir.file("none"), text);
    EXPECT_EQ(TextRead::Status::NotOpened, missing.status);
    EXPECT_EQ("No such file or directory", missing.reason);
}

} // namespace
} // namespace tamsenor::testing
