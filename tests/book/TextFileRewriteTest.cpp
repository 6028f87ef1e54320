#include "book/tree/TextFileRewrite.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/BookFiles.hpp"
#include "tests/support/FileSizeLimit.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;

ino_t InodeOf(const std::string& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_ino;
}

struct TextFileCase {
    const char* name;
    std::string before;
    std::string after;  // empty: the file is left as it was, not even rewritten
};

TEST(ConvertTextFileTest, RewritesOnlyATextFileWhoseTextChanges) {
    const auto table = text::LoadConverter(text::Profile::Char).converter;
    const TextFileCase cases[] = {
        {"converted", "<p>简体</p>", "<p>簡體</p>"},
        {"no change", "<p>繁體</p>", ""},
        {"not text", "<p>\xD6\xD0\xCE\xC4</p>", ""},
        {"image with a marker", "GIF89a\x01\0\x01\0 charset=utf-8 简", ""},
    };
    for (const TextFileCase& c : cases) {
        const TempFolder folder;
        WriteFileBytes(folder / "c.xhtml", c.before);
        const ino_t inode = InodeOf(folder / "c.xhtml");
        EXPECT_EQ(ConvertTextFile(folder / "c.xhtml", "c.xhtml", {*table, text::Profile::Char}),
                  std::nullopt)
            << c.name;
        EXPECT_EQ(ReadFileBytes(folder / "c.xhtml"), c.after.empty() ? c.before : c.after)
            << c.name;
        EXPECT_EQ(InodeOf(folder / "c.xhtml") == inode, c.after.empty()) << c.name;
        EXPECT_EQ(NamesIn(folder.path()), Names{"c.xhtml"}) << c.name;
    }
}

const ContentTransform kAppend = [](std::string_view bytes) { return std::string(bytes) + "!"; };

TEST(ReplaceFileContentsTest, KeepsThePermissionBitsAndLeavesOtherLinksAsTheyWere) {
    const TempFolder folder;
    WriteFileBytes(folder / "file", "old");
    ::chmod((folder / "file").c_str(), 02640);
    ::link((folder / "file").c_str(), (folder / "other name").c_str());
    EXPECT_EQ(ReplaceFileContents(folder / "file", "file", kAppend), std::nullopt);
    EXPECT_EQ(ModeOf(folder / "file"), 02640u);
    EXPECT_EQ(ReadFileBytes(folder / "file") + ReadFileBytes(folder / "other name"), "old!old");
}

// A file size limit stops writes even for root, as a full disk would.
TEST(ReplaceFileContentsTest, AFailureLeavesTheFileAsItWasNothingBesideItAndSaysWhy) {
    const TempFolder folder;
    WriteFileBytes(folder / "file", std::string(8192, 'a'));
    std::optional<std::string> tooLarge;
    {
        const FileSizeLimit limit(4096);
        tooLarge = ReplaceFileContents(folder / "file", "OEBPS/file", kAppend);
    }
    EXPECT_EQ(tooLarge, "无法写回 OEBPS/file：File too large");
    EXPECT_EQ(ReadFileBytes(folder / "file"), std::string(8192, 'a'));
    EXPECT_EQ(NamesIn(folder.path()), Names{"file"});
    EXPECT_EQ(ReplaceFileContents(folder / "missing", "missing", kAppend),
              "无法读取 missing：No such file or directory");
    EXPECT_EQ(ReplaceFileContents(folder.path(), ".", kAppend), "无法读取 .：Is a directory");
    if (::geteuid() != 0) {  // root writes into any folder; CI runs this as another user too
        ::chmod(folder.path().c_str(), 0555);
        EXPECT_EQ(ReplaceFileContents(folder / "file", "file", kAppend),
                  "无法写回 file：Permission denied");
        ::chmod(folder.path().c_str(), 0755);
    }
}

}  // namespace
