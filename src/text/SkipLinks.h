#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace tamsenor::text {

// Which of the indices 0..count-1 are still kept, with the nearest kept index
// on either side of any index. One bit per index, and above it a bit per 64
// bits telling whether any of them is set, level on level up to a single
// word: a search climbs to the first level that has a kept index on its side
// and comes down again, a few words at each of about five levels, however
// long the removed runs. An eighth of a byte per index (the memory of a page's
// pass stays close to the page's own size). Made lazily: until the first
// removal every index is kept and nothing is allocated.
class SkipLinks {
public:
    explicit SkipLinks(std::int64_t count)
        : count_(count)
    {
    }

    bool kept(std::int64_t i) const { return levels_.empty() || bit(0, static_cast<std::uint64_t>(i)); }
    bool anyRemoved() const { return !levels_.empty(); }

    // Removes the kept index i.
    void remove(std::int64_t i)
    {
        if (levels_.empty())
            build();
        auto at = static_cast<std::uint64_t>(i);
        for (std::vector<std::uint64_t>& level : levels_) {
            std::uint64_t& word = level[at >> 6];
            word &= ~(std::uint64_t(1) << (at & 63));
            if (word != 0)
                return;
            at >>= 6;
        }
    }

    // The first kept index at or after i (0 <= i); count when none.
    std::int64_t next(std::int64_t i) const
    {
        if (i >= count_)
            return count_;
        if (levels_.empty())
            return i;
        auto at = static_cast<std::uint64_t>(i);
        std::size_t level = 0;
        // Climb until the rest of a word on this level holds a set bit.
        for (;;) {
            const std::vector<std::uint64_t>& words = levels_[level];
            const std::uint64_t word = words[at >> 6] & (~std::uint64_t(0) << (at & 63));
            if (word != 0) {
                at = (at & ~std::uint64_t(63)) | static_cast<std::uint64_t>(std::countr_zero(word));
                break;
            }
            if (level + 1 == levels_.size())
                return count_;
            at = (at >> 6) + 1;
            ++level;
            if ((at >> 6) >= levels_[level].size())
                return count_;
        }
        // Come down along the first set bits.
        while (level > 0) {
            --level;
            at = (at << 6) | static_cast<std::uint64_t>(std::countr_zero(levels_[level][at]));
        }
        return static_cast<std::int64_t>(at);
    }

    // The last kept index at or before i; -1 when none.
    std::int64_t previous(std::int64_t i) const
    {
        if (i < 0)
            return -1;
        if (levels_.empty())
            return i;
        auto at = static_cast<std::uint64_t>(i);
        std::size_t level = 0;
        for (;;) {
            const std::uint64_t keep = (at & 63) == 63 ? ~std::uint64_t(0) : (std::uint64_t(2) << (at & 63)) - 1;
            const std::uint64_t word = levels_[level][at >> 6] & keep;
            if (word != 0) {
                at = (at & ~std::uint64_t(63)) | static_cast<std::uint64_t>(63 - std::countl_zero(word));
                break;
            }
            if (level + 1 == levels_.size() || (at >> 6) == 0)
                return -1;
            at = (at >> 6) - 1;
            ++level;
        }
        while (level > 0) {
            --level;
            at = (at << 6) | static_cast<std::uint64_t>(63 - std::countl_zero(levels_[level][at]));
        }
        return static_cast<std::int64_t>(at);
    }

private:
    std::int64_t count_;
    // levels_[0]: a bit per index; levels_[k + 1]: a bit per word of levels_[k].
    std::vector<std::vector<std::uint64_t>> levels_;

    bool bit(std::size_t level, std::uint64_t at) const { return (levels_[level][at >> 6] >> (at & 63)) & 1; }

    void build()
    {
        std::uint64_t bits = static_cast<std::uint64_t>(count_);
        do {
            const std::uint64_t words = (bits + 63) / 64;
            std::vector<std::uint64_t> level(words, ~std::uint64_t(0));
            if (bits % 64 != 0)
                level.back() = (std::uint64_t(1) << (bits % 64)) - 1;
            if (bits == 0)
                level.assign(1, 0);
            levels_.push_back(std::move(level));
            bits = words;
        } while (bits > 1);
    }
};

} // namespace tamsenor::text
