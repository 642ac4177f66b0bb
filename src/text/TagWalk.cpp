#include "text/TagWalk.h"

#include "text/FlatTable.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tamsenor::text {

namespace {

// Why one walk is enough. Cut the text after every ">" into groups. The tag
// of an iteration is the first group holding a "<", from its first "<" on;
// since a tag holds one ">", at its end, its copies are the groups whose text
// ends with it, and replacing a copy by a space joins what is left of the group
// to the front of the next live group. So while a group lives its text only
// grows at the front, and every character of it joined it at a known time:
// its own characters at once, those of a dead neighbour one iteration after
// the neighbour died. A group therefore dies at the first iteration t whose
// tag is a suffix of its final text starting at a "<" that had joined it by
// t. Only tags of groups to its left can reach a group, so walking the
// groups from left to right settles each one from the tags already known; a
// group no known tag reaches and that still holds a "<" is the tag of the
// next iteration.
//
// The text left of the first "<" still in play is final and is written back
// in place; the rest (the pending text: what dead groups left, then the
// current group) sits in a stack that keeps, for each of its "<", the hash of
// the text in front of it, so that the text from any "<" to the end hashes in
// constant time. Every tag, and its suffixes from a "<" at the depths
// `guarded` names (powers of two), are in one table: a suffix of the pending
// text at such a depth that is not there cannot be the end of any tag either,
// which stops the search. A hit is always confirmed by comparing the
// characters.
//
// Most tags of a text full of distinct tags can never reach another group,
// and filing them would cost cache misses for nothing. A tag reaches a group
// only if the group's text from its last "<" (its tail) is the tag's text
// from its last "<": when the group holds a "<" of its own, that is the
// group's own tail, and the tag's is its group's own tail or, for a tag whose
// group held no "<", a text that runs on through the space a removal left. So
// a group holding a "<", whose tail has no space and is the tail of no other
// group, is reached by no tag and its tag reaches no group: it becomes a tag
// at once, unfiled. A filter made in one scan before the walk tells which
// tails may come twice (it errs only towards "twice").

constexpr std::uint64_t Modulus = (1ull << 61) - 1;

std::uint64_t mulMod(std::uint64_t a, std::uint64_t b)
{
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    std::uint64_t r = static_cast<std::uint64_t>(product & Modulus) + static_cast<std::uint64_t>(product >> 61);
    r = (r & Modulus) + (r >> 61);
    return r >= Modulus ? r - Modulus : r;
}

// A base drawn once per process, so that no fixed input can be made to
// collide (a collision would only cost time: matches are confirmed).
std::uint64_t drawnBase()
{
    static const std::uint64_t base = [] {
        std::random_device device;
        const std::uint64_t drawn = (static_cast<std::uint64_t>(device()) << 32) ^ device();
        return (drawn % (Modulus - (1ull << 20))) + (1ull << 16);
    }();
    return base;
}

// Tails of the groups holding a "<", in a Bloom filter of two bits per tail
// that also keeps the tails seen more than once.
class TailFilter {
public:
    // Made only for a text of at least `fromGts` ">".
    TailFilter(const char* base, std::size_t size, std::uint64_t seed, std::size_t fromGts)
        : seed_(seed)
        , end_(base + size)
    {
        const std::size_t gts = countGts(base, size);
        if (gts < fromGts)
            return;
        std::size_t gtsLeft = gts;
        // Eight bits a tail at least: there are no more tails than ">".
        std::size_t words = 8;
        while (words * 8 < gts)
            words *= 2;
        bits_ = 0;
        while ((std::size_t(1) << bits_) < words)
            ++bits_;
        seen_.assign(words, 0);
        repeated_.assign(words, 0);
        bool complete = true;
        std::size_t tails = 0;
        std::size_t plain = 0; // tails without a space
        std::size_t again = 0; // tails that found their bits set already
        std::size_t twice = 0; // tails among them that were their tail's first repeat
        // Sixty-four bytes at a time, by masks of their "<" and ">": a text
        // of little else than "<" and ">" would stop a byte search at every one.
        std::size_t carried = SIZE_MAX; // the last "<" since the last ">", in earlier blocks
        for (std::size_t block = 0; block < size && complete; block += 64) {
            std::uint64_t lts = 0;
            std::uint64_t blockGts = 0;
            std::uint64_t spaces = 0;
            masksOf(base, block, size, lts, blockGts, spaces);
            for (std::uint64_t left = blockGts; left != 0; left &= left - 1) {
                const unsigned g = static_cast<unsigned>(__builtin_ctzll(left));
                --gtsLeft;
                const std::uint64_t before = lts & ((std::uint64_t(1) << g) - 1);
                const std::size_t lt
                    = before != 0 ? block + 63 - static_cast<std::size_t>(__builtin_clzll(before)) : carried;
                carried = SIZE_MAX;
                lts &= ~((std::uint64_t(2) << g) - 1); // what is left lies after this ">"
                if (lt == SIZE_MAX)
                    continue;
                const std::size_t i = block + g;
                ++tails;
                // A tail with a space is never settled by the filter, nor
                // can it be one without: it is only counted.
                // A tail within the block is looked at in the block's mask, without a call.
                const std::uint64_t throughGt = (std::uint64_t(2) << g) - 1;
                const bool spaced = lt >= block ? ((spaces & throughGt) >> (lt - block)) != 0
                                                : std::memchr(base + lt, ' ', i - lt) != nullptr;
                if (spaced)
                    continue;
                const std::uint64_t hash = hashOf(base + lt, i - lt + 1);
                ++plain;
                // The same few tails over and over are told by a small
                // cache, without a miss in the filter each time.
                std::uint64_t& recent = recent_[(hash >> 12) % recent_.size()];
                if (recent == hash) {
                    ++again;
                } else {
                    std::uint64_t& seen = seen_[word(hash)];
                    if ((seen & mask(hash)) == mask(hash)) {
                        recent = hash;
                        std::uint64_t& repeated = repeated_[word(hash)];
                        twice += (repeated & mask(hash)) != mask(hash);
                        repeated |= mask(hash);
                        ++again;
                    }
                    seen |= mask(hash);
                }
                // Stops as soon as the rest of the text, were all its groups
                // to hold a new tail, could not make the filter worth asking.
                if ((plain & 1023) == 0 && 16 * once(plain, again, twice) + 15 * gtsLeft < tails) {
                    complete = false;
                    break;
                }
            }
            if (lts != 0)
                carried = block + 63 - static_cast<std::size_t>(__builtin_clzll(lts));
        }
        useful_ = complete && 16 * once(plain, again, twice) >= tails;
        if (!useful_) {
            std::vector<std::uint64_t>().swap(seen_);
            std::vector<std::uint64_t>().swap(repeated_);
        }
    }

    // Whether asking mayRepeat is worth its cost: enough tails come once.
    bool useful() const { return useful_; }

    // How many tails without a space surely come only once: all of them less
    // each one that found its bits set already and the first of each such
    // tail. When fewer than one tail in sixteen does, the filter is not kept.
    static std::size_t once(std::size_t tails, std::size_t again, std::size_t twice)
    {
        return tails > again + twice ? tails - again - twice : 0;
    }

    // Whether the tail `length` bytes at `tail` may be the tail of more than one group.
    bool mayRepeat(const char* tail, std::size_t length) const
    {
        const std::uint64_t hash = hashOf(tail, length);
        return (repeated_[word(hash)] & mask(hash)) == mask(hash);
    }

private:
    static std::size_t countGts(const char* text, std::size_t size)
    {
        std::size_t count = 0;
        std::size_t i = 0;
#if defined(__SSE2__)
        // Byte counters that take at most 255 steps, then summed.
        const __m128i gt = _mm_set1_epi8('>');
        while (i + 16 <= size) {
            __m128i counters = _mm_setzero_si128();
            for (int steps = 0; steps < 255 && i + 16 <= size; ++steps, i += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
                counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(v, gt));
            }
            const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
            count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums))
                + static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        }
#endif
        for (; i < size; ++i)
            count += text[i] == '>';
        return count;
    }

    // Bit k of `lts` (of `gts`, of `spaces`): text[block + k] is a "<" (a ">", a space).
    static void masksOf(const char* text, std::size_t block, std::size_t size, std::uint64_t& lts, std::uint64_t& gts,
        std::uint64_t& spaces)
    {
#if defined(__SSE2__)
        if (block + 64 <= size) {
            const __m128i lt = _mm_set1_epi8('<');
            const __m128i gt = _mm_set1_epi8('>');
            const __m128i space = _mm_set1_epi8(' ');
            auto mask = [](__m128i v, __m128i c) {
                return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))));
            };
            for (unsigned k = 0; k < 4; ++k) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + block + 16 * k));
                lts |= mask(v, lt) << (16 * k);
                gts |= mask(v, gt) << (16 * k);
                spaces |= mask(v, space) << (16 * k);
            }
            return;
        }
#endif
        const std::size_t end = std::min(size, block + 64);
        for (std::size_t i = block; i < end; ++i) {
            lts |= static_cast<std::uint64_t>(text[i] == '<') << (i - block);
            gts |= static_cast<std::uint64_t>(text[i] == '>') << (i - block);
            spaces |= static_cast<std::uint64_t>(text[i] == ' ') << (i - block);
        }
    }

    std::uint64_t seed_;
    const char* end_; // of the text: reads stop there
    unsigned bits_;
    bool useful_ = false;
    std::vector<std::uint64_t> seen_;
    std::vector<std::uint64_t> repeated_;
    std::array<std::uint64_t, 256> recent_ {}; // tails known to be in repeated_

    std::size_t word(std::uint64_t hash) const
    {
        return static_cast<std::size_t>(hash >> (64 - bits_));
    }
    static std::uint64_t mask(std::uint64_t hash)
    {
        return (1ull << (hash & 63)) | (1ull << ((hash >> 6) & 63));
    }

    // Seeded, so that no fixed input makes distinct tails look alike.
    std::uint64_t hashOf(const char* p, std::size_t n) const
    {
        std::uint64_t h = seed_ ^ (n * 0xC2B2AE3D27D4EB4Full);
        for (; n >= 8; p += 8, n -= 8) {
            std::uint64_t v;
            std::memcpy(&v, p, 8);
            h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 29;
        }
        std::uint64_t v = 0;
        if (n > 0 && p + 8 <= end_) {
            // One read past a short tail, the bytes beyond it masked off.
            std::memcpy(&v, p, 8);
            v &= ~std::uint64_t(0) >> (64 - 8 * n);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
        h = (h ^ v) * 0x94D049BB133111EBull;
        h ^= h >> 31;
        h *= 0xD6E8FEB86659FD93ull;
        return h ^ (h >> 32);
    }
};

std::size_t walkableSize(const std::string& text)
{
    if (text.size() >= static_cast<std::size_t>(INT32_MAX))
        throw std::length_error("text too long for the tag pass");
    return text.size();
}

class Walk {
public:
    Walk(std::string& text, Hook& hook, long& iterations, std::uint64_t base, std::size_t filterFromGts)
        : text_(text)
        , hook_(hook)
        , iterations_(iterations)
        , base_(base)
        , tails_(text.data(), walkableSize(text), base * 0x9E3779B97F4A7C15ull, filterFromGts)
    {
        powers_.push_back(1);
        // Each character of a kept tag is one the text held, or a space that
        // stands for two or more, so the text's size bounds them all; the
        // room is reserved at once (and only touched as it fills) rather than
        // copied over and over as it doubles.
        tagChars_.reserve(text.size());
    }

    Outcome run()
    {
        char* base = text_.data();
        const std::size_t size = text_.size();
        std::size_t r = 0; // start of the group being read
        bool cancelled = false;
        for (;;) {
            const void* hit = std::memchr(base + r, '>', size - r);
            if (!hit)
                break;
            const std::size_t gt = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            if (pending_.empty()) {
                const void* lt = std::memchr(base + r, '<', gt - r);
                if (!lt) {
                    // No "<" in play: the group stays as it is.
                    emitText(r, gt + 1);
                    r = gt + 1;
                    continue;
                }
                const std::size_t first = static_cast<std::size_t>(static_cast<const char*>(lt) - base);
                emitText(r, first);
                r = first;
            }
            if (askTails() && reachesNothing(base + r, gt - r)) {
                misses_ = 0;
                // Settled as the literal pass would: no known tag ends the
                // group, so it is the next iteration's tag (or, after a
                // cancel, lives on as it stands).
                if (!cancelled) {
                    hook_.yield();
                    cancelled = hook_.cancelRequested();
                }
                if (cancelled) {
                    emitPending();
                    emitText(r, gt + 1);
                } else {
                    tags_.push_back({ 0, Unfiled });
                    repeated_.push_back(0);
                    emitChar(' ');
                    ++iterations_;
                    StepStripProgress(hook_);
                }
                clearPending();
                r = gt + 1;
                continue;
            }
            segments_.push_back({ static_cast<std::uint32_t>(pending_.size()), 0 });
            append(base + r, gt + 1 - r);
            r = gt + 1;

            if (settleByKnownTag())
                continue;
            if (!cancelled) {
                hook_.yield();
                cancelled = hook_.cancelRequested();
            }
            if (cancelled) {
                // No further iteration: the group lives on as it stands.
                emitPending();
                clearPending();
                continue;
            }
            // The whole pending text, from its first "<", is the tag.
            recordTag();
            emitChar(' ');
            clearPending();
            ++iterations_;
            StepStripProgress(hook_);
        }
        emitPending();
        clearPending();
        emitText(r, size);
        text_.resize(written_);
        if (!cancelled) {
            hook_.yield();
            cancelled = hook_.cancelRequested();
        }
        return cancelled ? Outcome::Cancelled : Outcome::Finished;
    }

private:
    std::string& text_;
    Hook& hook_;
    long& iterations_;
    const std::uint64_t base_;
    const TailFilter tails_;
    std::size_t written_ = 0; // text_[0, written_) is final

    // Whether to ask the filter about this group: after eight groups in a
    // row that it could not settle, only about one in sixteen, until it
    // settles one again (a text can mix shapes).
    std::size_t misses_ = 0;
    std::size_t quiet_ = 0;
    bool askTails()
    {
        if (!tails_.useful())
            return false;
        if (quiet_ > 0) {
            --quiet_;
            return false;
        }
        if (++misses_ > 8)
            quiet_ = 15;
        return true;
    }

    // Whether the group whose text in play (after the pending text) is the
    // `length` bytes at `group`, up to its ">", holds a "<" and a tail that
    // no tag reaches and whose tag reaches no group.
    bool reachesNothing(const char* group, std::size_t length) const
    {
        const void* lt = memrchr(group, '<', length);
        if (!lt)
            return false;
        const char* tail = static_cast<const char*>(lt);
        const std::size_t tailLength = static_cast<std::size_t>(group + length - tail) + 1;
        return !std::memchr(tail, ' ', tailLength) && !tails_.mayRepeat(tail, tailLength);
    }

    // The characters of a text that grows a few at a time and shrinks from
    // the back: a library append per group cost more than hashing what it
    // appended, so the room only grows and the characters are written in the
    // loop that hashes them.
    class Chars {
    public:
        std::size_t size() const { return size_; }
        bool empty() const { return size_ == 0; }
        const char* data() const { return room_.data(); }
        void clear() { size_ = 0; }
        void cut(std::size_t size) { size_ = size; } // to at most its size
        // Room for `count` characters more, at the returned place.
        char* extend(std::size_t count)
        {
            if (size_ + count > room_.size())
                room_.resize(std::max(2 * room_.size(), size_ + count + 64));
            char* at = room_.data() + size_;
            size_ += count;
            return at;
        }

    private:
        std::vector<char> room_;
        std::size_t size_ = 0;
    };

    // The pending text, from its first "<" through the current group's ">".
    Chars pending_;
    std::uint64_t hash_ = 0; // of all of pending_
    static constexpr std::size_t MaxPowerTable = 1 << 16;
    std::vector<std::uint64_t> powers_; // powers_[k]: base_^k, for the lengths met so far
    // Each "<" of pending_ (ltAt_) with the hash of the text in front of it
    // (ltHash_), enough to hash the text from any "<" to the end and to cut
    // the text there.
    std::vector<std::uint32_t> ltAt_;
    std::vector<std::uint64_t> ltHash_;
    // Join times: pending_ from `start` on joined the current group at
    // iteration `time` (later segments joined earlier, their times fall).
    struct Segment {
        std::uint32_t start;
        std::int32_t time;
    };
    std::vector<Segment> segments_;

    // Tags in iteration order, their characters kept in one string.
    struct Tag {
        std::uint32_t offset;
        std::uint32_t length; // Unfiled: a tag that reaches no group, its text not kept
    };
    static constexpr std::uint32_t Unfiled = UINT32_MAX;
    std::string tagChars_;
    std::vector<Tag> tags_;

    // Every tag and every tag suffix from a "<": open addressing on a 64-bit
    // mix of the hash and the length, at most three quarters full. `first` is
    // the first iteration whose tag the text was, -1 for a suffix only; the
    // rare later iterations with the same tag are listed in repeats_.
    // `filedFirst` and `filedLast` are the first and last iterations whose
    // tag filed the text as a suffix of its own, -1 for none; when several
    // did, filedLists_[filedMore] holds them all, rising.
    struct Slot {
        std::uint32_t keyHigh = 0;
        std::uint32_t keyLow = 0; // keyHigh and keyLow both 0: free
        std::int32_t first = -1;
        std::int32_t filedFirst = -1;
        std::int32_t filedLast = -1;
        std::int32_t filedMore = -1;

        std::uint64_t hash() const { return (static_cast<std::uint64_t>(keyHigh) << 32) | keyLow; }
        bool free() const { return hash() == 0; }
    };
    std::vector<std::vector<std::int32_t>> filedLists_;
    // The key's high bits pick the slot: its low bits are the weaker.
    FlatTable<Slot, HighBitsHome> slots_ { std::size_t(1) << 10 };
    std::vector<char> repeated_; // per iteration: its tag came again later
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> repeats_; // by first iteration

    void emitText(std::size_t from, std::size_t to)
    {
        if (written_ != from)
            std::memmove(text_.data() + written_, text_.data() + from, to - from);
        written_ += to - from;
    }

    void emitChar(char c) { text_[written_++] = c; }

    void emitPending()
    {
        // Never overtakes the reading: every character of pending_ was read
        // from the text after what has been written, and a removal puts back
        // one space for at least two characters.
        if (pending_.empty())
            return; // its room may not exist yet, and memcpy takes no null pointer
        std::memcpy(text_.data() + written_, pending_.data(), pending_.size());
        written_ += pending_.size();
    }

    void clearPending()
    {
        pending_.clear();
        hash_ = 0;
        ltAt_.clear();
        ltHash_.clear();
        segments_.clear();
    }

    // The hash of a text `h` is the hash of, with `c` after it.
    std::uint64_t hashStep(std::uint64_t h, char c) const
    {
        h = mulMod(h, base_) + static_cast<unsigned char>(c) + 1;
        return h >= Modulus ? h - Modulus : h;
    }

    void append(const char* chars, std::size_t count)
    {
        const std::size_t at = pending_.size();
        char* out = pending_.extend(count);
        std::uint64_t h = hash_;
        for (std::size_t i = 0; i < count; ++i) {
            const char c = chars[i];
            out[i] = c;
            if (c == '<') {
                ltAt_.push_back(static_cast<std::uint32_t>(at + i));
                ltHash_.push_back(h);
            }
            h = hashStep(h, c);
        }
        hash_ = h;
    }

    // base_^length; a table for the usual lengths, squaring beyond.
    std::uint64_t power(std::size_t length)
    {
        if (length < MaxPowerTable) {
            while (powers_.size() <= length)
                powers_.push_back(mulMod(powers_.back(), base_));
            return powers_[length];
        }
        std::uint64_t result = 1;
        std::uint64_t square = base_;
        for (std::size_t e = length; e > 0; e >>= 1) {
            if (e & 1)
                result = mulMod(result, square);
            square = mulMod(square, square);
        }
        return result;
    }

    // The hash of pending_ from its k-th "<" to its end.
    std::uint64_t hashFrom(std::size_t k)
    {
        const std::uint64_t before = mulMod(ltHash_[k], power(pending_.size() - ltAt_[k]));
        return hash_ >= before ? hash_ - before : hash_ + Modulus - before;
    }

    static std::uint64_t keyOf(std::uint64_t hash, std::size_t length)
    {
        std::uint64_t mixed = hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ull);
        mixed = (mixed ^ (mixed >> 29)) * 0xBF58476D1CE4E5B9ull;
        mixed ^= mixed >> 32;
        return mixed == 0 ? 1 : mixed; // 0 marks a free slot
    }

    // The slot holding the key, or the free slot where it would go.
    const Slot& lookup(std::uint64_t key)
    {
        return slots_.find(key, [key](const Slot& slot) { return slot.hash() == key; });
    }

    Slot& insert(std::uint64_t key)
    {
        auto [slot, added] = slots_.insert(key, [key](const Slot& there) { return there.hash() == key; });
        if (added) {
            slot.keyHigh = static_cast<std::uint32_t>(key >> 32);
            slot.keyLow = static_cast<std::uint32_t>(key);
        }
        return slot;
    }

    // The first iteration at or after `from` whose tag is the text of `slot`
    // (as far as the hash tells); -1 when none.
    std::int32_t firstTimeFrom(const Slot& slot, std::int32_t from) const
    {
        if (slot.first < 0 || slot.first >= from)
            return slot.first;
        if (!repeated_[static_cast<std::size_t>(slot.first)])
            return -1;
        const std::vector<std::int32_t>& later = repeats_.at(slot.first);
        auto at = std::lower_bound(later.begin(), later.end(), from);
        return at == later.end() ? -1 : *at;
    }

    // The suffixes of a tag from its "<" at these depths (1: its last "<")
    // go into the table with the tag itself: the powers of two. A suffix of
    // the pending text at such a depth that is not there ends the search for
    // tags that end the text; in between, only whole tags are looked for, at
    // most as many depths as were checked before. Each filing is a likely
    // cache miss, so a tag of c "<" costs about log2(c) of them.
    static bool guarded(std::size_t depth) { return (depth & (depth - 1)) == 0; }

    // The current group (all of pending_) becomes the tag of the next iteration.
    void recordTag()
    {
        const std::int32_t time = static_cast<std::int32_t>(tags_.size());
        const std::size_t end = pending_.size();
        tags_.push_back({ static_cast<std::uint32_t>(tagChars_.size()), static_cast<std::uint32_t>(end) });
        tagChars_.append(pending_.data(), pending_.size());
        const std::size_t lts = ltAt_.size();
        for (std::size_t depth = 1; depth < lts; ++depth) {
            if (guarded(depth))
                file(insert(keyOf(hashFrom(lts - depth), end - ltAt_[lts - depth])), time);
        }
        repeated_.push_back(0);
        Slot& whole = insert(keyOf(hash_, end)); // pending_ starts with its first "<"
        if (whole.first < 0) {
            whole.first = time;
        } else {
            repeated_[static_cast<std::size_t>(whole.first)] = 1;
            repeats_[whole.first].push_back(time);
        }
    }

    // Notes that the tag of iteration `time` has the text of `slot` as a suffix.
    void file(Slot& slot, std::int32_t time)
    {
        if (slot.filedLast == time)
            return; // two suffixes of one tag that share a slot
        if (slot.filedLast < 0) {
            slot.filedFirst = time;
        } else {
            if (slot.filedMore < 0) {
                slot.filedMore = static_cast<std::int32_t>(filedLists_.size());
                filedLists_.push_back({ slot.filedLast });
            }
            filedLists_[static_cast<std::size_t>(slot.filedMore)].push_back(time);
        }
        slot.filedLast = time;
    }

    // Whether a tag of an iteration in [from, before) has the text of `slot`
    // as a suffix of its own.
    bool filedBetween(const Slot& slot, std::int32_t from, std::int32_t before) const
    {
        if (slot.filedLast < from)
            return false;
        // Asked mostly from the group's own characters (time 0), where the
        // first time answers without reading the list, which for a short
        // suffix holds most iterations.
        if (slot.filedFirst >= from)
            return slot.filedFirst < before;
        const std::vector<std::int32_t>& times = filedLists_[static_cast<std::size_t>(slot.filedMore)];
        return *std::lower_bound(times.begin(), times.end(), from) < before;
    }

    bool tagEquals(std::int32_t time, std::size_t from) const
    {
        const Tag& tag = tags_[static_cast<std::size_t>(time)];
        return tag.length == pending_.size() - from
            && std::memcmp(tagChars_.data() + tag.offset, pending_.data() + from, tag.length) == 0;
    }

    // If some known tag reached the current group, removes it as that
    // iteration did and returns true.
    bool settleByKnownTag()
    {
        if (tags_.empty())
            return false;
        const std::size_t end = pending_.size();
        std::int32_t best = INT32_MAX;
        std::size_t bestFrom = 0;
        std::size_t segment = segments_.size() - 1;
        const std::size_t lts = ltAt_.size();
        for (std::size_t depth = 1; depth <= lts; ++depth) {
            const std::size_t from = ltAt_[lts - depth];
            while (segments_[segment].start > from)
                --segment;
            const std::int32_t joined = segments_[segment].time;
            if (joined >= best)
                break; // further left joined later still
            const Slot& slot = lookup(keyOf(hashFrom(lts - depth), end - from));
            if (slot.free()) {
                if (guarded(depth))
                    break; // no tag ends with this text, nor with any longer one
                continue;
            }
            const std::int32_t time = firstTimeFrom(slot, joined);
            if (time >= 0 && time < best) {
                best = time;
                bestFrom = from;
            }
            // A longer tag that ends the text files this suffix; only one of
            // an iteration from `joined` on and before `best` could still win.
            // Without this the same useless deep suffixes are read again for
            // every group that a short tag takes from a long pending text.
            if (guarded(depth) && !filedBetween(slot, joined, best))
                break;
        }
        if (best == INT32_MAX)
            return false;
        if (!tagEquals(best, bestFrom) && !settleExactly(best, bestFrom))
            return false;
        removeTail(bestFrom, best);
        return true;
    }

    // After a hash collision: the earliest tag that reached the group, by
    // comparing characters only. Slow, and reached only by chance.
    bool settleExactly(std::int32_t& best, std::size_t& bestFrom)
    {
        best = INT32_MAX;
        std::size_t segment = segments_.size() - 1;
        for (std::size_t k = ltAt_.size(); k-- > 0;) {
            const std::size_t from = ltAt_[k];
            while (segments_[segment].start > from)
                --segment;
            for (std::int32_t t = segments_[segment].time; t < best && t < static_cast<std::int32_t>(tags_.size());
                 ++t) {
                if (tagEquals(t, from)) {
                    best = t;
                    bestFrom = from;
                }
            }
        }
        return best != INT32_MAX;
    }

    // The tag of iteration `time` ends the current group at `from`: it goes,
    // and the rest with a space for the ">" joins the next group one
    // iteration later (or at once, when it has no "<" left, becomes final).
    void removeTail(std::size_t from, std::int32_t time)
    {
        while (ltAt_.back() > from) {
            ltAt_.pop_back();
            ltHash_.pop_back();
        }
        hash_ = ltHash_.back(); // the tag begins with the "<" at `from`
        ltAt_.pop_back();
        ltHash_.pop_back();
        pending_.cut(from);
        while (!segments_.empty() && segments_.back().start >= from)
            segments_.pop_back();
        std::uint32_t start = static_cast<std::uint32_t>(from);
        while (!segments_.empty() && segments_.back().time <= time + 1) {
            start = segments_.back().start;
            segments_.pop_back();
        }
        segments_.push_back({ start, time + 1 });
        *pending_.extend(1) = ' ';
        hash_ = hashStep(hash_, ' ');
        if (ltAt_.empty()) {
            emitPending();
            clearPending();
        }
    }
};

} // namespace

Outcome WalkTagPass(std::string& text, Hook& hook, long& iterations)
{
    // With fewer tags than this the walk's table stays in the caches, and
    // the tail filter would cost more than it spares.
    constexpr std::size_t FilterFromGts = std::size_t(1) << 16;
    return WalkTagPass(text, hook, iterations, drawnBase(), FilterFromGts);
}

Outcome WalkTagPass(std::string& text, Hook& hook, long& iterations, std::uint64_t base, std::size_t filterFromGts)
{
    if (base == 0 || base >= Modulus)
        throw std::invalid_argument("hash base out of range");
    Walk walk(text, hook, iterations, base, filterFromGts);
    return walk.run();
}

} // namespace tamsenor::text
