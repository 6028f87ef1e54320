#include "text/phrase/RunChain.hpp"

#include "text/unicode/Utf8Codec.hpp"

#include <algorithm>

#include "text/phrase/JoinPairs.hpp"

namespace text {
namespace {

constexpr char32_t kCodepointCount = 0x110000;

std::string Utf8Of(char32_t codepoint) {
    std::string bytes;
    AppendUtf8(codepoint, bytes);
    return bytes;
}

char32_t FirstOf(std::string_view text) {
    char32_t codepoint = 0;
    NextCodepoint(reinterpret_cast<const unsigned char*>(text.data()), codepoint);
    return codepoint;
}

// The longest key of step that starts at a character of text, 0 when none has more than one.
std::size_t JoinLengthIn(const ChainStep& step, std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t joinLength = 0;
    for (std::size_t at = 0; at < text.size();) {
        char32_t codepoint = 0;
        at += NextCodepoint(bytes + at, codepoint);
        joinLength = std::max(joinLength, step.JoinLength(codepoint));
    }
    return joinLength;
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
        if (steps_.back().LongestKey() > 1) {
            ++joiningSteps_;
        }
    }
    std::vector<bool> planned(kCodepointCount, false);
    Isolated isolated;
    for (const DictionaryGroup& group : groups) {
        for (const SharedDictionary& dictionary : group) {
            for (const DictionaryEntry& entry : *dictionary) {
                const char32_t first = FirstOf(entry.key);
                if (!planned[first]) {
                    planned[first] = true;
                    outputs_.emplace_back(first, PlanCharacter(first, isolated));
                }
            }
        }
    }
    ChainHeads heads(groups);
    PlanJoinPairs(groups, heads, isolated);
    heads_.emplace(std::move(heads));
    texts_.append(OutputCursor::kPadding, '\0');  // lets the last text be read padded
    texts_.shrink_to_fit();
}

// A character that no step joins is mapped by each step on its own, so the chain maps it on
// its own too. A character that one may join gets the reach of its keys, and its output alone
// for when the next character cannot be joined with it.
RunChain::Output RunChain::PlanCharacter(char32_t codepoint, Isolated& isolated) {
    const std::string character = Utf8Of(codepoint);
    std::vector<std::string> textsBefore{character};  // before each step, then after the last
    Join join;
    bool joins = false;
    for (std::size_t step = 0; step < steps_.size(); ++step) {
        const std::size_t joinLength = JoinLengthIn(steps_[step], textsBefore.back());
        if (!joins && joinLength > 0) {
            joins = true;
            join.reach = static_cast<std::uint32_t>(joinLength - 1);
            join.nearReach = join.reach;
            for (std::size_t later = step + 1; later < steps_.size(); ++later) {
                join.reach += static_cast<std::uint32_t>(steps_[later].LongestKey() - 1);
            }
        }
        std::string next = ThroughSteps(textsBefore.back(), step, step + 1);
        // Reaches count characters that have output in every step: one without waits.
        joins = joins || next.empty();
        textsBefore.push_back(std::move(next));
    }
    const Output output = Store(textsBefore.back(), character);
    if (!joins && !IsJoin(output)) {
        return output;
    }
    if (joins && !IsJoin(output)) {  // else no room for its output: the chain converts it
        join.alone = output;
        textsBefore.pop_back();
        isolated.characters.push_back(codepoint);
        isolated.joins.push_back(joins_.size());
        isolated.textsBefore.push_back(std::move(textsBefore));
    }
    joins_.push_back(join);
    return kJoin | static_cast<Output>(joins_.size() - 1);
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

// A key may join a character with the next one only where the pairs say so.
void RunChain::PlanJoinPairs(const std::vector<DictionaryGroup>& groups, const ChainHeads& heads,
                             const Isolated& isolated) {
    const std::vector<std::vector<char32_t>> nexts =
        NextsThatMayJoin(groups, heads, isolated.textsBefore);
    for (std::size_t i = 0; i < nexts.size(); ++i) {
        const std::string first = Utf8Of(isolated.characters[i]);
        for (const char32_t next : nexts[i]) {
            joinPairs_.Insert(first + Utf8Of(next));
        }
    }
    for (std::size_t i = 0; i < nexts.size(); ++i) {
        joins_[isolated.joins[i]].pairNode = joinPairs_.Find(Utf8Of(isolated.characters[i]));
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

bool RunChain::ConvertApart(std::string_view segment, std::string_view after, OutputCursor& out,
                            std::string& buffer, std::string& spare) const {
    if (after.empty() || steps_.empty()) {
        Convert(segment, 0, out, buffer, spare);
        return true;
    }
    char32_t next = 0;
    NextCodepoint(reinterpret_cast<const unsigned char*>(after.data()), next);
    const std::vector<char32_t> itself{next};
    std::string_view text = segment;
    for (std::size_t step = 0;; ++step) {
        const Heads* heads = heads_->Of(next, step);
        const std::vector<char32_t>* characters = heads == nullptr ? &itself
                                                  : heads->unknown ? nullptr
                                                                   : &heads->characters;
        if (steps_[step].MayGoOn(text, characters)) {
            return false;
        }
        if (step + 1 == steps_.size()) {
            steps_[step].Convert(text, out);
            return true;
        }
        std::string& into = step % 2 == 0 ? buffer : spare;
        into.clear();
        steps_[step].Convert(text, into);
        text = into;
    }
}

std::size_t RunChain::MemoryBytes() const {
    std::size_t bytes = texts_.capacity() + joins_.capacity() * sizeof(Join) +
                        outputs_.capacity() * sizeof(outputs_[0]) + joinPairs_.MemoryBytes() +
                        (heads_ ? heads_->MemoryBytes() : 0);
    for (const ChainStep& step : steps_) {
        bytes += step.MemoryBytes();
    }
    return bytes;
}

}  // namespace text
