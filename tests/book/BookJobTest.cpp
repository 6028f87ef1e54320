#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <thread>

#include "book/archive/CentralDirectory.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

TEST_F(BookJobTest, ConvertsBesideWhatIsThereWithoutTouchingIt) {
    // Names that a shell or zip would take for patterns, options or a list of names.
    const std::vector<std::string> hostile{"*.xhtml", "*",  "?x",     "[ab]", "a",
                                           "-h",      "--", "@names", "a b",  "OEBPS/*.xhtml"};
    std::vector<ZipEntryPlan> extra{
        {"OEBPS/旧的回忆", "<p>旧的回忆</p>", S_IFREG | 0644, kMadeOnDos}};  // UTF-8 all the same
    for (const std::string& name : hostile) {
        extra.push_back({name, "<p>简体</p>"});
    }
    const std::string book = MakeBook("a novel.epub", extra);
    const std::string original = ReadFileBytes(book);
    WriteZip(books + "/a novel.zip", {{"theirs.css", "p {}"}});
    const std::string theirArchive = ReadFileBytes(books + "/a novel.zip");
    std::filesystem::create_directory(books + "/a novel");
    WriteFileBytes(books + "/a novel/notes.txt", "简体的笔记");
    WriteZip(OutputOf(book), {{"stale.txt", "old"}});
    ASSERT_EQ(Run(book).reason, "");
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(ReadFileBytes(books + "/a novel.zip"), theirArchive);
    EXPECT_EQ(ReadFileBytes(books + "/a novel/notes.txt"), "简体的笔记");
    EXPECT_EQ(NamesIn(books + "/a novel"), Names{"notes.txt"});
    EXPECT_EQ(Beside(), (Names{"a novel.epub", "a novel.zip", "a novel", "a novel_corvela.epub"}));
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(OutputOf(book))));
    std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
    EXPECT_EQ(files.size(), SampleBookEntries().size() + extra.size());  // no stale.txt
    std::map<std::string, std::string> expected{
        {"OEBPS/chapter.xhtml", "<p>這是一本簡體書。</p>\n"},
        {"OEBPS/舊的回憶", "<p>舊的回憶</p>"},  // renamed as its references are
        {"OEBPS/images/cover.png", BinaryBytes(1)},
        {"OEBPS/fonts/book.ttf", BinaryBytes(2)}};
    for (const std::string& name : hostile) {
        expected[name] = "<p>簡體</p>";
    }
    for (const auto& [name, bytes] : expected) {
        EXPECT_EQ(files[name], bytes) << name;
    }
    EXPECT_THAT(files["OEBPS/style.css"], testing::HasSubstr(kFontLocation));
}

// Its own archive, but unzip unpacks a relabelled copy: the book itself stays as it was.
TEST_F(BookJobTest, ABookNamedAsItsArchiveStaysAsItWas) {
    const std::string book = MakeBook("novel.zip", {{"第一章", "一", S_IFREG | 0644, kMadeOnDos}});
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(Run(book).reason, "");
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(ReadArchive(OutputOf(book))["第一章"], "一");
    EXPECT_EQ(Beside(), (Names{"novel.zip", "novel_corvela.epub"}));
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

TEST_F(BookJobTest, BooksThatCannotBeConvertedSayWhyAndLeaveNothingBeside) {
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
        {[&] {  // unzip gets some entries out, then fails
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
        const Names before = Beside();
        const std::string bytes =
            std::filesystem::is_regular_file(book) ? ReadFileBytes(book) : std::string();
        const BookOutcome outcome = Run(book);
        EXPECT_FALSE(outcome.IsConverted()) << reason;
        EXPECT_THAT(outcome.reason, testing::HasSubstr(reason));
        EXPECT_EQ(Beside(), before) << reason;
        if (!bytes.empty()) {
            EXPECT_EQ(ReadFileBytes(book), bytes) << reason;
        }
        std::filesystem::remove_all(book);
    }
    EXPECT_EQ(messages, Messages{});
}

TEST_F(BookJobTest, PathsTheJobCannotTakeAreRefusedWithAMessageAndNothingTouched) {
    const std::string quote = "路径含有引号，无法处理";
    const std::string noExtension = "文件没有扩展名，无法处理";
    // folder under books, book name, archiver, output name (empty: the batch's), message
    const std::vector<std::array<std::string, 5>> cases{
        {"", "a\"b.epub", "", "", quote},
        {"/x\"y", "b.epub", "", "", quote},
        {"", "b.epub", "", "x\".epub", quote},
        {"", ".epub", "", "", noExtension},
        {"/my.books", "novel", "", "", noExtension},
        {"", "b.epub", "", "second.epub",
         "输出文件与原书相同，无法处理"},  // a second name of the book
        {"", "b.epub", "/missing.exe", "", "WINRAR 路径错误"}};
    for (const auto& [folderName, bookName, archiver, outputName, message] : cases) {
        const std::string folder = books + folderName;
        std::filesystem::create_directories(folder);
        const std::string book = folder + "/" + bookName;
        WriteZip(book, SampleBookEntries());
        std::filesystem::create_hard_link(book, folder + "/second.epub");
        const Names before = NamesIn(folder);
        messages.clear();
        JobOptions options;
        options.archiverPath = archiver;
        const std::string output = outputName.empty() ? OutputOf(book) : folder + "/" + outputName;
        EXPECT_EQ(Convert(options, book, output).reason, message) << bookName;
        EXPECT_EQ(messages, Messages{message}) << bookName;
        EXPECT_EQ(NamesIn(folder), before) << bookName;
        EXPECT_EQ(NamesIn(temp.path()), Names{"books"}) << bookName;
        std::filesystem::remove_all(books);
        std::filesystem::create_directory(books);
    }
}

TEST_F(BookJobTest, AHostileReadOnlyBookIsConvertedWithoutReachingOutsideItsFolder) {
    WriteFileBytes(temp / "secret.txt", "简体的秘密");
    const std::string book =
        MakeBook("novel.epub", {{"OEBPS/locked/", "", S_IFDIR | 0555},
                                {"OEBPS/locked/more.xhtml", "<p>简体</p>", S_IFREG | 0444},
                                {"OEBPS/leak.xhtml", temp / "secret.txt", S_IFLNK | 0777},
                                {"OEBPS/private", temp.path(), S_IFLNK | 0777},
                                {"../escape.txt", "escaped"},
                                {"OEBPS/../../escape2.txt", "escaped"}});
    ASSERT_EQ(Run(book).reason, "");
    EXPECT_EQ(ReadFileBytes(temp / "secret.txt"), "简体的秘密");
    EXPECT_EQ(NamesIn(temp.path()), (Names{"books", "secret.txt", "state"}));
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
    for (const char* link : {"OEBPS/leak.xhtml", "OEBPS/private/secret.txt"}) {
        EXPECT_FALSE(files.contains(link)) << link;
    }
    EXPECT_EQ(files["OEBPS/locked/more.xhtml"], "<p>簡體</p>");
}

TEST_F(BookJobTest, TopLevelNamesTooManyForOneCommandLineArePackedFromAList) {
    std::vector<ZipEntryPlan> extra;
    const std::string stem(120, 'n');
    for (int i = 0; i < 20000; ++i) {
        extra.push_back({stem + std::to_string(i), "x"});
    }
    extra.push_back({"-" + stem, "<p>简体</p>"});
    const std::string book = MakeBook("novel.epub", extra);
    ASSERT_EQ(Run(book).reason, "");
    const std::vector<ArchiveEntry> entries =
        ListArchive(OutputOf(book)).value_or(std::vector<ArchiveEntry>{});
    Names names;
    for (const ArchiveEntry& entry : entries) {
        names.insert(entry.name);
    }
    EXPECT_EQ(names.size(), SampleBookEntries().size() + extra.size() + 4);  // and 4 folders
    for (const std::string& name : {"-" + stem, stem + "19999"}) {
        EXPECT_TRUE(names.contains(name)) << name;
    }
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(OutputOf(book))));
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
}

// A folder that cannot be written, or not even read, fails the job with the system's reason.
TEST_F(BookJobTest, AReadOnlyOrUnreadableFolderSaysWhy) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser writes into read-only folders";
    }
    const std::string book = MakeBook("novel.epub");
    for (const auto& [mode, reason] :
         {std::pair{0555, "Permission denied"}, {0, "无法打开书文件：Permission denied"}}) {
        std::filesystem::permissions(books, std::filesystem::perms(mode));
        const BookOutcome outcome = Run(book);
        std::filesystem::permissions(books, std::filesystem::perms(0755));
        EXPECT_EQ(outcome.kind, OutcomeKind::Failed) << reason;
        EXPECT_THAT(outcome.reason, testing::HasSubstr(reason));
        EXPECT_EQ(Beside(), Names{"novel.epub"});
    }
    EXPECT_EQ(messages, Messages{});
}

// The unpacked book holds a hard link to a read-only file outside it: the link is broken before
// converting, and the outside file keeps its bytes and its mode.
TEST_F(BookJobTest, WinRarUnpacksAndPacksWithTheCommandLinesGiven) {
    const std::string outside = temp / "outside.xhtml";
    WriteFileBytes(outside, "<p>简体</p>");
    std::filesystem::permissions(outside, std::filesystem::perms(0444));
    const std::string book = MakeBook("novel.epub");
    ASSERT_EQ(
        Run(book, Archiver("[ \"$1\" = x ] && ln \"" + outside + "\" \"$3/OEBPS/linked.xhtml\""))
            .reason,
        "");
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(temp / "my tools/standin.args"),
              "x\n" + books + "/novel.zip\n" + books + "/novel/\n\na\n-r\n-ep1\n-afzip\n" + books +
                  "/novel_corvela.epub.partial/novel_corvela.epub\n" + books + "/novel/./\n\n");
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
    EXPECT_EQ(files["OEBPS/chapter.xhtml"], "<p>這是一本簡體書。</p>\n");
    EXPECT_EQ(files["OEBPS/linked.xhtml"], "<p>簡體</p>");
    EXPECT_EQ(ReadFileBytes(outside), "<p>简体</p>");
    EXPECT_EQ(ModeOf(outside), 0444u);
}

TEST_F(BookJobTest, AMissingOrFailingToolLeavesTheBookAndAnOldOutputAsTheyWere) {
    const std::string book = MakeBook("novel.epub");
    const std::string original = ReadFileBytes(book);
    WriteFileBytes(OutputOf(book), "old output");
    for (const char* name : {"none", "unzip", "failing"}) {
        std::filesystem::create_directory(temp / name);
    }
    std::filesystem::create_symlink("/usr/bin/unzip", temp / "unzip/unzip");
    std::filesystem::create_symlink("/usr/bin/unzip", temp / "failing/unzip");
    // A zip that writes part of its archive and then fails.
    WriteScript(temp / "failing/zip",
                "for a; do case \"$a\" in *.epub) echo partial > \"$a\";; esac; done\nexit 15\n");
    WriteFileBytes(temp / "NotAProgram.exe", "not a program");
    // what the archiver runs after the stand-in (empty: no archiver), the folder of PATH
    // (empty: as it is), the message
    const std::vector<std::tuple<std::string, std::string, Messages>> cases{
        {"", "none", {"调用 unzip 失败"}},
        {"", "unzip", {"调用 zip 失败"}},
        {"", "failing", {}},
        {"not a program", "", {"调用 WinRAR 失败"}},
        {"[ \"$1\" = x ] && exit 1", "", {}},
        {"[ \"$1\" = a ] && { echo partial > \"$5\"; exit 1; }", "", {}},
        {"[ \"$1\" = a ] && zip -qd \"$5\" OEBPS/chapter.xhtml", "", {}}};  // a file left out
    for (const auto& [after, onPath, message] : cases) {
        const std::string archiver = after.empty()              ? ""
                                     : after == "not a program" ? temp / "NotAProgram.exe"
                                                                : Archiver(after);
        ScopedPath path(onPath.empty() ? std::getenv("PATH") : temp / onPath);
        messages.clear();
        EXPECT_FALSE(Run(book, archiver).IsConverted()) << after << onPath;
        EXPECT_EQ(messages, message) << after << onPath;
        EXPECT_EQ(ReadFileBytes(OutputOf(book)), "old output") << after << onPath;
        EXPECT_EQ(ReadFileBytes(book), original) << after << onPath;
        EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"})) << after << onPath;
    }
}

TEST_F(BookJobTest, AStopDuringAToolRunEndsItAndLeavesTheBookAsItWas) {
    const std::string book = MakeBook("novel.epub");
    const std::string original = ReadFileBytes(book);
    for (const std::string step : {"x", "a"}) {
        // The stand-in does the step's work, then waits for the stop.
        const std::string running = temp / ("running-" + step);
        const std::string archiver =
            Archiver("[ \"$1\" = " + step + " ] && { touch \"" + running + "\"; sleep 60; }");
        std::stop_source stop;
        BookOutcome outcome;
        std::jthread job([&] { outcome = Run(book, archiver, stop.get_token()); });
        for (int i = 0; i < 3000 && !std::filesystem::exists(running); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        stop.request_stop();
        job.join();
        EXPECT_EQ(outcome.reason, "已停止") << step;
        EXPECT_EQ(ReadFileBytes(book), original) << step;
        EXPECT_EQ(Beside(), Names{"novel.epub"}) << step;
    }
    EXPECT_EQ(messages, Messages{});
}

}  // namespace
