#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/phrase/ChainStep.hpp"
#include "text/phrase/CodepointTrie.hpp"
#include "text/phrase/DictionaryMatcher.hpp"
#include "text/phrase/JoinPairs.hpp"
#include "text/phrase/OpenccConfiguration.hpp"
#include "text/phrase/OutputCursor.hpp"

namespace text {

class TableReader;
class TableWriter;

// OpenCC's conversion chain as it acts on runs, the segments that no segmentation key starts
// in, and what each character does there. A dictionary of the first step whose keys all belong
// to the segmentation can never match in a run, so it is left out. Most characters are mapped
// by every step on their own (an output); the others may be joined with the characters after
// them by a step (a join), and then the text goes through the chain.
class RunChain {
  public:
    // kIdentity, kJoin with an index into the joins, or the offset and length (offset << 8 |
    // length) of the character's output, below kJoin.
    using Output = std::uint32_t;
    static constexpr Output kIdentity = 0xFFFFFFFFu;
    static constexpr Output kJoin = 0xFE000000u;
    static bool IsJoin(Output output) { return (output & 0xFF000000u) == kJoin; }

    struct Join {
        // How many characters that no step joins may follow before every step is back in step
        // with the text: a key of L characters reaches at most L - 1 characters past the one
        // it starts at, and each such character has output in every step.
        std::uint32_t reach = 0;
        // How far the keys of the first step that joins it reach: where the chain is likely
        // back in step with the text, with several joining steps.
        std::uint32_t nearReach = 0;
        // Its output when the next character cannot continue a key with it (kJoin: unknown).
        Output alone = kJoin;
        std::uint32_t pairNode = CodepointTrie::kNoNode;  // in joinPairs_, after the character
    };

    RunChain(const OpenccConfiguration& configuration, const DictionaryMatcher& segmentation);
    // Reads tables that Save wrote; throws TableStreamError when they are damaged.
    explicit RunChain(TableReader& in);
    void Save(TableWriter& out) const;
    // True when output is one of this chain's: kIdentity, a join it has or a text it holds.
    bool IsOutput(Output output) const;

    // Every character that starts a key in a step, with what it does in a run; every other
    // character is kept by every step.
    const std::vector<std::pair<char32_t, Output>>& Outputs() const { return outputs_; }

    // The output's text, followed by at least OutputCursor::kPadding readable bytes.
    std::string_view TextOf(Output output) const {
        return std::string_view(texts_).substr(output >> 8, output & 0xFF);
    }
    const Join& JoinOf(Output output) const { return joins_[output & 0xFFFFFFu]; }

    // True unless no key can join the character of join with the first character of next.
    bool MayJoinNext(const Join& join, std::string_view next) const {
        if (join.pairNode == CodepointTrie::kNoNode || next.empty()) {
            return false;
        }
        char32_t codepoint = 0;
        NextCodepoint(reinterpret_cast<const unsigned char*>(next.data()), codepoint);
        return joinPairs_.Child(join.pairNode, codepoint) != CodepointTrie::kNoNode;
    }

    // The chain over a segment from step `from` on, the first step as it acts on runs; the
    // buffers hold the steps' outputs in between.
    void Convert(std::string_view segment, std::size_t from, OutputCursor& out, std::string& buffer,
                 std::string& spare) const;

    // Converts a segment from the first step as the chain does when `after` follows it in the
    // same run, and returns true, when the chain treats the two apart: when no key of a step
    // may start in what the steps before made of the segment and go on into what they made of
    // after. Otherwise writes nothing and returns false.
    bool ConvertApart(std::string_view segment, std::string_view after, OutputCursor& out,
                      std::string& buffer, std::string& spare) const;

    // True when at most one step joins: then the text held for a join may be released once its
    // reach has passed.
    bool OneJoiningStep() const { return joiningSteps_ <= 1; }
    // How many characters that no step joins the text is held for after a join: its reach with
    // one joining step; else how far its first joining step's keys reach, after which
    // ConvertApart tells whether the chain is back in step.
    std::size_t HoldFor(const Join& join) const {
        return OneJoiningStep() ? join.reach : join.nearReach;
    }
    // Bytes held by the tables.
    std::size_t MemoryBytes() const;

  private:
    // The characters that a step may join, with an output alone: their joins and what the
    // steps before each step make of them on their own.
    struct Isolated {
        std::vector<char32_t> characters;
        std::vector<std::size_t> joins;
        std::vector<std::vector<std::string>> textsBefore;
    };

    Output PlanCharacter(char32_t codepoint, Isolated& isolated);
    Output Store(std::string_view text, std::string_view character);
    std::string ThroughSteps(std::string text, std::size_t from, std::size_t to) const;
    void PlanJoinPairs(const std::vector<DictionaryGroup>& groups, const ChainHeads& heads,
                       const Isolated& isolated);

    std::vector<ChainStep> steps_;
    std::size_t joiningSteps_ = 0;
    std::vector<std::pair<char32_t, Output>> outputs_;
    std::string texts_;
    std::vector<Join> joins_;
    // Character pairs where a key of a step may start in what the steps before made of the
    // first one and go on into what they made of the text after it.
    CodepointTrie joinPairs_;
    std::optional<ChainHeads> heads_;  // set once built
};

}  // namespace text
