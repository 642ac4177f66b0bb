#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <vector>

namespace tamsenor::text {

// The live end markers of a block pass, by the position of their last
// character, each with a value. Almost all are known from the start and
// only die; a few form later across deletions. The first kind sit in one
// sorted array (with union-find links over the dead), which a lookup reads
// in a few cache lines; the second in a small tree.
template <class Value> class MarkerSet {
public:
    // Adds a marker known from the start; positions must rise.
    void append(std::int32_t position, const Value& value)
    {
        bucketStart_.clear(); // appends come before any lookup; this only keeps a late one safe
        positions_.push_back(position);
        values_.push_back(value);
    }

    // The markers known from the start, in order (before any erase).
    std::size_t initialCount() const { return positions_.size(); }
    std::int32_t initialPosition(std::size_t k) const { return positions_[k]; }
    Value& initialValue(std::size_t k) { return values_[k]; }

    // Adds a marker formed later; nothing happens when one lives there already.
    void insert(std::int32_t position, const Value& value)
    {
        if (liveIndex(position) < 0)
            formed_.emplace(position, value);
    }

    void erase(std::int32_t position)
    {
        const std::int64_t k = liveIndex(position);
        if (k < 0) {
            formed_.erase(position);
            return;
        }
        links();
        next_[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(k + 1);
        previous_[static_cast<std::size_t>(k) + 1] = static_cast<std::int32_t>(k);
    }

    // The value of the live marker at `position`; nullptr when none.
    Value* find(std::int32_t position)
    {
        const std::int64_t k = liveIndex(position);
        if (k >= 0)
            return &values_[static_cast<std::size_t>(k)];
        auto it = formed_.find(position);
        return it == formed_.end() ? nullptr : &it->second;
    }

    // The first live marker after `position`; -1 when none.
    std::int32_t firstAfter(std::int32_t position)
    {
        const std::size_t alive = nextAlive(lowerIndex(position + 1));
        std::int32_t best = alive < positions_.size() ? positions_[alive] : -1;
        auto it = formed_.upper_bound(position);
        if (it != formed_.end() && (best < 0 || it->first < best))
            best = it->first;
        return best;
    }

    // The last live marker before `position`; -1 when none.
    std::int32_t lastBefore(std::int32_t position)
    {
        const std::int64_t alive = previousAlive(static_cast<std::int64_t>(lowerIndex(position)) - 1);
        std::int32_t best = alive >= 0 ? positions_[static_cast<std::size_t>(alive)] : -1;
        auto it = formed_.lower_bound(position);
        if (it != formed_.begin())
            best = std::max(best, std::prev(it)->first);
        return best;
    }

private:
    std::vector<std::int32_t> positions_;
    std::vector<Value> values_;
    // Union-find towards the next live index (at or after) and the previous
    // one (at or before, shifted by one so that -1 has a slot); made at the
    // first erase.
    std::vector<std::int32_t> next_;
    std::vector<std::int32_t> previous_;
    std::map<std::int32_t, Value> formed_;
    static constexpr unsigned BucketBits = 6;
    std::vector<std::int32_t> bucketStart_; // made at the first lookup, when every append is done

    void links()
    {
        if (!next_.empty())
            return;
        next_.resize(positions_.size() + 1);
        previous_.resize(positions_.size() + 1);
        for (std::size_t k = 0; k <= positions_.size(); ++k) {
            next_[k] = static_cast<std::int32_t>(k);
            previous_[k] = static_cast<std::int32_t>(k);
        }
    }

    bool alive(std::size_t k) const { return next_.empty() || next_[k] == static_cast<std::int32_t>(k); }

    // The index of the live marker known from the start at `position`; -1 when none.
    std::int64_t liveIndex(std::int32_t position)
    {
        const std::size_t k = lowerIndex(position);
        if (k == positions_.size() || positions_[k] != position)
            return -1;
        return alive(k) ? static_cast<std::int64_t>(k) : -1;
    }

    // The index of the first marker known from the start at or after
    // `position`. A binary search per lookup cost more than the rest of a
    // block iteration, so the index of the first marker of every 64
    // positions is kept and the rest read on from there.
    std::size_t lowerIndex(std::int32_t position)
    {
        if (positions_.empty())
            return 0;
        if (bucketStart_.empty()) {
            const std::size_t buckets = (static_cast<std::size_t>(positions_.back()) >> BucketBits) + 1;
            bucketStart_.resize(buckets);
            std::size_t k = 0;
            for (std::size_t b = 0; b < buckets; ++b) {
                while (static_cast<std::size_t>(positions_[k]) < (b << BucketBits))
                    ++k;
                bucketStart_[b] = static_cast<std::int32_t>(k);
            }
        }
        if (position < 0)
            return 0;
        const std::size_t b = static_cast<std::size_t>(position) >> BucketBits;
        if (b >= bucketStart_.size())
            return positions_.size();
        std::size_t k = static_cast<std::size_t>(bucketStart_[b]);
        while (k < positions_.size() && positions_[k] < position)
            ++k;
        return k;
    }

    std::size_t nextAlive(std::size_t k)
    {
        if (next_.empty())
            return k;
        std::size_t root = k;
        while (next_[root] != static_cast<std::int32_t>(root))
            root = static_cast<std::size_t>(next_[root]);
        while (next_[k] != static_cast<std::int32_t>(root)) {
            const std::size_t up = static_cast<std::size_t>(next_[k]);
            next_[k] = static_cast<std::int32_t>(root);
            k = up;
        }
        return root;
    }

    std::int64_t previousAlive(std::int64_t k)
    {
        if (k < 0)
            return -1;
        if (previous_.empty())
            return k;
        std::size_t slot = static_cast<std::size_t>(k + 1);
        std::size_t root = slot;
        while (previous_[root] != static_cast<std::int32_t>(root))
            root = static_cast<std::size_t>(previous_[root]);
        while (previous_[slot] != static_cast<std::int32_t>(root)) {
            const std::size_t up = static_cast<std::size_t>(previous_[slot]);
            previous_[slot] = static_cast<std::int32_t>(root);
            slot = up;
        }
        return static_cast<std::int64_t>(root) - 1;
    }
};

} // namespace tamsenor::text
