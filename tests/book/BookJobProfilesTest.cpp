#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookReferences.hpp"

namespace {

using namespace testing_support;
using text::Profile;

// Books whose files and folders have Chinese names, referred to in every way a book does
// (container, manifest, navigation, NCX, links with fragments, images in XHTML and SVG, url()),
// converted in every profile of their direction: the names follow the script, every reference
// still leads to its file, resources keep their bytes, every name that is not ASCII carries the
// UTF-8 flag, and the package's language tag is the profile's.
TEST_F(BookJobTest, EveryReferenceLeadsToItsFileInEveryProfile) {
    const struct {
        Profile profile;
        const char* chapter;  // before conversion
        const char* holds;    // what the converted chapter holds
    } cases[] = {
        {Profile::Char, "OEBPS/章节/第一章.xhtml", "url(../圖像/封面.png)"},
        {Profile::S2t, "OEBPS/章节/第一章.xhtml", "<a href=\"後記.xhtml#後記開始\">後記</a>"},
        {Profile::S2tw, "OEBPS/章节/第一章.xhtml", "<a href=\"#開頭\" id=\"開頭\">"},
        {Profile::S2twp, "OEBPS/章节/第一章.xhtml", "<p>這是第一章。</p>"},
        {Profile::S2hk, "OEBPS/章节/第一章.xhtml", "<link href=\"../樣式/主要.css\"/>"},
        {Profile::T2s, "OEBPS/章節/第一章.xhtml", "<p lang=\"en\">这是软体的后记。</p>"},
        {Profile::Tw2s, "OEBPS/章節/第一章.xhtml", "<a href=\"后记.xhtml#后记开始\">后记</a>"},
        {Profile::Tw2sp, "OEBPS/章節/第一章.xhtml", "这是软件的后记。"},
        {Profile::Hk2s, "OEBPS/章節/第一章.xhtml", "xml:lang=\"zh-CN\" lang=\"zh-CN\""},
    };
    const std::string books[] = {SampleBook("trees/linked-names-simplified"),
                                 SampleBook("trees/linked-names-traditional")};
    for (const auto& c : cases) {
        const std::string name(text::InfoOf(c.profile).name);
        const text::TextConverter& converter = *ConverterOf(c.profile);
        const std::string& book =
            books[text::DirectionOf(c.profile) == text::ScriptDirection::ToSimplified];
        ASSERT_EQ(Run(book, c.profile, false).reason, "") << name;
        EXPECT_EQ(BrokenReferences(Unpacked(OutputOf(book), name)), std::vector<std::string>{})
            << name;
        std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
        const std::map<std::string, std::string> source = ReadArchive(book);
        EXPECT_EQ(files.size(), source.size()) << name;
        for (const auto& [entry, bytes] : source) {
            EXPECT_TRUE(files.contains(converter.Convert(entry))) << name << " " << entry;
            EXPECT_TRUE(!entry.ends_with(".png") || files[converter.Convert(entry)] == bytes)
                << name << " " << entry;
        }
        EXPECT_THAT(files[converter.Convert(c.chapter)], testing::HasSubstr(c.holds)) << name;
        const std::string tag(text::InfoOf(c.profile).languageTag);
        const auto package = std::find_if(source.begin(), source.end(), [](const auto& entry) {
            return entry.first.ends_with(".opf");
        });
        EXPECT_THAT(files[converter.Convert(package->first)],
                    testing::HasSubstr("<dc:language>" + tag + "</dc:language>"))
            << name;
        for (const auto& [entry, stored] : StoredEntries(OutputOf(book))) {
            const bool ascii =
                std::all_of(entry.begin(), entry.end(), [](char c) { return (c & 0x80) == 0; });
            EXPECT_EQ(stored.flags & 0x800, ascii ? 0 : 0x800) << name << " " << entry;
            EXPECT_EQ(stored.localFlags & 0x800, ascii ? 0 : 0x800) << name << " " << entry;
        }
    }
    EXPECT_EQ(messages, Messages{});
}

TEST_F(BookJobTest, TwoNamesThatWouldBecomeOneRefuseTheBookAndNothingIsPacked) {
    const std::vector<std::pair<std::string, std::vector<ZipEntryPlan>>> cases{
        {"files", {{"OEBPS/后记.xhtml", "<p>后记</p>"}, {"OEBPS/後記.xhtml", "<p>後記</p>"}}},
        {"folders", {{"OEBPS/后记/a.xhtml", "<p>甲</p>"}, {"OEBPS/後記/b.xhtml", "<p>乙</p>"}}},
        {"deep", {{"OEBPS/图/后记", "一"}, {"OEBPS/图/後記", "二"}}}};
    for (const auto& [what, entries] : cases) {
        const BookOutcome outcome = Run(MakeBook("twins.epub", entries), Profile::S2t);
        EXPECT_THAT(outcome.reason, testing::HasSubstr("转换后同名，无法处理"))
            << what << ": " << outcome.reason;
        EXPECT_EQ(Beside(), Names{"twins.epub"}) << what;
    }
}

// Without a stylesheet the font rule has nowhere to go: only the phrase profiles go on.
TEST_F(BookJobTest, StylesheetAndFontRuleAsTheProfileAndTheSwitchSay) {
    const std::string noStylesheet = SampleBook("trees/css-epub-writing-mode");
    EXPECT_EQ(Run(noStylesheet, Profile::Char).reason, "书中没有样式表（.css），无法加入字型规则");
    EXPECT_EQ(Run(noStylesheet, Profile::S2t).reason, "");
    EXPECT_EQ(ReadArchive(OutputOf(noStylesheet)).size(), ReadArchive(noStylesheet).size());
    const std::string book = MakeBook("novel.epub");
    for (const bool fontRule : {false, true}) {
        ASSERT_TRUE(Run(book, Profile::S2tw, fontRule).IsConverted()) << fontRule;
        const std::string css = ReadArchive(OutputOf(book))["OEBPS/style.css"];
        EXPECT_EQ(css.find(kFontLocation) != std::string::npos, fontRule) << css;
    }
}

struct CorpusCase {
    std::string name;
    std::string source;       // under the corpus: a packed book or a tree to pack
    Profile profile;          // the phrase profiles take books without a stylesheet
    std::string traditional;  // a text that the converted book must hold, if any
    bool epubcheck = false;
    friend void PrintTo(const CorpusCase& c, std::ostream* out) { *out << c.name; }
};

class CorpusBookTest : public BookJobTest, public testing::WithParamInterface<CorpusCase> {};

// Every sample book is converted: the same entries, resources byte for byte, the font rule in
// its stylesheet, and every reference that led to a file still leading to it.
TEST_P(CorpusBookTest, ConvertsKeepingEveryEntryResourceAndReference) {
    const std::string book = SampleBook(GetParam().source);
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(Run(book, GetParam().profile).reason, "");
    EXPECT_EQ(messages, Messages{});
    EXPECT_EQ(ReadFileBytes(book), original);
    const std::string output = OutputOf(book);
    EXPECT_EQ(Beside(), (Names{std::filesystem::path(book).filename().string(),
                               std::filesystem::path(output).filename().string()}));
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
    EXPECT_EQ(css.find(kFontLocation) != std::string::npos, !css.empty());
    EXPECT_THAT(all, testing::HasSubstr(GetParam().traditional));
    // The font rule's own font is the reader's: the book does not hold it.
    std::vector<std::string> broken = BrokenReferences(Unpacked(output, "output"));
    std::erase_if(broken,
                  [](const std::string& found) { return found.ends_with("-> fonts/zw.ttf"); });
    EXPECT_EQ(broken, BrokenReferences(Unpacked(book, "source")));
    if (GetParam().epubcheck) {
        // Only what the font rule brings: its res:/// sources, its missing fonts/zw.ttf and the
        // remote-resources property; above all no PKG error.
        const std::string report =
            RunShellCommand("java -jar /usr/bin/epubcheck " + ShellQuoted(output) + " 2>&1")
                .standardOutput;
        EXPECT_THAT(report, testing::HasSubstr("(RSC-008)"));
        EXPECT_FALSE(std::regex_search(
            report, std::regex(R"((^|\n)(ERROR|FATAL|WARNING)\((?!RSC-00[78]|OPF-014))")))
            << report;
    }
}

// Each book shows something of its own: Chinese text, an undecodable or composed or
// percent-encoded name, obfuscated fonts (and a clean epubcheck).
INSTANTIATE_TEST_SUITE_P(
    Samples, CorpusBookTest,
    testing::Values(
        CorpusCase{"simpleEpub", "packed/simpleEpub.epub", Profile::Char, "簡易電子書"},
        CorpusCase{"not_utf8_name", "packed/ocf-filename-not-utf8-error.epub", Profile::S2tw, ""},
        CorpusCase{"wasteland", "trees/wasteland-woff-obf", Profile::Char, "", true},
        CorpusCase{"percent_encoded", "trees/url-percent-encoded-valid", Profile::S2hk, ""},
        CorpusCase{"composed_name", "trees/ocf-container-filename-character-composition-valid",
                   Profile::S2twp, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
