#include "text/TextBasics.h"

#include <gtest/gtest.h>

namespace tamsenor::text {
namespace {

TEST(TextBasicsTest, NextUtf8CutsAsDecodersDo)
{
    struct Row {
        const char* name;
        std::string_view bytes;
        std::size_t length;
        bool valid;
    };
    const Row rows[] = {
        { "ASCII", "a", 1, true },
        { "two bytes", "\xC3\xA9", 2, true },
        { "euro sign", "\xE2\x82\xAC", 3, true },
        { "last code point", "\xF4\x8F\xBF\xBF", 4, true },
        { "overlong lead C0", "\xC0\x80", 1, false },
        { "overlong three bytes", "\xE0\x80\x80", 1, false },
        { "encoded surrogate", "\xED\xA0\x80", 1, false },
        { "past U+10FFFF", "\xF4\x90\x80\x80", 1, false },
        { "lead F5", "\xF5\x80", 1, false },
        { "lone continuation", "\x80", 1, false },
        { "cut after two of three", "\xE2\x82x", 2, false },
        { "cut at the end", "\xF0\x9F\x98", 3, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Utf8Step step = NextUtf8(row.bytes);
        EXPECT_EQ(row.length, step.length);
        EXPECT_EQ(row.valid, step.valid);
    }
}

TEST(TextBasicsTest, RepairReplacesEachBadPieceOnce)
{
    struct Row {
        const char* name;
        std::string_view bytes;
        std::string_view repaired;
    };
    const Row rows[] = {
        { "valid stays", "caf\xC3\xA9", "caf\xC3\xA9" },
        { "Latin-1 byte", "caf\xE9", "caf\xEF\xBF\xBD" },
        { "a cut sequence is one replacement", "\xE2\x82x", "\xEF\xBF\xBDx" },
        { "two bad bytes are two", "\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD" },
        { "empty", "", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string out = "<";
        AppendRepairedUtf8(out, row.bytes);
        EXPECT_EQ("<" + std::string(row.repaired), out);
        EXPECT_EQ(row.bytes == row.repaired, IsValidUtf8(row.bytes));
    }
}

} // namespace
} // namespace tamsenor::text
