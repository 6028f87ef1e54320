#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <functional>

#include "book/scratch/JobScratch.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

class BuiltinZipTest : public BookJobTest {
  protected:
    BookOutcome RunBoth(const std::string& book, text::Profile profile, bool builtin,
                        const std::string& output) {
        JobOptions options;
        options.profile = profile;
        options.converter = ConverterOf(profile);
        options.builtinZip = builtin;
        return Convert(options, book, output);
    }
    // The outcomes of both paths on book, their outputs beside it as "tools" and "builtin".
    std::pair<BookOutcome, BookOutcome> Both(const std::string& book,
                                             text::Profile profile = text::Profile::Char) {
        return {RunBoth(book, profile, false, temp / "tools.epub"),
                RunBoth(book, profile, true, temp / "builtin.epub")};
    }
};

// Every sample book in three profiles: the built-in output holds the tools' files byte for byte,
// mimetype first and stored, and each entry it leaves alone is the book's compressed bytes.
TEST_F(BuiltinZipTest, GivesTheToolsFilesAndKeepsUnchangedEntriesCompressedAsTheyWere) {
    std::vector<std::string> samples;
    for (const char* kind : {"packed", "trees"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(CORVELA_CORPUS_DIR "/" + std::string(kind))) {
            samples.push_back(kind + ("/" + entry.path().filename().string()));
        }
    }
    std::size_t copied = 0;
    for (const std::string& sample : samples) {
        const std::string book = SampleBook(sample);
        const std::map<std::string, StoredEntry> source = StoredEntries(book);
        for (const text::Profile profile :
             {text::Profile::Char, text::Profile::S2twp, text::Profile::T2s}) {
            const std::string name = sample + " " + std::string(text::InfoOf(profile).name);
            const auto [tools, builtin] = Both(book, profile);
            ASSERT_EQ(builtin.kind, tools.kind) << name << ": " << builtin.reason;
            EXPECT_EQ(builtin.reason, tools.reason) << name;
            if (!tools.IsConverted()) {
                continue;
            }
            EXPECT_EQ(ReadArchive(temp / "builtin.epub"), ReadArchive(temp / "tools.epub")) << name;
            const std::string bytes = ReadFileBytes(temp / "builtin.epub");
            EXPECT_TRUE(StartsWithStoredMimetype(bytes)) << name;
            for (const auto& [entry, stored] : StoredEntries(temp / "builtin.epub")) {
                const auto before = source.find(entry);
                if (before != source.end() && before->second.crc == stored.crc) {
                    const bool same = stored.SameContent(before->second);
                    EXPECT_TRUE(same || entry == "mimetype") << name << entry;
                    copied += same ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(copied, samples.size());
}

// What the tools' path refuses before unpacking, the built-in path refuses with the same words;
// what only it reads (the entries' own bytes) it refuses with the entry named. Nothing is
// written beside the book either way.
TEST_F(BuiltinZipTest, RefusesHostileBooksBeforeWritingAnything) {
    const auto spoil = [](std::size_t from_end, char value) {
        return [=](std::string bytes) {
            bytes[bytes.size() - from_end] = value;
            return bytes;
        };
    };
    const auto same = [](std::string bytes) { return bytes; };
    struct Case {
        const char* name;
        std::vector<ZipEntryPlan> extra;
        std::function<std::string(std::string)> edit;
        std::string reason;  // empty: the tools' path's own reason
    };
    const std::vector<Case> cases{
        {"one name twice", {{"OEBPS/chapter.xhtml", "<p>另</p>"}}, same, ""},
        {"a file and a folder", {{"OEBPS/style.css/x.css", "p {}"}}, same, ""},
        {"a tab", {{"OEBPS/a\tb.xhtml", "<p/>"}}, same, ""},
        {"two names that convert alike",
         {{"OEBPS/简.xhtml", "a"}, {"OEBPS/簡.xhtml", "b"}},
         same,
         ""},
        {"a count that is not the directory's", {}, spoil(12, 1), ""},
        {"not a ZIP archive", {}, [](std::string) { return std::string("PK not a zip"); }, ""},
        {"a method it does not know",
         {},
         [](std::string bytes) {
             bytes[bytes.find("PK\1\2") + 10] = 12;
             return bytes;
         },
         "压缩方式无法处理（方法 12）：mimetype"},
        {"a stored size unlike the data",
         {},
         [](std::string bytes) {
             bytes[bytes.rfind("OEBPS/chapter.xhtml") - 46 + 24] ^= 1;
             return bytes;
         },
         "未压缩的条目大小前后不一"},
        {"a local header of another entry",
         {},
         [](std::string bytes) {
             bytes[bytes.find("PK\3\4") + 30] = 'M';
             return bytes;
         },
         "找不到它的本地文件头），无法处理：mimetype"},
        {"data reaching into the next entry",
         {},
         [](std::string bytes) {
             const std::size_t listed = bytes.rfind("OEBPS/chapter.xhtml") - 46;
             bytes[listed + 20] = static_cast<char>(bytes[listed + 20] + 40);
             bytes[listed + 24] = bytes[listed + 20];
             return bytes;
         },
         "数据互相重叠，无法处理：OEBPS/style.css"},
    };
    for (const Case& c : cases) {
        const std::string book = MakeBook("hostile.epub", c.extra);
        WriteFileBytes(book, c.edit(ReadFileBytes(book)));
        const BookOutcome builtin = RunBoth(book, text::Profile::Char, true, temp / "builtin.epub");
        EXPECT_EQ(builtin.kind, OutcomeKind::Refused) << c.name << ": " << builtin.reason;
        const std::string expected =
            c.reason.empty() ? RunBoth(book, text::Profile::Char, false, temp / "tools.epub").reason
                             : c.reason;
        EXPECT_THAT(builtin.reason, testing::HasSubstr(expected)) << c.name << builtin.reason;
        EXPECT_FALSE(std::filesystem::exists(temp / "builtin.epub")) << c.name;
        EXPECT_EQ(Beside(), Names{"hostile.epub"}) << c.name;
    }
}

// Names that lead out of the book, a link, GBK names from Windows, a Unicode Path field, UTF-16
// text that starts like an audio frame, mimetype last: the built-in output holds what the
// tools' does, mimetype first, UTF-8 names flagged, and nothing lands outside.
TEST_F(BuiltinZipTest, TakesStrangeNamesAsTheToolsDo) {
    const std::string stored = "OEBPS/" + Gb18030("第二章.xhtml");
    const std::string unicode = "OEBPS/第二章.xhtml";
    std::string field;
    Put(field, {{0x7075, 2}, {5 + unicode.size(), 2}, {1, 1}, {Crc32(stored), 4}});
    std::vector<ZipEntryPlan> entries{
        {"../../evil.xhtml", "<p>外面</p>"},
        {"/abs/root.xhtml", "<p>根</p>"},
        {"OEBPS/link.xhtml", "/etc/passwd", S_IFLNK | 0777},
        {"OEBPS\\dos.xhtml", "<p>简</p>", S_IFREG | 0644, kMadeOnDos, 0},
        {"OEBPS/" + Gb18030("章节/第一章.xhtml"), "<p>简体章</p>", S_IFREG | 0644, kMadeOnDos, 0},
        {stored, "<p>简</p>", S_IFREG | 0644, kMadeOnDos, 0, field + unicode},
        {"OEBPS/utf16.xhtml", std::string("\xFF\xFE\x80\x7B\x53\x4F", 6)},
        {"OEBPS/書.png", BinaryBytes(3), S_IFREG | 0644, kMadeOnUnix, 0}};
    for (const ZipEntryPlan& entry : SampleBookEntries()) {
        entries.push_back(entry);  // mimetype last
    }
    const std::string book = books + "/strange.epub";
    WriteZip(book, entries);
    const auto [tools, builtin] = Both(book);
    ASSERT_TRUE(tools.IsConverted() && builtin.IsConverted()) << tools.reason << builtin.reason;
    const std::map<std::string, std::string> files = ReadArchive(temp / "builtin.epub");
    EXPECT_EQ(files, ReadArchive(temp / "tools.epub"));
    EXPECT_EQ(files.count("OEBPS/章節/第一章.xhtml") + files.count("evil.xhtml") +
                  files.count("OEBPS/第二章.xhtml"),
              3u);
    EXPECT_EQ(files.at("OEBPS/utf16.xhtml"), "簡體");
    EXPECT_TRUE(StartsWithStoredMimetype(ReadFileBytes(temp / "builtin.epub")));
    const StoredEntry image = StoredEntries(temp / "builtin.epub").at("OEBPS/書.png");
    EXPECT_EQ(image.flags & image.localFlags & 0x800, 0x800);
    EXPECT_EQ(NamesIn(temp.path()), (Names{"books", "state", "tools.epub", "builtin.epub"}));
}

// A deflated entry is inflated never past its declared size, whole only under the bound, and
// checked against its CRC; a killed job's hidden output is removed by the next job there.
TEST_F(BuiltinZipTest, BoundsWhatItInflatesAndLeavesNothingAfterAKill) {
    const std::string tree = temp / "tree";
    std::filesystem::create_directories(tree + "/OEBPS");
    WriteFileBytes(tree + "/OEBPS/style.css", "p {}");
    WriteFileBytes(tree + "/OEBPS/big.txt", std::string(100000, 'x') + "简体");
    const std::string book = books + "/sized.epub";
    RunShellCommand("cd " + ShellQuoted(tree) + " && zip -qr " + ShellQuoted(book) + " OEBPS");
    const std::string made = ReadFileBytes(book);
    // Where a field lies before the name in the local and the central header, what it claims.
    struct Claim {
        std::size_t local, central;
        std::uint32_t value;
        std::string reason;
    };
    const Claim claims[] = {
        {8, 22, 100u << 20, "超过内存中转换的上限 64 MB），无法处理：OEBPS/big.txt"},
        {8, 22, 100000, "解压后的大小与声明的不符"},
        {16, 30, 0x12345678, "CRC 校验不符"},
    };
    for (const Claim& claim : claims) {
        std::string bytes = made;
        for (std::size_t at : {bytes.find("OEBPS/big.txt") - claim.local,
                               bytes.rfind("OEBPS/big.txt") - claim.central}) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + i] = static_cast<char>(claim.value >> (8 * i));
            }
        }
        WriteFileBytes(book, bytes);
        const BookOutcome outcome = RunBoth(book, text::Profile::Char, true, OutputOf(book));
        EXPECT_THAT(outcome.reason, testing::HasSubstr(claim.reason));
        EXPECT_EQ(Beside(), Names{"sized.epub"}) << claim.reason;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        JobScratch scratch({books});
        std::string path;
        scratch.MakeFile(OutputOf(book), path)->Write("PK", 2);
        ::raise(SIGKILL);
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(Beside().size(), 2u);
    WriteFileBytes(book, made);
    EXPECT_TRUE(RunBoth(book, text::Profile::Char, true, OutputOf(book)).IsConverted());
    EXPECT_EQ(Beside(), (Names{"sized.epub", "sized_corvela.epub"}));
}

}  // namespace
