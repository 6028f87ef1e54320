#include "platform/FileSystem.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/FileSizeLimit.hpp"
#include "tests/support/TempFolder.hpp"

namespace {

using platform::EntryType;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

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
        const testing_support::FileSizeLimit limit(100000);
        copied = platform::CopyNoReplace(folder / "big", folder / "copy");
    }
    EXPECT_FALSE(copied);
    EXPECT_EQ(platform::TypeOf(folder / "copy"), EntryType::Missing);
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
}

}  // namespace
