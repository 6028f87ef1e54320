#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "text/phrase/OpenccConfiguration.hpp"

namespace text {

class TableReader;
class TableWriter;

// The characters that what the steps before a step make of a text may start with, given the
// text's first character; unknown when it may start with any (a value was empty).
struct Heads {
    std::vector<char32_t> characters;  // sorted
    bool unknown = false;
};

// The heads before every step of the texts that start with each character that some step
// before the last may change; a text that starts with any other character still starts with it
// before each step.
class ChainHeads {
  public:
    explicit ChainHeads(const std::vector<DictionaryGroup>& steps);
    // Reads tables that Save wrote, for steps steps; throws TableStreamError when damaged.
    ChainHeads(TableReader& in, std::size_t steps);
    void Save(TableWriter& out) const;

    // Null when a text that starts with next still starts with it before every step.
    const Heads* Of(char32_t next, std::size_t step) const {
        const auto found = heads_.find(next);
        return found == heads_.end() ? nullptr : &found->second[step];
    }
    // By character, by step.
    const std::unordered_map<char32_t, std::vector<Heads>>& All() const { return heads_; }
    std::size_t MemoryBytes() const;

  private:
    std::unordered_map<char32_t, std::vector<Heads>> heads_;
};

// Which next characters may be joined with a character in a run, whatever the number of steps
// that join. When the chain has treated the text before a character apart from it, it treats
// the character apart from the next one too unless some step has a key that starts inside
// what the steps before made of the character alone and goes on into what they made of the
// text after it. The first character of that text is known from the next character alone: it
// is the first character of a value of a key starting with it, or itself (unknown once a value
// is empty, as then the text after comes first).
//
// steps: the chain's groups as they act on runs. textsBefore[i][t]: what the steps before
// step t make of the i-th character on its own. Returns, for each i, every next character that
// may be joined with it (in no order, perhaps repeated); any other one never is.
std::vector<std::vector<char32_t>> NextsThatMayJoin(
    const std::vector<DictionaryGroup>& steps, const ChainHeads& heads,
    const std::vector<std::vector<std::string>>& textsBefore);

}  // namespace text
