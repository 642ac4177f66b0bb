#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A broken invariant ends the fuzzing run with the failing input saved.
#define FUZZ_CHECK(condition, what)                                                                                    \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", std::string(what).c_str(), __FILE__, __LINE__);     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF. Written here again rather
// than taken from the code under test.
inline bool IsUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const int length = c < 0x80 ? 1
            : c >= 0xC2 && c < 0xE0 ? 2
            : c >= 0xE0 && c < 0xF0 ? 3
            : c >= 0xF0 && c < 0xF5 ? 4
                                    : 0;
        if (length == 0 || i + length > s.size())
            return false;
        char32_t point = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = point << 6 | (next & 0x3F);
        }
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point < 0xE000)))
            || (length == 4 && (point < 0x10000 || point > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}
