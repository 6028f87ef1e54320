#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/phrase/DictionaryMatcher.hpp"
#include "text/phrase/OpenccConfiguration.hpp"
#include "text/phrase/OutputCursor.hpp"

namespace text {

class TableReader;
class TableWriter;

// One step of OpenCC's conversion chain: a dictionary group applied to a segment from left to
// right, each winning key replaced by its value and a character without one kept. A table per
// character answers every position where no key longer than one character starts.
class ChainStep {
  public:
    explicit ChainStep(const DictionaryGroup& group);
    // Reads tables that Save wrote; throws TableStreamError when they are damaged.
    explicit ChainStep(TableReader& in);
    void Save(TableWriter& out) const;

    // Appends the conversion of one segment (well-formed UTF-8).
    void Convert(std::string_view segment, OutputCursor& out) const;
    void Convert(std::string_view segment, std::string& out) const;

    // The length in characters of the longest key that starts with codepoint when one has more
    // than one character (only there may the step replace several characters at once), else 0.
    std::size_t JoinLength(char32_t codepoint) const {
        const Code code = CodeOf(codepoint);
        return IsJoin(code) ? code & kJoinLengthMask : 0;
    }

    // True when a key of the step may start inside text and go on past its end with one of
    // heads (with any character when heads is null).
    bool MayGoOn(std::string_view text, const std::vector<char32_t>* heads) const;

    // The length of the step's longest key, in characters.
    std::size_t LongestKey() const { return longestKey_; }

    // Bytes held by the tables.
    std::size_t MemoryBytes() const;

  private:
    // kKeep; kJoin with the join length; or the offset and length (offset << 8 | length) of
    // the one-character key's value in singleValues_, below kJoin.
    using Code = std::uint32_t;
    static constexpr Code kKeep = 0xFFFFFFFFu;
    static constexpr Code kJoin = 0xFE000000u;
    static constexpr Code kJoinLengthMask = 0xFFFFu;
    static bool IsJoin(Code code) { return (code & 0xFF000000u) == kJoin; }

    Code CodeOf(char32_t codepoint) const {
        return codepoint < bmpCodes_.size() ? bmpCodes_[codepoint] : AstralCodeOf(codepoint);
    }
    Code AstralCodeOf(char32_t codepoint) const;
    Code& MutableCodeOf(char32_t codepoint);

    DictionaryMatcher matcher_;
    std::vector<Code> bmpCodes_;
    std::vector<std::pair<char32_t, Code>> astralCodes_;  // sorted; absent ones keep
    std::string singleValues_;
    std::size_t longestKey_ = 0;
};

}  // namespace text
