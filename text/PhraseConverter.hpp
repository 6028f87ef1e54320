#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "text/ChainStep.hpp"
#include "text/DictionaryMatcher.hpp"
#include "text/OpenccConfiguration.hpp"
#include "text/TextConverter.hpp"

namespace text {

// Converts by phrases exactly as libopencc does with the same configuration, byte for byte, and
// about as fast as the character table. OpenCC splits the text into segments (the longest key
// of its segmentation dictionary, or a run of characters that start none) and runs each segment
// through its chain of dictionary steps. Here a matched segment's output is looked up, computed
// once per key at load time, and a run is converted character by character from a table as
// long as no step could join characters in it. From a character where one could, the run goes
// through the chain until enough characters that no step joins have followed for every step to
// be back in step with the text.
class PhraseConverter final : public TextConverter {
  public:
    // Loads the OpenCC configuration (a .json) and its dictionaries through libopencc; throws
    // std::runtime_error with a readable reason when that fails.
    explicit PhraseConverter(const std::string& configPath);

    // Builds from a configuration already read.
    explicit PhraseConverter(const OpenccConfiguration& configuration);

    // Bytes held by the converter's tables.
    std::size_t MemoryBytes() const;

  private:
    // What a character does in a run: kIdentity; kThroughChain with its reach, when a step may
    // join it with the characters after it; or the offset and length (offset << 8 | length) of
    // its output in characterOutputs_, below kThroughChain.
    using CharacterOutput = std::uint32_t;
    static constexpr CharacterOutput kIdentity = 0xFFFFFFFFu;
    static constexpr CharacterOutput kThroughChain = 0xFE000000u;
    static constexpr CharacterOutput kReachMask = 0xFFFFu;
    static bool IsThroughChain(CharacterOutput output) {
        return (output & 0xFF000000u) == kThroughChain;
    }

    struct CharacterPlan {
        std::uint32_t segmentationNode = CodepointTrie::kNoNode;  // after this character
        CharacterOutput output = kIdentity;
    };

    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;

    // OpenCC's chain over a segment, with first in place of the first step.
    void ConvertThroughChain(std::string_view segment, const ChainStep& first, std::string& out,
                             std::string& spare) const;

    void PlanPhrases(const OpenccConfiguration& configuration);
    void PlanCharacters(const OpenccConfiguration& configuration);
    CharacterOutput PlanCharacter(char32_t codepoint);
    CharacterPlan& MutablePlanOf(char32_t codepoint);
    const CharacterPlan& PlanOf(char32_t codepoint) const {
        return codepoint < bmpPlans_.size() ? bmpPlans_[codepoint] : AstralPlanOf(codepoint);
    }
    const CharacterPlan& AstralPlanOf(char32_t codepoint) const;

    DictionaryMatcher segmentation_;
    // The chain as it acts on runs: a dictionary of the first step whose keys all belong to the
    // segmentation can never match in a run, so it is left out.
    std::vector<ChainStep> runChain_;
    std::vector<Span> phraseOutputs_;  // by segmentation node, where a key ends
    std::string phraseText_;
    std::vector<CharacterPlan> bmpPlans_;                          // by code point
    std::vector<std::pair<char32_t, CharacterPlan>> astralPlans_;  // sorted; absent: identity
    std::string characterOutputs_;
    std::array<bool, 128> plainAscii_{};  // copied as it is, in every context
    // The reach of a character that a step may join with the next ones: how many characters
    // that no step joins may follow it before every step is back in step with the text. A key
    // of L characters reaches at most L - 1 characters past the one it starts at, and each
    // such character has output in every step. When the steps are in step at the character,
    // its own leading keys bound the first joining step; every later step may add its longest
    // key. reach_ is the bound from anywhere: every step's longest key.
    std::size_t reach_ = 0;
    // With one joining step the steps before it never join, so a character's own reach holds
    // wherever it stands.
    bool oneJoiningStep_ = true;
};

}  // namespace text
