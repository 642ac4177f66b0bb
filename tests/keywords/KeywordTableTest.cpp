#include "keywords/KeywordTable.h"

#include <gtest/gtest.h>

namespace tamsenor {
namespace {

KeywordTable ThreeRecords()
{
    KeywordTable table;
    table.addNew("a", "1");
    table.addNew("b", "2");
    table.addNew("c", "3");
    return table;
}

// Names from the current record to the end, as a walk sees them.
std::string WalkFromCursor(KeywordTable& table)
{
    std::string seen;
    for (; !table.eof(); table.moveNext())
        seen += table.name();
    return seen;
}

TEST(KeywordTable, EmptyTableIsBothEnds)
{
    KeywordTable table;
    EXPECT_EQ(0, table.recordCount());
    EXPECT_TRUE(table.eof());
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(0, table.currentNumber());
    EXPECT_EQ("", table.name());
    EXPECT_FALSE(table.setName("x"));
    EXPECT_FALSE(table.deleteCurrent());
    EXPECT_FALSE(table.moveTo(1));
    table.moveFirst();
    EXPECT_TRUE(table.eof());
}

TEST(KeywordTable, AddNewAppendsAndMakesCurrent)
{
    KeywordTable table = ThreeRecords();
    EXPECT_EQ(3, table.recordCount());
    EXPECT_EQ(3, table.currentNumber());
    EXPECT_EQ("c", table.field(0));
    EXPECT_EQ("3", table.field(1));
    table.moveFirst();
    EXPECT_EQ("abc", WalkFromCursor(table));
    EXPECT_TRUE(table.eof());
}

TEST(KeywordTable, CursorMoves)
{
    struct Case {
        const char* name;
        void (*moves)(KeywordTable&);
        int number; // 0: no current record
        bool eof;
        bool bof;
    };
    const Case cases[] = {
        { "first", [](KeywordTable& t) { t.moveFirst(); }, 1, false, false },
        { "next from first", [](KeywordTable& t) { t.moveFirst(), t.moveNext(); }, 2, false, false },
        { "next past last", [](KeywordTable& t) { t.moveTo(3), t.moveNext(); }, 0, true, false },
        { "next stays past end", [](KeywordTable& t) { t.moveTo(3), t.moveNext(), t.moveNext(); }, 0, true, false },
        { "previous from past end is last", [](KeywordTable& t) { t.moveTo(3), t.moveNext(), t.movePrevious(); }, 3,
            false, false },
        { "previous before first", [](KeywordTable& t) { t.moveFirst(), t.movePrevious(); }, 0, false, true },
        { "next from before first", [](KeywordTable& t) { t.moveFirst(), t.movePrevious(), t.moveNext(); }, 1, false,
            false },
        { "move to 2", [](KeywordTable& t) { t.moveTo(2); }, 2, false, false },
        { "move to 0 refused", [](KeywordTable& t) { t.moveTo(2), t.moveTo(0); }, 2, false, false },
        { "move to 4 refused", [](KeywordTable& t) { t.moveTo(2), t.moveTo(4); }, 2, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeywordTable table = ThreeRecords();
        c.moves(table);
        EXPECT_EQ(c.number, table.currentNumber());
        EXPECT_EQ(c.eof, table.eof());
        EXPECT_EQ(c.bof, table.bof());
        if (c.number > 0)
            EXPECT_EQ(std::string(1, static_cast<char>('a' + c.number - 1)), table.name());
        else
            EXPECT_EQ("", table.name());
    }
}

TEST(KeywordTable, DeleteMovesToFollowingRecord)
{
    struct Case {
        const char* name;
        int deleteNumber;
        std::string left;
        int currentAfter;
    };
    const Case cases[] = {
        { "first", 1, "bc", 1 },
        { "middle", 2, "ac", 2 },
        { "last", 3, "ab", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeywordTable table = ThreeRecords();
        ASSERT_TRUE(table.moveTo(c.deleteNumber));
        EXPECT_TRUE(table.deleteCurrent());
        EXPECT_EQ(c.currentAfter, table.currentNumber());
        table.moveFirst();
        EXPECT_EQ(c.left, WalkFromCursor(table));
    }
}

TEST(KeywordTable, ValuesUpToOneHundredCharacters)
{
    const std::string longest(100, 'x');
    const std::string tooLong(101, 'x');
    KeywordTable table;
    EXPECT_TRUE(table.addNew(longest, longest));
    EXPECT_FALSE(table.addNew(tooLong, "1"));
    EXPECT_FALSE(table.addNew("n", tooLong));
    EXPECT_EQ(1, table.recordCount());

    EXPECT_FALSE(table.setName(tooLong));
    EXPECT_FALSE(table.setPosition(tooLong));
    EXPECT_EQ(longest, table.name());
    EXPECT_TRUE(table.setName("price"));
    EXPECT_TRUE(table.setPosition(""));
    EXPECT_EQ("price", table.field(0));
    EXPECT_EQ("", table.field(1));
}

// `count` characters made of `unit` (of `unitCharacters` characters), padded with "a".
std::string Characters(const std::string& unit, std::size_t unitCharacters, std::size_t count)
{
    std::string text;
    for (std::size_t n = 0; n + unitCharacters <= count; n += unitCharacters)
        text += unit;
    return text + std::string(count % unitCharacters, 'a');
}

TEST(KeywordTable, LimitCountsCharactersNotBytes)
{
    struct Row {
        const char* name;
        std::string unit;
        std::size_t characters; // what the unit counts as
    };
    const Row rows[] = {
        { "ASCII", "a", 1 },
        { "two-byte character", "\xc3\xa9", 1 },
        { "three-byte character", "\xe2\x82\xac", 1 },
        { "four-byte character", "\xf0\x9f\x99\x82", 1 },
        { "invalid byte", "\xff", 1 },
        { "stray continuation byte", "\x80", 1 },
        { "cut sequence: each byte", "\xe2\x82", 2 },
        { "overlong form: each byte", "\xc0\xaf", 2 },
        { "encoded surrogate: each byte", "\xed\xa0\x80", 3 },
        { "cut four-byte sequence then ASCII",
            "\xf0\x9f\x99"
            "a",
            4 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string limit = Characters(row.unit, row.characters, 100);
        const std::string over = Characters(row.unit, row.characters, 101);
        EXPECT_EQ(100u, KeywordTable::CharacterCount(limit));
        EXPECT_EQ(101u, KeywordTable::CharacterCount(over));
        KeywordTable table;
        EXPECT_TRUE(table.addNew(limit, limit));
        EXPECT_FALSE(table.addNew(over, "1"));
        EXPECT_FALSE(table.addNew("n", over));
        EXPECT_FALSE(table.setName(over));
        EXPECT_FALSE(table.setPosition(over));
        EXPECT_TRUE(table.setName(limit));
        EXPECT_EQ(1, table.recordCount());
    }
}

TEST(KeywordTable, ClearEmptiesTable)
{
    KeywordTable table = ThreeRecords();
    table.clear();
    EXPECT_EQ(0, table.recordCount());
    EXPECT_TRUE(table.eof());
    EXPECT_TRUE(table.addNew("n", "1"));
    EXPECT_EQ(1, table.currentNumber());
}

} // namespace
} // namespace tamsenor
