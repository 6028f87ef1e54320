#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/BookFiles.hpp"
#include "tests/support/TempFolder.hpp"
#include "tests/support/TestProcesses.hpp"

namespace {

using testing_support::CommandOutput;
using testing_support::ReadFileBytes;
using testing_support::RunShellCommand;
using testing_support::SampleBookEntries;
using testing_support::ShellQuoted;
using testing_support::TempFolder;
using Names = std::set<std::string>;

class CliProgramTest : public testing::Test {
  protected:
    // Runs corvela-cli with arguments (already quoted for the shell) in the temporary folder;
    // its standard error lands in the file "stderr" there.
    CommandOutput RunCli(const std::string& arguments) {
        return RunShellCommand("cd " + ShellQuoted(folder.path()) + " && " +
                               ShellQuoted(CORVELA_CLI_PATH) + " " + arguments + " 2> stderr");
    }

    std::string StandardError() const { return ReadFileBytes(folder / "stderr"); }

    std::string MakeBook(const std::string& name) {
        testing_support::WriteZip(folder / name, SampleBookEntries());
        return folder / name;
    }

    TempFolder folder;
};

TEST_F(CliProgramTest, HelpGoesToStandardOutput) {
    const CommandOutput result = RunCli("--help");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(result.standardOutput.starts_with("usage: corvela-cli [--archiver PATH] BOOK..."));
    EXPECT_EQ(StandardError(), "");
}

TEST_F(CliProgramTest, AUsageErrorGivesTwoAndTheUsageOnStandardError) {
    for (const std::string arguments : {"", "--bogus a.epub", "--archiver"}) {
        const CommandOutput result = RunCli(arguments);
        EXPECT_EQ(result.exitStatus, 2) << arguments;
        EXPECT_EQ(result.standardOutput, "") << arguments;
        EXPECT_TRUE(StandardError().starts_with("usage: corvela-cli")) << arguments;
    }
}

TEST_F(CliProgramTest, PrintsOneStatusLinePerBookAndNothingElse) {
    MakeBook("a.epub");
    MakeBook("b c.epub");
    const CommandOutput result = RunCli("a.epub missing.epub 'b c.epub'");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardOutput,
              "处理完毕\ta.epub\n未处理\tmissing.epub\n处理完毕\tb c.epub\n");
    EXPECT_EQ(testing_support::NamesIn(folder.path()),
              (Names{"a.epub", "a_corvela.epub", "b c.epub", "b c_corvela.epub", "stderr"}));
}

TEST_F(CliProgramTest, GivesZeroWhenEveryBookWasConverted) {
    const std::string book = MakeBook("a.epub");
    const CommandOutput result = RunCli(ShellQuoted(book));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardOutput, "处理完毕\t" + book + "\n");
    const auto files = testing_support::ReadArchive(folder / "a_corvela.epub");
    EXPECT_NE(files.at("OEBPS/chapter.xhtml").find("簡體書"), std::string::npos);
}

TEST_F(CliProgramTest, UsesTheArchiverGivenAndReportsAWrongOne) {
    MakeBook("a.epub");
    std::filesystem::create_directory(folder / "my tools");
    std::filesystem::copy_file(CORVELA_WINRAR_STANDIN, folder / "my tools/WinRAR.exe");
    CommandOutput result = RunCli("--archiver '" + folder / "my tools/WinRAR.exe" + "' a.epub");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardOutput, "处理完毕\ta.epub\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "my tools/WinRAR.exe.args"));

    result = RunCli("--archiver " + ShellQuoted(folder / "my tools") + " a.epub");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardOutput, "未处理\ta.epub\n");
    EXPECT_NE(StandardError().find("WINRAR 路径错误\n"), std::string::npos);
}

TEST_F(CliProgramTest, ATerminationSignalEndsTheBatchAndLeavesTheBookAsItWas) {
    const std::string book = MakeBook("a.epub");
    const std::string original = ReadFileBytes(book);
    MakeBook("b.epub");
    const std::string hanging = folder / "hanging";
    testing_support::WriteScript(hanging, "touch \"$0.running\"\nexec sleep 60\n");
    // The loop only guards against a hang: it waits for the tool to say it runs.
    const CommandOutput result = RunShellCommand(
        "cd " + ShellQuoted(folder.path()) + " && { " + ShellQuoted(CORVELA_CLI_PATH) +
        " --archiver " + ShellQuoted(hanging) + " a.epub b.epub > out 2> stderr & pid=$!; " +
        "i=0; while [ ! -e hanging.running ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); "
        "done; kill -TERM $pid; wait $pid; echo $?; }");
    EXPECT_EQ(result.standardOutput, "1\n");
    EXPECT_EQ(ReadFileBytes(folder / "out"), "未处理\ta.epub\n");
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(testing_support::NamesIn(folder.path()),
              (Names{"a.epub", "b.epub", "hanging", "hanging.running", "out", "stderr"}));
}

}  // namespace
