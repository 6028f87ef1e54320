#include "bench/text/PhraseCases.hpp"

#include <array>

#include "text/phrase/CodepointTrie.hpp"

namespace testing_support {
namespace {

// Offsets of the characters of well-formed UTF-8 text, and its length at the end.
std::vector<std::size_t> CharacterStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        starts.push_back(at);
        char32_t ignored = 0;
        at += text::NextCodepoint(bytes + at, ignored);
    }
    starts.push_back(text.size());
    return starts;
}

char32_t FirstCodepoint(const std::string& text) {
    char32_t codepoint = 0;
    text::NextCodepoint(reinterpret_cast<const unsigned char*>(text.data()), codepoint);
    return codepoint;
}

}  // namespace

PhraseCaseGenerator::PhraseCaseGenerator(const text::OpenccConfiguration& configuration,
                                         std::uint64_t seed)
    : random_(seed) {
    auto addGroup = [this](const text::DictionaryGroup& group) {
        for (const text::SharedDictionary& dictionary : group) {
            for (const text::DictionaryEntry& entry : *dictionary) {
                keysByFirst_[FirstCodepoint(entry.key)].push_back(
                    static_cast<std::uint32_t>(keys_.size()));
                keys_.push_back(entry.key);
                values_.push_back(entry.value);
            }
        }
    };
    addGroup(configuration.segmentation);
    for (const text::DictionaryGroup& step : configuration.chain) {
        addGroup(step);
    }
}

const std::string& PhraseCaseGenerator::AnyKey() {
    return keys_[random_() % keys_.size()];
}

// A key, then keys that each start at one of the previous key's characters.
std::string PhraseCaseGenerator::Overlapping() {
    std::string text = AnyKey();
    const int more = 1 + static_cast<int>(random_() % 3);
    for (int i = 0; i < more; ++i) {
        std::string last = text;
        const std::vector<std::size_t> starts = CharacterStarts(last);
        const std::size_t from = starts[random_() % (starts.size() - 1)];
        const auto found = keysByFirst_.find(FirstCodepoint(last.substr(from)));
        if (found == keysByFirst_.end()) {
            text += AnyKey();
            continue;
        }
        const std::vector<std::uint32_t>& candidates = found->second;
        text = last.substr(0, from) + keys_[candidates[random_() % candidates.size()]];
    }
    return text;
}

std::string PhraseCaseGenerator::CutShort() {
    const std::string& key = AnyKey();
    const std::vector<std::size_t> starts = CharacterStarts(key);
    const std::size_t from = random_() % 2 == 0 ? 0 : starts[random_() % (starts.size() - 1)];
    const std::size_t to = starts[1 + random_() % (starts.size() - 1)];
    return from < to ? key.substr(from, to - from) : key;
}

std::string PhraseCaseGenerator::OneCharacter() {
    const std::string& key = AnyKey();
    const std::vector<std::size_t> starts = CharacterStarts(key);
    const std::size_t index = random_() % (starts.size() - 1);
    return key.substr(starts[index], starts[index + 1] - starts[index]);
}

std::string PhraseCaseGenerator::Filler() {
    static const std::array<const char*, 10> kFillers{
        " ", "a", "Chapter 1", "，", "。\n", "😀", "\xF0\xA0\xAE\xB7", "é", "<p>", "0"};
    return kFillers[random_() % kFillers.size()];
}

std::string PhraseCaseGenerator::Next() {
    std::string text;
    const int pieces = 1 + static_cast<int>(random_() % 5);
    for (int i = 0; i < pieces; ++i) {
        switch (random_() % 8) {
            case 0:
            case 1:
                text += AnyKey();
                break;
            case 2:
            case 3:
                text += Overlapping();
                break;
            case 4:
                text += CutShort();
                break;
            case 5:
                text += values_[random_() % values_.size()];
                break;
            case 6:
                text += OneCharacter();
                break;
            default:
                text += Filler();
                break;
        }
    }
    return text;
}

}  // namespace testing_support
