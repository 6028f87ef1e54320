#include <gtest/gtest.h>

#include "book/ArchiverCommands.hpp"
#include "book/BookConverter.hpp"
#include "book/FreshNames.hpp"
#include "platform/FileSystem.hpp"
#include "tests/support/TempFolder.hpp"

namespace {

using testing_support::TempFolder;
using testing_support::WriteFileBytes;

struct NamesCase {
    std::string book;
    std::string archiveName;
    std::string unpackFolder;
    std::string output;
};

class DerivedNamesTest : public testing::TestWithParam<NamesCase> {};

TEST_P(DerivedNamesTest, FollowTheLastDot) {
    CBookConverter converter;
    std::string archiveName;
    std::string output;
    std::string folder = GetParam().book;
    EXPECT_EQ(converter.ReplaceExtension(archiveName, GetParam().book, ".zip"), 1);
    EXPECT_EQ(converter.ReplaceExtension(output, GetParam().book, "_corvela.epub"), 1);
    EXPECT_EQ(converter.StripExtension(folder), 1);
    EXPECT_EQ(archiveName, GetParam().archiveName);
    EXPECT_EQ(folder, GetParam().unpackFolder);
    EXPECT_EQ(output, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Books, DerivedNamesTest,
    testing::Values(NamesCase{"/books/novel.epub", "/books/novel.zip", "/books/novel",
                              "/books/novel_corvela.epub"},
                    NamesCase{"/my.books/novel.epub", "/my.books/novel.zip", "/my.books/novel",
                              "/my.books/novel_corvela.epub"},
                    NamesCase{"/books/novel.tar.epub", "/books/novel.tar.zip", "/books/novel.tar",
                              "/books/novel.tar_corvela.epub"},
                    NamesCase{"/books/novel.zip", "/books/novel.zip", "/books/novel",
                              "/books/novel_corvela.epub"},
                    NamesCase{"/书/小说 一.epub", "/书/小说 一.zip", "/书/小说 一",
                              "/书/小说 一_corvela.epub"}));

TEST(StripExtensionTest, RefusesAStringWithoutDot) {
    CBookConverter converter;
    std::string path = "/books/novel";
    EXPECT_EQ(converter.StripExtension(path), 0);
    EXPECT_EQ(path, "/books/novel");
}

TEST(FileExistsTest, CountsOnlyReadableFiles) {
    TempFolder folder;
    WriteFileBytes(folder / "book.epub", "x");
    CBookConverter converter;
    EXPECT_EQ(converter.FileExists(folder / "book.epub"), 1);
    EXPECT_EQ(converter.FileExists(folder.path()), 0);
    EXPECT_EQ(converter.FileExists(folder / "missing.epub"), 0);
    EXPECT_EQ(converter.FileExists(""), 0);
}

struct CommandCase {
    std::string name;
    std::string built;
    std::string expected;
};

class CommandLineTest : public testing::TestWithParam<CommandCase> {};

TEST_P(CommandLineTest, IsExactlyTheTemplate) {
    EXPECT_EQ(GetParam().built, GetParam().expected);
}

std::string WinRarExtract(const std::string& archiver) {
    CBookConverter converter;
    std::string command;
    converter.BuildWinRarExtractCommand(archiver, "/books/novel.zip", "/books/novel", command);
    return command;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandLineTest,
    testing::Values(
        CommandCase{"WinRarExtract", WinRarExtract("/tools/WinRAR/WinRAR.exe"),
                    "/tools/WinRAR/WinRAR.exe x \"/books/novel.zip\" \"/books/novel\"/"},
        CommandCase{"WinRarExtractBlanks", WinRarExtract("/Program Files/WinRAR/WinRAR.exe"),
                    "/Program Files/WinRAR/WinRAR.exe x \"/books/novel.zip\" \"/books/novel\"/"},
        CommandCase{"UnzipExtract", BuildUnzipExtractCommand("/books/novel.zip", "/books/novel"),
                    "unzip -o \"/books/novel.zip\" -d \"/books/novel\""},
        CommandCase{"WinRarPack",
                    BuildWinRarPackCommand("/Program Files/WinRAR/WinRAR.exe",
                                           "/books/novel_corvela.epub", "/books/novel"),
                    "/Program Files/WinRAR/WinRAR.exe a -r -ep1 -afzip "
                    "\"/books/novel_corvela.epub\" \"/books/novel/./\""},
        CommandCase{"ZipPack", BuildZipPackCommand("/books/novel_corvela.epub"),
                    "zip -r  \"/books/novel_corvela.epub\"   *"},
        CommandCase{"ZipPackBlanks", BuildZipPackCommand("/my books/a novel_corvela.epub"),
                    "zip -r  \"/my books/a novel_corvela.epub\"   *"},
        CommandCase{"ZipMimetype", BuildZipMimetypeCommand("/books/novel_corvela.epub"),
                    "zip -X0 \"/books/novel_corvela.epub\" mimetype"},
        CommandCase{"ZipPackWithoutMimetype",
                    BuildZipPackCommand("/b/n_corvela.epub") + kZipExcludeMimetype,
                    "zip -r  \"/b/n_corvela.epub\"   * -x mimetype"}),
    [](const auto& info) { return info.param.name; });

struct CandidateCase {
    std::string wanted;
    int n;
    bool beforeExtension;
    std::string expected;
};

class FreshCandidateTest : public testing::TestWithParam<CandidateCase> {};

TEST_P(FreshCandidateTest, PutsTheNumberBeforeTheExtension) {
    EXPECT_EQ(FreshCandidate(GetParam().wanted, GetParam().n, GetParam().beforeExtension),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, FreshCandidateTest,
                         testing::Values(CandidateCase{"/b/novel.zip", 0, true, "/b/novel.zip"},
                                         CandidateCase{"/b/novel.zip", 1, true, "/b/novel~1.zip"},
                                         CandidateCase{"/b/novel", 2, false, "/b/novel~2"},
                                         CandidateCase{"/my.b/novel", 1, true, "/my.b/novel~1"},
                                         CandidateCase{"/b/.zip", 1, true, "/b/.zip~1"}));

TEST(FreshNamesTest, SkipWhatExistsAndCreateAtomically) {
    TempFolder folder;
    WriteFileBytes(folder / "book.epub", "book");
    WriteFileBytes(folder / "book.zip", "someone else's");
    ASSERT_TRUE(platform::CreateFolder(folder / "book"));
    ASSERT_TRUE(platform::CreateFolder(folder / "book~1.zip"));
    EXPECT_EQ(LinkUnderFreshName(folder / "book.epub", folder / "book.zip"), folder / "book~2.zip");
    EXPECT_EQ(testing_support::ReadFileBytes(folder / "book~2.zip"), "book");
    EXPECT_EQ(testing_support::ReadFileBytes(folder / "book.zip"), "someone else's");
    EXPECT_EQ(CreateFreshFolder(folder / "book"), folder / "book~1");
    EXPECT_EQ(CreateFreshFolder(folder / "missing/book"), std::nullopt);
    EXPECT_EQ(LinkUnderFreshName(folder / "missing.epub", folder / "missing.zip"), std::nullopt);
}

}  // namespace
