#pragma once

#include <string>
#include <vector>

#include "text/phrase/OpenccConfiguration.hpp"

namespace text {

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
    const std::vector<DictionaryGroup>& steps,
    const std::vector<std::vector<std::string>>& textsBefore);

}  // namespace text
