#include "text/phrase/CodepointTrie.hpp"

#include <algorithm>
#include <bit>

namespace text {
namespace {

constexpr std::size_t kInitialCapacity = 16;

}  // namespace

CodepointTrie::CodepointTrie() {
    Rehash(kInitialCapacity);
}

std::uint32_t CodepointTrie::Insert(std::string_view key) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    std::uint32_t node = kRoot;
    for (std::size_t at = 0; at < key.size();) {
        char32_t codepoint = 0;
        at += NextCodepoint(bytes + at, codepoint);
        std::uint32_t child = Child(node, codepoint);
        if (child == kNoNode) {
            child = nodeCount_++;
            if (4 * (edgeCount_ + 1) > 3 * edges_.size()) {
                Rehash(2 * edges_.size());
            }
            AddEdge({node, codepoint, child});
        }
        node = child;
    }
    return node;
}

std::uint32_t CodepointTrie::Find(std::string_view key) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    std::uint32_t node = kRoot;
    for (std::size_t at = 0; at < key.size() && node != kNoNode;) {
        char32_t codepoint = 0;
        at += NextCodepoint(bytes + at, codepoint);
        node = Child(node, codepoint);
    }
    return node;
}

void CodepointTrie::Reserve(std::size_t edges) {
    const std::size_t capacity = std::bit_ceil((edgeCount_ + edges) * 4 / 3 + 1);
    if (capacity > edges_.size()) {
        Rehash(capacity);
    }
}

void CodepointTrie::AddEdge(const Edge& edge) {
    const std::uint64_t key = KeyOf(edge.node, edge.codepoint);
    const std::uint64_t bit = (key * 0xC2B2AE3D27D4EB4Full) >> filterShift_;
    filter_[bit >> 6] |= std::uint64_t{1} << (bit & 63);
    std::size_t slot = SlotOf(key);
    while (edges_[slot].node != kNoNode) {
        slot = (slot + 1) & mask_;
    }
    edges_[slot] = edge;
    ++edgeCount_;
}

void CodepointTrie::Rehash(std::size_t capacity) {
    std::vector<Edge> old(capacity, Edge{kNoNode, 0, kNoNode});
    old.swap(edges_);
    mask_ = capacity - 1;
    const auto bits = static_cast<unsigned>(std::countr_zero(capacity));
    shift_ = 64 - bits;
    // Four bits per slot: at most three in sixteen set, so most misses stop there.
    filter_.assign(std::max<std::size_t>(capacity * 4 / 64, 1), 0);
    filterShift_ = 64 - (bits + 2);
    edgeCount_ = 0;
    for (const Edge& edge : old) {
        if (edge.node != kNoNode) {
            AddEdge(edge);
        }
    }
}

}  // namespace text
