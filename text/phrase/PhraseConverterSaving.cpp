// The phrase converter's own tables and its uncertain choices written to a flat stream and read
// back, for the table cache; what serves as an index or a length is checked as it is read.
#include <algorithm>

#include "text/phrase/PhraseChoices.hpp"
#include "text/phrase/PhraseConverter.hpp"
#include "text/phrase/TableStream.hpp"

namespace text {
namespace {

constexpr std::size_t kBmpSize = 0x10000;

}  // namespace

PhraseChoices::PhraseChoices(TableReader& in, std::size_t segmentationNodes)
    : decidingStep_(in.Value<std::uint64_t>()),
      uncertain_(kBmpSize, 0),
      uncertainNodes_(segmentationNodes, 0) {
    // A choice takes at least 28 bytes: its number and three lengths.
    choices_.resize(in.Size(28));
    for (std::uint32_t id = 0; id < choices_.size(); ++id) {
        UncertainChoice& choice = choices_[id];
        choice.id = in.Value<std::uint32_t>();
        choice.source = in.Text();
        choice.chosen = in.Text();
        choice.alternatives = in.Texts();
        // The places collected are grouped by number: a number is its place in the list.
        TableReader::Check(choice.id == id);
    }
    bySegment_ = in.Pairs<std::uint32_t, std::uint32_t>();
    byCharacter_ = in.Pairs<char32_t, std::uint32_t>();
    TableReader::Check(TableReader::SortedByFirst(bySegment_) &&
                       TableReader::SortedByFirst(byCharacter_));
    for (const auto& [node, id] : bySegment_) {
        TableReader::Check(node < segmentationNodes && id < choices_.size());
        uncertainNodes_[node] = 1;
    }
    for (const auto& [character, id] : byCharacter_) {
        TableReader::Check(id < choices_.size());
        if (character < uncertain_.size()) {
            uncertain_[character] = 1;
        }
    }
}

void PhraseChoices::Save(TableWriter& out) const {
    out.Value(static_cast<std::uint64_t>(decidingStep_));
    out.Size(choices_.size());
    for (const UncertainChoice& choice : choices_) {
        out.Value(choice.id);
        out.Text(choice.source);
        out.Text(choice.chosen);
        out.Texts(choice.alternatives);
    }
    out.Pairs(bySegment_);
    out.Pairs(byCharacter_);
}

PhraseConverter::PhraseConverter(TableReader& in)
    : segmentation_(in),
      runChain_(in),
      phraseOutputs_(in.Items<Span>()),
      phraseChanges_(in.Items<std::uint8_t>()),
      phraseText_(in.Text()),
      bmpPlans_(in.Items<CharacterPlan>()),
      astralPlans_(in.Pairs<char32_t, CharacterPlan>()) {
    const std::size_t nodes = segmentation_.Trie().NodeCount();
    choices_ = std::make_unique<const PhraseChoices>(in, nodes);
    TableReader::Check(phraseOutputs_.size() == nodes && phraseChanges_.size() == nodes &&
                       bmpPlans_.size() == kBmpSize && TableReader::SortedByFirst(astralPlans_));
    for (const Span& phrase : phraseOutputs_) {
        TableReader::Check(std::uint64_t{phrase.offset} + phrase.length + OutputCursor::kPadding <=
                           phraseText_.size());
    }
    const auto valid = [&](const CharacterPlan& plan) {
        return (plan.segmentationNode == CodepointTrie::kNoNode || plan.segmentationNode < nodes) &&
               runChain_.IsOutput(plan.output);
    };
    TableReader::Check(std::all_of(bmpPlans_.begin(), bmpPlans_.end(), valid) &&
                       std::all_of(astralPlans_.begin(), astralPlans_.end(),
                                   [&](const auto& item) { return valid(item.second); }));
    for (char32_t byte = 0; byte < 128; ++byte) {
        const CharacterPlan& ascii = bmpPlans_[byte];
        plainAscii_[byte] = byte != 0 && ascii.output == RunChain::kIdentity &&
                            ascii.segmentationNode == CodepointTrie::kNoNode;
    }
}

void PhraseConverter::Save(TableWriter& out) const {
    segmentation_.Save(out);
    runChain_.Save(out);
    out.Items(phraseOutputs_);
    out.Items(phraseChanges_);
    out.Text(phraseText_);
    out.Items(bmpPlans_);
    out.Pairs(astralPlans_);
    choices_->Save(out);
}

}  // namespace text
