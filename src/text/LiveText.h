#pragma once

#include "text/SkipLinks.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamsenor::text {

// A text whose characters are deleted by marking them dead instead of moving
// the rest of the text, so that many deletions over a long text cost no more
// than a few walks over it. Positions are those of the text the object was
// made from.
class LiveText {
public:
    explicit LiveText(std::string text)
        : chars_(std::move(text))
        , size_(static_cast<std::int64_t>(chars_.size()))
        , links_(size_)
    {
        if (chars_.size() > static_cast<std::size_t>(INT32_MAX))
            throw std::length_error("text too long for the extraction pass");
    }

    std::int64_t size() const { return size_; }
    char at(std::int64_t i) const { return chars_[i]; }
    bool live(std::int64_t i) const { return links_.kept(i); }
    const std::string& raw() const { return chars_; }

    // The first live position at or after i; size() when none.
    std::int64_t next(std::int64_t i) { return links_.next(i); }

    // The last live position at or before i; -1 when none.
    std::int64_t prev(std::int64_t i) { return links_.previous(i); }

    // Whether the live text starting at the live position i begins with `marker`.
    bool matchesAt(std::int64_t i, std::string_view marker)
    {
        for (char c : marker) {
            if (i >= size_ || chars_[i] != c)
                return false;
            i = next(i + 1);
        }
        return true;
    }

    // Deletes `count` live characters from the live position i; returns the
    // last live position before them (-1 when none).
    std::int64_t erase(std::int64_t i, std::size_t count)
    {
        const std::int64_t before = prev(i - 1);
        for (std::size_t c = 0; c < count && i < size_; ++c) {
            std::int64_t after = next(i + 1);
            links_.remove(i);
            i = after;
        }
        return before;
    }

    // The live text; the object holds nothing useful afterwards.
    std::string take()
    {
        if (!links_.anyRemoved())
            return std::move(chars_);
        // Live characters come in runs; dead runs are crossed in one step each.
        char* base = chars_.data();
        std::int64_t w = 0;
        for (std::int64_t i = next(0); i < size_;) {
            std::int64_t j = i;
            while (j < size_ && links_.kept(j))
                ++j;
            if (w != i)
                std::memmove(base + w, base + i, static_cast<std::size_t>(j - i));
            w += j - i;
            i = next(j);
        }
        chars_.resize(static_cast<std::size_t>(w));
        return std::move(chars_);
    }

private:
    std::string chars_;
    std::int64_t size_;
    SkipLinks links_;
};

} // namespace tamsenor::text
