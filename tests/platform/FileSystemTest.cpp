#include "platform/FileSystem.hpp"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.hpp"

namespace {

using platform::EntryType;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

TEST(FileSystemTest, MovesLinksAndCopiesNeverReplace) {
    testing_support::TempFolder folder;
    WriteFileBytes(folder / "a", "first");
    WriteFileBytes(folder / "b", "second");
    EXPECT_FALSE(platform::MoveNoReplace(folder / "a", folder / "b"));
    EXPECT_FALSE(platform::LinkNoReplace(folder / "a", folder / "b"));
    EXPECT_FALSE(platform::CopyNoReplace(folder / "a", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "second");
    EXPECT_TRUE(platform::LinkNoReplace(folder / "a", folder / "link"));
    EXPECT_TRUE(platform::CopyNoReplace(folder / "a", folder / "copy"));
    EXPECT_TRUE(platform::MoveNoReplace(folder / "a", folder / "moved"));
    EXPECT_EQ(ReadFileBytes(folder / "link") + ReadFileBytes(folder / "copy") +
                  ReadFileBytes(folder / "moved"),
              "firstfirstfirst");
    EXPECT_EQ(platform::TypeOf(folder / "a"), EntryType::Missing);
    EXPECT_TRUE(platform::MoveReplacing(folder / "moved", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "first");
}

TEST(FileSystemTest, TellsTheCurrentDirectoryAndTheExecutable) {
    EXPECT_EQ(platform::AbsolutePath("a/b"), platform::CurrentDirectory() + "/a/b");
    EXPECT_EQ(platform::AbsolutePath("/x"), "/x");
    EXPECT_TRUE(platform::ExecutablePath().ends_with("/platform_tests"));
}

}  // namespace
