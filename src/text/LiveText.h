#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamsenor::text {

// A text whose characters are deleted by marking them dead instead of moving
// the rest of the text, so that many deletions over a long text cost no more
// than a few walks over it. Live neighbours are found through two union-find
// links (path compression), nearly constant time each. Positions are
// those of the text the object was made from.
class LiveText {
public:
    explicit LiveText(std::string text)
        : chars_(std::move(text))
        , size_(static_cast<std::int64_t>(chars_.size()))
    {
        if (chars_.size() >= static_cast<std::size_t>(INT32_MAX))
            throw std::length_error("text too long for the extraction pass");
    }

    std::int64_t size() const { return size_; }
    char at(std::int64_t i) const { return chars_[i]; }
    bool live(std::int64_t i) const { return !forward_ || forward_[i] == i; }
    const std::string& raw() const { return chars_; }

    // The first live position at or after i; size() when none.
    std::int64_t next(std::int64_t i)
    {
        if (i >= size_)
            return size_;
        if (!forward_)
            return i;
        std::int64_t root = i;
        while (forward_[root] != root)
            root = forward_[root];
        while (forward_[i] != root) {
            std::int64_t up = forward_[i];
            forward_[i] = static_cast<std::int32_t>(root);
            i = up;
        }
        return root;
    }

    // The last live position at or before i; -1 when none.
    std::int64_t prev(std::int64_t i)
    {
        if (i < 0)
            return -1;
        if (!backward_)
            return i;
        // backward_ is shifted by one so that -1 has a slot (0).
        std::int64_t slot = i + 1;
        std::int64_t root = slot;
        while (backward_[root] != root)
            root = backward_[root];
        while (backward_[slot] != root) {
            std::int64_t up = backward_[slot];
            backward_[slot] = static_cast<std::int32_t>(root);
            slot = up;
        }
        return root - 1;
    }

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
        if (!forward_ && count > 0 && i < size_)
            buildLinks();
        const std::int64_t before = prev(i - 1);
        for (std::size_t c = 0; c < count && i < size_; ++c) {
            std::int64_t after = next(i + 1);
            forward_[i] = static_cast<std::int32_t>(i + 1);
            backward_[i + 1] = static_cast<std::int32_t>(i);
            i = after;
        }
        return before;
    }

    // The live text; the object holds nothing useful afterwards.
    std::string take()
    {
        if (!forward_)
            return std::move(chars_);
        // Live characters come in runs; dead runs are crossed in one step each.
        char* base = chars_.data();
        std::int64_t w = 0;
        for (std::int64_t i = next(0); i < size_;) {
            std::int64_t j = i;
            while (j < size_ && forward_[j] == j)
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
    // Built at the first deletion; until then every position is live.
    // Not zeroed before they are filled: over a long text that first write
    // costs as much as the filling.
    std::unique_ptr<std::int32_t[]> forward_; // union-find towards the next live position
    std::unique_ptr<std::int32_t[]> backward_; // union-find towards the previous live position, shifted by one

    void buildLinks()
    {
        forward_.reset(new std::int32_t[chars_.size() + 1]);
        backward_.reset(new std::int32_t[chars_.size() + 1]);
        for (std::int64_t i = 0; i <= size_; ++i) {
            forward_[i] = static_cast<std::int32_t>(i);
            backward_[i] = static_cast<std::int32_t>(i);
        }
    }
};

} // namespace tamsenor::text
