#include "text/CodepointTrie.hpp"

#include <bit>

namespace text {
namespace {

constexpr unsigned kInitialBits = 10;

}  // namespace

CodepointTrie::CodepointTrie()
    : edges_(std::size_t{1} << kInitialBits, Edge{kEmpty, kNoNode}),
      mask_((std::uint64_t{1} << kInitialBits) - 1),
      shift_(64 - kInitialBits) {}

std::uint32_t CodepointTrie::Insert(std::string_view key) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
    std::uint32_t node = kRoot;
    for (std::size_t at = 0; at < key.size();) {
        char32_t codepoint = 0;
        at += NextCodepoint(bytes + at, codepoint);
        std::uint32_t child = Child(node, codepoint);
        if (child == kNoNode) {
            child = nodeCount_++;
            AddEdge(EdgeKey(node, codepoint), child);
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

void CodepointTrie::AddEdge(std::uint64_t key, std::uint32_t child) {
    // At most half full, so a miss stops after a probe or two.
    if (2 * (edgeCount_ + 1) > edges_.size()) {
        Grow();
    }
    std::uint64_t slot = SlotOf(key);
    while (edges_[slot].key != kEmpty) {
        slot = (slot + 1) & mask_;
    }
    edges_[slot] = Edge{key, child};
    ++edgeCount_;
}

void CodepointTrie::Grow() {
    std::vector<Edge> old(2 * edges_.size(), Edge{kEmpty, kNoNode});
    old.swap(edges_);
    mask_ = edges_.size() - 1;
    shift_ = 64 - static_cast<unsigned>(std::countr_zero(edges_.size()));
    edgeCount_ = 0;
    for (const Edge& edge : old) {
        if (edge.key != kEmpty) {
            AddEdge(edge.key, edge.child);
        }
    }
}

}  // namespace text
