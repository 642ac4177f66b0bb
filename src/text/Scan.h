#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Byte scans the engines spend most of their time in, sixteen bytes at a
// step where the processor allows it.
namespace tamsenor::text::scan {

// The first position at or after `from` holding `a`, `b` or `c`; `size` when none.
inline std::size_t FindAnyOf3(const char* p, std::size_t from, std::size_t size, char a, char b, char c)
{
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hit
            = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; i < size; ++i) {
        if (p[i] == a || p[i] == b || p[i] == c)
            return i;
    }
    return size;
}

inline std::size_t FindAnyOf2(const char* p, std::size_t from, std::size_t size, char a, char b)
{
    return FindAnyOf3(p, from, size, a, b, b);
}

// The first position i at or after `from` with p[i], p[i + 1] equal to `a`,
// `b` (i + 1 < size), where a lower-case ASCII letter also matches its upper
// case; `size` when none.
inline std::size_t FindPair(const char* p, std::size_t from, std::size_t size, char a, char b)
{
    const char foldA = (a >= 'a' && a <= 'z') ? 0x20 : 0;
    const char foldB = (b >= 'a' && b <= 'z') ? 0x20 : 0;
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i fa = _mm_set1_epi8(foldA);
    const __m128i fb = _mm_set1_epi8(foldB);
    for (; i + 17 <= size; i += 16) {
        const __m128i v0 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), fa);
        const __m128i v1 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1)), fb);
        const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(v0, va), _mm_cmpeq_epi8(v1, vb));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; i + 1 < size; ++i) {
        if (static_cast<char>(p[i] | foldA) == a && static_cast<char>(p[i + 1] | foldB) == b)
            return i;
    }
    return size;
}

// The first position at or after `from` holding a space, backspace, tab,
// line feed or carriage return; `size` when none.
inline std::size_t FindWhiteSpace(const char* p, std::size_t from, std::size_t size)
{
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i backspace = _mm_set1_epi8('\x08');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, backspace)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, lineFeed)),
                _mm_cmpeq_epi8(v, carriageReturn)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; i < size; ++i) {
        const char c = p[i];
        if (c == ' ' || c == '\x08' || c == '\t' || c == '\n' || c == '\r')
            return i;
    }
    return size;
}

// A fast 64-bit hash of a byte run (not for security: equal hashes are
// always confirmed by comparing the bytes, or only make a caller cautious).
inline std::uint64_t HashBytes(const char* p, std::size_t n)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (n * 0xC2B2AE3D27D4EB4Full);
    while (n >= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
        p += 8;
        n -= 8;
    }
    if (n > 0) {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        h = (h ^ v) * 0x94D049BB133111EBull;
    }
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return h;
}

} // namespace tamsenor::text::scan
