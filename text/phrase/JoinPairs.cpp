#include "text/phrase/JoinPairs.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "text/phrase/CodepointTrie.hpp"

namespace text {
namespace {

char32_t FirstOf(std::string_view text) {
    char32_t codepoint = 0;
    NextCodepoint(reinterpret_cast<const unsigned char*>(text.data()), codepoint);
    return codepoint;
}

void SortUnique(std::vector<char32_t>& characters) {
    std::sort(characters.begin(), characters.end());
    characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
}

// What a step may make of text that starts with a character that starts some of its keys.
struct Start {
    std::vector<char32_t> heads;   // the first characters of those keys' values
    bool emptyValue = false;       // a value is empty: what follows the key comes first
    bool oneCharacterKey = false;  // a key matches there whatever follows: never kept
};
using Starts = std::unordered_map<char32_t, Start>;

Starts StartsOf(const DictionaryGroup& group) {
    Starts starts;
    for (const SharedDictionary& dictionary : group) {
        for (const DictionaryEntry& entry : *dictionary) {
            Start& start = starts[FirstOf(entry.key)];
            if (entry.value.empty()) {
                start.emptyValue = true;
            } else {
                start.heads.push_back(FirstOf(entry.value));
            }
            start.oneCharacterKey = start.oneCharacterKey || CharacterCount(entry.key) == 1;
        }
    }
    for (auto& [character, start] : starts) {
        SortUnique(start.heads);
    }
    return starts;
}

Heads Through(const Heads& heads, const Starts& starts) {
    Heads next{{}, heads.unknown};
    for (const char32_t head : heads.characters) {
        const auto found = starts.find(head);
        if (found == starts.end()) {
            next.characters.push_back(head);
            continue;
        }
        const Start& start = found->second;
        next.characters.insert(next.characters.end(), start.heads.begin(), start.heads.end());
        if (!start.oneCharacterKey) {
            next.characters.push_back(head);
        }
        next.unknown = next.unknown || start.emptyValue;
    }
    SortUnique(next.characters);
    return next;
}

// For one step: the characters that follow a suffix of one of the texts in some key.
class Continuations {
  public:
    Continuations(const std::vector<std::vector<std::string>>& textsBefore, std::size_t step) {
        for (const std::vector<std::string>& texts : textsBefore) {
            const std::string& text = texts[step];
            for (std::size_t at = 0; at < text.size(); at += CharacterLengthAt(text, at)) {
                const std::uint32_t node = suffixes_.Insert(std::string_view(text).substr(at));
                if (node >= isSuffix_.size()) {
                    isSuffix_.resize(node + 1, false);
                }
                isSuffix_[node] = true;
            }
        }
        isSuffix_.resize(suffixes_.NodeCount(), false);
        following_.resize(suffixes_.NodeCount());
    }

    void Scan(const DictionaryGroup& group) {
        for (const SharedDictionary& dictionary : group) {
            for (const DictionaryEntry& entry : *dictionary) {
                const auto* bytes = reinterpret_cast<const unsigned char*>(entry.key.data());
                std::uint32_t node = CodepointTrie::kRoot;
                for (std::size_t at = 0; at < entry.key.size() && node != CodepointTrie::kNoNode;) {
                    char32_t codepoint = 0;
                    at += NextCodepoint(bytes + at, codepoint);
                    if (isSuffix_[node]) {
                        following_[node].push_back(codepoint);
                    }
                    node = suffixes_.Child(node, codepoint);
                }
            }
        }
    }

    // Every character that follows a suffix of text (one of the texts) in a key; sorted.
    std::vector<char32_t> Of(std::string_view text) const {
        std::vector<char32_t> characters;
        for (std::size_t at = 0; at < text.size(); at += CharacterLengthAt(text, at)) {
            const std::vector<char32_t>& after = following_[suffixes_.Find(text.substr(at))];
            characters.insert(characters.end(), after.begin(), after.end());
        }
        SortUnique(characters);
        return characters;
    }

  private:
    static std::size_t CharacterLengthAt(std::string_view text, std::size_t at) {
        char32_t codepoint = 0;
        return NextCodepoint(reinterpret_cast<const unsigned char*>(text.data() + at), codepoint);
    }

    CodepointTrie suffixes_;
    std::vector<bool> isSuffix_;  // by node; the root, the empty suffix, is none
    std::vector<std::vector<char32_t>> following_;
};

// For one step: by first character of what the steps before made of the text after a
// character, the next characters that may lead to it (any character that starts no key of
// any step leads to itself alone); and those that may lead to any.
struct NextIndex {
    std::unordered_map<char32_t, std::vector<char32_t>> byHead;
    std::vector<char32_t> unknown;
};

NextIndex IndexOf(const ChainHeads& heads, std::size_t step) {
    NextIndex index;
    for (const auto& [next, itsHeads] : heads.All()) {
        if (itsHeads[step].unknown) {
            index.unknown.push_back(next);
        }
        for (const char32_t head : itsHeads[step].characters) {
            index.byHead[head].push_back(next);
        }
    }
    return index;
}

}  // namespace

ChainHeads::ChainHeads(const std::vector<DictionaryGroup>& steps) {
    std::vector<Starts> starts;
    for (const DictionaryGroup& group : steps) {
        starts.push_back(StartsOf(group));
    }
    // Only a key of a step before the last may change what a text starts with before a step.
    for (std::size_t step = 0; step + 1 < steps.size(); ++step) {
        for (const auto& [character, start] : starts[step]) {
            heads_.try_emplace(character, std::vector<Heads>{Heads{{character}, false}});
        }
    }
    for (auto& [character, perStep] : heads_) {
        perStep.reserve(steps.size());
        for (std::size_t step = 0; step + 1 < steps.size(); ++step) {
            perStep.push_back(Through(perStep.back(), starts[step]));
        }
    }
    std::erase_if(heads_, [](const auto& item) {
        return std::all_of(item.second.begin(), item.second.end(), [&](const Heads& heads) {
            return !heads.unknown && heads.characters == std::vector<char32_t>{item.first};
        });
    });
}

std::size_t ChainHeads::MemoryBytes() const {
    std::size_t bytes = heads_.bucket_count() * sizeof(void*);
    for (const auto& [character, perStep] : heads_) {
        bytes += sizeof(character) + sizeof(perStep) + perStep.capacity() * sizeof(Heads);
        for (const Heads& heads : perStep) {
            bytes += heads.characters.capacity() * sizeof(char32_t);
        }
    }
    return bytes;
}

std::vector<std::vector<char32_t>> NextsThatMayJoin(
    const std::vector<DictionaryGroup>& steps, const ChainHeads& heads,
    const std::vector<std::vector<std::string>>& textsBefore) {
    std::vector<std::vector<char32_t>> nexts(textsBefore.size());
    for (std::size_t step = 0; step < steps.size(); ++step) {
        const NextIndex index = IndexOf(heads, step);
        Continuations continuations(textsBefore, step);
        continuations.Scan(steps[step]);
        for (std::size_t i = 0; i < textsBefore.size(); ++i) {
            const std::vector<char32_t> following = continuations.Of(textsBefore[i][step]);
            if (following.empty()) {
                continue;
            }
            std::vector<char32_t>& mayJoin = nexts[i];
            mayJoin.insert(mayJoin.end(), index.unknown.begin(), index.unknown.end());
            for (const char32_t head : following) {
                if (!heads.All().contains(head)) {
                    mayJoin.push_back(head);
                }
                if (const auto found = index.byHead.find(head); found != index.byHead.end()) {
                    mayJoin.insert(mayJoin.end(), found->second.begin(), found->second.end());
                }
            }
        }
    }
    return nexts;
}

}  // namespace text
