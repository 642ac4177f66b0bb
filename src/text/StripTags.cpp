#include "text/StripTags.h"

#include "text/TextBasics.h"

#include "text/FlatTable.h"
#include "text/LiveText.h"
#include "text/MarkerSet.h"
#include "text/Scan.h"
#include "text/SkipLinks.h"
#include "text/TagWalk.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace tamsenor::text {

namespace {

constexpr std::size_t npos = std::string::npos;

// Blocks a script or comment pass deletes by direct search before it builds
// its index; short texts go to the index at once.
constexpr int DirectRounds = 8;
constexpr std::size_t DirectMinimumSize = 512;

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether `text` holds `marker` at `at`, ASCII letters compared case-insensitively.
bool matchesNoCase(std::string_view text, std::size_t at, std::string_view marker)
{
    if (at + marker.size() > text.size())
        return false;
    for (std::size_t i = 0; i < marker.size(); ++i) {
        if (LowerAscii(text[at + i]) != LowerAscii(marker[i]))
            return false;
    }
    return true;
}

// The first case-insensitive occurrence of `marker` starting at or after `from`.
// Scans with memchr for the marker's first non-letter, which every marker here has.
std::size_t findNoCase(std::string_view text, std::string_view marker, std::size_t from)
{
    std::size_t anchor = 0;
    while (anchor + 1 < marker.size() && isLetter(marker[anchor]))
        ++anchor;
    const char* base = text.data();
    const std::size_t size = text.size();
    std::size_t pos = from + anchor;
    while (pos < size) {
        const void* hit = std::memchr(base + pos, marker[anchor], size - pos);
        if (!hit)
            return npos;
        std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        if (at >= anchor + from && matchesNoCase(text, at - anchor, marker))
            return at - anchor;
        pos = at + 1;
    }
    return npos;
}

// The first case-insensitive occurrence of `marker` (of two characters at
// least), by a scan for its first two: a text full of its first character
// alone would stop a search for that at nearly every byte.
std::size_t findByPair(std::string_view text, std::string_view marker)
{
    if (marker.size() < 2)
        return findNoCase(text, marker, 0);
    const char a = LowerAscii(marker[0]);
    const char b = LowerAscii(marker[1]);
    const char* base = text.data();
    const std::size_t size = text.size();
    for (std::size_t i = scan::FindPair(base, 0, size, a, b); i < size; i = scan::FindPair(base, i + 1, size, a, b)) {
        if (matchesNoCase(text, i, marker))
            return i;
    }
    return npos;
}

// The length of the line-break tag ("<P>", "</P>", "<BR>", "<TR>", "</TR>",
// any case) at the "<" at i; 0 when none stands there.
std::size_t lineBreakLength(const char* in, std::size_t i, std::size_t size)
{
    auto at = [&](std::size_t k) { return i + k < size ? LowerAscii(in[i + k]) : '\0'; };
    switch (at(1)) {
    case 'p':
        return at(2) == '>' ? 3 : 0;
    case 'b':
    case 't':
        return at(2) == 'r' && at(3) == '>' ? 4 : 0;
    case '/':
        if (at(2) == 'p' && at(3) == '>')
            return 4;
        return at(2) == 't' && at(3) == 'r' && at(4) == '>' ? 5 : 0;
    default:
        return 0;
    }
}

// Steps one and two: the leading space, then (strip checked) the five
// line-break tags to CR LF and every DEL deleted. The five tag texts cannot
// overlap one another and CR LF cannot form one, so one scan does the five
// replacements; they are matched before the DELs go, as the steps order it.
std::string leadingSpaceAndLineBreaks(std::string& text, bool strip)
{
    if (!strip) {
        // A fresh string of the exact size: inserting in place could double the capacity.
        std::string out;
        out.reserve(text.size() + 1);
        out += ' ';
        out += text;
        return out;
    }
    // Writes may run sixteen bytes past the end of the kept text.
    std::string out(text.size() + 1 + 16, ' ');
    char* w = out.data() + 1;
    const char* in = text.data();
    const std::size_t size = text.size();
    // Deals with the "<" or DEL at i; returns how many characters it consumed.
    auto special = [&](std::size_t i) -> std::size_t {
        if (in[i] == '\x7f')
            return 1;
        const std::size_t length = lineBreakLength(in, i, size);
        if (length == 0) {
            *w++ = '<';
            return 1;
        }
        *w++ = '\r';
        *w++ = '\n';
        return length;
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i del = _mm_set1_epi8('\x7f');
    while (i + 16 <= size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
        const unsigned mask
            = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, del))));
        if (mask == 0) {
            w += 16;
            i += 16;
            continue;
        }
        const std::size_t k = static_cast<std::size_t>(__builtin_ctz(mask));
        w += k;
        i += k;
        i += special(i);
    }
#endif
    while (i < size) {
        if (in[i] == '<' || in[i] == '\x7f') {
            i += special(i);
        } else {
            *w++ = in[i++];
        }
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    return out;
}

// A script or comment pass. The text is cut after every end marker into
// groups; the block of an iteration is the first group's text from its first
// start marker on, and since a block holds its end marker only at its end, its
// copies are exactly the places where the live text ending with an end marker
// equals the block. Each end marker is filed under a hash of its group's text
// from the group's last start marker (its key), which changes only where a
// deletion joins text in front of it: those places are looked at again after
// every iteration, including the markers a join forms across its gap.
class BlockPass {
public:
    BlockPass(std::string& text, std::string_view startMarker, std::string_view endMarker)
        : out_(text)
        , text_(std::move(text))
        , start_(startMarker)
        , end_(endMarker)
    {
        for (std::int64_t y = findMarker(end_, 0); y >= 0;) {
            std::int64_t last = matchEnd(y, end_);
            ends_.append(static_cast<std::int32_t>(last), Group { -1, static_cast<std::int32_t>(last + 1) });
            y = findMarker(end_, last + 1);
        }
        // Nothing is deleted yet, so the first keys are read from the plain text
        // (both start markers begin with "<", which memrchr can look for).
        heads_.reset(headCapacity(ends_.initialCount()));
        const std::string& raw = text_.raw();
        std::int64_t previousEnd = -1;
        for (std::size_t k = 0; k < ends_.initialCount(); ++k) {
            const std::int32_t end = ends_.initialPosition(k);
            Group& group = ends_.initialValue(k);
            for (std::int64_t y = end; y > previousEnd; --y) {
                const void* hit
                    = memrchr(raw.data() + previousEnd + 1, start_[0], static_cast<std::size_t>(y - previousEnd));
                if (!hit)
                    break;
                y = static_cast<const char*>(hit) - raw.data();
                if (matchesNoCase(raw, static_cast<std::size_t>(y), start_)) {
                    group.keyStart = static_cast<std::int32_t>(y);
                    file(hashOf(std::string_view(raw).substr(y, end - y + 1)), end);
                    break;
                }
            }
            if (group.keyStart < 0)
                group.cleanFrom = static_cast<std::int32_t>(previousEnd + 1);
            previousEnd = end;
        }
    }

    // `yielded`: the first iteration's yield and cancel test were done by the caller.
    Outcome run(Hook& hook, bool yielded)
    {
        const std::size_t back = std::max(start_.size(), end_.size()) - 1;
        std::int64_t from = 0;
        std::string block;
        std::vector<std::pair<std::int64_t, std::int64_t>> copies; // (first, last) positions
        std::vector<std::int64_t> joins;
        for (;; yielded = false) {
            if (!yielded) {
                hook.yield();
                if (hook.cancelRequested())
                    return finish(Outcome::Cancelled);
            }

            const std::int64_t s = findMarker(start_, from);
            if (s < 0)
                return finish(Outcome::Finished);
            const std::int64_t e = findMarker(end_, from);
            // An end marker before the start marker (the literal E - S < -length,
            // or an empty block) ends the pass; one overlapping the start cannot occur.
            if (e < 0 || e < s)
                return finish(Outcome::Finished);
            const std::int64_t last = matchEnd(e, end_);

            block.clear();
            for (std::int64_t i = s; i <= last; i = text_.next(i + 1))
                block += text_.at(i);
            std::uint64_t key = hashOf(block.substr(lastStartIn(block)));

            copies.clear();
            copies.emplace_back(s, last);
            for (std::int32_t node = head(key).node; node >= 0; node = nodes_[node].second) {
                const std::int32_t end = nodes_[node].first;
                if (end == last || !text_.live(end))
                    continue;
                std::int64_t first = endsWith(end, block);
                if (first >= 0)
                    copies.emplace_back(first, end);
            }
            std::sort(copies.begin(), copies.end());
            copies.erase(std::unique(copies.begin(), copies.end()), copies.end());

            joins.clear();
            for (const auto& [first, end] : copies) {
                ends_.erase(static_cast<std::int32_t>(end));
                joins.push_back(text_.erase(first, block.size()));
            }
            std::sort(joins.begin(), joins.end());
            joins.erase(std::unique(joins.begin(), joins.end()), joins.end());

            // End markers formed across a gap cut their group in two.
            std::vector<std::int64_t> formed;
            for (std::int64_t join : joins) {
                std::int64_t y = join;
                for (std::size_t step = 1; step < end_.size() && y >= 0; ++step) {
                    std::int64_t formedLast = matchEnd(y, end_);
                    if (formedLast > join) {
                        ends_.insert(static_cast<std::int32_t>(formedLast),
                            Group { -1, static_cast<std::int32_t>(formedLast + 1) });
                        formed.push_back(formedLast);
                        break;
                    }
                    y = text_.prev(y - 1);
                }
            }
            for (std::int64_t join : joins)
                rekeyAfter(join);
            for (std::int64_t formedLast : formed) {
                rekey(static_cast<std::int32_t>(formedLast));
                rekeyAfter(formedLast);
            }

            from = text_.prev(s - 1);
            for (std::size_t step = 1; step < back && from > 0; ++step)
                from = text_.prev(from - 1);
            if (from < 0)
                from = 0;
        }
    }

private:
    struct Group {
        std::int32_t keyStart; // position of the group's last start marker; -1 when it has none
        std::int32_t cleanFrom; // no start marker starts at a live position from here through the end
    };

    std::string& out_;
    LiveText text_;
    std::string_view start_;
    std::string_view end_;
    MarkerSet<Group> ends_; // last position of every live end marker
    // Key hash to the first of its end markers, listed through nodes_ (end,
    // next node): open addressing, at most three quarters full, twelve bytes a
    // slot (one lookup per block, each a likely cache miss). Keys that share a
    // hash share a list; every copy found through it is still compared.
    struct Head {
        std::uint32_t keyHigh = 0;
        std::uint32_t keyLow = 0; // both 0: free
        std::int32_t node = -1;
        std::uint64_t hash() const { return (static_cast<std::uint64_t>(keyHigh) << 32) | keyLow; }
        bool free() const { return hash() == 0; }
    };
    // The keys are mixed once more: their low bits alone cluster.
    struct MixedHome {
        std::size_t operator()(std::uint64_t key, unsigned) const
        {
            return static_cast<std::size_t>((key ^ (key >> 29)) * 0xBF58476D1CE4E5B9ull >> 20);
        }
    };
    FlatTable<Head, MixedHome> heads_;
    std::vector<std::pair<std::int32_t, std::int32_t>> nodes_;

    static std::uint64_t usableKey(std::uint64_t key) { return key == 0 ? 1 : key; }

    static std::size_t headCapacity(std::size_t keys)
    {
        std::size_t capacity = 16;
        while (3 * capacity < 4 * keys)
            capacity *= 2;
        return capacity;
    }

    // The head of `key`'s list; a free one (no list) when the key was never filed.
    const Head& head(std::uint64_t key)
    {
        key = usableKey(key);
        return heads_.find(key, [key](const Head& head) { return head.hash() == key; });
    }

    void file(std::uint64_t key, std::int32_t end)
    {
        key = usableKey(key);
        auto [head, added] = heads_.insert(key, [key](const Head& there) { return there.hash() == key; });
        if (added) {
            head.keyHigh = static_cast<std::uint32_t>(key >> 32);
            head.keyLow = static_cast<std::uint32_t>(key);
        }
        nodes_.emplace_back(end, head.node);
        head.node = static_cast<std::int32_t>(nodes_.size() - 1);
    }

    static std::uint64_t hashOf(std::string_view key)
    {
        std::uint64_t h = 1469598103934665603ull ^ key.size();
        for (char c : key)
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return h;
    }

    // Where the last start marker of `block` begins (it begins with one).
    std::size_t lastStartIn(const std::string& block) const
    {
        for (std::size_t i = block.size(); i-- > 0;) {
            if (matchesNoCase(block, i, start_))
                return i;
        }
        return 0;
    }

    // The last position of `marker` read case-insensitively from the live
    // position y on; -1 when it is not there.
    std::int64_t matchEnd(std::int64_t y, std::string_view marker)
    {
        std::int64_t lastMatched = -1;
        for (char c : marker) {
            if (y < 0 || y >= text_.size() || LowerAscii(text_.at(y)) != LowerAscii(c))
                return -1;
            lastMatched = y;
            y = text_.next(y + 1);
        }
        return lastMatched;
    }

    // The first live position at or after `from` where `marker` begins; -1 when none.
    std::int64_t findMarker(std::string_view marker, std::int64_t from)
    {
        std::size_t anchor = 0;
        while (anchor + 1 < marker.size() && isLetter(marker[anchor]))
            ++anchor;
        const std::string& raw = text_.raw();
        const std::int64_t size = text_.size();
        for (std::int64_t pos = from; pos < size;) {
            const void* hit = std::memchr(raw.data() + pos, marker[anchor], static_cast<std::size_t>(size - pos));
            if (!hit)
                return -1;
            std::int64_t at = static_cast<const char*>(hit) - raw.data();
            pos = at + 1;
            if (!text_.live(at)) {
                pos = text_.next(at); // past the whole dead run, not one hit at a time
                continue;
            }
            std::int64_t y = at;
            for (std::size_t step = 0; step < anchor && y >= 0; ++step)
                y = text_.prev(y - 1);
            if (y >= from && matchEnd(y, marker) >= 0)
                return y;
        }
        return -1;
    }

    // The first position of the live text ending at `end` if it equals `block`; -1 otherwise.
    std::int64_t endsWith(std::int64_t end, const std::string& block)
    {
        std::int64_t i = end;
        std::int64_t first = -1;
        for (std::size_t c = block.size(); c-- > 0;) {
            if (i < 0 || text_.at(i) != block[c])
                return -1;
            first = i;
            i = text_.prev(i - 1);
        }
        return first;
    }

    // Looks again at the key of the first end marker after position `join`.
    void rekeyAfter(std::int64_t join)
    {
        const std::int32_t end = ends_.firstAfter(static_cast<std::int32_t>(join));
        if (end >= 0)
            rekey(end);
    }

    // Brings the key of the end marker ending at `end` up to date with the text
    // in front of it, reading only what may have changed.
    void rekey(std::int32_t end)
    {
        Group& group = *ends_.find(end);
        const std::int64_t previousEnd = ends_.lastBefore(end);
        if (group.keyStart > previousEnd)
            return; // its last start marker is still in its group, and nothing after it changed
        if (group.keyStart >= 0) {
            // A new end marker now stands after its last start marker.
            group.keyStart = -1;
            group.cleanFrom = static_cast<std::int32_t>(previousEnd + 1);
            return;
        }
        for (std::int64_t y = text_.prev(group.cleanFrom - 1); y > previousEnd; y = text_.prev(y - 1)) {
            if (matchEnd(y, start_) >= 0) {
                group.keyStart = static_cast<std::int32_t>(y);
                std::string key;
                for (std::int64_t i = y; i <= end; i = text_.next(i + 1))
                    key += text_.at(i);
                file(hashOf(key), end);
                return;
            }
        }
        group.cleanFrom = static_cast<std::int32_t>(previousEnd + 1);
    }

    Outcome finish(Outcome outcome)
    {
        out_ = text_.take();
        return outcome;
    }
};

// A script or comment pass. Before the first start marker there is neither
// marker, and deleting blocks can only form new markers across the joins, the
// leftmost of which is the first block's place; so each search starts a
// marker's length before the previous block. Copies of the block never
// overlap (it holds its end marker only at its end), and all of them go in
// one compacting sweep. That costs a walk over the text per block, so after a
// few blocks the indexed pass takes over.
// `from` and `yielded` give the state the pass is continued from.
Outcome directBlockPass(std::string& text, std::string_view startMarker, std::string_view endMarker, Hook& hook,
    std::size_t from, bool yielded)
{
    const std::size_t endLength = endMarker.size();
    const std::size_t back = std::max(startMarker.size(), endLength) - 1;
    std::string block;
    for (int round = 0;; ++round, yielded = false) {
        if (round == DirectRounds || text.size() < DirectMinimumSize) {
            // More blocks than a direct search handles cheaply: index them.
            BlockPass pass(text, startMarker, endMarker);
            return pass.run(hook, yielded);
        }
        if (!yielded) {
            hook.yield();
            if (hook.cancelRequested())
                return Outcome::Cancelled;
        }

        std::size_t s = findNoCase(text, startMarker, from);
        if (s == npos)
            return Outcome::Finished;
        std::size_t e = findNoCase(text, endMarker, from);
        // An end marker before the start marker (the literal condition E - S < -length,
        // or an empty block) ends the pass; one overlapping the start cannot occur.
        if (e == npos || e < s)
            return Outcome::Finished;

        block.assign(text, s, e + endLength - s);
        const std::size_t m = block.size();
        std::size_t write = s;
        std::size_t read = s + m;
        for (;;) {
            const void* hit = memmem(text.data() + read, text.size() - read, block.data(), m);
            if (!hit)
                break;
            std::size_t next = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
            std::memmove(&text[write], &text[read], next - read);
            write += next - read;
            read = next + m;
        }
        std::memmove(&text[write], &text[read], text.size() - read);
        text.resize(write + (text.size() - read));
        from = s > back ? s - back : 0;
    }
}

// Whether `marker` runs across the join of before[0, nb), the live text in
// front of a join (its end), and after[0, na), the live text behind it.
bool spansJoin(const char* before, std::size_t nb, const char* after, std::size_t na, std::string_view marker)
{
    for (std::size_t k = 1; k < marker.size(); ++k) {
        if (k > nb || marker.size() - k > na)
            continue;
        // The two characters at the join first: they rule out nearly every split.
        if (LowerAscii(before[nb - 1]) != LowerAscii(marker[k - 1]) || LowerAscii(after[0]) != LowerAscii(marker[k]))
            continue;
        bool match = true;
        for (std::size_t t = 0; t < marker.size() && match; ++t) {
            const char c = t < k ? before[nb - k + t] : after[t - k];
            match = LowerAscii(c) == LowerAscii(marker[t]);
        }
        if (match)
            return true;
    }
    return false;
}

// A script or comment pass in one walk for the usual text. As for the
// indexed pass, the text is cut after every end marker into groups, and a
// group's key is its own text (after the previous end marker) from its last
// start marker. The walk takes the block of the first live group at its
// front; the block's copies further on are the groups with the same key whose
// own text ends with it, and each copy is only noted as cut off its group,
// what is left of the group joining the next live group. That keeps every
// key as it was, unless the joined text brings a start marker to a group
// that had none of its own; and a copy could only be longer than a group's
// own text by running into what was joined to it. The walk hands over to the
// general pass where either happens, where a deletion joins text into a new
// marker, and where the front reaches a start marker left by a cut, so in the
// usual text no group is ever read twice. The text in front of the walk is
// moved down as it goes; the rest, less the cuts, once at the end.
class LinearBlockPass {
public:
    LinearBlockPass(std::string& text, std::string_view start, std::string_view end)
        : text_(text)
        , start_(start)
        , end_(end)
    {
    }

    // Returns true when it took the pass to its end (`outcome` set);
    // otherwise the text is compacted to the literal pass's state at the
    // start of an iteration, whose search position is from() and whose
    // yield and cancel test are done when yielded() says so. `yielded`: the
    // first iteration's yield and cancel test were done by the caller.
    bool run(Hook& hook, bool yielded, Outcome& outcome)
    {
        yielded_ = yielded;
        if (!prepare())
            return false;
        const std::size_t back = std::max(start_.size(), end_.size()) - 1;
        const std::size_t ends = ends_.size();
        std::size_t si = 0; // the first start marker at or after r_
        std::vector<std::uint32_t> copies;
        for (;; yielded = false) {
            if (!yielded) {
                hook.yield();
                if (hook.cancelRequested()) {
                    compact();
                    outcome = Outcome::Cancelled;
                    return true;
                }
            }
            while (firstEnd_ < ends && ends_[firstEnd_] < r_)
                ++firstEnd_;
            const std::size_t ei = static_cast<std::size_t>(live_.next(static_cast<std::int64_t>(firstEnd_)));
            while (si < starts_.size() && starts_[si] < r_)
                ++si;
            // Start markers in front of the group's own text lie in what the
            // cuts of the groups in between left (live: the block would begin
            // there, and the general pass takes over) or in the cuts (dead).
            const std::size_t own = std::max(ownStart(ei), r_);
            for (std::size_t g = firstEnd_; si < starts_.size() && starts_[si] < own; ++si) {
                while (ends_[g] + end_.size() <= starts_[si])
                    ++g;
                if (!isCut(g) || starts_[si] < cut_[g])
                    return handOver(true);
            }
            if (si == starts_.size() || ei == ends || ends_[ei] < starts_[si]) {
                compact();
                outcome = Outcome::Finished;
                return true;
            }
            if (keyStart_[ei] == None)
                return handOver(true);
            const std::size_t s = starts_[si];
            const std::size_t stop = ends_[ei] + end_.size();
            const std::size_t length = stop - s;

            copies.clear();
            for (std::uint32_t k = sameKey_[ei]; k != None; k = sameKey_[k]) {
                if (isCut(k))
                    continue;
                const std::size_t kStop = ends_[k] + end_.size();
                if (kStop - ownStart(k) < length) {
                    if (isCut(k - 1))
                        return handOver(true); // it may run into the text joined in front
                    continue;
                }
                if (std::memcmp(base_ + kStop - length, base_ + s, length) == 0)
                    copies.push_back(k);
            }

            moveLive(r_, s);
            r_ = stop;
            from_ = w_ > back ? w_ - back : 0;
            if (!copies.empty() && cut_.empty()) {
                cut_.assign(ends, None);
                carried_.assign(ends, 0);
            }
            for (std::uint32_t k : copies) {
                cut_[k] = static_cast<std::uint32_t>(ends_[k] + end_.size() - length);
                live_.remove(k);
                if (cut_[k] == ownStart(k))
                    nonEmpty_.remove(k);
            }
            bool handOverNow = formsAcross(r_, ei + 1, r_, ei + 1);
            // The block's start markers, as counted in the starts, less its last.
            const std::size_t startsBefore = keyStart_[ei] - si;
            for (std::size_t c = 0; c < copies.size() && !handOverNow; ++c) {
                const std::uint32_t k = copies[c];
                const std::size_t cutAt = cut_[k];
                if (keyStart_[k] < startsBefore || starts_[keyStart_[k] - startsBefore] != cutAt) {
                    handOverNow = true; // cannot be: the copy holds the block's start markers
                    break;
                }
                const std::size_t first = keyStart_[k] - startsBefore; // the copy's first start marker
                const bool leftStart = carried_[k] || (first > 0 && starts_[first - 1] >= ownStart(k));
                const std::size_t m = static_cast<std::size_t>(live_.next(k + 1)); // takes what is left
                if (leftStart && m < ends) {
                    carried_[m] = 1;
                    if (keyStart_[m] == None)
                        handOverNow = true; // its key would change
                }
                handOverNow = handOverNow || formsAcross(cutAt, k, ends_[k] + end_.size(), k + 1);
            }
            if (handOverNow)
                return handOver(false);
        }
    }

private:
    static constexpr std::uint32_t None = UINT32_MAX;
    static constexpr std::size_t MaxMarker = 16;

    std::string& text_;
    std::string_view start_;
    std::string_view end_;
    char* base_ = nullptr;
    std::size_t size_ = 0;
    std::vector<std::uint32_t> starts_; // every start marker of the text as it came
    std::vector<std::uint32_t> ends_; // every end marker; group g ends with ends_[g]
    std::vector<std::uint32_t> keyStart_; // per group: its key's start marker (an index in starts_); None: no key
    std::vector<std::uint32_t> sameKey_; // per group: the next group whose key has the same hash; None: none
    // Per group, made at the first cut: where the copy cut off it begins
    // (None: its end marker lives), and whether text joined in front of its
    // own text holds a start marker.
    std::vector<std::uint32_t> cut_;
    std::vector<char> carried_;
    // The groups whose end marker lives, and those with any live text: a
    // run of copies each cut whole is crossed in one step.
    SkipLinks live_ { 0 };
    SkipLinks nonEmpty_ { 0 };
    std::size_t w_ = 0; // text[0, w_) is the kept text in front of the walk
    std::size_t r_ = 0; // text[r_, size_), less the cuts, is the rest
    std::size_t firstEnd_ = 0; // the first group whose end marker lies at or after r_

    bool isCut(std::size_t g) const { return !cut_.empty() && cut_[g] != None; }

    // Where the own text of group g begins (g may be the text after the last group).
    std::size_t ownStart(std::size_t g) const { return g == 0 ? 0 : ends_[g - 1] + end_.size(); }

    // Finds the markers and files the keys; false when the walk cannot be used.
    bool prepare()
    {
        base_ = text_.data();
        size_ = text_.size();
        const std::size_t sl = start_.size();
        const std::size_t el = end_.size();
        if (sl < 2 || el < 2 || sl > MaxMarker || el > MaxMarker || size_ >= None)
            return false;
        const char s0 = LowerAscii(start_[0]);
        const char s1 = LowerAscii(start_[1]);
        for (std::size_t i = scan::FindPair(base_, 0, size_, s0, s1); i < size_;
             i = scan::FindPair(base_, i + 1, size_, s0, s1)) {
            if (matchesNoCase(text_, i, start_))
                starts_.push_back(static_cast<std::uint32_t>(i));
        }
        const char e0 = LowerAscii(end_[el - 2]);
        const char e1 = LowerAscii(end_[el - 1]);
        for (std::size_t i = scan::FindPair(base_, 0, size_, e0, e1); i < size_;
             i = scan::FindPair(base_, i + 1, size_, e0, e1)) {
            if (i + 2 >= el && matchesNoCase(text_, i + 2 - el, end_))
                ends_.push_back(static_cast<std::uint32_t>(i + 2 - el));
        }

        // The keys, from the last group back, each group listing the next
        // one with the same key hash (a shared hash only adds a comparison).
        const std::size_t ends = ends_.size();
        live_ = SkipLinks(static_cast<std::int64_t>(ends));
        nonEmpty_ = SkipLinks(static_cast<std::int64_t>(ends));
        keyStart_.assign(ends, None);
        sameKey_.assign(ends, None);
        struct Slot {
            std::uint64_t key = 0;
            std::uint32_t group = None;
            bool free() const { return key == 0; }
        };
        FlatTable<Slot> slots(std::max<std::size_t>(16, 2 * ends));
        std::size_t k = starts_.size(); // starts_[k - 1] is the last start marker whole before the group's end
        for (std::size_t g = ends; g-- > 0;) {
            const std::size_t stop = static_cast<std::size_t>(ends_[g]) + el;
            while (k > 0 && starts_[k - 1] + sl > stop)
                --k;
            if (k == 0 || (g > 0 && starts_[k - 1] <= ends_[g - 1]))
                continue;
            keyStart_[g] = static_cast<std::uint32_t>(k - 1);
            std::uint64_t key = scan::HashBytes(base_ + starts_[k - 1], stop - starts_[k - 1]);
            if (key == 0)
                key = 1;
            Slot& slot = slots.find(key, [key](const Slot& there) { return there.key == key; });
            sameKey_[g] = slot.group;
            slot = { key, static_cast<std::uint32_t>(g) };
        }
        return true;
    }

    // Moves the live text of text[from, to) (from >= r_) down to the kept text.
    void moveLive(std::size_t from, std::size_t to)
    {
        auto move = [&](std::size_t a, std::size_t b) {
            if (w_ != a)
                std::memmove(base_ + w_, base_ + a, b - a);
            w_ += b - a;
        };
        std::size_t p = from;
        if (!cut_.empty()) {
            for (std::size_t g = firstEnd_; g < ends_.size() && ends_[g] < to; ++g) {
                if (cut_[g] != None && ends_[g] >= from) {
                    move(p, cut_[g]);
                    p = ends_[g] + end_.size();
                }
            }
        }
        move(p, to);
    }

    // Up to n live characters in front of position p, which lies in the own
    // text of group g ahead of the front, into the end of out[0, n); returns how many.
    std::size_t liveBefore(std::size_t p, std::size_t g, char* out, std::size_t n) const
    {
        std::size_t got = 0;
        for (;;) {
            const std::size_t low = std::max(ownStart(g), r_);
            while (p > low && got < n)
                out[n - 1 - got++] = base_[--p];
            if (got == n)
                return got;
            const std::int64_t before = nonEmpty_.previous(static_cast<std::int64_t>(g) - 1);
            if (low == r_ || before < 0 || ends_[static_cast<std::size_t>(before)] < r_)
                break; // the kept text comes next
            g = static_cast<std::size_t>(before);
            p = isCut(g) ? cut_[g] : ends_[g] + end_.size();
        }
        for (std::size_t q = w_; q > 0 && got < n;)
            out[n - 1 - got++] = base_[--q];
        return got;
    }

    // Up to n live characters from position p on, which lies in the own text
    // of group g (or after the last group), into out; returns how many.
    std::size_t liveAfter(std::size_t p, std::size_t g, char* out, std::size_t n) const
    {
        std::size_t got = 0;
        for (;;) {
            const std::size_t high = g == ends_.size() ? size_ : isCut(g) ? cut_[g] : ends_[g] + end_.size();
            while (p < high && got < n)
                out[got++] = base_[p++];
            if (got == n || g == ends_.size())
                return got;
            g = static_cast<std::size_t>(nonEmpty_.next(static_cast<std::int64_t>(g) + 1));
            p = ownStart(g);
        }
    }

    // Whether a start or end marker runs across the join of the live text in
    // front of p (in group g) and the live text from q (in group h) on.
    bool formsAcross(std::size_t p, std::size_t g, std::size_t q, std::size_t h) const
    {
        const std::size_t n = std::max(start_.size(), end_.size()) - 1;
        if (cut_.empty() && p == r_) {
            // The usual case, a join at the front with no cut anywhere: the
            // kept text meets the text as it came.
            const std::size_t nb = std::min(n, w_);
            const std::size_t na = std::min(n, size_ - q);
            return spansJoin(base_ + w_ - nb, nb, base_ + q, na, start_)
                || spansJoin(base_ + w_ - nb, nb, base_ + q, na, end_);
        }
        char before[MaxMarker];
        char after[MaxMarker];
        const std::size_t nb = liveBefore(p, g, before, n);
        const std::size_t na = liveAfter(q, h, after, n);
        return spansJoin(before + n - nb, nb, after, na, start_) || spansJoin(before + n - nb, nb, after, na, end_);
    }

    // The literal pass's text as it stands: the kept text, then the rest less the cuts.
    void compact()
    {
        moveLive(r_, size_);
        text_.resize(w_);
    }

    bool handOver(bool yielded)
    {
        compact();
        yielded_ = yielded;
        return false;
    }

public:
    std::size_t from() const { return from_; }
    bool yielded() const { return yielded_; }

private:
    std::size_t from_ = 0;
    bool yielded_ = false;
};

Outcome blockPass(std::string& text, std::string_view startMarker, std::string_view endMarker, Hook& hook)
{
    // The first iteration by direct search: a text that lacks either marker
    // or has an end marker before its first start marker needs no index.
    hook.yield();
    if (hook.cancelRequested())
        return Outcome::Cancelled;
    const std::size_t s = findByPair(text, startMarker);
    if (s == npos)
        return Outcome::Finished;
    const std::size_t e = findByPair(text, endMarker);
    if (e == npos || e < s)
        return Outcome::Finished;
    Outcome outcome = Outcome::Finished;
    LinearBlockPass linear(text, startMarker, endMarker);
    if (linear.run(hook, true, outcome))
        return outcome;
    return directBlockPass(text, startMarker, endMarker, hook, linear.from(), linear.yielded());
}

// Step six in one scan: "&", "," and ";" become spaces, and "amp" or "nbsp"
// directly after an "&" of the text as it stands goes.
void finalCleanUp(std::string& text)
{
    char* base = text.data();
    const std::size_t size = text.size();
    std::size_t w = 0;
    for (std::size_t i = 0; i < size;) {
        const std::size_t hit = scan::FindAnyOf3(base, i, size, '&', ',', ';');
        if (w != i)
            std::memmove(base + w, base + i, hit - i);
        w += hit - i;
        if (hit == size)
            break;
        i = hit;
        const char c = base[i];
        base[w++] = ' ';
        ++i;
        if (c == '&') {
            std::string_view after(base + i, size - i);
            if (after.starts_with("amp"))
                i += 3;
            else if (after.starts_with("nbsp"))
                i += 4;
        }
    }
    text.resize(w);
}

// The tag pass when no group holds more than one "<" (the usual case). A
// group's tag then runs from its only "<" to its ">", and replacing the copies
// of one tag leaves no "<" in front of the next group, so no other group's tag
// changes: the iterations take the distinct tag texts in the order they first
// appear, and the text ends with every tag replaced by a space. Returns false,
// touching nothing, when some group holds two "<".
bool singleLtTagPass(std::string& text, Hook& hook, long& iterations, Outcome& outcome)
{
    // Positions in 32 bits keep the list small; longer texts take the general pass.
    struct Tag {
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t rank;
    };
    if (text.size() >= UINT32_MAX)
        return false;
    std::vector<Tag> tags;
    const char* base = text.data();
    const std::size_t size = text.size();
    // Two walks, the first only counting, so that the list is made at its size
    // (grown, it could hold twice the room it needs).
    for (int walk = 0; walk < 2; ++walk) {
        std::size_t lt = npos;
        bool twoLts = false;
        std::size_t count = 0;
        for (std::size_t i = scan::FindAnyOf2(base, 0, size, '<', '>'); i < size;
             i = scan::FindAnyOf2(base, i + 1, size, '<', '>')) {
            if (base[i] == '<') {
                twoLts = lt != npos;
                lt = i;
            } else {
                if (twoLts)
                    return false;
                if (lt != npos) {
                    if (walk == 0)
                        ++count;
                    else
                        tags.push_back({ static_cast<std::uint32_t>(lt), static_cast<std::uint32_t>(i), 0 });
                }
                lt = npos;
            }
        }
        if (walk == 0)
            tags.reserve(count);
    }

    // Distinct tag texts, numbered in order of first appearance: an
    // open-addressing table of (hash, tag index) that grows with the
    // distinct texts (a page repeats most of its tags).
    struct Slot {
        std::uint32_t low = 0; // the lower half of the tag's hash, where its probe starts
        std::uint32_t tag = UINT32_MAX; // UINT32_MAX: free
        bool free() const { return tag == UINT32_MAX; }
        std::uint64_t hash() const { return low; }
    };
    FlatTable<Slot> slots(1024);
    std::size_t distinct = 0;
    for (std::size_t t = 0; t < tags.size(); ++t) {
        Tag& tag = tags[t];
        const std::size_t length = tag.last - tag.first + 1;
        const std::uint64_t hash = scan::HashBytes(base + tag.first, length);
        const auto low = static_cast<std::uint32_t>(hash);
        auto [slot, added] = slots.insert(low, [&](const Slot& there) {
            const Tag& other = tags[there.tag];
            return there.low == low && other.last - other.first + 1 == length
                && std::memcmp(base + other.first, base + tag.first, length) == 0;
        });
        if (added) {
            slot = { low, static_cast<std::uint32_t>(t) };
            tag.rank = static_cast<std::uint32_t>(distinct++);
        } else {
            tag.rank = tags[slot.tag].rank;
        }
    }

    // The text once the tags of the first `done` iterations are replaced.
    auto replaceUpTo = [&](std::size_t done) {
        std::size_t w = 0;
        std::size_t r = 0;
        for (const Tag& tag : tags) {
            if (tag.rank >= done)
                continue;
            std::memmove(&text[w], &text[r], tag.first - r);
            w += tag.first - r;
            text[w++] = ' ';
            r = tag.last + 1;
        }
        std::memmove(&text[w], &text[r], text.size() - r);
        text.resize(w + text.size() - r);
    };

    for (std::size_t done = 0;; ++done) {
        hook.yield();
        if (hook.cancelRequested()) {
            replaceUpTo(done);
            outcome = Outcome::Cancelled;
            return true;
        }
        if (done == distinct)
            break;
        ++iterations;
        StepStripProgress(hook);
    }
    replaceUpTo(distinct);
    outcome = Outcome::Finished;
    return true;
}

// What leadingSpaceAndLineBreaks makes, in the text's own room, which must
// hold one character more than the text: every replacement is shorter than
// what it replaces, so the writing never overtakes the reading.
void leadingSpaceAndLineBreaksInPlace(std::string& text, bool strip)
{
    text.insert(text.begin(), ' ');
    if (!strip)
        return;
    char* base = text.data();
    const std::size_t size = text.size();
    std::size_t w = 1;
    std::size_t i = 1;
    while (i < size) {
        const std::size_t hit = scan::FindAnyOf2(base, i, size, '<', '\x7f');
        if (w != i)
            std::memmove(base + w, base + i, hit - i);
        w += hit - i;
        i = hit;
        if (i == size)
            break;
        if (base[i] == '\x7f') {
            ++i;
            continue;
        }
        const std::size_t length = lineBreakLength(base, i, size);
        if (length == 0) {
            base[w++] = '<';
            ++i;
        } else {
            base[w++] = '\r';
            base[w++] = '\n';
            i += length;
        }
    }
    text.resize(w);
}

StripResult stripTags(std::string& text, Hook& hook)
{
    StripResult result;

    // A copy would hold the page twice; the caller's room for one more
    // character spares it.
    if (text.capacity() > text.size())
        leadingSpaceAndLineBreaksInPlace(text, hook.stripChecked());
    else
        text = leadingSpaceAndLineBreaks(text, hook.stripChecked());

    if (blockPass(text, "<SCRIPT", "SCRIPT>", hook) == Outcome::Cancelled
        || blockPass(text, "<!", "->", hook) == Outcome::Cancelled) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    Outcome tagOutcome = Outcome::Finished;
    if (!singleLtTagPass(text, hook, result.tagIterations, tagOutcome))
        tagOutcome = WalkTagPass(text, hook, result.tagIterations);
    if (tagOutcome == Outcome::Cancelled) {
        result.outcome = Outcome::Cancelled;
        return result;
    }

    finalCleanUp(text);

    hook.setFileProgress(hook.stripChecked() ? 100.0f : 50.0f);
    return result;
}

} // namespace

StripResult StripTags(std::string& text, Hook& hook)
{
    try {
        return stripTags(text, hook);
    } catch (const std::exception&) {
        // Out of memory and the like: the caller goes on with an empty text.
        text.clear();
        text.shrink_to_fit();
        StripResult failed;
        failed.failed = true;
        return failed;
    }
}

} // namespace tamsenor::text
