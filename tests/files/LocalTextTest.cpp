#include "files/LocalText.h"

#include <gtest/gtest.h>

namespace tamsenor {
namespace {

TEST(LocalText, EveryByteStringComesBackWhole)
{
    struct Row {
        const char* name;
        std::string bytes;
        QString shown; // ForDisplay of the text
    };
    const QString r(QChar::ReplacementCharacter);
    const Row rows[] = {
        { "ASCII", "/in/a.htm", "/in/a.htm" },
        { "two-byte UTF-8", "caf\xC3\xA9", QStringLiteral("caf\u00E9") },
        { "four-byte UTF-8", "\xF0\x9F\x98\x80", QString::fromUcs4(U"\U0001F600") },
        { "a Latin-1 byte", "caf\xE9.htm", "caf" + r + ".htm" },
        { "a lone continuation byte", "a\x80z", "a" + r + "z" },
        { "a cut sequence at the end", "a\xE2\x82", "a" + r + r },
        { "an overlong slash", "\xC0\xAF", r + r },
        { "an encoded surrogate", "\xED\xA0\x80", r + r + r },
        { "past U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r },
        { "0xFF", "\xFF", r },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString text = FromLocalBytes(row.bytes);
        EXPECT_EQ(row.bytes, LocalBytes(text));
        EXPECT_EQ(row.shown, ForDisplay(text));
    }
}

TEST(LocalText, TypedTextIsPlainUtf8)
{
    const QString typed = QStringLiteral("Pr\u00E9is \u20AC") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(typed.toUtf8().toStdString(), LocalBytes(typed));
    EXPECT_EQ(typed, FromLocalBytes(typed.toUtf8().toStdString()));
}

} // namespace
} // namespace tamsenor
