#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/unicode/Utf8Codec.hpp"

namespace text {

class TableReader;
class TableWriter;

// Decodes the character at the start of well-formed UTF-8 into codepoint; returns its length.
inline std::size_t NextCodepoint(const unsigned char* bytes, char32_t& codepoint) {
    const unsigned lead = bytes[0];
    if (lead < 0x80) {
        codepoint = lead;
        return 1;
    }
    if (lead < 0xE0) {
        codepoint = ((lead & 0x1Fu) << 6) | (bytes[1] & 0x3Fu);
        return 2;
    }
    if (lead < 0xF0) {
        codepoint = ((lead & 0x0Fu) << 12) | ((bytes[1] & 0x3Fu) << 6) | (bytes[2] & 0x3Fu);
        return 3;
    }
    codepoint = ((lead & 0x07u) << 18) | ((bytes[1] & 0x3Fu) << 12) | ((bytes[2] & 0x3Fu) << 6) |
                (bytes[3] & 0x3Fu);
    return 4;
}

// A trie over Unicode code points whose edges live in one open-addressing hash table keyed by
// (node, code point), at most three quarters full: compact, and about one probe per character.
// A filter of four bits per slot answers most misses without touching the table.
class CodepointTrie {
  public:
    static constexpr std::uint32_t kRoot = 0;
    static constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

    CodepointTrie();
    // Reads tables that Save wrote; throws TableStreamError when they are damaged.
    explicit CodepointTrie(TableReader& in);
    void Save(TableWriter& out) const;

    // The node that key's characters lead to from the root, created as needed. key must be
    // well-formed UTF-8.
    std::uint32_t Insert(std::string_view key);

    // The node that key leads to, or kNoNode.
    std::uint32_t Find(std::string_view key) const;

    // The child of node along codepoint, or kNoNode.
    std::uint32_t Child(std::uint32_t node, char32_t codepoint) const {
        const std::uint64_t key = KeyOf(node, codepoint);
        const std::uint64_t bit = (key * 0xC2B2AE3D27D4EB4Full) >> filterShift_;
        if ((filter_[bit >> 6] & (std::uint64_t{1} << (bit & 63))) == 0) {
            return kNoNode;
        }
        for (std::size_t slot = SlotOf(key);; slot = (slot + 1) & mask_) {
            const Edge& edge = edges_[slot];
            if (edge.node == node && edge.codepoint == codepoint) {
                return edge.child;
            }
            if (edge.node == kNoNode) {
                return kNoNode;
            }
        }
    }

    // Makes room for edges more edges (about one per character of the keys to come), so that
    // inserting them does not rehash.
    void Reserve(std::size_t edges);

    // Nodes are numbered from kRoot up to NodeCount() - 1.
    std::size_t NodeCount() const { return nodeCount_; }
    // Bytes held by the tables.
    std::size_t MemoryBytes() const {
        return edges_.capacity() * sizeof(Edge) + filter_.capacity() * sizeof(std::uint64_t);
    }

  private:
    struct Edge {
        std::uint32_t node;
        char32_t codepoint;
        std::uint32_t child;
    };

    static std::uint64_t KeyOf(std::uint32_t node, char32_t codepoint) {
        return (std::uint64_t{node} << 21) | codepoint;
    }
    std::size_t SlotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    void AddEdge(const Edge& edge);
    void Rehash(std::size_t capacity);

    std::vector<Edge> edges_;
    std::size_t mask_ = 0;
    unsigned shift_ = 0;
    std::vector<std::uint64_t> filter_;  // one bit per hash of (node, code point)
    unsigned filterShift_ = 0;
    std::size_t edgeCount_ = 0;
    std::uint32_t nodeCount_ = 1;
};

}  // namespace text
