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
    phraseChanges_.resize(phraseOutputs_.size());
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
            phraseChanges_[node] = static_cast<std::uint8_t>(std::min<std::size_t>(
                ChangedCharacters(entry.key, std::string_view(phraseText_).substr(offset)), 0xFF));
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
    OutputCursor cursor(out, utf8.size());
    HeldText held{utf8.size(), 0, {}, {}, places};
    std::size_t changed = 0;  // summed here, where it may stay in a register
    for (std::size_t at = 0; at < utf8.size();) {
        at = held.from == utf8.size() && IsPlainAscii(static_cast<unsigned char>(utf8[at]))
                 ? CopyPlainAscii(utf8, at, cursor)
                 : ConvertCharacterAt<kNoting>(utf8, at, held, cursor, places, changed);
    }
    Release(utf8, utf8.size(), held, cursor);
    if constexpr (kNoting) {
        places->Changed(changed);
    }
}

std::size_t PhraseConverter::CopyPlainAscii(std::string_view utf8, std::size_t at,
                                            OutputCursor& cursor) const {
    std::size_t end = at + 1;
    for (; end < utf8.size() && IsPlainAscii(static_cast<unsigned char>(utf8[end])); ++end) {
    }
    cursor.Append(utf8.data() + at, end - at);
    return end;
}

// Converts the phrase or the character at utf8[at], or holds it back with the text before it;
// returns where the next one starts.
template <bool kNoting>
inline std::size_t PhraseConverter::ConvertCharacterAt(std::string_view utf8, std::size_t at,
                                                       HeldText& held, OutputCursor& cursor,
                                                       UncertainPlaces* places,
                                                       std::size_t& changed) const {
    char32_t codepoint = 0;
    const std::size_t length =
        NextCodepoint(reinterpret_cast<const unsigned char*>(utf8.data() + at), codepoint);
    const CharacterPlan& plan = PlanOf(codepoint);
    if (const DictionaryMatcher::Match match = PhraseAt(plan, utf8, at, length); match.length > 0) {
        if constexpr (kNoting) {
            NoteChoice(choices_->OfSegment(match.node), utf8.data() + at, *places);
        }
        Release(utf8, at, held, cursor);
        const Span phrase = phraseOutputs_[match.node];
        cursor.AppendPadded(phraseText_.data() + phrase.offset, phrase.length);
        if constexpr (kNoting) {
            changed += phraseChanges_[match.node];
        }
        return at + match.length;
    }
    if constexpr (kNoting) {
        NoteChoice(choices_->OfCharacter(codepoint), utf8.data() + at, *places);
    }
    const RunChain::Output output = OutputInRun(plan.output, utf8, at, length, held, cursor);
    if (held.from == utf8.size()) {
        AppendCharacter(output, utf8, at, length, cursor);
        if constexpr (kNoting) {
            changed += output != RunChain::kIdentity;  // kept when the chain keeps it
        }
    }
    return at + length;
}

// The character's output in a run when it is written at once; holds the text back from a
// character that a step may join, and as long as the reach of the last such character lasts.
RunChain::Output PhraseConverter::OutputInRun(RunChain::Output output, std::string_view utf8,
                                              std::size_t at, std::size_t length, HeldText& held,
                                              OutputCursor& cursor) const {
    const bool holding = held.from != utf8.size();
    if (!RunChain::IsJoin(output)) {
        if (holding && held.reachLeft-- == 0) {
            EndOfReach(utf8, at, held, cursor);
        }
        return output;
    }
    const RunChain::Join& join = runChain_.JoinOf(output);
    if (!holding && join.alone != RunChain::kJoin &&
        !runChain_.MayJoinNext(join, utf8.substr(at + length))) {
        return join.alone;
    }
    if (!holding) {
        held.from = at;
        held.reachLeft = runChain_.HoldFor(join);
    } else {
        held.reachLeft = std::max<std::size_t>(held.reachLeft, runChain_.HoldFor(join));
    }
    return output;
}

// The reach of the held text has passed at utf8[at]: it is released where the chain is back in
// step with the text.
void PhraseConverter::EndOfReach(std::string_view utf8, std::size_t at, HeldText& held,
                                 OutputCursor& cursor) const {
    const std::string_view source = utf8.substr(held.from, at - held.from);
    const std::size_t mark = cursor.Size();
    if (runChain_.OneJoiningStep()) {
        Release(utf8, at, held, cursor);
    } else if (runChain_.ConvertApart(source, utf8.substr(at), cursor, held.buffer, held.spare)) {
        CountChanged(source, cursor, mark, held.counting);
        held.from = utf8.size();
    } else {
        // Tried again once as much text has come again, so that a long run is converted a
        // bounded number of times over.
        held.reachLeft = at - held.from;
    }
}

void PhraseConverter::Release(std::string_view utf8, std::size_t end, HeldText& held,
                              OutputCursor& cursor) const {
    if (held.from < end) {
        const std::string_view source = utf8.substr(held.from, end - held.from);
        const std::size_t mark = cursor.Size();
        runChain_.Convert(source, 0, cursor, held.buffer, held.spare);
        CountChanged(source, cursor, mark, held.counting);
    }
    held.from = utf8.size();
}

void PhraseConverter::CountChanged(std::string_view source, const OutputCursor& cursor,
                                   std::size_t mark, UncertainPlaces* counting) {
    if (counting != nullptr) {
        counting->Changed(ChangedCharacters(source, cursor.WrittenSince(mark)));
    }
}

std::size_t PhraseConverter::MemoryBytes() const {
    return segmentation_.MemoryBytes() + runChain_.MemoryBytes() +
           phraseOutputs_.capacity() * sizeof(Span) + phraseChanges_.capacity() +
           phraseText_.capacity() + bmpPlans_.capacity() * sizeof(CharacterPlan) +
           astralPlans_.capacity() * sizeof(astralPlans_[0]);
}

}  // namespace text
