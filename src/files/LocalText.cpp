#include "files/LocalText.h"

namespace tamsenor {

namespace {

constexpr char16_t EscapeBase = 0xDC00; // + a byte of 0x80..0xFF

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when
// the byte there starts none (overlong forms, encoded surrogates and values
// past U+10FFFF are not valid).
int ValidSequence(const std::string& bytes, std::size_t at, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (at + static_cast<std::size_t>(length) > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        if (!IsContinuation(next))
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsEscapedByte(char16_t unit)
{
    return unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF;
}

} // namespace

std::string LocalBytes(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (IsEscapedByte(unit)) {
            out += static_cast<char>(unit - EscapeBase);
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(out, 0xFFFD); // a lone surrogate no byte stands for
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

QString FromLocalBytes(const std::string& bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = ValidSequence(bytes, i, code);
        if (length == 0) {
            out += QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        if (code < 0x10000) {
            out += QChar(static_cast<char16_t>(code));
        } else {
            out += QChar(QChar::highSurrogate(code));
            out += QChar(QChar::lowSurrogate(code));
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

QString ForDisplay(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t unit = out[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < out.size() && QChar::isLowSurrogate(out[i + 1].unicode()))
            ++i;
        else if (QChar::isSurrogate(unit))
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

} // namespace tamsenor
