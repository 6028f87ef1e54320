#include <gtest/gtest.h>

#include "book/archive/ZipUtf8Flags.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

// The general-purpose flags of the entry named name: in the central directory, then in its
// local header; -1 for both when there is no such entry.
std::pair<int, int> FlagsOf(const std::string& archive, const std::string& name) {
    const auto flags = EntryFlags(archive);
    const auto found = flags.find(name);
    return found == flags.end() ? std::pair{-1, -1} : found->second;
}

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
    ASSERT_EQ(FlagsOf(archive, "章节/后记.xhtml").first & 0x800, 0);  // what zip leaves
    const std::string unmarked = ReadFileBytes(archive);
    ASSERT_EQ(MarkUtf8Names(archive), std::nullopt);
    // name, flag expected in both headers
    const std::vector<std::pair<std::string, int>> expected{
        {"ascii.txt", 0}, {"章节/", 0x800}, {"章节/后记.xhtml", 0x800}, {"\x82legacy.txt", 0}};
    for (const auto& [name, flag] : expected) {
        const auto [central, local] = FlagsOf(archive, name);
        EXPECT_EQ(central & 0x800, flag) << name;
        EXPECT_EQ(local & 0x800, flag) << name;
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
