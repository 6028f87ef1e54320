#include "text/phrase/DictionaryMatcher.hpp"

#include <stdexcept>

namespace text {

namespace {

std::size_t KeyCharacters(const DictionaryGroup& group) {
    std::size_t count = 0;
    for (const SharedDictionary& dictionary : group) {
        for (const DictionaryEntry& entry : *dictionary) {
            count += CharacterCount(entry.key);
        }
    }
    return count;
}

}  // namespace

DictionaryMatcher::DictionaryMatcher(const DictionaryGroup& group) {
    if (group.size() >= kNoRank) {
        throw std::runtime_error("词典组过大");
    }
    trie_.Reserve(KeyCharacters(group));
    for (std::size_t rank = 0; rank < group.size(); ++rank) {
        for (const DictionaryEntry& entry : *group[rank]) {
            const std::uint32_t node = trie_.Insert(entry.key);
            if (ranks_.size() < trie_.NodeCount()) {
                ranks_.resize(trie_.NodeCount(), kNoRank);
                valueOf_.resize(trie_.NodeCount());
            }
            // The same key in a later dictionary never wins: the earlier one matches there too.
            if (ranks_[node] != kNoRank) {
                continue;
            }
            ranks_[node] = static_cast<std::uint8_t>(rank);
            valueOf_[node] = {static_cast<std::uint32_t>(values_.size()),
                              static_cast<std::uint32_t>(entry.value.size())};
            values_ += entry.value;
        }
    }
    ranks_.resize(trie_.NodeCount(), kNoRank);
    valueOf_.resize(trie_.NodeCount());
    ranks_.shrink_to_fit();
    valueOf_.shrink_to_fit();
    values_.shrink_to_fit();
}

std::size_t DictionaryMatcher::MemoryBytes() const {
    return trie_.MemoryBytes() + ranks_.capacity() + valueOf_.capacity() * sizeof(Value) +
           values_.capacity();
}

}  // namespace text
