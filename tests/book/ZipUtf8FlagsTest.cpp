#include <gtest/gtest.h>

#include "book/archive/ZipUtf8Flags.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

TEST(ZipUtf8FlagsTest, MarksTheUtf8NamesThatZipLeftUnmarkedAndOnlyThose) {
    TempFolder temp;
    const std::string tree = temp / "tree";
    std::filesystem::create_directories(tree + "/章节");
    const std::vector<std::string> names{"ascii.txt", "章节/后记.xhtml", "\x82legacy.txt"};
    for (const std::string& name : names) {
        WriteFileBytes(tree + "/" + name, "text of " + name);
    }
    const std::string archive = temp / "book.zip";
    RunShellCommand("cd " + ShellQuoted(tree) + " && LC_ALL=C.UTF-8 zip -qr " +
                    ShellQuoted(archive) + " .");
    ASSERT_EQ(StoredEntries(archive).at("章节/后记.xhtml").flags & 0x800, 0);  // what zip leaves
    const std::string unmarked = ReadFileBytes(archive);
    ASSERT_EQ(MarkUtf8Names(archive), std::nullopt);
    // The legacy name stays unmarked; the job's tests see every UTF-8 name marked.
    for (const auto& [name, flag] : {std::pair{"\x82legacy.txt", 0}, {"章节/后记.xhtml", 0x800}}) {
        const StoredEntry entry = StoredEntries(archive).at(name);
        EXPECT_EQ(entry.flags & entry.localFlags & 0x800, flag) << name;
        EXPECT_EQ((entry.flags | entry.localFlags) & 0x800, flag) << name;
    }
    EXPECT_EQ(RunShellCommand("unzip -tqq " + ShellQuoted(archive)).exitStatus, 0);
    const std::string marked = ReadFileBytes(archive);
    ASSERT_EQ(MarkUtf8Names(archive), std::nullopt);
    EXPECT_EQ(ReadFileBytes(archive), marked);
    // An archive whose directory cannot be read, or whose local header does not match.
    std::string mismatched = unmarked;
    mismatched[mismatched.find("后记") + 1] ^= 1;
    for (const std::string& damaged : {unmarked.substr(0, unmarked.size() - 3), mismatched}) {
        WriteFileBytes(archive, damaged);
        EXPECT_NE(MarkUtf8Names(archive), std::nullopt) << damaged.size();
    }
}

}  // namespace
