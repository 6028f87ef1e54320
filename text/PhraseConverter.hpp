#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "text/DictionaryMatcher.hpp"
#include "text/OpenccConfiguration.hpp"
#include "text/TextConverter.hpp"

namespace text {

// Converts by phrases exactly as libopencc does with the same configuration, byte for byte, and
// about as fast as the character table. OpenCC splits the text into segments (the longest key
// of its segmentation dictionary, or a run of characters that start none) and runs each segment
// through its chain of dictionary steps. Here a matched segment's output is looked up, computed
// once per key at load time, and a run is converted character by character from a table as
// long as no step could match more than one character in it; only the rest goes through the
// chain as OpenCC would.
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
    // What a character does when it starts no segmentation key: kIdentity, kThroughChain, or
    // the offset and length (offset << 8 | length) of its output in characterOutputs_.
    using CharacterOutput = std::uint32_t;
    static constexpr CharacterOutput kIdentity = 0xFFFFFFFFu;
    static constexpr CharacterOutput kThroughChain = 0xFFFFFFFEu;

    struct CharacterPlan {
        std::uint32_t segmentationNode = CodepointTrie::kNoNode;  // after this character
        CharacterOutput output = kIdentity;
    };

    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;

    // OpenCC's chain over one segment.
    void ConvertThroughChain(std::string_view segment, std::string& out) const;

    void PlanPhrases(const DictionaryGroup& segmentation);
    void PlanCharacters(const OpenccConfiguration& configuration);
    CharacterOutput PlanCharacter(char32_t codepoint,
                                  const std::vector<std::vector<bool>>& leadsByStep);
    const CharacterPlan& PlanOf(char32_t codepoint) const;

    DictionaryMatcher segmentation_;
    std::vector<DictionaryMatcher> chain_;
    std::vector<Span> phraseOutputs_;  // by segmentation node, where a key ends
    std::string phraseText_;
    std::vector<CharacterPlan> bmpPlans_;                          // by code point
    std::vector<std::pair<char32_t, CharacterPlan>> astralPlans_;  // sorted, the rest identity
    std::string characterOutputs_;
    std::array<bool, 128> plainAscii_{};  // copied as it is, in every context
};

}  // namespace text
