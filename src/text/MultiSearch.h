#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tamsenor::text {

// Finds the occurrences of many literal byte strings in one pass over a text
// (an Aho-Corasick automaton), so that the work grows with the text and the
// occurrences, not with the number of strings times the text.
class MultiSearch {
public:
    // `patterns`: distinct, none empty; they need not outlive the search.
    explicit MultiSearch(const std::vector<std::string_view>& patterns);

    // Calls found(pattern, start) for every occurrence of every pattern in
    // `text` (overlapping ones too), in the order of their last byte; two
    // that end together come longest first.
    template <class Found> void forEach(std::string_view text, Found&& found) const
    {
        std::uint32_t state = Root;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            state = step(state, c);
            for (std::uint32_t x = pattern_[state] != NoPattern ? state : output_[state]; x != NoNode;
                 x = output_[x]) {
                const std::uint32_t p = pattern_[x];
                found(p, i + 1 - depth_[x]);
            }
        }
    }

private:
    static constexpr std::uint32_t Root = 0;
    static constexpr std::uint32_t NoNode = UINT32_MAX;
    static constexpr std::uint32_t NoPattern = UINT32_MAX;

    // Node n's edges are edgeByte_/edgeTarget_[edgeStart_[n], edgeStart_[n + 1]), by byte.
    std::vector<std::uint32_t> edgeStart_;
    std::vector<unsigned char> edgeByte_;
    std::vector<std::uint32_t> edgeTarget_;
    std::uint32_t rootNext_[256] {}; // the root's moves, every byte (Root where none)
    std::vector<std::uint32_t> fail_; // the longest proper suffix that is a node
    std::vector<std::uint32_t> output_; // the nearest node along fail_ that ends a pattern
    std::vector<std::uint32_t> pattern_; // the pattern ending here, or NoPattern
    std::vector<std::uint32_t> depth_;

    std::uint32_t child(std::uint32_t node, unsigned char c) const;

    std::uint32_t step(std::uint32_t state, unsigned char c) const
    {
        for (;;) {
            if (state == Root)
                return rootNext_[c];
            const std::uint32_t next = child(state, c);
            if (next != NoNode)
                return next;
            state = fail_[state];
        }
    }
};

} // namespace tamsenor::text
