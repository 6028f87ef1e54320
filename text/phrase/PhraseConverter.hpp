#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "text/convert/TextConverter.hpp"
#include "text/phrase/DictionaryMatcher.hpp"
#include "text/phrase/OpenccConfiguration.hpp"
#include "text/phrase/OutputCursor.hpp"
#include "text/phrase/PhraseChoices.hpp"
#include "text/phrase/RunChain.hpp"

namespace text {

class TableReader;
class TableWriter;

// Converts by phrases exactly as libopencc does with the same configuration, byte for byte, and
// about as fast as the character table. OpenCC splits the text into segments (the longest key
// of its segmentation dictionary, or a run of characters that start none) and runs each segment
// through its chain of dictionary steps. Here a matched segment's output is looked up, computed
// once per key at load time, and a run is converted character by character from a table as
// long as no step joins characters in it. Text that a step may join goes through the chain,
// from the joining character to the end of its reach.
class PhraseConverter final : public TextConverter {
  public:
    // Loads the OpenCC configuration (a .json) and its dictionaries through libopencc; throws
    // std::runtime_error with a readable reason when that fails.
    explicit PhraseConverter(const std::string& configPath);

    // Builds from a configuration already read.
    explicit PhraseConverter(const OpenccConfiguration& configuration);

    // Reads tables that Save wrote (text/phrase/TableCache reads and writes them with their
    // checks); throws TableStreamError when they are damaged.
    explicit PhraseConverter(TableReader& in);
    void Save(TableWriter& out) const;

    // Bytes held by the converter's tables.
    std::size_t MemoryBytes() const;

  private:
    struct CharacterPlan {
        std::uint32_t segmentationNode = CodepointTrie::kNoNode;  // after this character
        RunChain::Output output = RunChain::kIdentity;            // in a run
        // One bit per hash of a character that follows this one in a segmentation key: most
        // characters that do not continue a key stop here, before the trie.
        std::uint64_t followers = 0;
    };

    static std::uint64_t FollowerBit(char32_t codepoint) {
        return std::uint64_t{1} << ((codepoint * 0x9E3779B1u) >> 26);
    }
    // True unless no segmentation key longer than one character starts at the character of
    // plan followed by text.
    bool MayContinue(const CharacterPlan& plan, std::string_view text) const {
        if (plan.segmentationNode == CodepointTrie::kRoot) {
            return true;
        }
        if (text.empty()) {
            return false;
        }
        char32_t codepoint = 0;
        NextCodepoint(reinterpret_cast<const unsigned char*>(text.data()), codepoint);
        return (plan.followers & FollowerBit(codepoint)) != 0;
    }

    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    // Where a step may join characters, the text waits from `from` until the chain can take it:
    // up to the end of the run, or the end of the reach of the last joining character. From the
    // end of the text: nothing waits.
    struct HeldText {
        std::size_t from;
        std::size_t reachLeft = 0;  // characters that no step joins before the reach ends
        std::string buffer;         // the chain's steps' outputs in between
        std::string spare;
        UncertainPlaces* counting = nullptr;  // counts the changed characters when released
    };

    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;
    void ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                 UncertainPlaces& places) const override;
    // The conversion; with kNoting, every uncertain choice taken goes to places.
    template <bool kNoting>
    void Run(std::string_view utf8, std::string& out, UncertainPlaces* places) const;
    std::size_t CopyPlainAscii(std::string_view utf8, std::size_t at, OutputCursor& cursor) const;
    // Inlined, so that both loops, with a report and without, keep their hot path in one piece.
    template <bool kNoting>
    [[gnu::always_inline]] std::size_t ConvertCharacterAt(std::string_view utf8, std::size_t at,
                                                          HeldText& held, OutputCursor& cursor,
                                                          UncertainPlaces* places,
                                                          std::size_t& changed) const;
    RunChain::Output OutputInRun(RunChain::Output output, std::string_view utf8, std::size_t at,
                                 std::size_t length, HeldText& held, OutputCursor& cursor) const;
    void EndOfReach(std::string_view utf8, std::size_t at, HeldText& held,
                    OutputCursor& cursor) const;
    void Release(std::string_view utf8, std::size_t end, HeldText& held,
                 OutputCursor& cursor) const;
    static void CountChanged(std::string_view source, const OutputCursor& cursor, std::size_t mark,
                             UncertainPlaces* counting);
    bool IsPlainAscii(unsigned char byte) const { return byte < 0x80 && plainAscii_[byte]; }
    // The segmentation key that starts at utf8[at], whose first character has plan and length.
    [[gnu::always_inline]] DictionaryMatcher::Match PhraseAt(const CharacterPlan& plan,
                                                             std::string_view utf8, std::size_t at,
                                                             std::size_t length) const;
    void AppendCharacter(RunChain::Output output, std::string_view utf8, std::size_t at,
                         std::size_t length, OutputCursor& cursor) const;

    void PlanPhrases(const OpenccConfiguration& configuration);
    void PlanCharacters(const OpenccConfiguration& configuration);
    CharacterPlan& MutablePlanOf(char32_t codepoint);
    const CharacterPlan& PlanOf(char32_t codepoint) const {
        return codepoint < bmpPlans_.size() ? bmpPlans_[codepoint] : AstralPlanOf(codepoint);
    }
    const CharacterPlan& AstralPlanOf(char32_t codepoint) const;

    DictionaryMatcher segmentation_;
    RunChain runChain_;
    std::vector<Span> phraseOutputs_;  // by segmentation node, where a key ends
    // By segmentation node: the characters the key's output changes (at most 255), for a report.
    std::vector<std::uint8_t> phraseChanges_;
    std::string phraseText_;
    std::vector<CharacterPlan> bmpPlans_;                          // by code point
    std::vector<std::pair<char32_t, CharacterPlan>> astralPlans_;  // sorted; absent: kept
    std::array<bool, 128> plainAscii_{};  // copied as it is, in every context
    std::unique_ptr<const PhraseChoices> choices_;
};

}  // namespace text
