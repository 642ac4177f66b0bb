#include "text/Extract.h"

#include "text/TextBasics.h"

#include "text/FlatTable.h"
#include "text/LiveText.h"
#include "text/MultiSearch.h"
#include "text/Scan.h"
#include "text/TextOps.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

namespace tamsenor::text {

using namespace ops;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isExponentLetter(char c, ExponentLetters letters)
{
    return c == 'E' || c == 'D' || (letters == ExponentLetters::AnyCase && (c == 'e' || c == 'd'));
}

// The syntax of IsNumberSyntax, on text without surrounding spaces. Returns
// the text in the form from_chars reads (no "+", "e" for the exponent), or ""
// when the syntax does not hold.
std::string normalisedNumber(std::string_view t, ExponentLetters letters, bool& negative)
{
    std::size_t i = 0;
    negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    std::string out;
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (isDigit(t[i])) {
            ++digits;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
        out += t[i];
    }
    if (digits == 0)
        return {};
    if (i < t.size() && isExponentLetter(t[i], letters)) {
        out += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            out += t[i++];
        int exponentDigits = 0;
        for (; i < t.size() && isDigit(t[i]); ++i, ++exponentDigits)
            out += t[i];
        if (exponentDigits == 0)
            return {};
    }
    if (i != t.size())
        return {};
    return out;
}

// Whether a number in the normalised form above lies below 1 in magnitude,
// judged from its digits and exponent (for numbers no double can hold).
bool belowOne(std::string_view number)
{
    std::size_t e = number.find('e');
    std::string_view mantissa = number.substr(0, e);
    long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        bool negative = !digits.empty() && digits[0] == '-';
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+'))
            digits.remove_prefix(1);
        for (char c : digits)
            exponent = std::min(exponent * 10 + (c - '0'), 1000000L);
        if (negative)
            exponent = -exponent;
    }
    // The power of ten of the first significant digit, plus one.
    std::size_t point = mantissa.find('.');
    long integerDigits = static_cast<long>(point == std::string_view::npos ? mantissa.size() : point);
    long order = integerDigits;
    for (char c : mantissa) {
        if (c == '.')
            continue;
        if (c != '0')
            break;
        --order;
    }
    return order + exponent <= 0;
}

// Round half to even, the way the whole-number conversion rounds fractions.
double roundHalfToEven(double v)
{
    double whole = std::floor(v);
    double fraction = v - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return whole;
}

} // namespace

bool IsNumberSyntax(std::string_view text, ExponentLetters letters)
{
    bool negative = false;
    return !normalisedNumber(TrimSpaces(text), letters, negative).empty();
}

bool PositionListReadable(const std::string& position)
{
    bool readable = true;
    ForEachPositionElement(
        position, [] {},
        [&readable](std::string_view element) { readable = readable && ParsePositionNumber(element).has_value(); });
    return readable;
}

std::optional<short> ParsePositionNumber(std::string_view element, ExponentLetters letters)
{
    bool negative = false;
    const std::string number = normalisedNumber(TrimSpaces(element), letters, negative);
    if (number.empty())
        return std::nullopt;

    double value = 0.0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large for a double is out of range; too small is as good as 0.
        if (!belowOne(number))
            return std::nullopt;
        value = 0.0;
    } else if (error != std::errc() || end != number.data() + number.size()) {
        return std::nullopt;
    }
    if (negative)
        value = -value;

    const double rounded = roundHalfToEven(value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<short>(rounded);
}

namespace {

// Finds the successive first occurrences of one marker in a LiveText. No
// occurrence starts before `cursor` except those in `formed`: occurrences that
// a deletion made across its gap after the search had passed that place. The
// marker's text must outlive the finder.
class MarkerFinder {
public:
    explicit MarkerFinder(std::string_view marker)
        : marker_(marker)
    {
    }

    std::string_view marker() const { return marker_; }

    // Where the marker stood in the text before any deletion, in order: the
    // scan then looks only there (any occurrence a deletion forms is noted as
    // formed). `starts` must outlive the finder.
    void useStarts(std::span<const std::uint32_t> starts)
    {
        starts_ = starts;
        listed_ = true;
    }

    // The first occurrence at or after `from`; -1 when none.
    std::int64_t first(LiveText& text, std::int64_t from = 0)
    {
        std::int64_t best = -1;
        std::size_t kept = 0;
        for (std::int64_t y : formed_) {
            if (!text.live(y) || !text.matchesAt(y, marker_))
                continue;
            formed_[kept++] = y;
            if (y >= from && (best < 0 || y < best))
                best = y;
        }
        formed_.resize(kept);
        std::size_t index = 0;
        std::int64_t scanned = scan(text, std::max(cursor_, from), index);
        if (from <= cursor_) {
            cursor_ = scanned < 0 ? text.size() : scanned;
            startAt_ = index;
        }
        if (scanned >= 0 && (best < 0 || scanned < best))
            best = scanned;
        return best;
    }

    // After a deletion whose gap follows the live position `before`, notes
    // occurrences that now run across the gap.
    void noteGap(LiveText& text, std::int64_t before)
    {
        std::int64_t y = before;
        for (std::size_t back = 1; back < marker_.size() && y >= 0; ++back) {
            if (text.matchesAt(y, marker_))
                formed_.push_back(y);
            y = text.prev(y - 1);
        }
    }

    // Notes an occurrence at `y` that the caller found to run across a gap.
    void noteFormed(std::int64_t y) { formed_.push_back(y); }

private:
    std::string_view marker_;
    std::int64_t cursor_ = 0;
    std::vector<std::int64_t> formed_;
    bool listed_ = false;
    std::span<const std::uint32_t> starts_;
    std::size_t startAt_ = 0; // the first of starts_ at or after cursor_

    // The first occurrence at or after `from` that is not formed; `index`
    // becomes the place of the next start to look at.
    std::int64_t scan(LiveText& text, std::int64_t from, std::size_t& index)
    {
        if (listed_) {
            index = from == cursor_
                ? startAt_
                : static_cast<std::size_t>(
                    std::lower_bound(starts_.begin(), starts_.end(), static_cast<std::uint64_t>(from))
                    - starts_.begin());
            for (; index < starts_.size(); ++index) {
                const std::int64_t at = starts_[index];
                if (text.live(at) && text.matchesAt(at, marker_))
                    return at;
            }
            return -1;
        }
        const std::string& raw = text.raw();
        const std::int64_t size = text.size();
        std::int64_t pos = from;
        while (pos < size) {
            const void* hit = std::memchr(raw.data() + pos, marker_[0], static_cast<std::size_t>(size - pos));
            if (!hit)
                return -1;
            std::int64_t at = static_cast<const char*>(hit) - raw.data();
            if (text.live(at) && text.matchesAt(at, marker_))
                return at;
            pos = at + 1;
        }
        return -1;
    }
};

// The finders of every keyword name. A deletion can form an occurrence of any
// of them across its gap; instead of asking each finder (a walk over all
// keywords per deletion), the live text before the gap is walked once through
// the names in sorted order, which narrows to the names that match there, as
// a tree of prefixes would.
class KeywordFinders {
public:
    // A finder for `name` (not empty, not yet added); `name` must outlive it.
    MarkerFinder& add(std::string_view name)
    {
        longest_ = std::max(longest_, name.size());
        return finders_.emplace_back(name);
    }

    // With many names, finds where each stands in `text` (before any
    // deletion) in one pass, so that a finder looks only there instead of
    // walking the text for its name alone; too many occurrences to hold
    // leave the finders walking.
    void findAhead(const LiveText& text)
    {
        if (finders_.size() < ManyNames)
            return;
        std::vector<std::string_view> names;
        names.reserve(finders_.size());
        for (const MarkerFinder& finder : finders_)
            names.push_back(finder.marker());
        const MultiSearch& search = searchFor(names);
        const std::string_view raw(text.raw());
        std::vector<std::uint32_t> count(names.size() + 1, 0);
        std::size_t total = 0;
        search.forEach(raw, [&](std::uint32_t name, std::size_t) {
            ++count[name + 1];
            ++total;
        });
        if (total > raw.size() / 4 + MinimumStarts)
            return; // more than a byte of starts per byte of text
        for (std::size_t n = 1; n < count.size(); ++n)
            count[n] += count[n - 1];
        starts_.resize(total);
        std::vector<std::uint32_t> fill(count.begin(), count.end() - 1);
        search.forEach(raw,
            [&](std::uint32_t name, std::size_t start) { starts_[fill[name]++] = static_cast<std::uint32_t>(start); });
        for (std::size_t n = 0; n < names.size(); ++n)
            finders_[n].useStarts(std::span<const std::uint32_t>(starts_).subspan(count[n], count[n + 1] - count[n]));
    }

    // The search for `names`. A run passes the same keywords file after file,
    // so each thread keeps the last one made.
    static const MultiSearch& searchFor(const std::vector<std::string_view>& names)
    {
        struct Last {
            std::vector<std::string> names;
            std::unique_ptr<MultiSearch> search;
        };
        thread_local Last last;
        if (!last.search || !std::equal(names.begin(), names.end(), last.names.begin(), last.names.end())) {
            last.search.reset();
            last.names.assign(names.begin(), names.end());
            last.search = std::make_unique<MultiSearch>(names);
        }
        return *last.search;
    }

    // What MarkerFinder::noteGap does, for every finder at once.
    void noteGap(LiveText& text, std::int64_t before)
    {
        if (sorted_.size() != finders_.size())
            sortFinders();
        std::int64_t y = before;
        for (std::size_t back = 1; back < longest_ && y >= 0; ++back) {
            noteAt(text, y, back);
            y = text.prev(y - 1);
        }
    }

private:
    // From this many names on, one pass finds them all (findAhead).
    static constexpr std::size_t ManyNames = 8;
    // Occurrences held beyond one per four bytes of text (four bytes each).
    static constexpr std::size_t MinimumStarts = std::size_t(1) << 20;

    std::deque<MarkerFinder> finders_; // stable addresses as finders are added
    std::vector<std::uint32_t> starts_; // findAhead: every finder's starts, finder after finder
    std::vector<MarkerFinder*> sorted_; // by name, byte by byte (unsigned)
    std::size_t longest_ = 0;

    void sortFinders()
    {
        sorted_.clear();
        sorted_.reserve(finders_.size());
        for (MarkerFinder& finder : finders_)
            sorted_.push_back(&finder);
        std::sort(sorted_.begin(), sorted_.end(),
            [](const MarkerFinder* a, const MarkerFinder* b) { return a->marker() < b->marker(); });
    }

    // Notes y in every finder whose name matches the live text at y and is
    // longer than `back` characters (so it runs across the gap).
    void noteAt(LiveText& text, std::int64_t y, std::size_t back)
    {
        auto lo = sorted_.begin();
        auto hi = sorted_.end();
        std::size_t depth = 0; // the names in [lo, hi) begin with the `depth` characters from y
        for (std::int64_t i = y; lo != hi;) {
            // A name that is exactly those characters sorts first among them.
            if ((*lo)->marker().size() == depth) {
                if (depth > back)
                    (*lo)->noteFormed(y);
                if (++lo == hi)
                    break;
            }
            if (i >= text.size())
                break;
            const auto c = static_cast<unsigned char>(text.at(i));
            auto byteAt = [depth](const MarkerFinder* f) { return static_cast<unsigned char>(f->marker()[depth]); };
            lo = std::partition_point(lo, hi, [&](const MarkerFinder* f) { return byteAt(f) < c; });
            hi = std::partition_point(lo, hi, [&](const MarkerFinder* f) { return byteAt(f) == c; });
            ++depth;
            i = text.next(i + 1);
        }
    }
};

// The extractors working on one LiveText, each with its own finder.
class Extractors {
public:
    explicit Extractors(std::string text)
        : text_(std::move(text))
    {
    }

    LiveText& text() { return text_; }

    // The finder for the keyword name `name` (not empty), which the calls for
    // that name share; `name` must outlive it. All are made before the first
    // call: one made later has the names sorted again at the next deletion.
    MarkerFinder& addKeyword(std::string_view name) { return keywords_.add(name); }

    // After the last addKeyword, before any deletion: see KeywordFinders::findAhead.
    void findKeywordsAhead() { keywords_.findAhead(text_); }

    std::string nextEmail(Hook& hook)
    {
        const std::int64_t at = email_.first(text_);
        if (at < 0)
            return {};
        // The left part: from after the previous space through the "@"; empty
        // when no space stands before the "@".
        std::int64_t space = previousSpace(at, emailSpace_);
        std::string result;
        if (space >= 0) {
            for (std::int64_t i = text_.next(space + 1); i <= at && result.size() < MaxEmailLength;
                 i = text_.next(i + 1))
                result += text_.at(i);
        }
        appendRun(result, text_.next(at + 1), MaxEmailLength);
        hook.yield();
        erase(at, 1);
        return result;
    }

    std::string nextWebSite(Hook& hook)
    {
        const std::int64_t at = web_.first(text_);
        if (at < 0)
            return {};
        // The scheme: the run before the "://", back to the start of the text
        // when no space stands before it.
        std::int64_t space = previousSpace(at, webSpace_);
        std::string result;
        for (std::int64_t i = text_.next(space + 1); i < at; i = text_.next(i + 1))
            result += text_.at(i);
        appendRun(result, at, std::string::npos);
        hook.yield();
        erase(at, 3);
        return result;
    }

    // `finder` is that of the keyword's name; none for an empty name. When the
    // position list cannot be read, says why in positionProblem() and leaves
    // the text as it was.
    std::string nextKeywordResult(const Keyword& keyword, MarkerFinder* finder, Hook& hook)
    {
        const std::string& name = keyword.name;
        if (name.empty())
            return {};
        const std::int64_t at = finder->first(text_);
        std::vector<short> positions { 0 };
        std::string result;
        if (at >= 0) {
            if (!readPositions(keyword.position, hook, positions))
                return {};
            if (positions.size() == 1 && positions[0] == 0) {
                result.assign(1, ' '); // a single space: the keyword occurs, no word asked for
            } else {
                result = wordsAfter(at, name.size(), positions);
            }
        }
        if (positions.back() > 0) {
            erase(at, name.size());
        } else if (at >= 0) {
            // Every occurrence, left to right, as they stand before any goes.
            std::int64_t from = at;
            while (from >= 0 && from < text_.size()) {
                std::int64_t found = finder->first(text_, from);
                if (found < 0)
                    break;
                std::int64_t end = found;
                for (std::size_t c = 0; c < name.size(); ++c)
                    end = text_.next(end + 1);
                erase(found, name.size());
                from = end;
            }
        }
        return result;
    }

    // Why the last keyword call could not read its position list; empty when it could.
    const std::string& positionProblem() const { return positionProblem_; }

private:
    static constexpr std::size_t MaxEmailLength = 199;

    // The last answer of previousSpace for one extractor: the live space
    // before `at` was `space` (-1: none). Each extractor's markers are found
    // left to right, so the next answer lies between them or is this one,
    // as long as no space was deleted since (`erased`).
    struct SpaceMemo {
        std::int64_t at = -1;
        std::int64_t space = -1;
        std::uint64_t erased = 0;
    };

    LiveText text_;
    MarkerFinder email_ { "@" };
    MarkerFinder web_ { "://" };
    KeywordFinders keywords_;
    SpaceMemo emailSpace_;
    SpaceMemo webSpace_;
    std::uint64_t spacesErased_ = 0;
    std::string positionProblem_;

    // The last live space before the live position `at`; -1 when none.
    std::int64_t previousSpace(std::int64_t at, SpaceMemo& memo)
    {
        const bool known = memo.at >= 0 && memo.at <= at && memo.erased == spacesErased_;
        std::int64_t i = text_.prev(at - 1);
        for (; i >= 0 && text_.at(i) != ' '; i = text_.prev(i - 1)) {
            if (known && i < memo.at) {
                i = memo.space;
                break;
            }
        }
        memo = { at, i, spacesErased_ };
        return i;
    }

    // Appends the live run from `from` up to the next space (or the end),
    // keeping `result` within `limit` characters.
    void appendRun(std::string& result, std::int64_t from, std::size_t limit)
    {
        for (std::int64_t i = from; i < text_.size() && text_.at(i) != ' ' && result.size() < limit;
             i = text_.next(i + 1))
            result += text_.at(i);
    }

    void erase(std::int64_t at, std::size_t count)
    {
        // Keyword names may hold spaces; the space memos must hear of it.
        for (std::int64_t i = at, c = 0; i < text_.size() && c < static_cast<std::int64_t>(count);
             i = text_.next(i + 1), ++c) {
            if (text_.at(i) == ' ') {
                ++spacesErased_;
                break;
            }
        }
        const std::int64_t before = text_.erase(at, count);
        web_.noteGap(text_, before);
        keywords_.noteGap(text_, before);
    }

    // The position list read as the literal extractor reads it (one yield per
    // comma), up to the first element it cannot read: then false, and
    // positionProblem() says why.
    bool readPositions(const std::string& position, Hook& hook, std::vector<short>& positions)
    {
        positions.clear();
        positionProblem_.clear();
        ForEachPositionElement(
            position,
            [&] {
                if (positionProblem_.empty())
                    hook.yield();
            },
            [&](std::string_view element) {
                if (!positionProblem_.empty())
                    return;
                if (const std::optional<short> number = ParsePositionNumber(element)) {
                    positions.push_back(*number);
                    return;
                }
                const bool number = IsNumberSyntax(element, ExponentLetters::AnyCase);
                positionProblem_ = "\"" + std::string(element) + (number ? "\" is out of range" : "\" is not a number");
            });
        return positionProblem_.empty();
    }

    // The words at the listed positions after the occurrence at `at`.
    std::string wordsAfter(std::int64_t at, std::size_t nameLength, const std::vector<short>& positions)
    {
        std::int64_t i = at;
        for (std::size_t c = 0; c < nameLength; ++c)
            i = text_.next(i + 1);
        std::string collected;
        std::string word;
        std::size_t k = 0;
        const int last = positions.back();
        for (int n = 1; n <= last; ++n) {
            while (i < text_.size() && text_.at(i) == ' ')
                i = text_.next(i + 1);
            word.clear();
            std::int64_t j = i;
            while (j < text_.size() && text_.at(j) != ' ') {
                word += text_.at(j);
                j = text_.next(j + 1);
            }
            // Without a space after it the last word does not count, and
            // nothing after it can: only trailing spaces could follow.
            if (j >= text_.size())
                break;
            if (k < positions.size() && n == positions[k]) {
                collected += word;
                collected += ' ';
                ++k;
            }
            i = j;
        }
        return TrimRight(collected);
    }
};

// The keywords that fill each column, in table order, with the finder their
// name shares. The pass asks for them column by column; looking them up once
// per file keeps a row linear in the number of keywords.
class ColumnKeywords {
public:
    ColumnKeywords(
        const std::vector<std::string>& columns, const std::vector<Keyword>& keywords, Extractors& extractors)
        : columns_(columns)
    {
        // Columns of one name form one group, named after the first of them.
        slots_.reset(std::max<std::size_t>(2, 2 * columns.size()));
        columnGroup_.reserve(columns.size());
        for (std::size_t a = 0; a < columns.size(); ++a) {
            Slot& slot = slotOf(columns[a]);
            if (slot.column == NoColumn)
                slot.column = static_cast<std::uint32_t>(a);
            columnGroup_.push_back(slot.column);
        }

        // A stable counting sort of the keywords by the group of their name.
        std::vector<std::uint32_t> keywordGroup(keywords.size(), NoColumn);
        start_.assign(columns.size() + 1, 0);
        for (std::size_t k = 0; k < keywords.size(); ++k) {
            const std::uint32_t group = slotOf(keywords[k].name).column;
            keywordGroup[k] = group;
            if (group != NoColumn)
                ++start_[group + 1];
        }
        for (std::size_t g = 1; g < start_.size(); ++g)
            start_[g] += start_[g - 1];
        std::vector<std::size_t> fill(start_.begin(), start_.end() - 1);
        keywords_.resize(start_.back());
        finders_.assign(columns.size(), nullptr);
        for (std::size_t k = 0; k < keywords.size(); ++k) {
            const std::uint32_t group = keywordGroup[k];
            if (group == NoColumn)
                continue;
            keywords_[fill[group]++] = &keywords[k];
            if (!finders_[group] && !keywords[k].name.empty())
                finders_[group] = &extractors.addKeyword(keywords[k].name);
        }
        slots_.reset(1);
    }

    // Every keyword named like the column, in table order.
    std::span<const Keyword* const> of(std::size_t column) const
    {
        const std::size_t group = columnGroup_[column];
        return std::span<const Keyword* const>(keywords_).subspan(start_[group], start_[group + 1] - start_[group]);
    }

    // The finder of the column's name; none when no keyword or only keywords without a name fill it.
    MarkerFinder* finder(std::size_t column) const { return finders_[columnGroup_[column]]; }

private:
    static constexpr std::uint32_t NoColumn = UINT32_MAX;

    // A flat table from names to columns, probed in place: a map with a node
    // per name would cost an allocation and a cache miss per keyword.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t column = NoColumn;
        bool free() const { return column == NoColumn; }
    };

    const std::vector<std::string>& columns_;
    FlatTable<Slot> slots_;
    std::vector<std::uint32_t> columnGroup_;
    std::vector<std::size_t> start_; // group g's keywords are [start_[g], start_[g + 1])
    std::vector<const Keyword*> keywords_;
    std::vector<MarkerFinder*> finders_; // by group

    // The slot holding `name`, or the free slot where it would go (its hash
    // set, ready for the column).
    Slot& slotOf(std::string_view name)
    {
        const std::size_t hash = std::hash<std::string_view>()(name);
        const auto shortHash = static_cast<std::uint32_t>(hash);
        Slot& slot = slots_.find(
            hash, [&](const Slot& there) { return there.hash == shortHash && columns_[there.column] == name; });
        if (slot.free())
            slot.hash = shortHash;
        return slot;
    }
};

// Writes the consumed text back to the caller's string however the pass ends.
class WriteBack {
public:
    WriteBack(std::string& target, Extractors& extractors)
        : target_(target)
        , extractors_(extractors)
    {
    }
    ~WriteBack() { target_ = extractors_.text().take(); }

private:
    std::string& target_;
    Extractors& extractors_;
};

// Steps one to three: a leading space, backspace, tab, line feed and carriage
// return to spaces, then runs of spaces to one. The literal loop halves every
// run per round (a run of k spaces becomes one of (k + 1) / 2) and yields once
// per round, so the rounds are counted on the longest run.
std::string normaliseWhiteSpace(const std::string& text, Hook& hook)
{
    std::string out(text.size() + 1, ' ');
    char* w = out.data() + 1;
    const char* in = text.data();
    const std::size_t size = text.size();
    std::size_t run = 1; // spaces just written or skipped
    std::size_t longest = 1;
    for (std::size_t i = 0; i < size;) {
        // Copy up to the next white-space character in one piece.
        const std::size_t hit = scan::FindWhiteSpace(in, i, size);
        if (hit > i) {
            std::memcpy(w, in + i, hit - i);
            w += hit - i;
            run = 0;
            i = hit;
        }
        for (; i < size; ++i) {
            const char c = in[i];
            if (c != ' ' && c != '\x08' && c != '\t' && c != '\n' && c != '\r')
                break;
            if (++run == 1)
                *w++ = ' ';
        }
        longest = std::max(longest, run);
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    for (std::size_t k = longest; k >= 2; k = (k + 1) / 2)
        hook.yield();
    return out;
}

} // namespace

std::string NextEmail(std::string& text, Hook& hook)
{
    Extractors extractors(text);
    WriteBack back(text, extractors);
    return extractors.nextEmail(hook);
}

std::string NextWebSite(std::string& text, Hook& hook)
{
    Extractors extractors(text);
    WriteBack back(text, extractors);
    return extractors.nextWebSite(hook);
}

std::string NextKeywordResult(std::string& text, const Keyword& keyword, Hook& hook)
{
    Extractors extractors(text);
    WriteBack back(text, extractors);
    MarkerFinder* finder = keyword.name.empty() ? nullptr : &extractors.addKeyword(keyword.name);
    std::string result = extractors.nextKeywordResult(keyword, finder, hook);
    if (!extractors.positionProblem().empty())
        throw PositionError(extractors.positionProblem());
    return result;
}

std::string NormaliseForExtraction(const std::string& text, Hook& hook)
{
    return normaliseWhiteSpace(text, hook);
}

FindingsResult ExtractFindings(std::string& text, const ExtractSetup& setup, RowSink& rows, Hook& hook)
{
    Extractors extractors(setup.textNormalised ? std::move(text) : normaliseWhiteSpace(text, hook));
    std::optional<WriteBack> back;
    if (setup.giveBackText)
        back.emplace(text, extractors);
    // The normalised copy is all the pass reads: the page is held once.
    text.clear();
    text.shrink_to_fit();

    const std::vector<std::string>& columns = setup.columns;
    const std::vector<Keyword> noKeywords;
    const ColumnKeywords columnKeywords(columns, setup.keywordOn ? setup.keywords : noKeywords, extractors);
    extractors.findKeywordsAhead();
    // The listed values of each column, by position; null for the others.
    std::vector<const std::vector<std::string>*> listedOf(columns.size(), nullptr);
    for (const ExtractSetup::ListedColumn& listed : setup.listed) {
        for (std::size_t a = 0; a < columns.size(); ++a)
            if (columns[a] == listed.name)
                listedOf[a] = &listed.values;
    }
    FindingsResult result;
    const std::size_t limit = setup.findingsLimit == 0 ? SIZE_MAX : setup.findingsLimit;
    std::size_t kept = 0; // the bytes of the rows before this one
    std::size_t inRow = 0;
    // Stores a value, unless the findings would pass their limit: then the
    // row in progress goes and the pass ends.
    auto store = [&](std::size_t column, std::string value) {
        inRow += value.size();
        if (inRow > limit - kept) {
            rows.deleteLastRow();
            result.cut = true;
            return false;
        }
        rows.setValue(column, std::move(value));
        return true;
    };
    std::size_t row = 0;
    bool rowHasFinding = true;
    while (rowHasFinding) {
        hook.yield();
        if (hook.cancelRequested()) {
            result.outcome = Outcome::Cancelled;
            return result;
        }

        rows.addRow();
        rowHasFinding = false;
        kept += inRow;
        inRow = 0;

        for (std::size_t a = 0; a < columns.size(); ++a) {
            const std::string& n = columns[a];
            hook.yield();

            if (n == "Email") {
                if (!store(a, extractors.nextEmail(hook)))
                    return result;
                StepFileProgress(hook, 100.0f);
                if (!rows.value(a).empty())
                    rowHasFinding = true;
                if (hook.cancelRequested()) {
                    result.outcome = Outcome::Cancelled;
                    return result;
                }
            }
            if (n == "WebSite") {
                if (!store(a, extractors.nextWebSite(hook)))
                    return result;
                StepFileProgress(hook, 100.0f);
                if (!rows.value(a).empty())
                    rowHasFinding = true;
                if (hook.cancelRequested()) {
                    result.outcome = Outcome::Cancelled;
                    return result;
                }
            }
            if (setup.keywordOn) {
                for (const Keyword* keyword : columnKeywords.of(a)) {
                    std::string value = extractors.nextKeywordResult(*keyword, columnKeywords.finder(a), hook);
                    if (!extractors.positionProblem().empty()) {
                        result.positionProblem = extractors.positionProblem();
                        return result;
                    }
                    if (!store(a, std::move(value)))
                        return result;
                    StepFileProgress(hook, 100.0f);
                    if (!rows.value(a).empty())
                        rowHasFinding = true;
                    if (hook.cancelRequested()) {
                        result.outcome = Outcome::Cancelled;
                        return result;
                    }
                }
            }
            if (n == "ProcessTime" && !store(a, setup.processTime ? setup.processTime() : std::string()))
                return result;
            if (n == "FileName" && !store(a, setup.filePath))
                return result;
            if (const std::vector<std::string>* values = listedOf[a]) {
                const bool left = row < values->size();
                if (!store(a, left ? (*values)[row] : std::string()))
                    return result;
                if (left)
                    rowHasFinding = true;
            }
        }
        ++row;
    }
    // The row in which every extractor came up empty.
    rows.deleteLastRow();

    hook.setFileProgress(100.0f);
    return result;
}

} // namespace tamsenor::text
