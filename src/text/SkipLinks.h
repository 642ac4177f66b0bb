#pragma once

#include <cstdint>
#include <memory>

namespace tamsenor::text {

// Which of the indices 0..count-1 are still kept, with the nearest kept index
// on either side of any index found through two union-find links (path
// compression), nearly constant time each. Made lazily: until the first
// removal every index is kept and nothing is allocated.
class SkipLinks {
public:
    explicit SkipLinks(std::int64_t count)
        : count_(count)
    {
    }

    bool kept(std::int64_t i) const { return !forward_ || forward_[i] == i; }
    bool anyRemoved() const { return forward_ != nullptr; }

    // Removes the kept index i.
    void remove(std::int64_t i)
    {
        if (!forward_)
            build();
        forward_[i] = static_cast<std::int32_t>(i + 1);
        backward_[i + 1] = static_cast<std::int32_t>(i);
    }

    // The first kept index at or after i (0 <= i); count when none.
    std::int64_t next(std::int64_t i)
    {
        if (i >= count_)
            return count_;
        if (!forward_)
            return i;
        return root(forward_.get(), i);
    }

    // The last kept index at or before i; -1 when none.
    std::int64_t previous(std::int64_t i)
    {
        if (i < 0)
            return -1;
        if (!backward_)
            return i;
        // backward_ is shifted by one so that -1 has a slot (0).
        return root(backward_.get(), i + 1) - 1;
    }

private:
    std::int64_t count_;
    // Not zeroed before they are filled: over a long range that first write
    // costs as much as the filling.
    std::unique_ptr<std::int32_t[]> forward_;
    std::unique_ptr<std::int32_t[]> backward_;

    void build()
    {
        forward_.reset(new std::int32_t[static_cast<std::size_t>(count_) + 1]);
        backward_.reset(new std::int32_t[static_cast<std::size_t>(count_) + 1]);
        for (std::int64_t i = 0; i <= count_; ++i) {
            forward_[i] = static_cast<std::int32_t>(i);
            backward_[i] = static_cast<std::int32_t>(i);
        }
    }

    static std::int64_t root(std::int32_t* links, std::int64_t i)
    {
        std::int64_t top = i;
        while (links[top] != top)
            top = links[top];
        while (links[i] != top) {
            const std::int64_t up = links[i];
            links[i] = static_cast<std::int32_t>(top);
            i = up;
        }
        return top;
    }
};

} // namespace tamsenor::text
