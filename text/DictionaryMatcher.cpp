#include "text/DictionaryMatcher.hpp"

#include <stdexcept>

namespace text {

namespace {

std::size_t CharacterCount(const DictionaryGroup& group) {
    std::size_t count = 0;
    for (const SharedDictionary& dictionary : group) {
        for (const DictionaryEntry& entry : *dictionary) {
            for (const char byte : entry.key) {
                count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
            }
        }
    }
    return count;
}

}  // namespace

DictionaryMatcher::DictionaryMatcher(const DictionaryGroup& group) {
    if (group.size() >= kNoRank) {
        throw std::runtime_error("词典组过大");
    }
    trie_.Reserve(CharacterCount(group));
    for (std::size_t rank = 0; rank < group.size(); ++rank) {
        for (const DictionaryEntry& entry : *group[rank]) {
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

std::size_t DictionaryMatcher::MemoryBytes() const {
    return trie_.MemoryBytes() + terminals_.capacity() * sizeof(Terminal) + values_.capacity();
}

}  // namespace text
