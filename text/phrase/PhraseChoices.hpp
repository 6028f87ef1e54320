#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "text/convert/UncertainPlaces.hpp"
#include "text/phrase/DictionaryMatcher.hpp"
#include "text/phrase/OpenccConfiguration.hpp"
#include "text/phrase/RunChain.hpp"

namespace text {

class TableReader;
class TableWriter;

// The uncertain choices of a phrase configuration: entries of its deciding step (the first step
// that leads with the segmentation's dictionaries, else the first) that offer more than one
// form. A segment the segmentation matched takes its key's entry; a character in a run takes
// its own entry, since no longer key of that step can start in a run.
class PhraseChoices {
  public:
    // segmentOutput gives the converter's output of the segmentation key that ends at a node.
    PhraseChoices(const OpenccConfiguration& configuration, const DictionaryMatcher& segmentation,
                  const RunChain& chain,
                  const std::function<std::string_view(std::uint32_t node)>& segmentOutput);
    // Reads tables that Save wrote, for a segmentation of segmentationNodes nodes; throws
    // TableStreamError when they are damaged.
    PhraseChoices(TableReader& in, std::size_t segmentationNodes);
    void Save(TableWriter& out) const;

    // The choice of the segment whose key ends at node, or null.
    const UncertainChoice* OfSegment(std::uint32_t node) const {
        return node < uncertainNodes_.size() && uncertainNodes_[node] ? FindSegment(node) : nullptr;
    }
    // The choice of a character in a run, or null.
    const UncertainChoice* OfCharacter(char32_t codepoint) const {
        if (codepoint < uncertain_.size()) {
            return uncertain_[codepoint] ? Find(codepoint) : nullptr;
        }
        return Find(codepoint);
    }

  private:
    const UncertainChoice* Find(char32_t codepoint) const;
    const UncertainChoice* FindSegment(std::uint32_t node) const;
    void Add(const DictionaryEntry& entry, const RunChain& chain, std::string_view chosen);

    std::size_t decidingStep_ = 0;
    std::vector<UncertainChoice> choices_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> bySegment_;  // node, choice; sorted
    std::vector<std::pair<char32_t, std::uint32_t>> byCharacter_;     // sorted
    // Bytes, not bits: read for every character and phrase of a report.
    std::vector<std::uint8_t> uncertain_;       // by BMP code point
    std::vector<std::uint8_t> uncertainNodes_;  // by segmentation node: bySegment_ holds it
};

}  // namespace text
