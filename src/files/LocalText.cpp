#include "files/LocalText.h"

#include "text/TextBasics.h"

namespace tamsenor {

namespace {

constexpr char16_t EscapeBase = 0xDC00; // + a byte of 0x80..0xFF

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
    std::string_view rest(bytes);
    while (!rest.empty()) {
        const std::size_t valid = text::ValidUtf8Prefix(rest);
        out += QString::fromUtf8(rest.data(), static_cast<qsizetype>(valid));
        rest.remove_prefix(valid);
        if (rest.empty())
            break;
        out += QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(rest.front())));
        rest.remove_prefix(1);
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
