#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

// --report writes the page beside the output and --verbose tells its counts; a report that
// cannot be written is told and fails the run, while the book stays converted.
TEST(CliReportTest, WritesTheReportAndTellsWhenItCannot) {
    TempFolder folder;
    WriteSampleBook(folder / "a.epub");
    const auto run = [&](const std::string& arguments) {
        return RunShellCommand("cd " + ShellQuoted(folder.path()) + " && XDG_CACHE_HOME=" +
                               ShellQuoted(folder / "cache") + " " + ShellQuoted(CORVELA_CLI_PATH) +
                               " --no-user-phrases " + arguments + " a.epub 2> stderr");
    };
    const CommandOutput written = run("--report --verbose");
    EXPECT_EQ(written.exitStatus, 0);
    const std::string report = folder / "a_corvela.report.html";
    EXPECT_THAT(ReadFileBytes(folder / "stderr"),
                testing::HasSubstr("a.epub: 校对报告 " + report + "：不确定的转换 "));
    EXPECT_THAT(ReadFileBytes(report), testing::HasSubstr("<section id=\"glyphs\">"));

    std::filesystem::remove(report);
    std::filesystem::create_directory(report);
    const CommandOutput blocked = run("--report");
    EXPECT_EQ(blocked.exitStatus, 1);
    EXPECT_EQ(blocked.standardOutput, "处理完毕\ta.epub\n");
    EXPECT_THAT(ReadFileBytes(folder / "stderr"),
                testing::HasSubstr("a.epub: 无法写出校对报告 " + report + "："));
}

}  // namespace
