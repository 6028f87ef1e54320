#include <gtest/gtest.h>

#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

// corvela-cli with phrase files, its per-user configuration folder inside a temporary folder.
class CliPhrasesTest : public testing::Test {
  protected:
    CliPhrasesTest() { std::filesystem::create_directories(folder / "cfg/Corvela"); }
    // Runs corvela-cli on the sample book a.epub with arguments; standard error lands in
    // "stderr". Returns the output's chapter, or "exit N: standard error" when it failed.
    std::string Chapter(const std::string& arguments) {
        const std::string book = WriteSampleBook(folder / "a.epub");
        std::filesystem::remove(folder / "a_corvela.epub");
        const CommandOutput result =
            RunShellCommand("cd " + ShellQuoted(folder.path()) +
                            " && XDG_CONFIG_HOME=" + ShellQuoted(folder / "cfg") + " " +
                            ShellQuoted(CORVELA_CLI_PATH) + " " + arguments + " a.epub 2> stderr");
        if (result.exitStatus != 0) {
            return "exit " + std::to_string(result.exitStatus) + ": " +
                   ReadFileBytes(folder / "stderr") + result.standardOutput;
        }
        return ReadArchive(folder / "a_corvela.epub").at("OEBPS/chapter.xhtml");
    }

    TempFolder folder;
};

TEST_F(CliPhrasesTest, PerUserFileThenGivenFilesInOrderAndABadFileStopsAll) {
    WriteFileBytes(folder / "cfg/Corvela/phrases.txt", "简体\t简体\n");
    WriteFileBytes(folder / "word.txt", "简体\t簡體字\n");
    WriteFileBytes(folder / "book.txt", "一本\t壹本\n简体\t简体字\n");
    WriteFileBytes(folder / "bad.txt", "# mine\n简体 簡體\n");
    const std::string bad = "自定义词语文件 bad.txt 第 2 行：没有制表符（Tab）分开词语和转换结果";
    const std::pair<std::string, std::string> cases[] = {
        {"", "<p>這是一本简体書。</p>\n"},
        {"--no-user-phrases", "<p>這是一本簡體書。</p>\n"},
        {"--phrases word.txt", "<p>這是一本簡體字書。</p>\n"},
        {"--phrases word.txt --phrases=book.txt", "<p>這是壹本简体字書。</p>\n"},
        {"--phrases book.txt --phrases word.txt", "<p>這是壹本簡體字書。</p>\n"},
        {"--phrases bad.txt", "exit 2: corvela-cli: " + bad + "\n"},
        {"--phrases word.txt --phrases bad.txt --no-user-phrases",
         "exit 2: corvela-cli: " + bad + "\n"},
        {"--phrases none.txt",
         "exit 2: corvela-cli: 无法读取自定义词语文件 none.txt：No such file or directory\n"},
    };
    for (const auto& [arguments, want] : cases) {
        EXPECT_EQ(Chapter(arguments), want) << arguments;
    }
    // A bad per-user file counts unless it is skipped; no book is touched while it stands.
    WriteFileBytes(folder / "cfg/Corvela/phrases.txt", "\t简体\n");
    EXPECT_EQ(Chapter(""), "exit 2: corvela-cli: 自定义词语文件 " +
                               (folder / "cfg/Corvela/phrases.txt") +
                               " 第 1 行：制表符前的词语是空的\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "a_corvela.epub"));
    EXPECT_EQ(Chapter("--no-user-phrases"), "<p>這是一本簡體書。</p>\n");
    const CommandOutput help = RunShellCommand(ShellQuoted(CORVELA_CLI_PATH) + " --help");
    for (const char* option : {"\n  --phrases FILE ", "\n  --no-user-phrases "}) {
        EXPECT_NE(help.standardOutput.find(option), std::string::npos) << option;
    }
}

}  // namespace
