#include "text/phrase/DictionaryMatcher.hpp"

#include <stdexcept>

namespace text {

namespace {

struct KeySizes {
    std::size_t characters = 0;
    std::size_t valueBytes = 0;
};

KeySizes SizesOf(const DictionaryGroup& group) {
    KeySizes sizes;
    for (const SharedDictionary& dictionary : group) {
        for (const DictionaryEntry& entry : *dictionary) {
            sizes.characters += CharacterCount(entry.key);
            sizes.valueBytes += entry.value.size();
        }
    }
    return sizes;
}

}  // namespace

DictionaryMatcher::DictionaryMatcher(const DictionaryGroup& group) {
    if (group.size() >= kNoRank) {
        throw std::runtime_error("词典组过大");
    }
    // A key adds at most a node a character: the tables are sized once, then trimmed.
    const KeySizes sizes = SizesOf(group);
    trie_.Reserve(sizes.characters);
    ranks_.assign(sizes.characters + 1, kNoRank);
    valueOf_.resize(sizes.characters + 1);
    values_.reserve(sizes.valueBytes);
    for (std::size_t rank = 0; rank < group.size(); ++rank) {
        for (const DictionaryEntry& entry : *group[rank]) {
            const std::uint32_t node = trie_.Insert(entry.key);
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
    ranks_.resize(trie_.NodeCount());
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
