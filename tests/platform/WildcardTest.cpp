#include "platform/Wildcard.hpp"

#include <gtest/gtest.h>

namespace {

// Names may hold the wildcard characters themselves; in the pattern they stay wildcards.
TEST(MatchesWildcardTest, TakesStarsAndQuestionMarksAsWildcardsAgainstAnyName) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"*", "*.xhtml", true},   {"*b", "*ab", true},
        {"*.css", "a.css", true}, {"*.css", "a.css.x", false},
        {"a?c", "a?c", true},     {"a?c", "abc", true},
        {"a?c", "abbc", false},   {"**x*", "yxz", true},
        {"", "", true},           {"?", "", false},
        {"*", "", true},          {"-*", "-h", true},
        {"a*b*c", "abcbc", true},
    };
    for (const auto& [pattern, name, matches] : cases) {
        EXPECT_EQ(platform::MatchesWildcard(pattern, name), matches) << pattern << " " << name;
    }
}

}  // namespace
