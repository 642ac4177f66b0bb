#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tamsenor::text {

// Room for a large table in whole huge pages where the system offers them:
// every probe of a table of many megabytes lands on a page of its own, and
// with small pages nearly each one would also miss the address cache.
template <class T> struct HugePageAllocator {
    using value_type = T;
    static constexpr std::size_t HugePage = std::size_t(2) << 20;

    HugePageAllocator() = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U>&) { }

    T* allocate(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < HugePage)
            return static_cast<T*>(::operator new(bytes));
        const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
        void* room = std::aligned_alloc(HugePage, rounded);
        if (!room)
            throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        ::madvise(room, rounded, MADV_HUGEPAGE); // a refusal only costs speed
#endif
        return static_cast<T*>(room);
    }

    void deallocate(T* room, std::size_t count)
    {
        if (count * sizeof(T) < HugePage)
            ::operator delete(room);
        else
            std::free(room);
    }

    template <class U> bool operator==(const HugePageAllocator<U>&) const
    {
        return true;
    }
};

// Where a hash's probe starts: its low bits, for hashes mixed well enough.
struct LowBitsHome {
    std::size_t operator()(std::uint64_t hash, unsigned) const { return static_cast<std::size_t>(hash); }
};

// Where a hash's probe starts: its high bits, for hashes whose low bits are weak.
struct HighBitsHome {
    std::size_t operator()(std::uint64_t hash, unsigned bits) const
    {
        return static_cast<std::size_t>(hash >> (64 - bits));
    }
};

// The lookup tables of the text passes: open addressing with linear probing
// over a power-of-two array of plain slots, so that a lookup costs one hash
// and mostly one cache line, and a key no allocation. The caller hashes and
// says what matches; a default-made Slot is free, and `slot.free()` tells.
// A table that grows (insert) also needs `slot.hash()`, the hash it was
// filed under.
template <class Slot, class Home = LowBitsHome> class FlatTable {
public:
    // At least `minimum` slots (a power of two).
    explicit FlatTable(std::size_t minimum = 1) { reset(minimum); }

    // Empties the table, to at least `minimum` slots.
    void reset(std::size_t minimum)
    {
        bits_ = 0;
        while ((std::size_t(1) << bits_) < minimum)
            ++bits_;
        slots_.assign(std::size_t(1) << bits_, Slot {});
        used_ = 0;
    }

    // The slot that `matches(slot)`, or the free slot where the key would go.
    // `matches` is asked only of slots in use.
    template <class Matches> Slot& find(std::uint64_t hash, Matches&& matches)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Home()(hash, bits_) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.free() || matches(static_cast<const Slot&>(slot)))
                return slot;
        }
    }

    // find, and for a key not yet there, the free slot it is to fill (the
    // caller fills it): the table doubles before it would pass three quarters
    // full. The flag says whether the key is new.
    template <class Matches> std::pair<Slot&, bool> insert(std::uint64_t hash, Matches&& matches)
    {
        Slot* slot = &find(hash, matches);
        if (!slot->free())
            return { *slot, false };
        if (4 * (used_ + 1) > 3 * slots_.size()) {
            std::vector<Slot, HugePageAllocator<Slot>> old(slots_.size() * 2);
            old.swap(slots_);
            ++bits_;
            for (const Slot& filed : old) {
                if (!filed.free())
                    find(filed.hash(), [](const Slot&) { return false; }) = filed;
            }
            slot = &find(hash, matches);
        }
        ++used_;
        return { *slot, true };
    }

private:
    std::vector<Slot, HugePageAllocator<Slot>> slots_;
    unsigned bits_ = 0;
    std::size_t used_ = 0;
};

} // namespace tamsenor::text
