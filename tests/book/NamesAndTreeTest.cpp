#include <gtest/gtest.h>
#include <sys/stat.h>

#include "book/BookConverter.hpp"
#include "book/archive/ZipNameRelabel.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/FileSystem.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

// The walks over a tree that links to a file and a folder of the user's outside it.
TEST(LinkedTreeTest, FindsAndDeletesButNeverTakesOrFollowsALink) {
    TempFolder outside, parent;
    const std::string root = parent / "book";
    std::filesystem::create_directories(outside / "dir");
    std::filesystem::create_directories(root + "/a/ro");
    WriteFileBytes(outside / "dir/user.css", "p {}");
    WriteFileBytes(root + "/a/ro/f", "简体书\n");
    std::filesystem::create_symlink(outside / "dir/user.css", root + "/a.css");
    std::filesystem::create_symlink(outside / "dir", root + "/b");
    CBookConverter converter;
    std::string found;
    EXPECT_EQ(converter.FindStylesheet(root, found), std::nullopt);
    EXPECT_EQ(found, "");
    std::filesystem::permissions(root + "/a/ro/f", std::filesystem::perms(0444));
    std::filesystem::permissions(root + "/a/ro", std::filesystem::perms(0555));
    EXPECT_TRUE(DeleteTree(root));
    EXPECT_EQ(platform::TypeOf(root), platform::EntryType::Missing);
    EXPECT_EQ(NamesIn(outside / "dir"), std::set<std::string>{"user.css"});
    EXPECT_FALSE(DeleteTree(root));
}

// An archive may unpack folders that cannot be entered and files that cannot be written; every
// one of them, however deep under locked folders, must be opened up before the job walks it.
TEST(PrepareUnpackedTreeTest, OpensEveryFolderAndFileBelowLockedFolders) {
    const TempFolder folder;
    const std::string root = folder / "book";
    std::filesystem::create_directories(root + "/a/b");
    WriteFileBytes(root + "/a/b/c.xhtml", "c");
    WriteFileBytes(root + "/d.css", "d");
    for (const auto& [path, mode] : {std::pair{root + "/a/b/c.xhtml", 0},
                                     {root + "/a/b", 0},
                                     {root + "/a", 0},
                                     {root + "/d.css", 0444},
                                     {root, 0500}}) {
        ::chmod(path.c_str(), static_cast<mode_t>(mode));
    }
    PrepareUnpackedTree(root);
    const std::pair<std::string, mode_t> expected[] = {{root, 0700},
                                                       {root + "/a", 0700},
                                                       {root + "/a/b", 0700},
                                                       {root + "/a/b/c.xhtml", 0600},
                                                       {root + "/d.css", 0644}};
    for (const auto& [path, mode] : expected) {
        EXPECT_EQ(ModeOf(path), mode) << path;
    }
}

TEST(ZipNameRelabelTest, RelabelsOnlyTheUtf8NamesOfDosEntriesThatUnzipWouldRecode) {
    TempFolder folder;
    const std::string archive = folder / "book.zip";
    const ZipEntryPlan ascii{"ascii.txt", "a", S_IFREG | 0644, kMadeOnDos};
    WriteZip(archive, {ascii, {"unix/名字", "b"}});
    EXPECT_FALSE(RelabelUtf8Names(archive));
    WriteZip(archive,
             {ascii, {"目录/", "", S_IFDIR, kMadeOnDos}, {"目录/名字", "c", 0, kMadeOnDos}});
    std::string bytes = ReadFileBytes(archive);
    bytes[bytes.size() - 2] = 6;  // the end record's comment, which must end the file
    WriteFileBytes(archive, bytes + "备注");
    const std::optional<CentralDirectoryPatch> patch = RelabelUtf8Names(archive);
    ASSERT_TRUE(patch);
    ASSERT_TRUE(ApplyCentralDirectoryPatch(archive, *patch));
    RunShellCommand("unzip -qq " + archive + " -d " + folder / "out");
    EXPECT_EQ(ReadFileBytes(folder / "out/目录/名字"), "c");
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(folder / "out/目录/名字").permissions(), perms(0644));
    EXPECT_EQ(std::filesystem::status(folder / "out/目录").permissions(), perms(0755));
    // A cut or a mislaid end record leaves the archive to unzip as it is.
    for (const std::string& damaged : {bytes.substr(0, bytes.size() - 1), bytes.substr(0, 30),
                                       bytes + "备注!", std::string("PK\5\6")}) {
        WriteFileBytes(archive, damaged);
        EXPECT_FALSE(RelabelUtf8Names(archive)) << damaged.size();
    }
}

}  // namespace
