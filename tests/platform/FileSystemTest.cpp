#include "platform/FileSystem.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/FileSizeLimit.hpp"
#include "tests/support/TempFolder.hpp"

namespace {

using platform::EntryType;
using namespace testing_support;

TEST(ListFolderTest, ListsEveryNameButDotAndDotDot) {
    const TempFolder folder;
    for (const char* name : {"..a", "...", ".b", "a"}) {
        WriteFileBytes(folder / name, "x");
    }
    std::filesystem::create_directory(folder / "..d");
    const auto entries = platform::ListFolder(folder.path());
    ASSERT_TRUE(entries.has_value());
    std::vector<std::string> names;
    for (const platform::FolderEntry& entry : *entries) {
        names.push_back(entry.name + (entry.type == EntryType::Folder ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"...", "..a", "..d/", ".b", "a"}));
}

TEST(CopyNoReplaceTest, AFailedCopyLeavesNoPartialFile) {
    const TempFolder folder;
    WriteFileBytes(folder / "big", std::string(300000, 'b'));
    bool copied = true;
    {
        const FileSizeLimit limit(100000);
        copied = platform::CopyNoReplace(folder / "big", folder / "copy");
    }
    EXPECT_FALSE(copied);
    EXPECT_EQ(platform::TypeOf(folder / "copy"), EntryType::Missing);
}

TEST(MakeOwnerWritableTest, LetsTheOwnerReadWriteAndEnterFoldersAndKeepsOtherBits) {
    const TempFolder folder;
    std::filesystem::create_directory(folder / "locked");
    WriteFileBytes(folder / "file", "x");
    ::chmod((folder / "locked").c_str(), 0);
    ::chmod((folder / "file").c_str(), 0444);
    EXPECT_TRUE(platform::MakeOwnerWritable(folder / "locked"));
    EXPECT_TRUE(platform::MakeOwnerWritable(folder / "file"));
    EXPECT_EQ(ModeOf(folder / "locked"), 0700u);
    EXPECT_EQ(ModeOf(folder / "file"), 0644u);
    EXPECT_FALSE(platform::MakeOwnerWritable(folder / "missing"));
}

// Each way of giving a file a new name refuses to replace what bears it.
TEST(FileSystemTest, MovesLinksAndCopiesNeverReplace) {
    const std::pair<const char*, bool (*)(const std::string&, const std::string&)> ways[] = {
        {"move", platform::MoveNoReplace},
        {"link", platform::LinkNoReplace},
        {"copy", platform::CopyNoReplace}};
    for (const auto& [way, give] : ways) {
        const TempFolder folder;
        WriteFileBytes(folder / "a", "first");
        WriteFileBytes(folder / "b", "second");
        EXPECT_FALSE(give(folder / "a", folder / "b")) << way;
        EXPECT_EQ(ReadFileBytes(folder / "b"), "second") << way;
        EXPECT_TRUE(give(folder / "a", folder / "new")) << way;
        EXPECT_EQ(ReadFileBytes(folder / "new"), "first") << way;
    }
    const TempFolder folder;
    WriteFileBytes(folder / "a", "first");
    WriteFileBytes(folder / "b", "second");
    EXPECT_TRUE(platform::MoveReplacing(folder / "a", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "first");
    EXPECT_EQ(platform::TypeOf(folder / "a"), EntryType::Missing);
    EXPECT_EQ(platform::AbsolutePath("a/b"), platform::CurrentDirectory() + "/a/b");
    EXPECT_TRUE(platform::ExecutablePath().ends_with("/platform_tests"));
}

// The XDG rule: the variable when it is absolute, else the folder under an absolute $HOME.
TEST(UserBaseFolderTest, TakesAnAbsoluteVariableElseTheFolderUnderHome) {
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome != nullptr ? savedHome : "";
    const struct {
        const char* variable;  // null: unset
        const char* home;
        std::string folder;
    } cases[] = {
        {"/v", "/h", "/v"},
        {"relative", "/h", "/h/.cache"},
        {nullptr, "/h", "/h/.cache"},
        {"", "relative", ""},
    };
    for (const auto& each : cases) {
        if (each.variable != nullptr) {
            ::setenv("CORVELA_TEST_BASE", each.variable, 1);
        } else {
            ::unsetenv("CORVELA_TEST_BASE");
        }
        ::setenv("HOME", each.home, 1);
        EXPECT_EQ(platform::UserBaseFolder("CORVELA_TEST_BASE", ".cache"), each.folder)
            << (each.variable != nullptr ? each.variable : "unset") << " " << each.home;
    }
    ::unsetenv("CORVELA_TEST_BASE");
    if (savedHome != nullptr) {
        ::setenv("HOME", home.c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

}  // namespace
