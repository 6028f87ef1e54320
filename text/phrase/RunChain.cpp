#include "text/phrase/RunChain.hpp"

#include "text/unicode/Utf8Codec.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace text {
namespace {

constexpr char32_t kCodepointCount = 0x110000;

std::string Utf8Of(char32_t codepoint) {
    std::string bytes;
    AppendUtf8(codepoint, bytes);
    return bytes;
}

std::vector<char32_t> CodepointsOf(std::string_view text) {
    std::vector<char32_t> codepoints;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        char32_t codepoint = 0;
        at += NextCodepoint(bytes + at, codepoint);
        codepoints.push_back(codepoint);
    }
    return codepoints;
}

bool AllKeysIn(const Dictionary& dictionary, const DictionaryMatcher& matcher) {
    return std::all_of(dictionary.begin(), dictionary.end(), [&](const DictionaryEntry& entry) {
        const std::uint32_t node = matcher.Trie().Find(entry.key);
        return node != CodepointTrie::kNoNode && matcher.IsKey(node);
    });
}

// The groups of the chain as they act on runs.
std::vector<DictionaryGroup> GroupsInRuns(const OpenccConfiguration& configuration,
                                          const DictionaryMatcher& segmentation) {
    std::vector<DictionaryGroup> groups = configuration.chain;
    if (!groups.empty()) {
        const DictionaryGroup& segmenting = configuration.segmentation;
        std::erase_if(groups.front(), [&](const SharedDictionary& dictionary) {
            return std::find(segmenting.begin(), segmenting.end(), dictionary) !=
                       segmenting.end() ||
                   AllKeysIn(*dictionary, segmentation);
        });
    }
    return groups;
}

}  // namespace

RunChain::RunChain(const OpenccConfiguration& configuration,
                   const DictionaryMatcher& segmentation) {
    const std::vector<DictionaryGroup> groups = GroupsInRuns(configuration, segmentation);
    steps_.reserve(groups.size());
    for (std::size_t step = 0; step < groups.size(); ++step) {
        steps_.emplace_back(groups[step]);
        reach_ += steps_.back().LongestKey() - 1;
        if (steps_.back().LongestKey() > 1) {
            ++joiningSteps_;
            joiningStep_ = step;
        }
    }
    std::vector<bool> planned(kCodepointCount, false);
    std::vector<Isolated> isolated;
    for (const DictionaryGroup& group : groups) {
        for (const SharedDictionary& dictionary : group) {
            for (const DictionaryEntry& entry : *dictionary) {
                const char32_t first = CodepointsOf(entry.key).front();
                if (!planned[first]) {
                    planned[first] = true;
                    outputs_.emplace_back(first, PlanCharacter(first, isolated));
                }
            }
        }
    }
    if (joiningSteps_ == 1) {
        PlanJoinPairs(groups, isolated);
    }
    texts_.append(OutputCursor::kPadding, '\0');  // lets the last text be read padded
    texts_.shrink_to_fit();
}

// A character that no step joins is mapped by each step on its own, so the chain maps it on
// its own too. A character that one may join gets the reach of its keys; when it is one
// character before the only joining step, also its output alone.
RunChain::Output RunChain::PlanCharacter(char32_t codepoint, std::vector<Isolated>& isolated) {
    const std::string character = Utf8Of(codepoint);
    std::string text = character;
    for (std::size_t step = 0; step < steps_.size(); ++step) {
        std::size_t joinLength = 0;
        const std::vector<char32_t> codepoints = CodepointsOf(text);
        for (const char32_t inner : codepoints) {
            joinLength = std::max(joinLength, steps_[step].JoinLength(inner));
        }
        if (joinLength > 0) {
            Join join;
            join.reach = static_cast<std::uint32_t>(joinLength - 1);
            for (std::size_t later = step + 1; later < steps_.size(); ++later) {
                join.reach += static_cast<std::uint32_t>(steps_[later].LongestKey() - 1);
            }
            if (joiningSteps_ == 1 && codepoints.size() == 1) {
                join.alone = Store(ThroughSteps(text, step, steps_.size()), character);
                isolated.push_back({codepoint, codepoints.front(), joins_.size()});
            }
            joins_.push_back(join);
            return kJoin | static_cast<Output>(joins_.size() - 1);
        }
        text = ThroughSteps(std::move(text), step, step + 1);
        if (text.empty()) {
            // Reaches count characters that have output in every step: this one waits.
            joins_.push_back(Join{});
            return kJoin | static_cast<Output>(joins_.size() - 1);
        }
    }
    const Output output = Store(text, character);
    if (IsJoin(output)) {
        joins_.push_back(Join{});
        return kJoin | static_cast<Output>(joins_.size() - 1);
    }
    return output;
}

RunChain::Output RunChain::Store(std::string_view text, std::string_view character) {
    if (text == character) {
        return kIdentity;
    }
    if (text.size() > 0xFF || texts_.size() >= (kJoin >> 8)) {
        return kJoin;  // no room in an output: the chain converts it
    }
    const auto offset = static_cast<Output>(texts_.size());
    texts_ += text;
    return (offset << 8) | static_cast<Output>(text.size());
}

std::string RunChain::ThroughSteps(std::string text, std::size_t from, std::size_t to) const {
    std::string next;
    for (std::size_t step = from; step < to; ++step) {
        next.clear();
        steps_[step].Convert(text, next);
        text.swap(next);
    }
    return text;
}

// With one joining step, the steps before it map each character on its own, so the joining
// step sees the characters' texts one after the other: a key may start at a character's text
// and go on into the next one's only when that text starts with a second character of such
// a key (or has no characters at all).
void RunChain::PlanJoinPairs(const std::vector<DictionaryGroup>& groups,
                             const std::vector<Isolated>& isolated) {
    std::unordered_map<char32_t, std::vector<char32_t>> secondCharacters;
    for (const SharedDictionary& dictionary : groups[joiningStep_]) {
        for (const DictionaryEntry& entry : *dictionary) {
            const std::vector<char32_t> key = CodepointsOf(entry.key);
            if (key.size() > 1) {
                secondCharacters[key[0]].push_back(key[1]);
            }
        }
    }
    // By first character of their text before the joining step, the characters that a step
    // before it changes; and those it leaves without text.
    std::unordered_map<char32_t, std::vector<char32_t>> changedByFirst;
    std::unordered_set<char32_t> changed;
    std::vector<char32_t> vanishing;
    for (std::size_t step = 0; step < joiningStep_; ++step) {
        for (const SharedDictionary& dictionary : groups[step]) {
            for (const DictionaryEntry& entry : *dictionary) {
                const char32_t first = CodepointsOf(entry.key).front();
                if (!changed.insert(first).second) {
                    continue;
                }
                const std::string before = ThroughSteps(Utf8Of(first), 0, joiningStep_);
                if (before.empty()) {
                    vanishing.push_back(first);
                } else {
                    changedByFirst[CodepointsOf(before).front()].push_back(first);
                }
            }
        }
    }
    for (const Isolated& item : isolated) {
        const std::string first = Utf8Of(item.character);
        std::vector<char32_t> nexts = vanishing;
        for (const char32_t second : secondCharacters[item.beforeJoining]) {
            const auto found = changedByFirst.find(second);
            if (found != changedByFirst.end()) {
                nexts.insert(nexts.end(), found->second.begin(), found->second.end());
            }
            if (!changed.contains(second)) {
                nexts.push_back(second);
            }
        }
        for (const char32_t next : nexts) {
            joinPairs_.Insert(first + Utf8Of(next));
        }
    }
    for (const Isolated& item : isolated) {
        joins_[item.join].pairNode = joinPairs_.Find(Utf8Of(item.character));
    }
}

void RunChain::Convert(std::string_view segment, std::size_t from, OutputCursor& out,
                       std::string& buffer, std::string& spare) const {
    if (from >= steps_.size()) {
        out.Append(segment);
        return;
    }
    if (from + 1 == steps_.size()) {
        steps_[from].Convert(segment, out);
        return;
    }
    buffer.clear();
    steps_[from].Convert(segment, buffer);
    for (std::size_t step = from + 1; step + 1 < steps_.size(); ++step) {
        spare.clear();
        steps_[step].Convert(buffer, spare);
        buffer.swap(spare);
    }
    steps_.back().Convert(buffer, out);
}

std::size_t RunChain::MemoryBytes() const {
    std::size_t bytes = texts_.capacity() + joins_.capacity() * sizeof(Join) +
                        outputs_.capacity() * sizeof(outputs_[0]) + joinPairs_.MemoryBytes();
    for (const ChainStep& step : steps_) {
        bytes += step.MemoryBytes();
    }
    return bytes;
}

}  // namespace text
