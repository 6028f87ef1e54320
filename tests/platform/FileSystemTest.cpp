#include "platform/FileSystem.hpp"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.hpp"

namespace {

using testing_support::ReadFileBytes;

TEST(FileSystemTest, MovesLinksAndCopiesNeverReplace) {
    testing_support::TempFolder folder;
    testing_support::WriteFileBytes(folder / "a", "first");
    testing_support::WriteFileBytes(folder / "b", "second");
    EXPECT_FALSE(platform::MoveNoReplace(folder / "a", folder / "b") ||
                 platform::LinkNoReplace(folder / "a", folder / "b") ||
                 platform::CopyNoReplace(folder / "a", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "second");
    EXPECT_TRUE(platform::LinkNoReplace(folder / "a", folder / "link") &&
                platform::CopyNoReplace(folder / "a", folder / "copy") &&
                platform::MoveNoReplace(folder / "a", folder / "moved"));
    EXPECT_EQ(ReadFileBytes(folder / "link") + ReadFileBytes(folder / "copy") +
                  ReadFileBytes(folder / "moved"),
              "firstfirstfirst");
    EXPECT_EQ(platform::TypeOf(folder / "a"), platform::EntryType::Missing);
    EXPECT_TRUE(platform::MoveReplacing(folder / "moved", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "b"), "first");
    EXPECT_EQ(platform::AbsolutePath("a/b"), platform::CurrentDirectory() + "/a/b");
    EXPECT_TRUE(platform::ExecutablePath().ends_with("/platform_tests"));
}

}  // namespace
