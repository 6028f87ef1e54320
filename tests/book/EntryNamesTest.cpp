#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "book/archive/EntryNames.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

using EntryNamesJobTest = BookJobTest;

// A chapter with a GBK name in a GBK folder, linked from a page in UTF-8, all made on host.
std::vector<ZipEntryPlan> ChapterInCodePage(std::uint8_t host, const std::string& folder = "章节",
                                            const std::string& chapter = "第一章.xhtml") {
    return {{"OEBPS/" + Gb18030(folder) + "/", "", S_IFDIR | 0755, host, 0},
            {"OEBPS/" + Gb18030(folder + "/" + chapter), "<p>简体章</p>", S_IFREG | 0644, host, 0},
            {"OEBPS/toc.xhtml", "<a href=\"" + folder + "/" + chapter + "\">目录</a>"}};
}

TEST_F(EntryNamesJobTest, GbkNamesOfWindowsEntriesComeOutInUtf8AndTheirLinksStillLead) {
    // host: DOS, NTFS as the ZIP notes and as Info-ZIP number it, VFAT
    for (const std::uint8_t host : {0, 10, 11, 14}) {
        const std::string book =
            MakeBook("book" + std::to_string(host) + ".epub", ChapterInCodePage(host));
        ASSERT_TRUE(Run(book).IsConverted()) << int(host);
        const std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
        EXPECT_EQ(files.count("OEBPS/章節/第一章.xhtml"), 1u) << int(host);
        EXPECT_EQ(files.at("OEBPS/toc.xhtml"), "<a href=\"章節/第一章.xhtml\">目錄</a>");
        EXPECT_EQ(StoredEntries(OutputOf(book)).at("OEBPS/章節/第一章.xhtml").flags & 0x800, 0x800);
    }
}

TEST_F(EntryNamesJobTest, NamesThatAreNotGbkFromWindowsKeepTheirBytes) {
    std::vector<ZipEntryPlan> mixed = ChapterInCodePage(kMadeOnDos, "卷", "章.xhtml");
    const std::vector<ZipEntryPlan> unix = ChapterInCodePage(kMadeOnUnix, "另卷", "章.xhtml");
    mixed.insert(mixed.begin(), unix.begin(), unix.begin() + 2);
    // case, its entries, the names the output must hold
    const std::vector<std::tuple<std::string, std::vector<ZipEntryPlan>, std::string>> cases{
        {"made on Unix", ChapterInCodePage(kMadeOnUnix), "OEBPS/" + Gb18030("章节/第一章.xhtml")},
        {"not GB18030",
         {{"OEBPS/\x81.xhtml", "<p>简</p>", S_IFREG | 0644, kMadeOnDos, 0}},
         "OEBPS/\x81.xhtml"},
        {"mixed hosts", mixed, "OEBPS/" + Gb18030("卷/章.xhtml")},
    };
    for (const auto& [name, entries, kept] : cases) {
        const std::string book = MakeBook(name + ".epub", entries);
        ASSERT_TRUE(Run(book).IsConverted()) << name;
        const std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
        ASSERT_EQ(files.count(kept), 1u) << name;
        EXPECT_TRUE(files.at(kept).starts_with("<p>簡")) << name;  // converted all the same
    }
}

struct HostileBook {
    std::string name;
    std::vector<ZipEntryPlan> extra;
    std::string named;  // what the reason must name
    std::function<std::string(std::string)> edit = [](std::string bytes) { return bytes; };
};

TEST_F(EntryNamesJobTest, ABookReadableMoreThanOneWayIsRefusedBeforeUnpackingWithTheEntry) {
    const ZipEntryPlan unflagged{"OEBPS/" + Gb18030("第一章.xhtml"), "<p/>", S_IFREG | 0644,
                                 kMadeOnDos, 0};
    // A name whose Unicode Path field (version 1, for this very name) is another entry's name.
    const std::string stored = "OEBPS/" + Gb18030("第二章.xhtml"), named = "OEBPS/第二章.xhtml";
    std::string field;
    Put(field, {{0x7075, 2}, {5 + named.size(), 2}, {1, 1}, {Crc32(stored), 4}});
    const std::vector<HostileBook> cases{
        {"one name twice", {{"OEBPS/chapter.xhtml", "<p>另一本</p>"}}, "OEBPS/chapter.xhtml"},
        {"a second mimetype", {{"mimetype", "application/x-evil"}}, "mimetype"},
        {"one name by two paths", {{"./OEBPS//style.css", "p {}"}}, "OEBPS/style.css"},
        {"one name once decoded", {{"OEBPS/第一章.xhtml", "<p/>"}, unflagged}, "第一章.xhtml"},
        {"one name by its Unicode Path",
         {{stored, "<p/>", S_IFREG | 0644, kMadeOnDos, 0, field + named}, {named, "<p/>"}},
         "第二章.xhtml"},
        {"a file and a folder",
         {{"OEBPS/chapter.xhtml/note.xhtml", "<p/>"}},
         "OEBPS/chapter.xhtml"},
        {"a tab", {{"OEBPS/a\tb.xhtml", "<p/>"}}, "OEBPS/a\\tb.xhtml"},
        {"a line feed", {{"OEBPS/a\nb.xhtml", "<p/>"}}, "OEBPS/a\\nb.xhtml"},
        {"a hidden end record",
         {},
         "结尾记录",
         [](std::string bytes) {
             return WithComment(bytes, "PK\5\6" + bytes.substr(bytes.size() - 18));
         }},
        {"a count that is not the directory's",
         {},
         "条目数",
         [](std::string bytes) {
             bytes[bytes.size() - 12] = 1;
             return bytes;
         }},
    };
    for (const HostileBook& c : cases) {
        const std::string book = MakeBook(c.name + ".epub", c.extra);
        WriteFileBytes(book, c.edit(ReadFileBytes(book)));
        const BookOutcome outcome = Run(book);
        EXPECT_EQ(outcome.kind, OutcomeKind::Refused) << c.name << ": " << outcome.reason;
        EXPECT_THAT(outcome.reason, testing::HasSubstr(c.named)) << c.name << outcome.reason;
        EXPECT_FALSE(std::filesystem::exists(OutputOf(book))) << c.name;
    }
    EXPECT_EQ(Beside().size(), cases.size());
}

}  // namespace
