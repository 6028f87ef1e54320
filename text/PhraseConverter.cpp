#include "text/PhraseConverter.hpp"

#include <algorithm>

#include "text/OutputCursor.hpp"

namespace text {
namespace {

constexpr char32_t kBmpSize = 0x10000;

std::string Utf8Of(char32_t codepoint) {
    std::string bytes;
    if (codepoint < 0x80) {
        bytes += static_cast<char>(codepoint);
    } else if (codepoint < 0x800) {
        bytes += static_cast<char>(0xC0 | (codepoint >> 6));
        bytes += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        bytes += static_cast<char>(0xE0 | (codepoint >> 12));
        bytes += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (codepoint >> 18));
        bytes += static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codepoint & 0x3F));
    }
    return bytes;
}

char32_t FirstCodepoint(std::string_view text) {
    char32_t codepoint = 0;
    NextCodepoint(reinterpret_cast<const unsigned char*>(text.data()), codepoint);
    return codepoint;
}

bool AllKeysIn(const Dictionary& dictionary, const DictionaryMatcher& matcher) {
    return std::all_of(dictionary.begin(), dictionary.end(), [&](const DictionaryEntry& entry) {
        const std::uint32_t node = matcher.Trie().Find(entry.key);
        return node != CodepointTrie::kNoNode && matcher.IsKey(node);
    });
}

// The first step's dictionaries that can match somewhere in a run.
DictionaryGroup FirstStepInRuns(const OpenccConfiguration& configuration,
                                const DictionaryMatcher& segmentation) {
    DictionaryGroup group;
    for (const SharedDictionary& dictionary : configuration.chain.front()) {
        const bool segments =
            std::find(configuration.segmentation.begin(), configuration.segmentation.end(),
                      dictionary) != configuration.segmentation.end();
        if (!segments && !AllKeysIn(*dictionary, segmentation)) {
            group.push_back(dictionary);
        }
    }
    return group;
}

}  // namespace

PhraseConverter::PhraseConverter(const std::string& configPath)
    : PhraseConverter(ReadOpenccConfiguration(configPath)) {}

PhraseConverter::PhraseConverter(const OpenccConfiguration& configuration)
    : segmentation_(configuration.segmentation), bmpPlans_(kBmpSize) {
    if (!configuration.chain.empty()) {
        runChain_.reserve(configuration.chain.size());
        runChain_.emplace_back(FirstStepInRuns(configuration, segmentation_));
        for (std::size_t step = 1; step < configuration.chain.size(); ++step) {
            runChain_.emplace_back(configuration.chain[step]);
        }
    }
    std::size_t joiningSteps = 0;
    for (const ChainStep& step : runChain_) {
        reach_ += step.LongestKey() - 1;
        joiningSteps += step.LongestKey() > 1;
    }
    oneJoiningStep_ = joiningSteps <= 1;
    PlanPhrases(configuration);
    PlanCharacters(configuration);
}

void PhraseConverter::PlanPhrases(const OpenccConfiguration& configuration) {
    phraseOutputs_.resize(segmentation_.Trie().NodeCount());
    if (runChain_.empty()) {
        return;
    }
    // A matched segment meets the whole first step, not the part that acts on runs.
    const ChainStep first(configuration.chain.front());
    std::vector<bool> planned(phraseOutputs_.size(), false);
    std::string output;
    std::string spare;
    for (const SharedDictionary& dictionary : configuration.segmentation) {
        for (const DictionaryEntry& entry : *dictionary) {
            const std::uint32_t node = segmentation_.Trie().Find(entry.key);
            if (planned[node]) {
                continue;
            }
            planned[node] = true;
            output.clear();
            ConvertThroughChain(entry.key, first, output, spare);
            phraseOutputs_[node] = {static_cast<std::uint32_t>(phraseText_.size()),
                                    static_cast<std::uint32_t>(output.size())};
            phraseText_ += output;
        }
    }
    phraseText_.shrink_to_fit();
}

void PhraseConverter::PlanCharacters(const OpenccConfiguration& configuration) {
    // A character that starts no key in any step of a run is kept by every step.
    for (std::size_t step = 0; step < runChain_.size(); ++step) {
        const DictionaryGroup group =
            step == 0 ? FirstStepInRuns(configuration, segmentation_) : configuration.chain[step];
        for (const SharedDictionary& dictionary : group) {
            for (const DictionaryEntry& entry : *dictionary) {
                const char32_t first = FirstCodepoint(entry.key);
                CharacterPlan& plan = MutablePlanOf(first);
                plan.output = PlanCharacter(first);
            }
        }
    }
    for (const SharedDictionary& dictionary : configuration.segmentation) {
        for (const DictionaryEntry& entry : *dictionary) {
            const char32_t first = FirstCodepoint(entry.key);
            MutablePlanOf(first).segmentationNode =
                segmentation_.Trie().Child(CodepointTrie::kRoot, first);
        }
    }
    std::sort(astralPlans_.begin(), astralPlans_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (char32_t byte = 0; byte < 128; ++byte) {
        const CharacterPlan& ascii = bmpPlans_[byte];
        plainAscii_[byte] = byte != 0 && ascii.output == kIdentity &&
                            ascii.segmentationNode == CodepointTrie::kNoNode;
    }
    characterOutputs_.shrink_to_fit();
}

// The character's output when no step joins it with its neighbours, whatever they are: each
// step then maps character by character, and so does the chain. Otherwise its reach.
PhraseConverter::CharacterOutput PhraseConverter::PlanCharacter(char32_t codepoint) {
    const std::string character = Utf8Of(codepoint);
    std::string text = character;
    std::string next;
    for (std::size_t step = 0; step < runChain_.size(); ++step) {
        std::size_t joinLength = 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        for (std::size_t at = 0; at < text.size();) {
            char32_t inner = 0;
            at += NextCodepoint(bytes + at, inner);
            joinLength = std::max(joinLength, runChain_[step].JoinLength(inner));
        }
        if (joinLength > 0) {
            std::size_t reach = joinLength - 1;
            for (std::size_t later = step + 1; later < runChain_.size(); ++later) {
                reach += runChain_[later].LongestKey() - 1;
            }
            return kThroughChain |
                   static_cast<CharacterOutput>(std::min<std::size_t>(reach, kReachMask));
        }
        next.clear();
        runChain_[step].Convert(text, next);
        if (next.empty()) {
            // Reaches are counted in characters that have output in every step.
            return kThroughChain;
        }
        text.swap(next);
    }
    if (text == character) {
        return kIdentity;
    }
    if (text.size() > 0xFF || characterOutputs_.size() >= (kThroughChain >> 8)) {
        return kThroughChain;
    }
    const auto offset = static_cast<std::uint32_t>(characterOutputs_.size());
    characterOutputs_ += text;
    return (offset << 8) | static_cast<std::uint32_t>(text.size());
}

PhraseConverter::CharacterPlan& PhraseConverter::MutablePlanOf(char32_t codepoint) {
    if (codepoint < kBmpSize) {
        return bmpPlans_[codepoint];
    }
    // Only while building, and only a few hundred characters lie outside the BMP.
    const auto found = std::find_if(astralPlans_.begin(), astralPlans_.end(),
                                    [&](const auto& item) { return item.first == codepoint; });
    return found != astralPlans_.end()
               ? found->second
               : astralPlans_.emplace_back(codepoint, CharacterPlan{}).second;
}

const PhraseConverter::CharacterPlan& PhraseConverter::AstralPlanOf(char32_t codepoint) const {
    static constexpr CharacterPlan kPlain{};
    const auto found =
        std::lower_bound(astralPlans_.begin(), astralPlans_.end(), codepoint,
                         [](const auto& item, char32_t wanted) { return item.first < wanted; });
    return found != astralPlans_.end() && found->first == codepoint ? found->second : kPlain;
}

void PhraseConverter::ConvertThroughChain(std::string_view segment, const ChainStep& first,
                                          std::string& out, std::string& spare) const {
    if (runChain_.size() == 1) {
        first.Convert(segment, out);
        return;
    }
    std::string& text = spare;
    text.clear();
    first.Convert(segment, text);
    std::string next;
    for (std::size_t step = 1; step + 1 < runChain_.size(); ++step) {
        next.clear();
        runChain_[step].Convert(text, next);
        text.swap(next);
    }
    runChain_.back().Convert(text, out);
}

void PhraseConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    OutputCursor cursor(out, size);
    // Where a step may join characters, the text waits here until the chain can take it: up to
    // the end of the run, or the end of the reach of the last such character.
    std::size_t heldFrom = size;
    std::size_t reachLeft = 0;
    std::string heldOutput;
    std::string spare;
    auto release = [&](std::size_t end) {
        if (heldFrom < end) {
            heldOutput.clear();
            ConvertThroughChain(utf8.substr(heldFrom, end - heldFrom), runChain_.front(),
                                heldOutput, spare);
            cursor.Append(heldOutput);
        }
        heldFrom = size;
    };
    for (std::size_t at = 0; at < size;) {
        if (bytes[at] < 0x80 && plainAscii_[bytes[at]] && heldFrom == size) {
            std::size_t end = at + 1;
            while (end < size && bytes[end] < 0x80 && plainAscii_[bytes[end]]) {
                ++end;
            }
            cursor.Append(utf8.data() + at, end - at);
            at = end;
            continue;
        }
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        const CharacterPlan& plan = PlanOf(codepoint);
        if (plan.segmentationNode != CodepointTrie::kNoNode) {
            const DictionaryMatcher::Match match =
                segmentation_.MatchFrom(plan.segmentationNode, length, utf8.substr(at));
            if (match.length > 0) {
                release(at);
                const Span phrase = phraseOutputs_[match.node];
                cursor.Append(phraseText_.data() + phrase.offset, phrase.length);
                at += match.length;
                continue;
            }
        }
        if (IsThroughChain(plan.output)) {
            const std::size_t reach = plan.output & kReachMask;
            if (heldFrom == size) {
                heldFrom = at;
                reachLeft = reach;
            } else {
                reachLeft = std::max(reachLeft, oneJoiningStep_ ? reach : reach_);
            }
        } else if (heldFrom != size) {
            if (reachLeft == 0) {
                release(at);
            } else {
                --reachLeft;
            }
        }
        if (heldFrom == size) {
            if (plan.output == kIdentity) {
                cursor.Append(utf8.data() + at, length);
            } else {
                cursor.Append(characterOutputs_.data() + (plan.output >> 8), plan.output & 0xFF);
            }
        }
        at += length;
    }
    release(size);
}

std::size_t PhraseConverter::MemoryBytes() const {
    std::size_t bytes = segmentation_.MemoryBytes() + phraseOutputs_.capacity() * sizeof(Span) +
                        phraseText_.capacity() + bmpPlans_.capacity() * sizeof(CharacterPlan) +
                        astralPlans_.capacity() * sizeof(astralPlans_[0]) +
                        characterOutputs_.capacity();
    for (const ChainStep& step : runChain_) {
        bytes += step.MemoryBytes();
    }
    return bytes;
}

}  // namespace text
