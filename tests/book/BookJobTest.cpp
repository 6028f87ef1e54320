#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "book/BookConverter.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;
using Messages = std::vector<std::string>;

constexpr const char* kFontLocation = "res:///opt/sony/ebook/FONT/zw.ttf";

// The job with its messages kept, run on books in a folder "books" of a temporary folder.
class BookJobTest : public testing::Test, public CBookConverter {
  protected:
    BookJobTest() { std::filesystem::create_directory(books); }
    // Writes the sample book with extra entries.
    std::string MakeBook(const std::string& name, const std::vector<ZipEntryPlan>& extra = {}) {
        return WriteSampleBook(books + "/" + name, extra);
    }
    std::string OutputOf(const std::string& book) {
        std::string output;
        ReplaceExtension(output, book, "_corvela.epub");
        return output;
    }
    // 1 when the job with the archiver (empty: zip and unzip) converted the book, else 0; its
    // alert kept as the message the window shows.
    int Convert(const std::string& book, const std::string& archiver = "",
                std::stop_token stop = {}, const std::string& output = "") {
        JobOptions options;
        options.archiverPath = archiver;
        const BookOutcome outcome =
            ConvertBook(options, book, output.empty() ? OutputOf(book) : output, stop);
        if (!outcome.alert.empty()) {
            messages.push_back(outcome.alert);
        }
        return outcome.IsConverted() ? 1 : 0;
    }
    Names Beside() const { return NamesIn(books); }

    TempFolder temp;
    const std::string books = temp / "books";
    Messages messages;
};

TEST_F(BookJobTest, ConvertsBesideWhatIsThereWithoutTouchingIt) {
    const std::string book = MakeBook(
        "a novel.epub",
        {{"OEBPS/旧的回忆", "<p>旧的回忆</p>", S_IFREG | 0644, kMadeOnDos},  // UTF-8 all the same
         {"-h", "x"}});                                                      // not zip's option
    const std::string original = ReadFileBytes(book);
    WriteZip(books + "/a novel.zip", {{"theirs.css", "p {}"}});
    const std::string theirArchive = ReadFileBytes(books + "/a novel.zip");
    std::filesystem::create_directory(books + "/a novel");
    WriteFileBytes(books + "/a novel/notes.txt", "简体的笔记");
    WriteZip(books + "/a novel_corvela.epub", {{"stale.txt", "old"}});
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(ReadFileBytes(books + "/a novel.zip"), theirArchive);
    EXPECT_EQ(ReadFileBytes(books + "/a novel/notes.txt"), "简体的笔记");
    EXPECT_EQ(NamesIn(books + "/a novel"), Names{"notes.txt"});
    EXPECT_EQ(Beside(), (Names{"a novel.epub", "a novel.zip", "a novel", "a novel_corvela.epub"}));
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(books + "/a novel_corvela.epub")));
    auto files = ReadArchive(books + "/a novel_corvela.epub");
    EXPECT_EQ(files.size(), SampleBookEntries().size() + 2);  // no stale.txt
    EXPECT_EQ(files["OEBPS/chapter.xhtml"], "<p>這是一本簡體書。</p>\n");
    EXPECT_EQ(files["OEBPS/舊的回憶"], "<p>舊的回憶</p>");  // renamed as its references are
    EXPECT_NE(files["OEBPS/style.css"].find(kFontLocation), std::string::npos);
    EXPECT_EQ(files["OEBPS/images/cover.png"] + files["OEBPS/fonts/book.ttf"] + files["-h"],
              BinaryBytes(1) + BinaryBytes(2) + "x");
}

TEST_F(BookJobTest, ABookGivenUpGivesZeroWithoutMessageAndLeavesNothingBeside) {
    EXPECT_EQ(Convert(books + "/missing.epub"), 0);
    const std::string book = MakeBook("novel.epub");
    std::string spoiled = ReadFileBytes(book);  // unzip gets some entries out, then fails
    spoiled[spoiled.find(BinaryBytes(2)) + 100] ^= 0x01;
    const std::vector<std::pair<std::string, std::string>> cases{
        {"not an archive", "not a zip archive"}, {"failed unpack", spoiled}};
    for (const auto& [name, bytes] : cases) {
        WriteFileBytes(book, bytes);
        EXPECT_EQ(Convert(book), 0) << name;
        EXPECT_EQ(ReadFileBytes(book), bytes) << name;
        EXPECT_EQ(Beside(), Names{"novel.epub"}) << name;
    }
    EXPECT_EQ(messages, Messages{});
    // Its own archive, but unzip unpacks a relabelled copy: the book itself stays as it was.
    const std::string zipBook =
        MakeBook("novel.zip", {{"第一章", "一", S_IFREG | 0644, kMadeOnDos}});
    const std::string zipBytes = ReadFileBytes(zipBook);
    ASSERT_EQ(Convert(zipBook), 1);
    EXPECT_EQ(ReadFileBytes(zipBook), zipBytes);
    EXPECT_EQ(ReadArchive(books + "/novel_corvela.epub")["第一章"], "一");
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel.zip", "novel_corvela.epub"}));
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
        EXPECT_EQ(Convert(book, archiver, {}, outputName.empty() ? "" : folder + "/" + outputName),
                  0);
        EXPECT_EQ(messages, Messages{message}) << bookName;
        EXPECT_EQ(NamesIn(folder), before) << bookName;
        EXPECT_EQ(NamesIn(temp.path()), Names{"books"});
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
    ASSERT_EQ(Convert(book), 1);
    EXPECT_EQ(ReadFileBytes(temp / "secret.txt"), "简体的秘密");
    EXPECT_EQ(NamesIn(temp.path()), (Names{"books", "secret.txt"}));
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(files.count("OEBPS/leak.xhtml") + files.count("OEBPS/private/secret.txt"), 0u);
    EXPECT_EQ(files["OEBPS/locked/more.xhtml"], "<p>簡體</p>");
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
    std::string Wrapped(const std::string& name, const std::string& body) {
        WriteScript(tools + "/" + name, body + "exec \"" + archiver + "\" \"$@\"\n");
        return tools + "/" + name;
    }
    void ExpectBookAsItWas(const std::string& what) {
        EXPECT_EQ(ReadFileBytes(book), original) << what;
        EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"})) << what;
    }

    const std::string tools = temp / "my tools";
    const std::string archiver = tools + "/WinRAR.exe";
    const std::string book = MakeBook("novel.epub");
    const std::string original = ReadFileBytes(book);
};

TEST_F(WinRarJobTest, UnpacksAndPacksWithTheCommandLinesGiven) {
    ASSERT_EQ(Convert(book, archiver), 1);
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(archiver + ".args"),
              "x\n" + books + "/novel.zip\n" + books + "/novel/\n\na\n-r\n-ep1\n-afzip\n" + books +
                  "/novel_corvela.epub.partial/novel_corvela.epub\n" + books + "/novel/./\n\n");
    ExpectBookAsItWas("converted");
    EXPECT_EQ(ReadArchive(books + "/novel_corvela.epub")["OEBPS/chapter.xhtml"],
              "<p>這是一本簡體書。</p>\n");
}

TEST_F(WinRarJobTest, AMissingOrFailingToolGivesZeroAndLeavesNothing) {
    for (const char* name : {"none", "unzip", "failing"}) {
        std::filesystem::create_directory(temp / name);
    }
    std::filesystem::create_symlink("/usr/bin/unzip", temp / "unzip/unzip");
    std::filesystem::create_symlink("/usr/bin/unzip", temp / "failing/unzip");
    // A zip that writes part of its archive and then fails.
    WriteScript(temp / "failing/zip",
                "for a; do case \"$a\" in *.epub) echo partial > \"$a\";; esac; done\nexit 15\n");
    WriteFileBytes(tools + "/NotAProgram.exe", "not a program");
    // archiver, the folder of PATH (empty: as it is), message
    const std::vector<std::tuple<std::string, std::string, Messages>> cases{
        {"", "none", {"调用 unzip 失败"}},
        {"", "unzip", {"调用 zip 失败"}},
        {"", "failing", {}},
        {tools + "/NotAProgram.exe", "", {"调用 WinRAR 失败"}},
        {Wrapped("x.exe", "[ \"$1\" = x ] && { unzip -qq \"$2\" -d \"$3\"; exit 1; }\n"), "", {}},
        {Wrapped("a.exe", "[ \"$1\" = a ] && { echo partial > \"$5\"; exit 1; }\n"), "", {}}};
    for (const auto& [failing, onPath, message] : cases) {
        ScopedPath path(onPath.empty() ? std::getenv("PATH") : temp / onPath);
        messages.clear();
        EXPECT_EQ(Convert(book, failing), 0) << failing << onPath;
        EXPECT_EQ(messages, message) << failing << onPath;
        EXPECT_EQ(ReadFileBytes(books + "/novel_corvela.epub"), "old output");
        ExpectBookAsItWas(failing + onPath);
    }
}

TEST_F(WinRarJobTest, AStopDuringAToolRunEndsItAndLeavesTheBookAsItWas) {
    for (const std::string step : {"x", "a"}) {
        // The stand-in does the step's work, then hangs deaf to TERM beside a helper due in 3 s.
        const std::string hanging = Wrapped(
            step, "[ \"$1\" = " + step + " ] && { \"" + archiver + "\" \"$@\"; trap '' TERM; " +
                      "{ sleep 3; touch \"$0.late\"; } & touch \"$0.running\"; wait; }\n");
        std::stop_source stop;
        int result = -1;
        std::jthread job([&] { result = Convert(book, hanging, stop.get_token()); });
        for (int i = 0; i < 3000 && !std::filesystem::exists(hanging + ".running"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        stop.request_stop();
        job.join();
        EXPECT_EQ(result, 0) << step;
        ExpectBookAsItWas(step);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(std::filesystem::exists(tools + "/x.late") ||
                 std::filesystem::exists(tools + "/a.late"));
    EXPECT_EQ(messages, Messages{});
}

struct CorpusCase {
    std::string name;
    std::string source;       // under the corpus: a packed book or a tree to pack
    int converted;            // the job's result; -1 when either is right if it ends cleanly
    std::string traditional;  // a text that the converted book must hold
    bool epubcheck = false;
};

class CorpusBookTest : public BookJobTest, public testing::WithParamInterface<CorpusCase> {};

TEST_P(CorpusBookTest, ConvertsOrGivesUpCleanlyAndKeepsEveryResource) {
    const std::string source = CORVELA_CORPUS_DIR "/" + GetParam().source;
    const std::string book = books + "/book.epub";
    if (std::filesystem::is_directory(source)) {  // packed as an EPUB wants: mimetype first
        RunShellCommand("cd " + ShellQuoted(source) + " && LC_ALL=C.UTF-8 zip -qX0 " +
                        ShellQuoted(book) + " mimetype && LC_ALL=C.UTF-8 zip -qXr9 " +
                        ShellQuoted(book) + " . -x mimetype");
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
    std::string css, all;
    for (const auto& [path, bytes] : after) {
        const std::string extension = std::filesystem::path(path).extension().string();
        if (Names{".jpg", ".png", ".gif", ".ttf", ".otf", ".woff", ".woff2", ".mp3"}.count(
                extension) ||
            path == "META-INF/encryption.xml") {
            EXPECT_EQ(bytes, before.at(path)) << path;
        }
        (extension == ".css" ? css : all) += bytes;
    }
    EXPECT_NE(css.find(kFontLocation), std::string::npos);
    EXPECT_NE(all.find(GetParam().traditional), std::string::npos);
    if (GetParam().epubcheck) {
        // Only what the font rule brings: its res:/// sources, its missing fonts/zw.ttf and the
        // remote-resources property; above all no PKG error.
        const std::string report =
            RunShellCommand("java -jar /usr/bin/epubcheck " + ShellQuoted(output) + " 2>&1")
                .standardOutput;
        EXPECT_NE(report.find("(RSC-008)"), std::string::npos) << report;
        EXPECT_FALSE(std::regex_search(
            report, std::regex(R"((^|\n)(ERROR|FATAL|WARNING)\((?!RSC-00[78]|OPF-014))")))
            << report;
    }
}

// Each book shows something of its own: Chinese text, an undecodable or composed or
// percent-encoded name, obfuscated fonts (and a clean epubcheck), no stylesheet.
INSTANTIATE_TEST_SUITE_P(
    Samples, CorpusBookTest,
    testing::Values(CorpusCase{"simpleEpub", "packed/simpleEpub.epub", 1, "簡易電子書"},
                    CorpusCase{"not_utf8_name", "packed/ocf-filename-not-utf8-error.epub", -1, ""},
                    CorpusCase{"wasteland", "trees/wasteland-woff-obf", 1, "", true},
                    CorpusCase{"no_stylesheet", "trees/css-epub-writing-mode", 0, ""},
                    CorpusCase{"percent_encoded", "trees/url-percent-encoded-valid", -1, ""},
                    CorpusCase{"composed_name",
                               "trees/ocf-container-filename-character-composition-valid", -1, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
