#include "platform/CommandLine.hpp"

#include <gtest/gtest.h>

#include "platform/Wildcard.hpp"

namespace {

using platform::CommandArgument;
using platform::SplitCommandLine;

struct SplitCase {
    std::string line;
    std::vector<std::string> texts;
    std::vector<bool> quoted;
};

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsLikeTheWindowsRuntime) {
    const std::vector<CommandArgument> arguments = SplitCommandLine(GetParam().line);
    ASSERT_EQ(arguments.size(), GetParam().texts.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        EXPECT_EQ(arguments[i].text, GetParam().texts[i]) << i;
        EXPECT_EQ(arguments[i].quoted, GetParam().quoted[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitCommandLineTest,
    testing::Values(SplitCase{"", {}, {}}, SplitCase{"  \t ", {}, {}},
                    SplitCase{"unzip -o \"/b/my novel.zip\" -d \"/b/my novel\"",
                              {"unzip", "-o", "/b/my novel.zip", "-d", "/b/my novel"},
                              {false, false, true, false, true}},
                    // Three blanks before the asterisk make no empty argument.
                    SplitCase{"zip -r  \"/b/n_corvela.epub\"   *",
                              {"zip", "-r", "/b/n_corvela.epub", "*"},
                              {false, false, true, false}},
                    // The slash after the closing quote belongs to the same argument.
                    SplitCase{"/w/rar x \"/b/n.zip\" \"/b/n\"/",
                              {"/w/rar", "x", "/b/n.zip", "/b/n/"},
                              {false, false, true, true}},
                    SplitCase{"a\tb", {"a", "b"}, {false, false}},
                    // A backslash is a name character here, even before a quote.
                    SplitCase{"x \"a\\\" b", {"x", "a\\", "b"}, {false, true, false}},
                    SplitCase{"\"\"", {""}, {true}},
                    SplitCase{"x \"unclosed quote", {"x", "unclosed quote"}, {false, true}}));

TEST(HasWildcardTest, TellsStarAndQuestionMark) {
    EXPECT_TRUE(platform::HasWildcard("*"));
    EXPECT_TRUE(platform::HasWildcard("a?.txt"));
    EXPECT_FALSE(platform::HasWildcard("a[1].txt"));
}

struct MatchCase {
    std::string pattern;
    std::string name;
    bool matches;
};

class MatchesWildcardTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchesWildcardTest, MatchesStarAndQuestionMarkOnly) {
    EXPECT_EQ(platform::MatchesWildcard(GetParam().pattern, GetParam().name), GetParam().matches)
        << GetParam().pattern << " " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, MatchesWildcardTest,
    testing::Values(MatchCase{"*", ".hidden", true}, MatchCase{"*", "", true},
                    MatchCase{"*.css", "a.css", true}, MatchCase{"*.css", "a.css.bak", false},
                    MatchCase{"*.css*", "a.css.bak", true}, MatchCase{"a?c", "abc", true},
                    MatchCase{"a?c", "ac", false}, MatchCase{"a*b*c", "aXbYbZc", true},
                    MatchCase{"a*b*c", "aXbYbZ", false}, MatchCase{"[ab]", "a", false},
                    MatchCase{"[ab]", "[ab]", true}, MatchCase{"**x", "yyx", true}));

}  // namespace
