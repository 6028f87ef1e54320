#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;

constexpr const char* kUsageLine = "usage: corvela-cli [OPTION]... BOOK...\n";

class CliProgramTest : public testing::Test {
  protected:
    // Runs corvela-cli with arguments (quoted for the shell) in the temporary folder; its
    // standard error lands in the file "stderr" there.
    CommandOutput RunCli(const std::string& arguments) {
        return RunShellCommand("cd " + ShellQuoted(folder.path()) +
                               " && XDG_CACHE_HOME=" + ShellQuoted(cache.path()) + " " +
                               ShellQuoted(CORVELA_CLI_PATH) + " " + arguments + " 2> stderr");
    }
    std::string Stderr() { return ReadFileBytes(folder / "stderr"); }
    std::string MakeBook(const std::string& name) { return WriteSampleBook(folder / name); }

    TempFolder cache;  // built tables, kept apart from the books
    TempFolder folder;
};

TEST_F(CliProgramTest, AUsageErrorGivesTwoAndItsReasonInOneLine) {
    MakeBook("a.epub");
    WriteFileBytes(folder / "file", "");
    const std::pair<std::string, std::string> cases[] = {
        {"", "no book given"},
        {"--bogus a.epub", "unknown option --bogus"},
        {"--quiet=1 a.epub", "unknown option --quiet=1"},
        {"--archiver", "option --archiver needs a value"},
        {"--profile s2x a.epub",
         "unknown profile 's2x' (profiles: char, s2t, s2tw, s2twp, s2hk, t2s, tw2s, "
         "tw2sp, hk2s)"},
        {"--jobs 0 a.epub", "--jobs wants a whole number from 1 to 1024, not '0'"},
        {"--jobs=2x a.epub", "--jobs wants a whole number from 1 to 1024, not '2x'"},
        {"--output-dir missing a.epub",
         "--output-dir 'missing' is not a folder this user can write into"},
        {"--output-dir file a.epub",
         "--output-dir 'file' is not a folder this user can write into"},
        {"--quiet --verbose a.epub", "--quiet and --verbose exclude each other"}};
    for (const auto& [arguments, reason] : cases) {
        const CommandOutput result = RunCli(arguments);
        EXPECT_EQ(result.exitStatus, 2) << arguments;
        EXPECT_EQ(result.standardOutput, "") << arguments;
        EXPECT_EQ(Stderr(), "corvela-cli: " + reason + "\n" + kUsageLine) << arguments;
    }
    EXPECT_EQ(NamesIn(folder.path()), (Names{"a.epub", "file", "stderr"}));
    const CommandOutput help = RunCli("--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.standardOutput.starts_with(kUsageLine));
    for (const char* named :
         {"\n      s2tw   ", "\n      s2hk   ", "\n      s2twp  ", "\n      t2s    ",
          "\n      tw2s   ", "\n      tw2sp  ", "\n      hk2s   ", "--jobs N", "--output-dir DIR",
          "--no-font-rule", "--quiet", "--verbose"}) {
        EXPECT_THAT(help.standardOutput, testing::HasSubstr(named)) << named;
    }
}

TEST_F(CliProgramTest, StatusLinesKeepTheGivenOrderAndReasonsAndASummaryGoToStandardError) {
    MakeBook("a.epub");
    const std::string book = MakeBook("b c.epub");
    MakeBook("a.zip");
    const std::string books = "a.epub missing.epub " + ShellQuoted(book) + " a.zip";
    const std::string lines =
        "处理完毕\ta.epub\n未处理\tmissing.epub\n处理完毕\t" + book + "\n未处理\ta.zip\n";
    for (const std::string jobs : {"1", "3"}) {
        const CommandOutput result = RunCli("--jobs " + jobs + " " + books);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.standardOutput, lines);
        // No progress off a terminal, no per-file diagnostics unless asked for.
        EXPECT_TRUE(std::regex_match(
            Stderr(), std::regex("corvela-cli: missing.epub: 无法打开书文件：[^\n]+\n"
                                 "corvela-cli: a.zip: 输出文件与前一本书相同，无法处理\n"
                                 "2 本处理完毕，2 本未处理，用时 [0-9]+\\.[0-9] 秒\n")))
            << Stderr();
    }
    EXPECT_EQ(NamesIn(folder.path()), (Names{"a.epub", "a.zip", "a_corvela.epub", "b c.epub",
                                             "b c_corvela.epub", "stderr"}));
    CommandOutput result = RunCli("--quiet " + books);
    EXPECT_EQ(result.standardOutput + Stderr(), lines);
    result = RunCli("--verbose a.epub");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardOutput, "处理完毕\ta.epub\n");
    EXPECT_THAT(Stderr(),
                testing::HasSubstr("corvela-cli: a.epub: 字型规则写入 OEBPS/style.css\n"));
    EXPECT_THAT(Stderr(), testing::HasSubstr("1 本处理完毕，0 本未处理"));
}

TEST_F(CliProgramTest, ShowsProgressInPlaceOnATerminal) {
    MakeBook("a.epub");
    const CommandOutput result =
        RunShellCommand("cd " + ShellQuoted(folder.path()) + " && script -qec " +
                        ShellQuoted(ShellQuoted(CORVELA_CLI_PATH) + " a.epub") + " /dev/null");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(std::regex_search(result.standardOutput,
                                  std::regex("\r\\[0/1\\] [0-9]+ 秒  a\\.epub\033\\[K")))
        << result.standardOutput;
    EXPECT_THAT(result.standardOutput, testing::HasSubstr("\r\033[K处理完毕\ta.epub\r\n"));
}

TEST_F(CliProgramTest, WritesIntoTheOutputFolderWithTheOptionsAndTheArchiverGiven) {
    MakeBook("--a.epub");
    std::filesystem::create_directory(folder / "out");
    std::filesystem::create_directory(folder / "my tools");
    std::filesystem::copy_file(CORVELA_WINRAR_STANDIN, folder / "my tools/WinRAR.exe");
    CommandOutput result =
        RunCli("--output-dir=out --profile s2twp --no-font-rule --jobs 2 " +
               ("--archiver " + ShellQuoted(folder / "my tools/WinRAR.exe")) + " -- --a.epub");
    EXPECT_EQ(result.exitStatus, 0) << Stderr();
    EXPECT_EQ(result.standardOutput, "处理完毕\t--a.epub\n");
    EXPECT_EQ(NamesIn(folder.path()), (Names{"--a.epub", "my tools", "out", "stderr"}));
    EXPECT_EQ(NamesIn(folder / "out"), Names{"--a.epub"});
    EXPECT_TRUE(std::filesystem::exists(folder / "my tools/WinRAR.exe.args"));
    std::map<std::string, std::string> files = ReadArchive(folder / "out/--a.epub");
    EXPECT_EQ(files["OEBPS/chapter.xhtml"], "<p>這是一本簡體書。</p>\n");
    EXPECT_EQ(files["OEBPS/style.css"], "body { margin: 0; }\n");
    // A folder as the archiver: the book's alert, unless --quiet.
    result = RunCli("--quiet --archiver " + ShellQuoted(folder / "my tools") + " -- --a.epub");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardOutput, "未处理\t--a.epub\n");
    EXPECT_EQ(Stderr(), "");
    RunCli("--archiver " + ShellQuoted(folder / "my tools") + " -- --a.epub");
    EXPECT_TRUE(Stderr().starts_with("corvela-cli: --a.epub: WINRAR 路径错误\n")) << Stderr();
}

}  // namespace
