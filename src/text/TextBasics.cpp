#include "text/TextBasics.h"

#include <cstdint>
#include <cstring>

namespace tamsenor::text {

Utf8Step NextUtf8(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80)
        return { 1, true };
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        return { 1, false };
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= bytes.size())
            return { i, false };
        const auto next = static_cast<unsigned char>(bytes[i]);
        if (next < low || next > high)
            return { i, false };
        low = 0x80;
        high = 0xBF;
    }
    return { length, true };
}

std::size_t ValidUtf8Prefix(std::string_view bytes)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        // ASCII eight bytes at a time: most pages are mostly ASCII.
        while (at + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + at, 8);
            if (word & 0x8080808080808080ull)
                break;
            at += 8;
        }
        if (at >= bytes.size())
            break;
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
            continue;
        }
        const Utf8Step step = NextUtf8(bytes.substr(at));
        if (!step.valid)
            break;
        at += step.length;
    }
    return at;
}

void AppendRepairedUtf8(std::string& out, std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t valid = ValidUtf8Prefix(bytes);
        out.append(bytes.substr(0, valid));
        bytes.remove_prefix(valid);
        if (bytes.empty())
            break;
        out += "\xEF\xBF\xBD"; // U+FFFD
        bytes.remove_prefix(NextUtf8(bytes).length);
    }
}

} // namespace tamsenor::text
