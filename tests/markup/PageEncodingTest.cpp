#include "markup/PageEncoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace tamsenor::markup;
using tamsenor::text::BasicHook;

namespace {

TEST(PageEncodingTest, LabelsAsBrowsersReadThem)
{
    const struct {
        const char* label;
        std::optional<std::string> name;
    } cases[] = {
        { " US-ASCII ", "windows-1252" },
        { "iso-8859-1", "windows-1252" },
        { "ISO-8859-9", "windows-1254" },
        { "tis-620", "windows-874" },
        { "x-sjis", "Shift_JIS" },
        { "gb2312", "GBK" },
        { "csGB2312", "GBK" },
        { "gb18030", "gb18030" },
        { "big5-hkscs", "Big5" },
        { "ks_c_5601-1987", "EUC-KR" },
        { "iso-8859-8-i", "ISO-8859-8-I" },
        { "mac", "macintosh" },
        { "unicode", "UTF-16LE" },
        { "utf8", "UTF-8" },
        { "utf-8x", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(EncodingForLabel(c.label), c.name);
    }
}

TEST(PageEncodingTest, DecodesAsTheEncodingStandardSays)
{
    const struct {
        const char* name;
        const char* encoding;
        std::string bytes;
        std::string text;
    } cases[] = {
        { "GBK: 0x80 is the euro sign", "GBK", "\x80 \xC4\xE3\xBA\xC3", "€ 你好" },
        { "gb18030: four-byte sequences", "gb18030", "\x81\x30\x81\x30\x80", "\u0080€" },
        { "Big5", "Big5", "\xA4\xA4\xA4\xE5", "中文" },
        { "EUC-KR", "EUC-KR", "\xC7\xD1\xB1\xDB", "한글" },
        { "EUC-JP", "EUC-JP", "\xC6\xFC\xCB\xDC", "日本" },
        { "ISO-2022-JP back to ASCII", "ISO-2022-JP", "\x1B$BF|\x1B(Bx", "日x" },
        { "windows-1252 holes are C1 controls", "windows-1252", "\x80\x81\x9F", "€\u0081Ÿ" },
        { "KOI8-U", "KOI8-U", "\xA4", "є" },
        { "a cut sequence becomes U+FFFD", "Shift_JIS", "a\x93", "a\uFFFD" },
        { "UTF-8 repaired per maximal subpart", "UTF-8", "a\xF0\x9F\x98z\xC0", "a\uFFFDz\uFFFD" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BasicHook hook;
        std::string out;
        bool alreadyUtf8 = false;
        ASSERT_EQ(DecodeToUtf8(c.bytes, { c.encoding, EncodingSource::Declaration, 0 }, out, &alreadyUtf8, hook),
            DecodeOutcome::Finished);
        EXPECT_FALSE(alreadyUtf8);
        EXPECT_EQ(out, c.text);
    }
}

TEST(PageEncodingTest, SniffsMarkThenDeclarationThenDetector)
{
    const struct {
        const char* name;
        std::string bytes;
        const char* encoding;
        EncodingSource source;
    } cases[] = {
        { "byte-order mark", "\xFF\xFE<\0", "UTF-16LE", EncodingSource::ByteOrderMark },
        { "meta charset", "<meta charset=gb2312>\xC4\xE3", "GBK", EncodingSource::Declaration },
        { "no declaration, valid UTF-8", "<p>\xC3\xA9", "UTF-8", EncodingSource::Detected },
        { "ASCII as the detector names it", "<p>plain", "windows-1252", EncodingSource::Detected },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PageEncoding encoding = SniffPageEncoding(c.bytes);
        EXPECT_EQ(encoding.name, c.encoding);
        EXPECT_EQ(encoding.source, c.source);
    }
}

} // namespace
