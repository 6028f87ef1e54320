#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "book/BookConverter.hpp"
#include "platform/FileSystem.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;
using Messages = std::vector<std::string>;

constexpr const char* kFontLocation = "res:///opt/sony/ebook/FONT/zw.ttf";

std::vector<ZipEntrySpec> With(std::vector<ZipEntrySpec> entries,
                               const std::vector<ZipEntrySpec>& extra) {
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
}

// The job with its messages kept, run on books in a folder "books" of a temporary folder.
class BookJobTest : public testing::Test, public CBookConverter {
  protected:
    BookJobTest() { std::filesystem::create_directory(books); }
    void ShowError(const std::string& text) override { messages.push_back(text); }

    std::string MakeBook(const std::string& name, const std::vector<ZipEntrySpec>& entries) {
        WriteZip(books + "/" + name, entries);
        return books + "/" + name;
    }
    std::string OutputOf(const std::string& book) {
        std::string output;
        ReplaceExtension(output, book, "_corvela.epub");
        return output;
    }
    int Convert(const std::string& book, const std::string& archiver = "",
                std::stop_token stop = {}) {
        return ConvertBook(archiver, book, OutputOf(book), stop);
    }
    Names Beside() const { return NamesIn(books); }

    TempFolder temp;
    const std::string books = temp / "books";
    Messages messages;
};

TEST_F(BookJobTest, ConvertsBesideWhatIsThereWithoutTouchingIt) {
    const std::string book =
        MakeBook("a novel.epub", With(SampleBookEntries(), {{"OEBPS/旧的回忆", "<p>旧的回忆</p>"},
                                                            {"-h", "x"}}));  // not zip's option
    const std::string original = ReadFileBytes(book);
    WriteZip(books + "/a novel.zip", {{"theirs.css", "p {}"}});
    const std::string theirArchive = ReadFileBytes(books + "/a novel.zip");
    std::filesystem::create_directory(books + "/a novel");
    WriteFileBytes(books + "/a novel/notes.txt", "简体的笔记");
    WriteZip(books + "/a novel_corvela.epub", {{"stale.txt", "old"}});
    const std::string before = platform::CurrentDirectory();
    ASSERT_EQ(::chdir(books.c_str()), 0);
    const int result = ConvertBook("", "a novel.epub", "a novel_corvela.epub");
    ASSERT_EQ(::chdir(before.c_str()), 0);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(ReadFileBytes(books + "/a novel.zip"), theirArchive);
    EXPECT_EQ(ReadFileBytes(books + "/a novel/notes.txt"), "简体的笔记");
    EXPECT_EQ(NamesIn(books + "/a novel"), Names{"notes.txt"});
    EXPECT_EQ(Beside(), (Names{"a novel.epub", "a novel.zip", "a novel", "a novel_corvela.epub"}));
    const std::string output = books + "/a novel_corvela.epub";
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(output)));
    auto files = ReadArchive(output);
    EXPECT_EQ(files.size(), SampleBookEntries().size() + 2);
    EXPECT_EQ(files["OEBPS/chapter.xhtml"], "<p>這是一本簡體書。</p>\n");
    EXPECT_EQ(files["OEBPS/旧的回忆"], "<p>舊的回憶</p>");
    EXPECT_NE(files["OEBPS/style.css"].find(kFontLocation), std::string::npos);
    EXPECT_EQ(files["OEBPS/images/cover.png"], BinaryBytes(1));
    EXPECT_EQ(files["OEBPS/fonts/book.ttf"], BinaryBytes(2));
    EXPECT_EQ(files["-h"], "x");
}

TEST_F(BookJobTest, ABookNamedZipIsItsOwnArchive) {
    const std::string book = MakeBook("novel.zip", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (Names{"novel.zip", "novel_corvela.epub"}));
}

TEST_F(BookJobTest, ABookGivenUpGivesZeroWithoutMessageAndLeavesNothingBeside) {
    EXPECT_EQ(Convert(books + "/missing.epub"), 0);
    std::vector<ZipEntrySpec> noStylesheet = SampleBookEntries();
    noStylesheet.erase(noStylesheet.begin() + 3);
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    std::string spoiled = ReadFileBytes(book);  // unzip gets some entries out, then fails
    spoiled[spoiled.find(BinaryBytes(2)) + 100] ^= 0x01;
    const std::vector<std::pair<std::string, std::string>> cases{
        {"no stylesheet", ReadFileBytes(MakeBook("novel.epub", noStylesheet))},
        {"folder x.css", ReadFileBytes(MakeBook(
                             "novel.epub", With(noStylesheet, {{"x.css/", "", S_IFDIR | 0755}})))},
        {"STYLE.CSS",
         ReadFileBytes(MakeBook("novel.epub", With(noStylesheet, {{"STYLE.CSS", ""}})))},
        {"linked stylesheet",
         ReadFileBytes(MakeBook("novel.epub",
                                With(noStylesheet, {{"a.css", "/etc/hostname", S_IFLNK | 0777}})))},
        {"not an archive", "not a zip archive"},
        {"failed unpack", spoiled},
        {"stopped", ReadFileBytes(MakeBook("novel.epub", SampleBookEntries()))}};
    for (const auto& [name, bytes] : cases) {
        WriteFileBytes(book, bytes);
        std::stop_source stop;
        if (name == "stopped") {
            stop.request_stop();
        }
        EXPECT_EQ(Convert(book, "", stop.get_token()), 0) << name;
        EXPECT_EQ(ReadFileBytes(book), bytes) << name;
        EXPECT_EQ(Beside(), Names{"novel.epub"}) << name;
    }
    EXPECT_EQ(messages, Messages{});
}

TEST_F(BookJobTest, PathsTheJobCannotTakeAreRefusedWithAMessageAndNothingTouched) {
    const std::string quote = "路径含有引号，无法处理";
    const std::string noExtension = "文件没有扩展名，无法处理";
    const std::string isBook = "输出文件与原书相同，无法处理";
    const std::string wrongArchiver = "WINRAR 路径错误";
    // folder under books, book name, archiver, output name (empty: the batch's), message
    const std::vector<std::array<std::string, 5>> cases{
        {"", "a\"b.epub", "", "", quote},
        {"/x\"y", "b.epub", "", "", quote},
        {"", "b.epub", "", "x\".epub", quote},
        {"", "novel", "", "", noExtension},
        {"", ".epub", "", "", noExtension},
        {"/my.books", "novel", "", "", noExtension},
        {"", "b.epub", "", "b.epub", isBook},
        {"", "b.epub", "", "second.epub", isBook},  // a second name of the book
        {"", "b.epub", "/", "", wrongArchiver},
        {"", "b.epub", "/missing.exe", "", wrongArchiver}};
    for (const auto& [folderName, bookName, archiver, outputName, message] : cases) {
        const std::string folder = books + folderName;
        std::filesystem::create_directories(folder);
        const std::string book = folder + "/" + bookName;
        WriteZip(book, SampleBookEntries());
        std::filesystem::create_hard_link(book, folder + "/second.epub");
        const Names before = NamesIn(folder);
        messages.clear();
        EXPECT_EQ(ConvertBook(archiver, book,
                              outputName.empty() ? OutputOf(book) : folder + "/" + outputName),
                  0);
        EXPECT_EQ(messages, Messages{message}) << bookName;
        EXPECT_EQ(NamesIn(folder), before) << bookName;
        EXPECT_EQ(NamesIn(temp.path()), Names{"books"});
        std::filesystem::remove_all(books);
        std::filesystem::create_directory(books);
    }
}

TEST_F(BookJobTest, AMissingOrFailingUnzipOrZipGivesZeroAndKeepsTheOldOutput) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    WriteFileBytes(books + "/novel_corvela.epub", "old output");
    for (const char* name : {"none", "unzip", "failing"}) {
        std::filesystem::create_directory(temp / name);
    }
    std::filesystem::create_symlink("/usr/bin/unzip", temp / "unzip/unzip");
    std::filesystem::create_symlink("/usr/bin/unzip", temp / "failing/unzip");
    // A zip that writes part of its archive and then fails.
    WriteScript(temp / "failing/zip",
                "for a; do case \"$a\" in *.epub) echo partial > \"$a\";; esac; done\nexit 15\n");
    for (const auto& [tools, message] : std::vector<std::pair<std::string, Messages>>{
             {"none", {"调用 unzip 失败"}}, {"unzip", {"调用 zip 失败"}}, {"failing", {}}}) {
        ScopedPath path(temp / tools);
        messages.clear();
        EXPECT_EQ(Convert(book), 0) << tools;
        EXPECT_EQ(messages, message) << tools;
        EXPECT_EQ(ReadFileBytes(books + "/novel_corvela.epub"), "old output") << tools;
        EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"})) << tools;
    }
}

TEST_F(BookJobTest, AHostileReadOnlyBookIsConvertedWithoutReachingOutsideItsFolder) {
    WriteFileBytes(temp / "secret.txt", "简体的秘密");
    std::filesystem::create_directory(temp / "private");
    WriteFileBytes(temp / "private/key", "key");
    std::vector<ZipEntrySpec> entries = SampleBookEntries();
    for (ZipEntrySpec& entry : entries) {
        entry.mode = S_IFREG | 0444;
    }
    const std::string book = MakeBook(
        "novel.epub", With(entries, {{"OEBPS/locked/", "", S_IFDIR | 0555},
                                     {"OEBPS/locked/more.xhtml", "<p>简体</p>", S_IFREG | 0444},
                                     {"OEBPS/leak.xhtml", temp / "secret.txt", S_IFLNK | 0777},
                                     {"OEBPS/private", temp / "private", S_IFLNK | 0777},
                                     {"../escape.txt", "escaped"},
                                     {"OEBPS/../../escape2.txt", "escaped"}}));
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(ReadFileBytes(temp / "secret.txt"), "简体的秘密");
    EXPECT_EQ(ReadFileBytes(temp / "private/key"), "key");
    EXPECT_EQ(NamesIn(temp.path()), (Names{"books", "private", "secret.txt"}));
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files.count("OEBPS/leak.xhtml") + files.count("OEBPS/private/key"), 0u);
    EXPECT_EQ(files["OEBPS/locked/more.xhtml"], "<p>簡體</p>");
    EXPECT_NE(files["OEBPS/style.css"].find(kFontLocation), std::string::npos);
}

// The job with the WinRAR stand-in, under a folder whose name holds a blank so that the
// unquoted archiver path is resolved as the platform does.
class WinRarJobTest : public BookJobTest {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(tools);
        std::filesystem::copy_file(CORVELA_TEST_DATA_DIR "/winrar-standin.sh", archiver);
        WriteFileBytes(books + "/novel_corvela.epub", "old output");
    }
    // An archiver that runs body, then the stand-in.
    std::string Wrapped(const std::string& body) {
        WriteScript(tools + "/Wrapped.exe", body + "exec \"" + archiver + "\" \"$@\"\n");
        return tools + "/Wrapped.exe";
    }

    const std::string tools = temp / "my tools";
    const std::string archiver = tools + "/WinRAR.exe";
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
};

TEST_F(WinRarJobTest, UnpacksAndPacksWithTheCommandLinesGiven) {
    ASSERT_EQ(Convert(book, archiver), 1);
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(archiver + ".args"),
              "x\n" + books + "/novel.zip\n" + books + "/novel/\n\na\n-r\n-ep1\n-afzip\n" + books +
                  "/novel_corvela.epub.partial/novel_corvela.epub\n" + books + "/novel/./\n\n");
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files["OEBPS/chapter.xhtml"], "<p>這是一本簡體書。</p>\n");
    EXPECT_EQ(files["OEBPS/images/cover.png"], BinaryBytes(1));
}

TEST_F(WinRarJobTest, AFailingArchiverGivesZeroAndLeavesNothing) {
    WriteFileBytes(tools + "/NotAProgram.exe", "not a program");
    const std::vector<std::pair<std::string, Messages>> cases{
        {tools + "/NotAProgram.exe", {"调用 WinRAR 失败"}},
        {Wrapped("[ \"$1\" = x ] && { unzip -qq \"$2\" -d \"$3\"; exit 1; }\n"), {}},
        {Wrapped("[ \"$1\" = a ] && { echo partial > \"$5\"; exit 1; }\n"), {}}};
    for (const auto& [failing, message] : cases) {
        messages.clear();
        EXPECT_EQ(Convert(book, failing), 0) << failing;
        EXPECT_EQ(messages, message) << failing;
        EXPECT_EQ(ReadFileBytes(books + "/novel_corvela.epub"), "old output");
        EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    }
}

TEST_F(WinRarJobTest, AStopDuringAToolRunEndsItAndLeavesTheBookAsItWas) {
    for (const std::string step : {"x", "a"}) {
        // The stand-in does its work for the step, then says so and hangs until it is ended.
        const std::string hanging = Wrapped("[ \"$1\" = " + step + " ] && { \"" + archiver +
                                            "\" \"$@\"; touch \"$0.running\"; exec sleep 60; }\n");
        std::stop_source stop;
        int result = -1;
        std::jthread job([&] { result = Convert(book, hanging, stop.get_token()); });
        for (int i = 0; i < 3000 && !std::filesystem::exists(hanging + ".running"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        stop.request_stop();
        job.join();
        std::filesystem::remove(hanging + ".running");
        EXPECT_EQ(result, 0) << step;
        EXPECT_EQ(ReadFileBytes(book), original);
        EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"})) << step;
    }
    EXPECT_EQ(messages, Messages{});
}

struct CorpusCase {
    std::string name;
    std::string source;  // under the corpus: a packed book or a tree to pack
    int converted;       // the job's result; -1 when either is right if it ends cleanly
    std::string simplified, traditional;  // a text of the book and what it becomes
    bool epubcheck = false;
};

class CorpusBookTest : public BookJobTest, public testing::WithParamInterface<CorpusCase> {};

TEST_P(CorpusBookTest, ConvertsOrGivesUpCleanlyAndKeepsEveryResource) {
    const std::string source = CORVELA_CORPUS_DIR "/" + GetParam().source;
    const std::string book = books + "/book.epub";
    if (std::filesystem::is_directory(source)) {
        PackTree(source, book);
    } else {
        std::filesystem::copy_file(source, book);
    }
    const std::string original = ReadFileBytes(book);
    const int result = Convert(book);
    EXPECT_EQ(result, GetParam().converted < 0 ? result : GetParam().converted);
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (result ? Names{"book.epub", "book_corvela.epub"} : Names{"book.epub"}));
    if (!result) {
        return;
    }
    const std::string output = OutputOf(book);
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(output)));
    const auto before = ReadArchive(book);
    const auto after = ReadArchive(output);
    EXPECT_EQ(after.size(), before.size());
    std::string all;
    for (const auto& [path, bytes] : after) {
        const std::string extension = std::filesystem::path(path).extension().string();
        if (Names{".jpg", ".png", ".gif", ".ttf", ".otf", ".woff", ".woff2", ".mp3"}.count(
                extension) ||
            path == "META-INF/encryption.xml") {
            EXPECT_EQ(bytes, before.at(path)) << path;
        }
        all += extension == ".css" ? bytes : "";
    }
    EXPECT_NE(all.find(kFontLocation), std::string::npos);
    for (const auto& [path, bytes] : after) {
        all += bytes;
    }
    EXPECT_NE(all.find(GetParam().traditional), std::string::npos);
    EXPECT_TRUE(GetParam().simplified.empty() ||
                all.find(GetParam().simplified) == std::string::npos);
    if (GetParam().epubcheck) {
        // Only what the font rule brings: its res:/// sources, its missing fonts/zw.ttf and the
        // remote-resources property; above all no PKG error.
        const std::string report =
            RunShellCommand("java -jar /usr/bin/epubcheck " + ShellQuoted(output) + " 2>&1")
                .standardOutput;
        const std::regex finding(R"((?:^|\n)(?:ERROR|FATAL|WARNING)\(([A-Z]+-[0-9]+)\))");
        Names codes;
        for (std::sregex_iterator it(report.begin(), report.end(), finding), end; it != end; ++it) {
            codes.insert((*it)[1]);
        }
        EXPECT_TRUE(codes.erase("RSC-008")) << report;
        codes.erase("RSC-007");
        codes.erase("OPF-014");
        EXPECT_EQ(codes, Names{}) << report;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Samples, CorpusBookTest,
    testing::Values(
        CorpusCase{"simpleEpub", "packed/simpleEpub.epub", 1, "简易电子书", "簡易電子書"},
        CorpusCase{"template", "packed/template.epub", 1, "图书描述", "圖書描述"},
        CorpusCase{"not_utf8_name", "packed/ocf-filename-not-utf8-error.epub", -1, "", ""},
        CorpusCase{"reflow", "trees/02_Reflow_Text_Vertical", 1, "", ""},
        CorpusCase{"fonts_ruby", "trees/03_Embed_Fonts_And_Ruby", 1, "", ""},
        CorpusCase{"kusamakura", "trees/kusamakura-japanese-vertical-writing", 1, "", ""},
        CorpusCase{"wasteland", "trees/wasteland-woff-obf", 1, "", "", true},
        CorpusCase{"style_in_xhtml", "trees/cnt-css-fonts_woff2", 0, "", ""},
        CorpusCase{"no_stylesheet", "trees/css-epub-writing-mode", 0, "", ""},
        CorpusCase{"font_obfuscation", "trees/ocf-font_obfuscation", -1, "", ""},
        CorpusCase{"url_relative", "trees/ocf-url_relative", -1, "", ""},
        CorpusCase{"percent_encoded", "trees/url-percent-encoded-valid", -1, "", ""},
        CorpusCase{"composed_name", "trees/ocf-container-filename-character-composition-valid", -1,
                   "", ""},
        CorpusCase{"space_name", "trees/ocf-filename-character-space-warning", -1, "", ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
