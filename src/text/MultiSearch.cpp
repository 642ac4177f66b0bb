#include "text/MultiSearch.h"

#include <algorithm>
#include <unordered_map>

namespace tamsenor::text {

MultiSearch::MultiSearch(const std::vector<std::string_view>& patterns)
{
    // The tree of prefixes, its edges in a map while it grows.
    std::unordered_map<std::uint64_t, std::uint32_t> edges;
    std::size_t total = 0;
    for (std::string_view pattern : patterns)
        total += pattern.size();
    edges.reserve(total);
    pattern_.assign(1, NoPattern);
    depth_.assign(1, 0);
    for (std::size_t p = 0; p < patterns.size(); ++p) {
        std::uint32_t node = Root;
        for (char c : patterns[p]) {
            const std::uint64_t key = (std::uint64_t(node) << 8) | static_cast<unsigned char>(c);
            auto [at, added] = edges.try_emplace(key, static_cast<std::uint32_t>(pattern_.size()));
            if (added) {
                pattern_.push_back(NoPattern);
                depth_.push_back(depth_[node] + 1);
            }
            node = at->second;
        }
        if (node != Root && pattern_[node] == NoPattern)
            pattern_[node] = static_cast<std::uint32_t>(p);
    }

    // The same edges grouped by node, each node's by byte.
    const std::size_t nodes = pattern_.size();
    std::vector<std::pair<std::uint64_t, std::uint32_t>> sorted(edges.begin(), edges.end());
    edges = {};
    std::sort(sorted.begin(), sorted.end());
    edgeStart_.assign(nodes + 1, 0);
    edgeByte_.resize(sorted.size());
    edgeTarget_.resize(sorted.size());
    for (std::size_t e = 0; e < sorted.size(); ++e) {
        ++edgeStart_[(sorted[e].first >> 8) + 1];
        edgeByte_[e] = static_cast<unsigned char>(sorted[e].first & 0xFF);
        edgeTarget_[e] = sorted[e].second;
    }
    for (std::size_t n = 1; n <= nodes; ++n)
        edgeStart_[n] += edgeStart_[n - 1];
    for (std::uint32_t e = edgeStart_[Root]; e < edgeStart_[Root + 1]; ++e)
        rootNext_[edgeByte_[e]] = edgeTarget_[e];

    // Failure and output links, breadth first: a node's links come from its
    // parent's, which are shallower.
    fail_.assign(nodes, Root);
    output_.assign(nodes, NoNode);
    std::vector<std::uint32_t> queue;
    queue.reserve(nodes);
    for (std::uint32_t e = edgeStart_[Root]; e < edgeStart_[Root + 1]; ++e)
        queue.push_back(edgeTarget_[e]);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t parent = queue[head];
        for (std::uint32_t e = edgeStart_[parent]; e < edgeStart_[parent + 1]; ++e) {
            const std::uint32_t node = edgeTarget_[e];
            const std::uint32_t target = step(fail_[parent], edgeByte_[e]);
            fail_[node] = target;
            output_[node] = pattern_[target] != NoPattern ? target : output_[target];
            queue.push_back(node);
        }
    }
}

std::uint32_t MultiSearch::child(std::uint32_t node, unsigned char c) const
{
    const unsigned char* first = edgeByte_.data() + edgeStart_[node];
    const unsigned char* last = edgeByte_.data() + edgeStart_[node + 1];
    const unsigned char* at = last - first <= 8 ? std::find(first, last, c) : std::lower_bound(first, last, c);
    if (at == last || *at != c)
        return NoNode;
    return edgeTarget_[static_cast<std::size_t>(at - edgeByte_.data())];
}

} // namespace tamsenor::text
