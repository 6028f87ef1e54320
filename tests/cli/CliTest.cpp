#include <gtest/gtest.h>

#include "tests/support/BookFiles.hpp"

namespace {

using testing_support::CommandOutput;
using testing_support::ReadFileBytes;
using testing_support::ShellQuoted;
using Names = std::set<std::string>;

class CliProgramTest : public testing::Test {
  protected:
    // Runs corvela-cli with arguments (quoted for the shell) in the temporary folder; its
    // standard error lands in the file "stderr" there.
    CommandOutput RunCli(const std::string& arguments) {
        return testing_support::RunShellCommand("cd " + ShellQuoted(folder.path()) + " && " +
                                                ShellQuoted(CORVELA_CLI_PATH) + " " + arguments +
                                                " 2> stderr");
    }
    std::string MakeBook(const std::string& name) {
        testing_support::WriteZip(folder / name, testing_support::SampleBookEntries());
        return folder / name;
    }

    testing_support::TempFolder folder;
};

TEST_F(CliProgramTest, PrintsTheUsageWithTwoForAUsageErrorAndZeroForHelp) {
    for (const std::string arguments : {"", "--bogus a.epub", "--archiver", "--help"}) {
        const CommandOutput result = RunCli(arguments);
        const std::string usage =
            arguments == "--help" ? result.standardOutput : ReadFileBytes(folder / "stderr");
        EXPECT_EQ(result.exitStatus, arguments == "--help" ? 0 : 2) << arguments;
        EXPECT_TRUE(usage.starts_with("usage: corvela-cli [--archiver PATH] BOOK...\n"));
        EXPECT_EQ(result.standardOutput + ReadFileBytes(folder / "stderr"), usage);
    }
}

TEST_F(CliProgramTest, PrintsOneStatusLinePerBookAndGivesOneWhenAnyWasNotConverted) {
    MakeBook("a.epub");
    const std::string book = MakeBook("b c.epub");
    const CommandOutput result = RunCli("a.epub missing.epub " + ShellQuoted(book));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardOutput,
              "处理完毕\ta.epub\n未处理\tmissing.epub\n处理完毕\t" + book + "\n");
    EXPECT_EQ(testing_support::NamesIn(folder.path()),
              (Names{"a.epub", "a_corvela.epub", "b c.epub", "b c_corvela.epub", "stderr"}));
}

TEST_F(CliProgramTest, UsesTheArchiverGivenAndReportsAWrongOne) {
    MakeBook("a.epub");
    std::filesystem::create_directory(folder / "my tools");
    std::filesystem::copy_file(CORVELA_WINRAR_STANDIN, folder / "my tools/WinRAR.exe");
    CommandOutput result =
        RunCli("--archiver " + ShellQuoted(folder / "my tools/WinRAR.exe") + " a.epub");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardOutput, "处理完毕\ta.epub\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "my tools/WinRAR.exe.args"));
    result = RunCli("--archiver " + ShellQuoted(folder / "my tools") + " a.epub");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardOutput, "未处理\ta.epub\n");
    EXPECT_EQ(ReadFileBytes(folder / "stderr"), "WINRAR 路径错误\n");
}

}  // namespace
