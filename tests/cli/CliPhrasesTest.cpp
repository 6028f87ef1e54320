#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

// corvela-cli on the sample book with phrase files, its per-user file in a temporary folder.
TEST(CliPhrasesTest, PerUserFileThenGivenFilesInOrderAndABadFileStopsAll) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "cfg/Corvela");
    // The output's chapter, or "exit N: " and standard error when the program failed.
    const auto chapter = [&](const std::string& arguments) {
        WriteSampleBook(folder / "a.epub");
        std::filesystem::remove(folder / "a_corvela.epub");
        const CommandOutput result =
            RunShellCommand("cd " + ShellQuoted(folder.path()) +
                            " && XDG_CONFIG_HOME=" + ShellQuoted(folder / "cfg") +
                            " XDG_CACHE_HOME=" + ShellQuoted(folder / "cache") + " " +
                            ShellQuoted(CORVELA_CLI_PATH) + " " + arguments + " a.epub 2> stderr");
        return result.exitStatus != 0
                   ? "exit " + std::to_string(result.exitStatus) + ": " +
                         ReadFileBytes(folder / "stderr")
                   : ReadArchive(folder / "a_corvela.epub").at("OEBPS/chapter.xhtml");
    };
    const std::string user = folder / "cfg/Corvela/phrases.txt";
    WriteFileBytes(user, "简体\t简体\n");
    WriteFileBytes(folder / "word.txt", "简体\t簡體字\n");
    WriteFileBytes(folder / "book.txt", "一本\t壹本\n简体\t简体字\n");
    WriteFileBytes(folder / "bad.txt", "# mine\n简体 簡體\n");
    const std::string bad =
        "exit 2: corvela-cli: 自定义词语文件 bad.txt 第 2 "
        "行：没有制表符（Tab）分开词语和转换结果\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "<p>這是一本简体書。</p>\n"},
        {"--no-user-phrases", "<p>這是一本簡體書。</p>\n"},
        {"--phrases word.txt", "<p>這是一本簡體字書。</p>\n"},
        {"--phrases word.txt --phrases=book.txt", "<p>這是壹本简体字書。</p>\n"},
        {"--phrases word.txt --phrases bad.txt --no-user-phrases", bad},
        {"--phrases missing.txt",
         "exit 2: corvela-cli: 无法读取自定义词语文件 missing.txt：No such file or directory\n"},
    };
    for (const auto& [arguments, want] : cases) {
        EXPECT_EQ(chapter(arguments), want) << arguments;
    }
    // A bad per-user file counts unless it is skipped; no book is touched while it stands.
    WriteFileBytes(user, "\t简体\n");
    EXPECT_EQ(chapter(""),
              "exit 2: corvela-cli: 自定义词语文件 " + user + " 第 1 行：制表符前的词语是空的\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "a_corvela.epub"));
    EXPECT_EQ(chapter("--no-user-phrases"), "<p>這是一本簡體書。</p>\n");
    const std::string help =
        RunShellCommand(ShellQuoted(CORVELA_CLI_PATH) + " --help").standardOutput;
    EXPECT_THAT(help, testing::HasSubstr("\n  --phrases FILE "));
    EXPECT_THAT(help, testing::HasSubstr("\n  --no-user-phrases "));
}

}  // namespace
