#include <gtest/gtest.h>

#include "cli/CliOptions.hpp"

namespace {

// The built-in path has no archiver: naming one with it is a usage error, in either order.
TEST(CliBuiltinZipTest, TakesNoArchiverBesideIt) {
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"--builtin-zip", "a.epub"}, true},
        {{"--builtin-zip", "--archiver", "/opt/WinRAR.exe", "a.epub"}, false},
        {{"--archiver=/opt/WinRAR.exe", "a.epub", "--builtin-zip"}, false},
        {{"a.epub"}, true},
    };
    for (const auto& [arguments, taken] : cases) {
        const ParsedCli parsed = ParseCliOptions(arguments, 1);
        EXPECT_EQ(parsed.options.has_value(), taken) << arguments.size() << parsed.error;
        if (parsed.options) {
            EXPECT_EQ(parsed.options->builtinZip, arguments.size() == 2);
        } else {
            EXPECT_EQ(parsed.error, "--builtin-zip and --archiver exclude each other");
        }
    }
}

}  // namespace
