#include "platform/FileSystem.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/TempFolder.hpp"

namespace {

using platform::EntryType;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

class FileSystemTest : public testing::Test {
  protected:
    TempFolder folder;
};

TEST_F(FileSystemTest, ListsEntriesWithTheirOwnTypes) {
    WriteFileBytes(folder / "file", "x");
    ASSERT_TRUE(platform::CreateFolder(folder / "sub"));
    ASSERT_EQ(::symlink((folder / "sub").c_str(), (folder / "link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("/nowhere", (folder / "dangling").c_str()), 0);
    std::optional<std::vector<platform::FolderEntry>> entries = platform::ListFolder(folder.path());
    ASSERT_TRUE(entries);
    std::map<std::string, EntryType> types;
    for (const auto& entry : *entries) {
        types[entry.name] = entry.type;
    }
    const std::map<std::string, EntryType> expected{{"dangling", EntryType::SymbolicLink},
                                                    {"file", EntryType::File},
                                                    {"link-to-folder", EntryType::SymbolicLink},
                                                    {"sub", EntryType::Folder}};
    EXPECT_EQ(types, expected);
    EXPECT_FALSE(platform::ListFolder(folder / "missing"));
    EXPECT_FALSE(platform::ListFolder(folder / "file"));
    EXPECT_EQ(platform::TypeOf(folder / "missing"), EntryType::Missing);
}

TEST_F(FileSystemTest, CreatingAFolderFailsWhenTheNameExists) {
    EXPECT_TRUE(platform::CreateFolder(folder / "new"));
    EXPECT_FALSE(platform::CreateFolder(folder / "new"));
    ASSERT_EQ(::symlink("/nowhere", (folder / "link").c_str()), 0);
    EXPECT_FALSE(platform::CreateFolder(folder / "link"));
}

TEST_F(FileSystemTest, MovesLinksAndCopiesNeverReplace) {
    WriteFileBytes(folder / "a", "first");
    WriteFileBytes(folder / "b", "second");
    EXPECT_FALSE(platform::MoveNoReplace(folder / "a", folder / "b"));
    EXPECT_FALSE(platform::LinkNoReplace(folder / "a", folder / "b"));
    EXPECT_FALSE(platform::CopyNoReplace(folder / "a", folder / "b"));
    EXPECT_EQ(ReadFileBytes(folder / "a"), "first");
    EXPECT_EQ(ReadFileBytes(folder / "b"), "second");

    EXPECT_TRUE(platform::LinkNoReplace(folder / "a", folder / "a-link"));
    EXPECT_TRUE(platform::CopyNoReplace(folder / "a", folder / "a-copy"));
    EXPECT_TRUE(platform::MoveNoReplace(folder / "a", folder / "c"));
    EXPECT_EQ(platform::TypeOf(folder / "a"), EntryType::Missing);
    EXPECT_EQ(ReadFileBytes(folder / "a-link"), "first");
    EXPECT_EQ(ReadFileBytes(folder / "a-copy"), "first");
    EXPECT_EQ(ReadFileBytes(folder / "c"), "first");
}

TEST_F(FileSystemTest, MoveReplacingReplacesAFileButNotAFolder) {
    WriteFileBytes(folder / "new", "new");
    WriteFileBytes(folder / "old", "old");
    EXPECT_TRUE(platform::MoveReplacing(folder / "new", folder / "old"));
    EXPECT_EQ(ReadFileBytes(folder / "old"), "new");
    ASSERT_TRUE(platform::CreateFolder(folder / "dir"));
    EXPECT_FALSE(platform::MoveReplacing(folder / "old", folder / "dir"));
}

TEST_F(FileSystemTest, RemovesALinkItselfAndOnlyEmptyFolders) {
    WriteFileBytes(folder / "target", "kept");
    ASSERT_EQ(::symlink((folder / "target").c_str(), (folder / "link").c_str()), 0);
    EXPECT_TRUE(platform::RemoveFile(folder / "link"));
    EXPECT_EQ(ReadFileBytes(folder / "target"), "kept");
    ASSERT_TRUE(platform::CreateFolder(folder / "dir"));
    WriteFileBytes(folder / "dir/f", "x");
    EXPECT_FALSE(platform::RemoveFolder(folder / "dir"));
    EXPECT_TRUE(platform::RemoveFile(folder / "dir/f"));
    EXPECT_TRUE(platform::RemoveFolder(folder / "dir"));
}

TEST_F(FileSystemTest, TellsTheSameFileUnderTwoNames) {
    WriteFileBytes(folder / "a", "x");
    WriteFileBytes(folder / "b", "x");
    ASSERT_TRUE(platform::LinkNoReplace(folder / "a", folder / "hard"));
    ASSERT_EQ(::symlink((folder / "a").c_str(), (folder / "soft").c_str()), 0);
    EXPECT_TRUE(platform::SameFile(folder / "a", folder / "hard"));
    EXPECT_TRUE(platform::SameFile(folder / "a", folder / "soft"));
    EXPECT_FALSE(platform::SameFile(folder / "a", folder / "b"));
    EXPECT_FALSE(platform::SameFile(folder / "a", folder / "missing"));
}

TEST_F(FileSystemTest, MakesFilesAndFoldersOwnerWritable) {
    WriteFileBytes(folder / "ro", "x");
    ASSERT_EQ(::chmod((folder / "ro").c_str(), 0444), 0);
    ASSERT_TRUE(platform::CreateFolder(folder / "dir"));
    ASSERT_EQ(::chmod((folder / "dir").c_str(), 0500), 0);
    EXPECT_TRUE(platform::MakeOwnerWritable(folder / "ro"));
    EXPECT_TRUE(platform::MakeOwnerWritable(folder / "dir"));
    struct stat status {};
    ASSERT_EQ(::stat((folder / "ro").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    ASSERT_EQ(::stat((folder / "dir").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_FALSE(platform::MakeOwnerWritable(folder / "missing"));
}

TEST_F(FileSystemTest, TellsTheCurrentDirectoryAndTheExecutable) {
    const std::string current = platform::CurrentDirectory();
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(platform::AbsolutePath("a/b"), current + "/a/b");
    EXPECT_EQ(platform::AbsolutePath("/x"), "/x");
    const std::string executable = platform::ExecutablePath();
    EXPECT_TRUE(executable.ends_with("/platform_tests")) << executable;
    EXPECT_EQ(platform::TypeOf(executable), EntryType::File);
}

}  // namespace
