#include "text/phrase/PhraseChoices.hpp"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "text/phrase/OutputCursor.hpp"

namespace text {
namespace {

bool LeadsWith(const DictionaryGroup& step, const DictionaryGroup& segmentation) {
    return !segmentation.empty() && step.size() >= segmentation.size() &&
           std::equal(segmentation.begin(), segmentation.end(), step.begin());
}

std::size_t DecidingStep(const OpenccConfiguration& configuration) {
    for (std::size_t step = 0; step < configuration.chain.size(); ++step) {
        if (LeadsWith(configuration.chain[step], configuration.segmentation)) {
            return step;
        }
    }
    return 0;
}

// A form of the deciding step as the steps after it write it.
std::string AfterStep(const RunChain& chain, std::size_t step, std::string_view form) {
    std::string out, buffer, spare;
    {
        OutputCursor cursor(out, form.size());
        chain.Convert(form, step + 1, cursor, buffer, spare);
    }
    return out;
}

template <typename Key>
const std::uint32_t* Lookup(const std::vector<std::pair<Key, std::uint32_t>>& sorted, Key key) {
    const auto found =
        std::lower_bound(sorted.begin(), sorted.end(), key,
                         [](const auto& item, Key wanted) { return item.first < wanted; });
    return found != sorted.end() && found->first == key ? &found->second : nullptr;
}

}  // namespace

PhraseChoices::PhraseChoices(
    const OpenccConfiguration& configuration, const DictionaryMatcher& segmentation,
    const RunChain& chain, const std::function<std::string_view(std::uint32_t node)>& segmentOutput)
    : decidingStep_(DecidingStep(configuration)), uncertain_(0x10000, 0) {
    if (configuration.chain.empty()) {
        return;
    }
    std::unordered_set<char32_t> decided;  // characters an earlier dictionary of the step holds
    for (const SharedDictionary& dictionary : configuration.chain[decidingStep_]) {
        for (const DictionaryEntry& entry : *dictionary) {
            char32_t first = 0;
            const auto* key = reinterpret_cast<const unsigned char*>(entry.key.data());
            const bool single = NextCodepoint(key, first) == entry.key.size();
            if ((single && !decided.insert(first).second) || entry.otherValues.empty()) {
                continue;
            }
            // A key that an earlier dictionary of the group also holds takes that one's value.
            const std::uint32_t node = segmentation.Trie().Find(entry.key);
            const std::uint32_t id = static_cast<std::uint32_t>(choices_.size());
            if (node != CodepointTrie::kNoNode && segmentation.IsKey(node)) {
                if (segmentation.ValueAt(node) == entry.value) {
                    Add(entry, chain, segmentOutput(node));
                    bySegment_.emplace_back(node, id);
                    uncertainNodes_.resize(std::max<std::size_t>(uncertainNodes_.size(), node + 1));
                    uncertainNodes_[node] = 1;
                }
            } else if (single) {
                Add(entry, chain, AfterStep(chain, decidingStep_, entry.value));
                byCharacter_.emplace_back(first, id);
                if (first < uncertain_.size()) {
                    uncertain_[first] = 1;
                }
            }
        }
    }
    std::sort(bySegment_.begin(), bySegment_.end());
    std::sort(byCharacter_.begin(), byCharacter_.end());
}

void PhraseChoices::Add(const DictionaryEntry& entry, const RunChain& chain,
                        std::string_view chosen) {
    UncertainChoice choice{
        static_cast<std::uint32_t>(choices_.size()), entry.key, std::string(chosen), {}};
    for (const std::string& other : entry.otherValues) {
        std::string form = AfterStep(chain, decidingStep_, other);
        if (form != choice.chosen &&
            std::find(choice.alternatives.begin(), choice.alternatives.end(), form) ==
                choice.alternatives.end()) {
            choice.alternatives.push_back(std::move(form));
        }
    }
    // A choice whose forms all come out alike is no choice; its number is kept, unused.
    choices_.push_back(std::move(choice));
}

const UncertainChoice* PhraseChoices::FindSegment(std::uint32_t node) const {
    const std::uint32_t* id = Lookup(bySegment_, node);
    return id != nullptr && !choices_[*id].alternatives.empty() ? &choices_[*id] : nullptr;
}

const UncertainChoice* PhraseChoices::Find(char32_t codepoint) const {
    const std::uint32_t* id = Lookup(byCharacter_, codepoint);
    return id != nullptr && !choices_[*id].alternatives.empty() ? &choices_[*id] : nullptr;
}

}  // namespace text
