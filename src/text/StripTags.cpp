#include "text/StripTags.h"

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

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

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
        if (lowerAscii(text[at + i]) != lowerAscii(marker[i]))
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

// Steps one and two: the leading space, then (strip checked) the five
// line-break tags to CR LF and every DEL deleted. The five tag texts cannot
// overlap one another and CR LF cannot form one, so one scan does the five
// replacements; they are matched before the DELs go, as the steps order it.
std::string leadingSpaceAndLineBreaks(const std::string& text, bool strip)
{
    std::string out;
    out.reserve(text.size() + 1);
    out += ' ';
    if (!strip) {
        out += text;
        return out;
    }
    static constexpr std::string_view breaks[] = { "<P>", "</P>", "<BR>", "<TR>", "</TR>" };
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '<') {
            bool replaced = false;
            for (std::string_view tag : breaks) {
                if (matchesNoCase(text, i, tag)) {
                    out += "\r\n";
                    i += tag.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced)
                continue;
        } else if (c == '\x7f') {
            ++i;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

// A script or comment pass. Before the first start marker there is neither
// marker, and deleting blocks can only form new markers across the joins, the
// leftmost of which is the first block's place; so each search starts a
// marker's length before the previous block. Copies of the block never
// overlap (it holds its end marker only at its end), and all of them go in
// one compacting sweep.
Outcome blockPass(std::string& text, std::string_view startMarker, std::string_view endMarker, Hook& hook)
{
    const std::size_t endLength = endMarker.size();
    const std::size_t back = std::max(startMarker.size(), endLength) - 1;
    std::size_t from = 0;
    std::string block;
    for (;;) {
        hook.yield();
        if (hook.cancelRequested())
            return Outcome::Cancelled;

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
            std::size_t next = text.find(block, read);
            if (next == npos)
                break;
            std::memmove(&text[write], &text[read], next - read);
            write += next - read;
            read = next + m;
        }
        std::memmove(&text[write], &text[read], text.size() - read);
        text.resize(write + (text.size() - read));
        from = s > back ? s - back : 0;
    }
}

// The tag pass over the text held in place. Splitting the text after every
// ">" gives groups; the tag of an iteration is the first group holding a "<",
// from that "<" through the group's ">"; since a tag holds one ">", at its
// end, its copies are exactly the groups that end with it. Replacing a copy by
// a space only joins the rest of its group to the front of the next group, so
// a group's text from its last "<" on never changes while it lives: groups are
// indexed by a hash of that text and each iteration looks its copies up.
// Removed characters are marked dead rather than moved; each replacement space
// takes the place of the ">" it replaces.
class TagPass {
public:
    explicit TagPass(std::string& text)
        : text_(text)
        , n_(static_cast<std::int64_t>(text.size()))
        , left_(checkedSize(text))
    {
        for (std::int64_t i = 0; i < n_; ++i) {
            left_[i] = static_cast<std::int32_t>(i);
            if (text_[i] == '<')
                lts_.push_back(static_cast<std::int32_t>(i));
            else if (text_[i] == '>')
                gts_.push_back(static_cast<std::int32_t>(i));
        }
        const std::size_t groups = gts_.size();
        alive_.assign(groups, 1);
        ltCount_.assign(groups, 0);
        keyed_.assign(groups, 0);
        nextInBucket_.assign(groups, -1);
        // At most one key per group (a tag looked up is always some group's key): under half full.
        std::size_t capacity = 16;
        while (capacity < 2 * groups + 16)
            capacity *= 2;
        slots_.resize(capacity);
        std::size_t li = 0;
        for (std::size_t k = 0; k < groups; ++k) {
            std::int32_t lastLt = -1;
            while (li < lts_.size() && lts_[li] < gts_[k]) {
                lastLt = lts_[li++];
                ++ltCount_[k];
            }
            if (lastLt >= 0)
                index(k, lastLt);
        }
    }

    Outcome run(Hook& hook, long& iterations)
    {
        std::string tag;
        std::vector<std::size_t> copies;
        std::vector<std::size_t> gainedLt;
        for (;;) {
            hook.yield();
            if (hook.cancelRequested())
                return finish(Outcome::Cancelled);

            while (nextLt_ < lts_.size() && !live(lts_[nextLt_]))
                ++nextLt_;
            if (nextLt_ == lts_.size())
                return finish(Outcome::Finished);
            const std::int32_t l = lts_[nextLt_];
            while (nextGt_ < gts_.size() && (gts_[nextGt_] < l || !alive_[nextGt_]))
                ++nextGt_;
            if (nextGt_ == gts_.size())
                return finish(Outcome::Finished);

            // The tag: the live characters from l through the ">".
            tag.clear();
            for (std::int64_t i = gts_[nextGt_]; i >= l; i = find(i - 1))
                tag += text_[i];
            std::reverse(tag.begin(), tag.end());
            const std::size_t keyStart = tag.rfind('<');
            const std::int32_t tagLts = static_cast<std::int32_t>(std::count(tag.begin(), tag.end(), '<'));
            std::uint64_t key = HashSeed;
            for (std::size_t i = tag.size(); i-- > keyStart;)
                key = hashStep(key, tag[i]);
            key = hashEnd(key, tag.size() - keyStart);

            // Every copy is found before any is replaced: a replacement must not
            // make a copy that the simultaneous replacement would not see.
            copies.clear();
            std::int32_t* link = &slot(key).head;
            while (*link >= 0) {
                const std::int32_t k = *link;
                if (!alive_[k]) {
                    *link = nextInBucket_[k]; // dead groups leave the bucket as they are met
                    continue;
                }
                if (endsWith(gts_[k], tag))
                    copies.push_back(static_cast<std::size_t>(k));
                link = &nextInBucket_[k];
            }
            std::sort(copies.begin(), copies.end());

            gainedLt.clear();
            for (std::size_t k : copies) {
                std::int64_t i = gts_[k];
                text_[i] = ' ';
                alive_[k] = 0;
                i = find(i - 1);
                for (std::size_t c = 1; c < tag.size(); ++c) {
                    left_[i] = static_cast<std::int32_t>(i - 1);
                    i = find(i - 1);
                }
                // The rest of the group joins the next live group.
                std::size_t next = nextAlive(k + 1);
                if (next < gts_.size()) {
                    std::int32_t moved = ltCount_[k] - tagLts;
                    if (moved > 0 && !keyed_[next])
                        gainedLt.push_back(next);
                    ltCount_[next] += moved;
                }
            }
            for (std::size_t k : gainedLt) {
                if (!alive_[k] || keyed_[k])
                    continue;
                std::int64_t i = gts_[k];
                while (text_[i] != '<')
                    i = find(i - 1);
                index(k, static_cast<std::int32_t>(i));
            }

            ++iterations;
            float v = hook.fileProgress();
            float target = hook.stripChecked() ? 100.0f : 50.0f;
            v = v + (target - v) / 10.0f;
            hook.setFileProgress(v);
        }
    }

private:
    std::string& text_;
    std::int64_t n_;
    std::vector<std::int32_t> left_; // union-find: the nearest live position at or before
    std::vector<std::int32_t> lts_; // positions of "<"
    std::vector<std::int32_t> gts_; // positions of ">", one per group
    std::vector<char> alive_; // per group: its ">" still stands
    std::vector<std::int32_t> ltCount_; // per group: "<" characters it holds
    std::vector<char> keyed_; // per group: filed under its key
    std::vector<std::int32_t> skipDead_; // per group: a later group, to skip runs of dead groups
    // Buckets: an open-addressing table from key hash to the first group of a
    // list threaded through nextInBucket_.
    struct Slot {
        std::uint64_t key = 0;
        std::int32_t head = -1;
    };
    std::vector<Slot> slots_;
    std::vector<std::int32_t> nextInBucket_;
    std::size_t nextLt_ = 0;
    std::size_t nextGt_ = 0;

    Slot& slot(std::uint64_t key)
    {
        if (key == 0)
            key = 1; // 0 marks a free slot
        const std::size_t mask = slots_.size() - 1;
        std::uint64_t mixed = key;
        mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
        mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
        mixed ^= mixed >> 31;
        for (std::size_t i = static_cast<std::size_t>(mixed) & mask;; i = (i + 1) & mask) {
            if (slots_[i].key == key)
                return slots_[i];
            if (slots_[i].key == 0) {
                slots_[i].key = key;
                return slots_[i];
            }
        }
    }

    static std::size_t checkedSize(const std::string& text)
    {
        // Positions are held in 32 bits to keep the index small.
        if (text.size() >= static_cast<std::size_t>(INT32_MAX))
            throw std::length_error("text too long for the tag pass");
        return text.size();
    }

    bool live(std::int64_t i) const { return left_[i] == i; }

    std::int64_t find(std::int64_t i)
    {
        if (i < 0)
            return -1;
        while (left_[i] != i) {
            std::int32_t parent = left_[i];
            if (parent < 0)
                return -1;
            left_[i] = left_[parent] < 0 ? parent : left_[parent];
            i = left_[i];
        }
        return i;
    }

    std::size_t nextAlive(std::size_t k)
    {
        // Dead groups are skipped with path halving over a forward link.
        if (skipDead_.empty()) {
            skipDead_.resize(gts_.size());
            for (std::size_t j = 0; j < gts_.size(); ++j)
                skipDead_[j] = static_cast<std::int32_t>(j + 1);
        }
        std::size_t j = k;
        while (j < gts_.size() && !alive_[j]) {
            std::size_t after = static_cast<std::size_t>(skipDead_[j]);
            if (after < gts_.size() && !alive_[after])
                skipDead_[j] = skipDead_[after];
            j = after;
        }
        return j;
    }

    // A hash of a group's text from its last "<", read back to front.
    static constexpr std::uint64_t HashSeed = 1469598103934665603ull;
    static std::uint64_t hashStep(std::uint64_t h, char c)
    {
        return (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    static std::uint64_t hashEnd(std::uint64_t h, std::size_t length) { return (h ^ length) * 0x9E3779B97F4A7C15ull; }

    // Files group k under the hash of its live text from `lastLt` through its ">".
    void index(std::size_t k, std::int32_t lastLt)
    {
        keyed_[k] = 1;
        std::uint64_t h = HashSeed;
        std::size_t length = 0;
        for (std::int64_t i = gts_[k]; i >= lastLt; i = find(i - 1)) {
            h = hashStep(h, text_[i]);
            ++length;
        }
        Slot& bucket = slot(hashEnd(h, length));
        nextInBucket_[k] = bucket.head;
        bucket.head = static_cast<std::int32_t>(k);
    }

    // Whether the live text ending at the ">" at `end` ends with `tag`.
    bool endsWith(std::int64_t end, const std::string& tag)
    {
        std::int64_t i = end;
        for (std::size_t c = tag.size(); c-- > 0;) {
            if (i < 0 || text_[i] != tag[c])
                return false;
            i = find(i - 1);
        }
        return true;
    }

    Outcome finish(Outcome outcome)
    {
        std::size_t w = 0;
        for (std::int64_t i = 0; i < n_; ++i) {
            if (left_[i] == i)
                text_[w++] = text_[i];
        }
        text_.resize(w);
        return outcome;
    }
};

// Step six in one scan: "&", "," and ";" become spaces, and "amp" or "nbsp"
// directly after an "&" of the text as it stands goes.
void finalCleanUp(std::string& text)
{
    std::size_t w = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        char c = text[i];
        if (c == '&') {
            text[w++] = ' ';
            std::string_view after = std::string_view(text).substr(i + 1);
            if (after.starts_with("amp"))
                i += 3;
            else if (after.starts_with("nbsp"))
                i += 4;
        } else if (c == ',' || c == ';') {
            text[w++] = ' ';
        } else {
            text[w++] = c;
        }
    }
    text.resize(w);
}

StripResult stripTags(std::string& text, Hook& hook)
{
    StripResult result;

    text = leadingSpaceAndLineBreaks(text, hook.stripChecked());

    if (blockPass(text, "<SCRIPT", "SCRIPT>", hook) == Outcome::Cancelled
        || blockPass(text, "<!", "->", hook) == Outcome::Cancelled) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    {
        TagPass pass(text);
        if (pass.run(hook, result.tagIterations) == Outcome::Cancelled) {
            result.outcome = Outcome::Cancelled;
            return result;
        }
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
        return StripResult {};
    }
}

} // namespace tamsenor::text
