#include "cli/CliOptions.hpp"

#include <gtest/gtest.h>

namespace {

struct OptionsCase {
    std::string name;
    std::vector<std::string> arguments;
    std::optional<CliOptions> expected;
};

class ParseCliOptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(ParseCliOptionsTest, ReadsArchiverBooksAndHelp) {
    const std::optional<CliOptions> options = ParseCliOptions(GetParam().arguments);
    ASSERT_EQ(options.has_value(), GetParam().expected.has_value());
    if (options) {
        EXPECT_EQ(options->archiverPath, GetParam().expected->archiverPath);
        EXPECT_EQ(options->books, GetParam().expected->books);
        EXPECT_EQ(options->help, GetParam().expected->help);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseCliOptionsTest,
    testing::Values(
        OptionsCase{"OneBook", {"a.epub"}, CliOptions{"", {"a.epub"}, false}},
        OptionsCase{"Archiver",
                    {"--archiver", "/my tools/WinRAR.exe", "a.epub", "b.epub"},
                    CliOptions{"/my tools/WinRAR.exe", {"a.epub", "b.epub"}, false}},
        OptionsCase{
            "ArchiverJoined", {"--archiver=/x/rar", "a"}, CliOptions{"/x/rar", {"a"}, false}},
        OptionsCase{
            "BooksAroundOption", {"a", "--archiver", "r", "b"}, CliOptions{"r", {"a", "b"}, false}},
        OptionsCase{
            "DashesEndOptions", {"--", "--help", "-x"}, CliOptions{"", {"--help", "-x"}, false}},
        OptionsCase{"SingleDashIsABook", {"-"}, CliOptions{"", {"-"}, false}},
        OptionsCase{"Help", {"--help"}, CliOptions{"", {}, true}},
        OptionsCase{"Nothing", {}, std::nullopt},
        OptionsCase{"ArchiverWithoutValue", {"--archiver"}, std::nullopt},
        OptionsCase{"ArchiverWithoutBook", {"--archiver", "r"}, std::nullopt},
        OptionsCase{"UnknownOption", {"--bogus", "a"}, std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(CliUsageTest, NamesTheProgramAndEndsInALineFeed) {
    const std::string usage = CliUsage();
    EXPECT_TRUE(usage.starts_with("usage: corvela-cli [--archiver PATH] BOOK...\n"));
    EXPECT_TRUE(usage.ends_with("\n"));
}

}  // namespace
