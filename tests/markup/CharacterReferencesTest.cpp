#include "markup/CharacterReferences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamsenor::markup {
namespace {

// The whole page through the rewriter, `room` bytes at a time at most.
std::string Rewrite(std::string_view page, std::size_t room)
{
    ReferenceRewriter rewriter(page);
    std::string out;
    std::string buffer(room, '\0');
    while (const std::size_t n = rewriter.fill(buffer.data(), room)) {
        EXPECT_LE(n, room);
        out.append(buffer, 0, n);
    }
    EXPECT_EQ(page.size(), rewriter.taken());
    return out;
}

TEST(ReferenceRewriter, WritesReferencesAsABrowserReadsThem)
{
    struct Case {
        const char* name;
        std::string page;
        std::string read;
    };
    const Case cases[] = {
        { "plain text and tags", "<p class=a>x &lt; y</p>", "<p class=a>x &#60; y</p>" },
        { "named, known since HTML 4", "&amp;&eacute;", "&#38;&#233;" },
        { "named, added since", "a&NewLine;b&check;", "a&#10;b&#10003;" },
        { "named, two characters", "&NotEqualTilde;", "&#8770;&#824;" },
        { "named, unknown", "&tamsenor; &Amp;", "&tamsenor; &Amp;" },
        { "named, legacy without semicolon", "&nbsp x&copy", "&#160; x&#169;" },
        { "named, not legacy, without semicolon", "&NewLine x", "&NewLine x" },
        { "named, without semicolon before a letter", "&notit", "&notit" },
        { "named, without semicolon before =", "<a href='?a=1&copy=2'>", "<a href='?a=1&copy=2'>" },
        { "named, in an attribute", "<p title='&check;'>", "<p title='&#10003;'>" },
        { "numeric, ordinary", "&#65;&#x41;&#233;", "&#65;&#x41;&#233;" },
        { "numeric 0x80, decimal", "&#128;", "&#8364;" },
        { "numeric 0x96, hex", "&#x96;&#X9F;", "&#8211;&#376;" },
        { "numeric 0x81, no character in windows-1252", "&#129;&#x8D;", "&#129;&#x8D;" },
        { "numeric 0x80-0x9F in an attribute", "<p title='&#150;'>", "<p title='&#8211;'>" },
        { "numeric, without semicolon", "&#150x &#128", "&#8211;x &#8364;" },
        { "numeric, zero", "&#0;&#x0000;", "&#65533;&#65533;" },
        { "numeric, surrogates", "&#xD800;&#57343;", "&#65533;&#65533;" },
        { "numeric, beyond U+10FFFF", "&#x110000;&#99999999999999;", "&#65533;&#65533;" },
        { "numeric, highest", "&#x10FFFF;", "&#x10FFFF;" },
        { "numeric, no digits", "&#; &#x; &#", "&#; &#x; &#" },
        { "lone ampersand", "a & b &", "a & b &" },
        { "script content as it is", "<script>a&#150;&amp;</script>&#150;", "<script>a&#150;&amp;</script>&#8211;" },
        { "style content, any case", "<STYLE type=x>&#150;</Style >&#150;", "<STYLE type=x>&#150;</Style >&#8211;" },
        { "not a script element", "<scripted>&#150;", "<scripted>&#8211;" },
        { "NUL becomes a space", std::string("a\0b<script>\0</script>", 21), "a b<script> </script>" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.read, Rewrite(c.page, 4096));
        EXPECT_EQ(c.read, Rewrite(c.page, 25)) << "a reference at the end of a part";
    }
}

TEST(ReferenceRewriter, ReferencesAcrossManyParts)
{
    std::string page;
    std::string read;
    for (int i = 0; i < 200; ++i) {
        page += "ab&#150;&NewLine;";
        read += "ab&#8211;&#10;";
    }
    for (std::size_t room : { 25, 26, 31, 40, 100 }) {
        SCOPED_TRACE(room);
        EXPECT_EQ(read, Rewrite(page, room));
    }
}

TEST(ReferenceRewriter, SetsLongValuesAndTextAside)
{
    const std::string value = "a value long enough";
    const std::string text = "text long enough too";
    const std::string blanks = "\n" + std::string(20, ' ');
    // Upper case in a name keeps the tag's attributes apart; a whole list reads as written.
    const std::string page = "<p title=\"" + value + "\" ID=short>" + text + "<b>" + blanks
        + "</b><i class=\"x\" hidden lang=en class=y>";
    ReferenceRewriter rewriter(page);
    rewriter.setValuesAside();
    std::string out(page.size(), '\0');
    out.resize(rewriter.fill(out.data(), out.size()));
    // Numbered in page order; white space stands for white space, in base 4.
    const std::string first = "\xEF\xB7\x90" "0", second = "\xEF\xB7\x90" "1", third = "\t\r\t\n";
    EXPECT_EQ(out, "<p title=\"" + first + "\" ID=short>" + second + "<b>" + third + "</b><i _:.3>");
    EXPECT_EQ(rewriter.valueFor(first), value);
    EXPECT_EQ(rewriter.valueFor(second), text);
    EXPECT_EQ(rewriter.valueFor(third), blanks);
    std::vector<Attribute> attributes;
    ASSERT_TRUE(rewriter.attributesFor("_:.3", attributes));
    std::string read;
    for (const Attribute& a : attributes)
        read += std::string(a.name) + "=" + std::string(a.value) + ";";
    EXPECT_EQ(read, "class=x;hidden=;lang=en;"); // the first of two of a name
    EXPECT_EQ(rewriter.valueFor(first), first); // read back once, in page order
    EXPECT_EQ(rewriter.valueFor("\xEF\xB7\x90" "4"), "\xEF\xB7\x90" "4");
    EXPECT_FALSE(rewriter.attributesFor("class", attributes));
}

TEST(IsAsciiCompatible, RefusesEncodingsThatMoveAscii)
{
    for (const char* name : { "UTF-8", "windows-1252", "ISO-8859-1", "Shift_JIS", "EUC-JP", "GB18030", "KOI8-R" })
        EXPECT_TRUE(IsAsciiCompatible(name)) << name;
    for (const char* name : { "UTF-16LE", "utf-16", "UCS-2", "UTF-32BE", "UTF-7", "ISO-2022-JP", "HZ-GB-2312" })
        EXPECT_FALSE(IsAsciiCompatible(name)) << name;
}

} // namespace
} // namespace tamsenor::markup
