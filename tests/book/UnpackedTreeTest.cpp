#include "book/tree/UnpackedTree.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/TempFolder.hpp"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// An archive may unpack folders that cannot be entered and files that cannot be written; every
// one of them, however deep under locked folders, must be opened up before the job walks it.
TEST(PrepareUnpackedTreeTest, OpensEveryFolderAndFileBelowLockedFolders) {
    const testing_support::TempFolder folder;
    const std::string root = folder / "book";
    std::filesystem::create_directories(root + "/a/b");
    testing_support::WriteFileBytes(root + "/a/b/c.xhtml", "c");
    testing_support::WriteFileBytes(root + "/d.css", "d");
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

}  // namespace
