#include "text/phrase/PhraseConverter.hpp"

#include <algorithm>
#include <optional>

#include "text/phrase/OutputCursor.hpp"

namespace text {
namespace {

constexpr char32_t kBmpSize = 0x10000;

void NoteChoice(const UncertainChoice* choice, const char* at, UncertainPlaces& places) {
    if (choice != nullptr) {
        places.Note(at, *choice);
    }
}

}  // namespace

PhraseConverter::PhraseConverter(const std::string& configPath)
    : PhraseConverter(ReadOpenccConfiguration(configPath)) {}

PhraseConverter::PhraseConverter(const OpenccConfiguration& configuration)
    : segmentation_(configuration.segmentation),
      runChain_(configuration, segmentation_),
      bmpPlans_(kBmpSize) {
    PlanPhrases(configuration);
    PlanCharacters(configuration);
    choices_ = std::make_unique<const PhraseChoices>(
        configuration, segmentation_, runChain_, [this](std::uint32_t node) {
            const Span phrase = phraseOutputs_[node];
            return std::string_view(phraseText_).substr(phrase.offset, phrase.length);
        });
}

// When the first step's group starts with the segmentation's dictionaries, a segment that is
// a segmentation key meets them first and is that key again for them: the first step gives
// the segmentation's value. Otherwise the whole first step converts it.
void PhraseConverter::PlanPhrases(const OpenccConfiguration& configuration) {
    phraseOutputs_.resize(segmentation_.Trie().NodeCount());
    const DictionaryGroup& segmenting = configuration.segmentation;
    const bool firstStepLeadsWithSegmentation =
        !configuration.chain.empty() && configuration.chain.front().size() >= segmenting.size() &&
        std::equal(segmenting.begin(), segmenting.end(), configuration.chain.front().begin());
    std::optional<ChainStep> first;
    if (!configuration.chain.empty() && !firstStepLeadsWithSegmentation) {
        first.emplace(configuration.chain.front());
    }
    std::vector<bool> planned(phraseOutputs_.size(), false);
    std::string firstOutput;
    std::string buffer;
    std::string spare;
    for (const SharedDictionary& dictionary : segmenting) {
        for (const DictionaryEntry& entry : *dictionary) {
            const std::uint32_t node = segmentation_.Trie().Find(entry.key);
            if (planned[node]) {
                continue;
            }
            planned[node] = true;
            const std::size_t offset = phraseText_.size();
            {
                OutputCursor cursor(phraseText_, entry.key.size());
                if (configuration.chain.empty()) {
                    cursor.Append(entry.key);
                } else if (firstStepLeadsWithSegmentation) {
                    runChain_.Convert(segmentation_.ValueAt(node), 1, cursor, buffer, spare);
                } else {
                    firstOutput.clear();
                    first->Convert(entry.key, firstOutput);
                    runChain_.Convert(firstOutput, 1, cursor, buffer, spare);
                }
            }
            phraseOutputs_[node] = {static_cast<std::uint32_t>(offset),
                                    static_cast<std::uint32_t>(phraseText_.size() - offset)};
        }
    }
    phraseText_.append(OutputCursor::kPadding, '\0');  // lets the last phrase be read padded
    phraseText_.shrink_to_fit();
}

void PhraseConverter::PlanCharacters(const OpenccConfiguration& configuration) {
    for (const auto& [codepoint, output] : runChain_.Outputs()) {
        MutablePlanOf(codepoint).output = output;
    }
    for (const SharedDictionary& dictionary : configuration.segmentation) {
        for (const DictionaryEntry& entry : *dictionary) {
            char32_t first = 0;
            const auto* key = reinterpret_cast<const unsigned char*>(entry.key.data());
            const std::size_t length = NextCodepoint(key, first);
            CharacterPlan& plan = MutablePlanOf(first);
            if (length == entry.key.size() || plan.segmentationNode == CodepointTrie::kRoot) {
                // A one-character key: the walk starts at the root, so that it counts.
                plan.segmentationNode = CodepointTrie::kRoot;
                plan.followers = ~std::uint64_t{0};
                continue;
            }
            char32_t second = 0;
            NextCodepoint(key + length, second);
            plan.segmentationNode = segmentation_.Trie().Child(CodepointTrie::kRoot, first);
            plan.followers |= FollowerBit(second);
        }
    }
    std::sort(astralPlans_.begin(), astralPlans_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (char32_t byte = 0; byte < 128; ++byte) {
        const CharacterPlan& ascii = bmpPlans_[byte];
        plainAscii_[byte] = byte != 0 && ascii.output == RunChain::kIdentity &&
                            ascii.segmentationNode == CodepointTrie::kNoNode;
    }
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
    static constexpr CharacterPlan kKept{};
    const auto found =
        std::lower_bound(astralPlans_.begin(), astralPlans_.end(), codepoint,
                         [](const auto& item, char32_t wanted) { return item.first < wanted; });
    return found != astralPlans_.end() && found->first == codepoint ? found->second : kKept;
}

inline DictionaryMatcher::Match PhraseConverter::PhraseAt(const CharacterPlan& plan,
                                                          std::string_view utf8, std::size_t at,
                                                          std::size_t length) const {
    if (plan.segmentationNode == CodepointTrie::kNoNode ||
        !MayContinue(plan, utf8.substr(at + length))) {
        return {};
    }
    const std::size_t consumed = plan.segmentationNode == CodepointTrie::kRoot ? 0 : length;
    return segmentation_.MatchFrom(plan.segmentationNode, consumed, utf8.substr(at));
}

inline void PhraseConverter::AppendCharacter(RunChain::Output output, std::string_view utf8,
                                             std::size_t at, std::size_t length,
                                             OutputCursor& cursor) const {
    if (output != RunChain::kIdentity) {
        const std::string_view text = runChain_.TextOf(output);
        cursor.AppendPadded(text.data(), text.size());
    } else if (at + OutputCursor::kPadding <= utf8.size()) {
        cursor.AppendPadded(utf8.data() + at, length);
    } else {
        cursor.Append(utf8.data() + at, length);
    }
}

void PhraseConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    Run<false>(utf8, out, nullptr);
}

void PhraseConverter::ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                              UncertainPlaces& places) const {
    Run<true>(utf8, out, &places);
}

template <bool kNoting>
void PhraseConverter::Run(std::string_view utf8, std::string& out, UncertainPlaces* places) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    OutputCursor cursor(out, size);
    // Where a step may join characters, the text waits here until the chain can take it: up to
    // the end of the run, or the end of the reach of the last joining character.
    std::size_t heldFrom = size;
    std::size_t reachLeft = 0;
    std::string buffer, spare;
    auto release = [&](std::size_t end) {
        if (heldFrom < end) {
            runChain_.Convert(utf8.substr(heldFrom, end - heldFrom), 0, cursor, buffer, spare);
        }
        heldFrom = size;
    };
    for (std::size_t at = 0; at < size;) {
        if (heldFrom == size && IsPlainAscii(bytes[at])) {
            std::size_t end = at + 1;
            for (; end < size && IsPlainAscii(bytes[end]); ++end) {
            }
            cursor.Append(utf8.data() + at, end - at);
            at = end;
            continue;
        }
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        const CharacterPlan& plan = PlanOf(codepoint);
        if (const DictionaryMatcher::Match match = PhraseAt(plan, utf8, at, length);
            match.length > 0) {
            if constexpr (kNoting) {
                NoteChoice(choices_->OfSegment(match.node), utf8.data() + at, *places);
            }
            release(at);
            const Span phrase = phraseOutputs_[match.node];
            cursor.AppendPadded(phraseText_.data() + phrase.offset, phrase.length);
            at += match.length;
            continue;
        }
        if constexpr (kNoting) {
            NoteChoice(choices_->OfCharacter(codepoint), utf8.data() + at, *places);
        }
        RunChain::Output output = plan.output;
        if (RunChain::IsJoin(output)) {
            const RunChain::Join& join = runChain_.JoinOf(output);
            if (heldFrom == size && join.alone != RunChain::kJoin &&
                !runChain_.MayJoinNext(join, utf8.substr(at + length))) {
                output = join.alone;
            } else if (heldFrom == size) {
                heldFrom = at;
                reachLeft = join.reach;
            } else {
                reachLeft = std::max<std::size_t>(
                    reachLeft, runChain_.OneJoiningStep() ? join.reach : runChain_.Reach());
            }
        } else if (heldFrom != size && reachLeft-- == 0) {
            release(at);
        }
        if (heldFrom == size) {
            AppendCharacter(output, utf8, at, length, cursor);
        }
        at += length;
    }
    release(size);
}

std::size_t PhraseConverter::MemoryBytes() const {
    return segmentation_.MemoryBytes() + runChain_.MemoryBytes() +
           phraseOutputs_.capacity() * sizeof(Span) + phraseText_.capacity() +
           bmpPlans_.capacity() * sizeof(CharacterPlan) +
           astralPlans_.capacity() * sizeof(astralPlans_[0]);
}

}  // namespace text
