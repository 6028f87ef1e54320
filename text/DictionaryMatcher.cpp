#include "text/DictionaryMatcher.hpp"

#include <stdexcept>

namespace text {

DictionaryMatcher::DictionaryMatcher(const DictionaryGroup& group) {
    if (group.size() >= kNoRank) {
        throw std::runtime_error("词典组过大");
    }
    for (std::size_t rank = 0; rank < group.size(); ++rank) {
        for (const DictionaryEntry& entry : group[rank]) {
            const std::uint32_t node = trie_.Insert(entry.key);
            if (terminals_.size() < trie_.NodeCount()) {
                terminals_.resize(trie_.NodeCount());
            }
            // The same key in a later dictionary never wins: the earlier one matches there too.
            if (terminals_[node].rank != kNoRank) {
                continue;
            }
            if (entry.value.size() > 0xFFFF) {
                throw std::runtime_error("词典的替换文字过长");
            }
            terminals_[node] = {static_cast<std::uint32_t>(values_.size()),
                                static_cast<std::uint16_t>(entry.value.size()),
                                static_cast<std::uint8_t>(rank)};
            values_ += entry.value;
        }
    }
    terminals_.resize(trie_.NodeCount());
    terminals_.shrink_to_fit();
    values_.shrink_to_fit();
}

DictionaryMatcher::Match DictionaryMatcher::MatchAt(std::string_view text) const {
    return MatchFrom(CodepointTrie::kRoot, 0, text);
}

void DictionaryMatcher::ConvertSegment(std::string_view segment, std::string& out) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(segment.data());
    for (std::size_t at = 0; at < segment.size();) {
        const Match match = MatchAt(segment.substr(at));
        if (match.length > 0) {
            out += ValueAt(match.node);
            at += match.length;
            continue;
        }
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        out.append(segment.substr(at, length));
        at += length;
    }
}

std::size_t DictionaryMatcher::MemoryBytes() const {
    return trie_.MemoryBytes() + terminals_.capacity() * sizeof(Terminal) + values_.capacity();
}

}  // namespace text
