#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "book/BookConverter.hpp"
#include "book/archive/CentralDirectory.hpp"
#include "platform/FileSystem.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;

// The job on books in a folder "books" of a temporary folder, with its journals kept in the
// same temporary folder.
class HostileBookTest : public testing::Test, public CBookConverter {
  protected:
    HostileBookTest() {
        std::filesystem::create_directory(books);
        ::setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
    }
    ~HostileBookTest() override { ::unsetenv("XDG_STATE_HOME"); }
    std::string MakeBook(const std::string& name, const std::vector<ZipEntryPlan>& extra = {}) {
        return WriteSampleBook(books + "/" + name, extra);
    }
    BookOutcome Run(const std::string& book, const std::string& archiver = "") {
        JobOptions options;
        options.archiverPath = archiver;
        std::string output;
        ReplaceExtension(output, book, "_corvela.epub");
        BookOutcome outcome = ConvertBook(options, book, output);
        if (!outcome.alert.empty()) {
            messages.push_back(outcome.alert);
        }
        return outcome;
    }
    std::map<std::string, std::string> Output() const {
        return ReadArchive(books + "/novel_corvela.epub");
    }

    TempFolder temp;
    const std::string books = temp / "books";
    std::vector<std::string> messages;
};

// The names of the entries of the output, read from its central directory.
Names OutputNames(const std::string& output) {
    Names names;
    const std::optional<std::vector<ArchiveEntry>> entries = ListArchive(output);
    for (const ArchiveEntry& entry : entries ? *entries : std::vector<ArchiveEntry>{}) {
        names.insert(entry.name);
    }
    return names;
}

TEST_F(HostileBookTest, EveryNameReachesTheOutputAsAName) {
    const std::vector<std::string> names{"*.xhtml", "*",  "?x",     "[ab]", "a",
                                         "-x",      "--", "@names", "a b",  "OEBPS/*.xhtml"};
    std::vector<ZipEntryPlan> extra;
    for (const std::string& name : names) {
        extra.push_back({name, "<p>简体</p>"});
    }
    ASSERT_EQ(Run(MakeBook("novel.epub", extra)).reason, "");
    auto files = Output();
    for (const std::string& name : names) {
        EXPECT_EQ(files[name], "<p>簡體</p>") << name;
    }
    EXPECT_EQ(files.size(), SampleBookEntries().size() + names.size());
}

TEST_F(HostileBookTest, ATreeAThousandFoldersDeepIsPackedWhole) {
    std::string deep;
    for (int i = 0; i < 1000; ++i) {
        deep += "d/";
    }
    ASSERT_EQ(Run(MakeBook("novel.epub", {{deep + "deep.xhtml", "<p>简体</p>"}})).reason, "");
    EXPECT_TRUE(OutputNames(books + "/novel_corvela.epub").contains(deep + "deep.xhtml"));
}

TEST_F(HostileBookTest, TopLevelNamesTooManyForOneCommandLineArePackedFromAList) {
    std::vector<ZipEntryPlan> extra;
    const std::string stem(120, 'n');
    for (int i = 0; i < 20000; ++i) {
        extra.push_back({stem + std::to_string(i), "x"});
    }
    extra.push_back({"-" + stem, "<p>简体</p>"});
    ASSERT_EQ(Run(MakeBook("novel.epub", extra)).reason, "");
    const std::string output = books + "/novel_corvela.epub";
    const Names names = OutputNames(output);
    EXPECT_EQ(names.size(), SampleBookEntries().size() + extra.size() + 4);  // and 4 folders
    EXPECT_TRUE(names.contains("-" + stem) && names.contains(stem + "19999"));
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(output)));
    EXPECT_EQ(NamesIn(books), (Names{"novel.epub", "novel_corvela.epub"}));
}

// Rewrites each entry's uncompressed size in the central directory of the archive at path.
void ClaimSizes(const std::string& path, std::uint32_t size) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    std::optional<CentralDirectory> directory = ReadCentralDirectory(*file);
    ForEachEntry(directory->bytes, [&](const DirectoryEntry& entry) {
        for (int i = 0; i < 4; ++i) {
            directory->bytes[entry.at + 24 + i] = static_cast<char>(size >> (8 * i));
        }
    });
    file->SeekTo(directory->offset);
    file->Write(directory->bytes.data(), directory->bytes.size());
}

TEST_F(HostileBookTest, BooksThatCannotBeConvertedSayWhyAndLeaveNothingBeside) {
    const std::string book = books + "/novel.epub";
    const std::uint64_t free = platform::FreeSpace(books).value();
    const std::uint32_t claimed = 0xFFFFFFF0;
    std::string deep;
    for (int i = 0; i < 1000; ++i) {
        deep += "dddd/";
    }
    // what the case does to the book, what its reason says
    const std::vector<std::pair<std::function<void()>, std::string>> cases{
        {[&] { WriteFileBytes(book, "not a zip archive"); }, "书不是 ZIP 文件"},
        {[&] {
             std::string spoiled = ReadFileBytes(MakeBook("novel.epub"));
             spoiled[spoiled.find(BinaryBytes(2)) + 100] ^= 0x01;
             WriteFileBytes(book, spoiled);
         },
         "调用 unzip 失败：退出状态 2"},
        {[&] {
             MakeBook("novel.epub");
             RunShellCommand("cd " + ShellQuoted(books) +
                             " && echo 秘密 > secret.xhtml && zip -q -P pw novel.epub "
                             "secret.xhtml && rm secret.xhtml");
         },
         "书中有加密条目，无法处理：secret.xhtml"},
        {[&] {
             std::vector<ZipEntryPlan> many(free / claimed + 2, {"x", ""});
             for (std::size_t i = 0; i < many.size(); ++i) {
                 many[i].name += std::to_string(i);
             }
             ClaimSizes(MakeBook("novel.epub", many), claimed);
         },
         "磁盘空间不足"},
        {[&] {
             MakeBook("novel.epub", {{deep + "x.xhtml", "x"}});
         },
         "路径太长"},
        {[&] { std::filesystem::create_directory(book); }, "无法打开书文件：Is a directory"},
        {[] {}, "无法打开书文件：No such file or directory"}};
    for (const auto& [make, reason] : cases) {
        make();
        const Names before = NamesIn(books);
        const BookOutcome outcome = Run(book);
        EXPECT_FALSE(outcome.IsConverted()) << reason;
        EXPECT_NE(outcome.reason.find(reason), std::string::npos) << outcome.reason;
        EXPECT_EQ(NamesIn(books), before) << reason;
        std::filesystem::remove_all(book);
    }
    EXPECT_EQ(messages, std::vector<std::string>{});
}

TEST_F(HostileBookTest, AReadOnlyFolderSaysWhy) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser writes into read-only folders";
    }
    const std::string book = MakeBook("novel.epub");
    std::filesystem::permissions(books, std::filesystem::perms(0555));
    const BookOutcome outcome = Run(book);
    std::filesystem::permissions(books, std::filesystem::perms(0755));
    EXPECT_FALSE(outcome.IsConverted());
    EXPECT_NE(outcome.reason.find("Permission denied"), std::string::npos) << outcome.reason;
    EXPECT_EQ(NamesIn(books), Names{"novel.epub"});
}

// The WinRAR stand-in, followed by after (a shell line; $1 is the step, $3 the unpack folder
// and $5 the output for the pack).
std::string Archiver(const TempFolder& temp, const std::string& after) {
    const std::string archiver = temp / "WinRAR.exe";
    std::filesystem::copy_file(CORVELA_TEST_DATA_DIR "/winrar-standin.sh", temp / "standin",
                               std::filesystem::copy_options::overwrite_existing);
    WriteScript(archiver,
                "\"" + temp / "standin" + "\" \"$@\" || exit $?\n" + after + "\nexit 0\n");
    return archiver;
}

TEST_F(HostileBookTest, AHardLinkThatTheArchiverLeavesToAnOutsideFileIsBrokenFirst) {
    const std::string outside = temp / "outside.xhtml";
    WriteFileBytes(outside, "<p>简体</p>");
    const std::string archiver =
        Archiver(temp, "[ \"$1\" = x ] && ln \"" + outside + "\" \"$3/OEBPS/linked.xhtml\"");
    ASSERT_EQ(Run(MakeBook("novel.epub"), archiver).reason, "");
    EXPECT_EQ(ReadFileBytes(outside), "<p>简体</p>");
    EXPECT_EQ(Output()["OEBPS/linked.xhtml"], "<p>簡體</p>");
}

TEST_F(HostileBookTest, AnArchiverThatLeavesAFileOutIsNotBelieved) {
    const std::string archiver =
        Archiver(temp, "[ \"$1\" = a ] && zip -qd \"$5\" OEBPS/chapter.xhtml");
    const BookOutcome outcome = Run(MakeBook("novel.epub"), archiver);
    EXPECT_EQ(outcome.reason, "压缩程序没有把 OEBPS/chapter.xhtml 放进输出文件");
    EXPECT_EQ(NamesIn(books), Names{"novel.epub"});
}

}  // namespace
