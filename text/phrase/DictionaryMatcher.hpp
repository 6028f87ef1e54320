#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/phrase/CodepointTrie.hpp"
#include "text/phrase/OpenccConfiguration.hpp"

namespace text {

class TableReader;
class TableWriter;

// A dictionary group merged into one trie that answers OpenCC's prefix match: at a position,
// the first dictionary of the group that has any key there wins, with its longest key there.
class DictionaryMatcher {
  public:
    struct Match {
        std::size_t length = 0;  // bytes of the winning key; 0 when no key matches
        std::uint32_t node = CodepointTrie::kNoNode;
    };

    explicit DictionaryMatcher(const DictionaryGroup& group);
    // Reads tables that Save wrote; throws TableStreamError when they are damaged.
    explicit DictionaryMatcher(TableReader& in);
    void Save(TableWriter& out) const;

    // The winning key at the start of text.
    Match MatchAt(std::string_view text) const { return MatchFrom(CodepointTrie::kRoot, 0, text); }

    // The winning key at the start of text longer than its first `consumed` bytes, which lead
    // to node (the key that ends at node itself does not count).
    Match MatchFrom(std::uint32_t node, std::size_t consumed, std::string_view text) const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        Match best;
        unsigned bestRank = kNoRank;
        for (std::size_t at = consumed; at < text.size();) {
            char32_t codepoint = 0;
            at += NextCodepoint(bytes + at, codepoint);
            node = trie_.Child(node, codepoint);
            if (node == CodepointTrie::kNoNode) {
                break;
            }
            const unsigned rank = ranks_[node];
            if (rank != kNoRank && rank <= bestRank) {
                bestRank = rank;
                best = {at, node};
            }
        }
        return best;
    }

    // The replacement of the key that ends at node.
    std::string_view ValueAt(std::uint32_t node) const {
        const Value& value = valueOf_[node];
        return std::string_view(values_).substr(value.offset, value.length);
    }

    // True when a key of the group ends at node.
    bool IsKey(std::uint32_t node) const { return ranks_[node] != kNoRank; }

    // The trie of every key of the group.
    const CodepointTrie& Trie() const { return trie_; }
    // Bytes held by the tables.
    std::size_t MemoryBytes() const;

  private:
    static constexpr unsigned kNoRank = 0xFF;

    struct Value {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    CodepointTrie trie_;
    // By node: the place in the group of the dictionary whose key ends there (kNoRank: none),
    // apart from the value so that the walk reads one byte a node.
    std::vector<std::uint8_t> ranks_;
    std::vector<Value> valueOf_;
    std::string values_;
};

}  // namespace text
