#include "cli/CliOptions.hpp"

#include <gtest/gtest.h>

namespace {

// There are no short options: "-q" is a mistyped option, never a book; "--" or a folder names
// a book of such a name, and a lone "-" is a name.
TEST(CliOptionsTest, ShortOptionsAreUsageErrorsAndNeverBooks) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-q", "a.epub"}, "unknown option -q"},
        {{"a.epub", "-v"}, "unknown option -v"},
        {{"-jobs=2", "a"}, "unknown option -jobs=2"},
        {{"--", "-q"}, "books: -q"},
        {{"./-q", "-"}, "books: ./-q -"},
    };
    for (const auto& [arguments, expected] : cases) {
        const ParsedCli parsed = ParseCliOptions(arguments, 1);
        std::string books = "books:";
        for (const std::string& book : parsed.options ? parsed.options->books : arguments) {
            books += " " + book;
        }
        EXPECT_TRUE((parsed.options ? books : parsed.error).starts_with(expected)) << expected;
    }
}

}  // namespace
