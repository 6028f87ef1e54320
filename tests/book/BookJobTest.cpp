#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "book/BookConverter.hpp"
#include "platform/FileSystem.hpp"
#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/TestProcesses.hpp"

namespace {

using book_testing::BookJobTest;
using testing_support::ArchiveEntryNames;
using testing_support::OfferPrograms;
using testing_support::ReadArchive;
using testing_support::ReadFileBytes;
using testing_support::SampleBookEntries;
using testing_support::ScopedEnvironmentVariable;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using testing_support::WriteScript;
using testing_support::ZipEntrySpec;
using Names = std::set<std::string>;

constexpr const char* kFontLocation = "res:///opt/sony/ebook/FONT/zw.ttf";

std::vector<ZipEntrySpec> WithoutStylesheet() {
    std::vector<ZipEntrySpec> entries = SampleBookEntries();
    std::erase_if(entries, [](const ZipEntrySpec& e) { return e.name == "OEBPS/style.css"; });
    return entries;
}

std::vector<ZipEntrySpec> With(std::vector<ZipEntrySpec> entries, const ZipEntrySpec& extra) {
    entries.push_back(extra);
    return entries;
}

TEST_F(BookJobTest, ConvertsABookIntoAValidTraditionalCopyBesideIt) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(Convert(book), 1);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));

    const std::string output = ReadFileBytes(books + "/novel_corvela.epub");
    EXPECT_TRUE(testing_support::StartsWithStoredMimetype(output));
    const std::vector<std::string> entryNames = ArchiveEntryNames(books + "/novel_corvela.epub");
    EXPECT_EQ(std::count(entryNames.begin(), entryNames.end(), "mimetype"), 1);
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_NE(files["OEBPS/chapter.xhtml"].find("這是一本簡體書"), std::string::npos);
    EXPECT_EQ(files["OEBPS/chapter.xhtml"].find("简体"), std::string::npos);
    EXPECT_NE(files["OEBPS/style.css"].find(kFontLocation), std::string::npos);
    EXPECT_EQ(files["OEBPS/images/cover.png"], testing_support::BinaryBytes(1));
    EXPECT_EQ(files["OEBPS/fonts/book.ttf"], testing_support::BinaryBytes(2));
    EXPECT_EQ(files["mimetype"], "application/epub+zip");
}

TEST_F(BookJobTest, ConvertsABookGivenByARelativePathWithBlanksInItsName) {
    const std::string book = MakeBook("a novel.epub", SampleBookEntries());
    const std::string before = platform::CurrentDirectory();
    ASSERT_EQ(::chdir(books.c_str()), 0);
    const int result = converter.ConvertBook("", "a novel.epub", "a novel_corvela.epub");
    ASSERT_EQ(::chdir(before.c_str()), 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Beside(), (Names{"a novel.epub", "a novel_corvela.epub"}));
}

TEST_F(BookJobTest, ConvertsContentButNeverNames) {
    const std::string chapter = "OEBPS/第二章 旧的回忆";
    const std::string book =
        MakeBook("novel.epub", With(SampleBookEntries(), {chapter, "<p>旧的回忆</p>\n"}));
    ASSERT_EQ(Convert(book), 1);
    auto files = ReadArchive(books + "/novel_corvela.epub");
    ASSERT_EQ(files.count(chapter), 1u);
    EXPECT_EQ(files[chapter], "<p>舊的回憶</p>\n");
}

TEST_F(BookJobTest, ABookNamedZipIsItsOwnArchive) {
    const std::string book = MakeBook("novel.zip", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (Names{"novel.zip", "novel_corvela.epub"}));
}

TEST_F(BookJobTest, ReplacesAnOldOutputWholeInsteadOfMergingIt) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    testing_support::WriteZip(books + "/novel_corvela.epub", {{"stale.txt", "old"}});
    ASSERT_EQ(Convert(book), 1);
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files.count("stale.txt"), 0u);
    EXPECT_EQ(files.count("OEBPS/chapter.xhtml"), 1u);
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
}

TEST_F(BookJobTest, NeverTouchesAnArchiveOrFolderOfTheDerivedNamesThatWasThere) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    testing_support::WriteZip(books + "/novel.zip", {{"theirs.css", "p {}"}});
    const std::string theirArchive = ReadFileBytes(books + "/novel.zip");
    std::filesystem::create_directory(books + "/novel");
    WriteFileBytes(books + "/novel/notes.txt", "简体的笔记");
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(ReadFileBytes(books + "/novel.zip"), theirArchive);
    EXPECT_EQ(testing_support::ReadTree(books + "/novel"),
              (std::map<std::string, std::string>{{"notes.txt", "简体的笔记"}}));
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel.zip", "novel", "novel_corvela.epub"}));
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files.count("theirs.css"), 0u);
    EXPECT_EQ(files.count("notes.txt"), 0u);
    EXPECT_EQ(files.count("OEBPS/chapter.xhtml"), 1u);
}

struct GivenUpCase {
    std::string name;
    std::vector<ZipEntrySpec> entries;
};

class GivenUpBookTest : public BookJobTest, public testing::WithParamInterface<GivenUpCase> {};

TEST_P(GivenUpBookTest, GivesZeroWithoutMessageAndLeavesNothingBeside) {
    const std::string book = MakeBook("novel.epub", GetParam().entries);
    const std::string original = ReadFileBytes(book);
    EXPECT_EQ(Convert(book), 0);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

INSTANTIATE_TEST_SUITE_P(
    Books, GivenUpBookTest,
    testing::Values(GivenUpCase{"NoStylesheet", WithoutStylesheet()},
                    GivenUpCase{"FolderNamedCss",
                                With(WithoutStylesheet(), {"OEBPS/x.css/", "", S_IFDIR | 0755})},
                    GivenUpCase{"CapitalStylesheetOnly",
                                With(WithoutStylesheet(), {"OEBPS/STYLE.CSS", "p{}"})},
                    GivenUpCase{"LinkedStylesheetOnly",
                                With(WithoutStylesheet(),
                                     {"OEBPS/style.css", "/etc/hostname", S_IFLNK | 0777})}),
    [](const auto& info) { return info.param.name; });

TEST_F(BookJobTest, ABookThatIsNoArchiveIsGivenUpCleanly) {
    const std::string book = books + "/novel.epub";
    WriteFileBytes(book, "this is not a zip archive at all");
    EXPECT_EQ(Convert(book), 0);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

TEST_F(BookJobTest, AFailedUnpackIsGivenUpAndWhatWasUnpackedIsRemoved) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    // Spoil the last entry's bytes: unzip gets the others out, then ends with a CRC error.
    std::string bytes = ReadFileBytes(book);
    const std::size_t font = bytes.find(testing_support::BinaryBytes(2));
    ASSERT_NE(font, std::string::npos);
    bytes[font + 100] = static_cast<char>(bytes[font + 100] ^ 0x01);
    WriteFileBytes(book, bytes);
    EXPECT_EQ(Convert(book), 0);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(ReadFileBytes(book), bytes);
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

TEST_F(BookJobTest, AMissingBookOrUnreadableArchiverPathTouchesNothing) {
    EXPECT_EQ(Convert(books + "/missing.epub"), 0);
    EXPECT_TRUE(converter.messages.empty());
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    EXPECT_EQ(Convert(book, books), 0);
    EXPECT_EQ(Convert(book, books + "/missing.exe"), 0);
    EXPECT_EQ(converter.messages, (std::vector<std::string>{"WINRAR 路径错误", "WINRAR 路径错误"}));
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

struct RefusedCase {
    std::string name;
    std::string folder;  // under books, may be empty
    std::string book;
    std::string message;
};

class RefusedBookTest : public BookJobTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedBookTest, IsRefusedWithAMessageAndNothingTouched) {
    const std::string folder = books + GetParam().folder;
    std::filesystem::create_directories(folder);
    const std::string book = folder + "/" + GetParam().book;
    testing_support::WriteZip(book, SampleBookEntries());
    const std::set<std::string> before = testing_support::NamesIn(folder);
    EXPECT_EQ(Convert(book), 0);
    EXPECT_EQ(converter.messages, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(testing_support::NamesIn(folder), before);
    EXPECT_EQ(testing_support::NamesIn(books + "/.."), (Names{"books"}));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RefusedBookTest,
    testing::Values(RefusedCase{"Quote", "", "a\"b.epub", "路径含有引号，无法处理"},
                    RefusedCase{"QuoteInFolder", "/x\"y", "b.epub", "路径含有引号，无法处理"},
                    RefusedCase{"NoExtension", "", "novel", "文件没有扩展名，无法处理"},
                    RefusedCase{"OnlyExtension", "", ".epub", "文件没有扩展名，无法处理"},
                    RefusedCase{"DotInFolderOnly", "/my.books", "novel",
                                "文件没有扩展名，无法处理"}),
    [](const auto& info) { return info.param.name; });

TEST_F(BookJobTest, AnOutputPathThatNamesTheBookIsRefused) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(::link(book.c_str(), (books + "/second.epub").c_str()), 0);
    EXPECT_EQ(converter.ConvertBook("", book, book), 0);
    EXPECT_EQ(converter.ConvertBook("", book, books + "/second.epub"), 0);
    EXPECT_EQ(converter.messages, std::vector<std::string>(2, "输出文件与原书相同，无法处理"));
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (Names{"novel.epub", "second.epub"}));
}

TEST_F(BookJobTest, AMissingUnzipOrZipIsReportedAndLeavesNothing) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    TempFolder noTools;
    TempFolder unzipOnly;
    OfferPrograms(unzipOnly.path(), {"unzip"});
    {
        ScopedEnvironmentVariable path("PATH", noTools.path());
        EXPECT_EQ(Convert(book), 0);
    }
    {
        ScopedEnvironmentVariable path("PATH", unzipOnly.path());
        EXPECT_EQ(Convert(book), 0);
    }
    EXPECT_EQ(converter.messages, (std::vector<std::string>{"调用 unzip 失败", "调用 zip 失败"}));
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

TEST_F(BookJobTest, AFailingPackLeavesNoPartialOutputAndKeepsAnOldOne) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    WriteFileBytes(books + "/novel_corvela.epub", "old output");
    TempFolder tools;
    OfferPrograms(tools.path(), {"unzip"});
    // A zip that writes part of its archive and then fails.
    WriteScript(tools / "zip",
                "for a; do case \"$a\" in *.epub) echo partial > \"$a\";; esac; done\n"
                "exit 15\n");
    ScopedEnvironmentVariable path("PATH", tools.path() + ":/usr/bin:/bin");
    EXPECT_EQ(Convert(book), 0);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(ReadFileBytes(books + "/novel_corvela.epub"), "old output");
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
}

TEST_F(BookJobTest, AHostileBookCannotReachOutsideItsFolder) {
    WriteFileBytes(temp / "secret.txt", "简体的秘密");
    std::filesystem::create_directory(temp / "private");
    WriteFileBytes(temp / "private/key", "key");
    std::vector<ZipEntrySpec> entries = SampleBookEntries();
    entries.push_back({"OEBPS/leak.xhtml", temp / "secret.txt", S_IFLNK | 0777});
    entries.push_back({"OEBPS/private", temp / "private", S_IFLNK | 0777});
    entries.push_back({"../escape.txt", "escaped"});
    entries.push_back({"OEBPS/../../escape2.txt", "escaped"});
    const std::string book = MakeBook("novel.epub", entries);
    EXPECT_EQ(Convert(book), 1);
    EXPECT_EQ(ReadFileBytes(temp / "secret.txt"), "简体的秘密");
    EXPECT_EQ(ReadFileBytes(temp / "private/key"), "key");
    EXPECT_EQ(testing_support::NamesIn(temp.path()), (Names{"books", "private", "secret.txt"}));
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    const std::string output = ReadFileBytes(books + "/novel_corvela.epub");
    EXPECT_EQ(output.find("秘密"), std::string::npos);
    EXPECT_EQ(output.find("秘密"), std::string::npos);
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files.count("OEBPS/leak.xhtml"), 0u);
    EXPECT_EQ(files.count("OEBPS/private/key"), 0u);
}

TEST_F(BookJobTest, ReadOnlyFilesAndFoldersAreConvertedAndCleanedUp) {
    std::vector<ZipEntrySpec> entries = SampleBookEntries();
    for (ZipEntrySpec& entry : entries) {
        entry.mode = S_IFREG | 0444;
    }
    entries.push_back({"OEBPS/locked/", "", S_IFDIR | 0555});
    entries.push_back({"OEBPS/locked/more.xhtml", "<p>简体</p>\n", S_IFREG | 0444});
    const std::string book = MakeBook("novel.epub", entries);
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files["OEBPS/locked/more.xhtml"], "<p>簡體</p>\n");
    EXPECT_NE(files["OEBPS/style.css"].find(kFontLocation), std::string::npos);
}

TEST_F(BookJobTest, RootNamesThatLookLikeOptionsArePackedAsFiles) {
    // "-h" would make zip print its help and write nothing.
    const std::string book = MakeBook("novel.epub", With(SampleBookEntries(), {"-h", "x"}));
    ASSERT_EQ(Convert(book), 1);
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files["-h"], "x");
}

TEST_F(BookJobTest, AStopRequestedBeforehandLeavesTheBookAsItWas) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(Convert(book, "", stop.get_token()), 0);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

}  // namespace
