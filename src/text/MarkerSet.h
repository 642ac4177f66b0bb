#pragma once

#include "text/SkipLinks.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <vector>

namespace tamsenor::text {

// The live end markers of a block pass, by the position of their last
// character, each with a value. Almost all are known from the start and
// only die; a few form later across deletions. The first kind sit in one
// sorted array (with skip links over the dead), which a lookup reads in a few
// cache lines; the second in a small tree. Every append comes before the
// first lookup.
template <class Value> class MarkerSet {
public:
    // Adds a marker known from the start; positions must rise.
    void append(std::int32_t position, const Value& value)
    {
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
        links_.remove(k);
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
        const std::size_t alive
            = static_cast<std::size_t>(links_.next(static_cast<std::int64_t>(lowerIndex(position + 1))));
        std::int32_t best = alive < positions_.size() ? positions_[alive] : -1;
        auto it = formed_.upper_bound(position);
        if (it != formed_.end() && (best < 0 || it->first < best))
            best = it->first;
        return best;
    }

    // The last live marker before `position`; -1 when none.
    std::int32_t lastBefore(std::int32_t position)
    {
        const std::int64_t alive = links_.previous(static_cast<std::int64_t>(lowerIndex(position)) - 1);
        std::int32_t best = alive >= 0 ? positions_[static_cast<std::size_t>(alive)] : -1;
        auto it = formed_.lower_bound(position);
        if (it != formed_.begin())
            best = std::max(best, std::prev(it)->first);
        return best;
    }

private:
    std::vector<std::int32_t> positions_;
    std::vector<Value> values_;
    SkipLinks links_ { 0 }; // over the indices of positions_, sized at the first lookup
    std::map<std::int32_t, Value> formed_;
    static constexpr unsigned BucketBits = 6;
    std::vector<std::int32_t> bucketStart_; // made at the first lookup

    // The index of the live marker known from the start at `position`; -1 when none.
    std::int64_t liveIndex(std::int32_t position)
    {
        const std::size_t k = lowerIndex(position);
        if (k == positions_.size() || positions_[k] != position)
            return -1;
        return links_.kept(static_cast<std::int64_t>(k)) ? static_cast<std::int64_t>(k) : -1;
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
            // The first lookup: every append is done.
            links_ = SkipLinks(static_cast<std::int64_t>(positions_.size()));
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
};

} // namespace tamsenor::text
