#include "cli/CliOptions.hpp"

#include <gtest/gtest.h>

namespace {

// An argument that begins with "-" is an option (there are no short ones); a book of such a name
// is given after "--" or with its folder.
TEST(CliOptionsTest, ShortOptionsAreUsageErrorsAndNeverBooks) {
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"-q", "a.epub"}, "unknown option -q"},
        {{"a.epub", "-v"}, "unknown option -v"},
        {{"-jobs=2", "a.epub"}, "unknown option -jobs=2"},
    };
    for (const auto& [arguments, reason] : refused) {
        const ParsedCli parsed = ParseCliOptions(arguments, 1);
        EXPECT_FALSE(parsed.options.has_value()) << arguments.front();
        EXPECT_TRUE(parsed.error.starts_with(reason)) << parsed.error;
    }
    const std::pair<std::vector<std::string>, std::vector<std::string>> taken[] = {
        {{"--", "-q"}, {"-q"}},
        {{"./-q", "-"}, {"./-q", "-"}},
    };
    for (const auto& [arguments, books] : taken) {
        const ParsedCli parsed = ParseCliOptions(arguments, 1);
        ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
        EXPECT_EQ(parsed.options->books, books);
    }
}

}  // namespace
