#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookReferences.hpp"
#include "text/unicode/BinarySignature.hpp"

namespace {

using namespace testing_support;
using text::Profile;

constexpr const char* kFontLocation = "res:///opt/sony/ebook/FONT/zw.ttf";
const std::vector<Profile> kAllProfiles{Profile::Char, Profile::S2t, Profile::S2tw, Profile::S2twp,
                                        Profile::S2hk};

// A book whose files and folders have Simplified names, referred to in every way a book does:
// container, manifest, navigation, NCX, links with fragments, images in XHTML and SVG, url().
std::vector<ZipEntryPlan> LinkedBook() {
    const std::string xhtml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><head>";
    return {
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path=\"OEBPS/内容.opf\"/></rootfiles></container>"},
        {"OEBPS/内容.opf",
         "<package><manifest><item id=\"nav\" href=\"目录.xhtml\"/>"
         "<item id=\"ncx\" href=\"目录.ncx\"/><item id=\"c1\" href=\"章节/第一章.xhtml\"/>"
         "<item id=\"c2\" href=\"章节/后记.xhtml\"/><item id=\"css\" href=\"样式/主要.css\"/>"
         "<item id=\"img\" href=\"图像/封面.png\"/><item id=\"f\" href=\"字体/书体.ttf\"/>"
         "</manifest><spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/></spine></package>"},
        {"OEBPS/目录.xhtml",
         xhtml + "</head><body><nav><a href=\"章节/第一章.xhtml\">第一章</a>"
                 "<a href=\"章节/后记.xhtml#后记开始\">后记</a></nav></body></html>"},
        {"OEBPS/目录.ncx",
         "<ncx><navMap><navPoint><content src=\"章节/后记.xhtml#后记开始\"/>"
         "</navPoint></navMap></ncx>"},
        {"OEBPS/章节/第一章.xhtml",
         xhtml +
             "<link href=\"../样式/主要.css\"/><style>p{background:url(../图像/封面.png)}</style>"
             "</head><body><p>这是第一章。</p><img src=\"../图像/封面.png\"/>"
             "<svg><image href=\"../图像/封面.png\"/></svg>"
             "<a href=\"后记.xhtml#后记开始\">后记</a><a href=\"#开头\" id=\"开头\">开头</a>"
             "</body></html>"},
        {"OEBPS/章节/后记.xhtml",
         xhtml + "</head><body><h1 id=\"后记开始\">后记</h1></body></html>"},
        {"OEBPS/样式/主要.css",
         "@font-face{font-family:book;src:url(../字体/书体.ttf)}\n"
         "body{background:url(\"../图像/封面.png\")}\n"},
        {"OEBPS/图像/封面.png", BinaryBytes(1)},
        {"OEBPS/字体/书体.ttf", BinaryBytes(2)},
    };
}

TEST_F(BookJobTest, EveryReferenceLeadsToItsFileInEveryProfile) {
    const std::string book = books + "/linked.epub";
    WriteZip(book, LinkedBook());
    ASSERT_EQ(BrokenReferences(Unpacked(book, "source")), std::vector<std::string>{});
    for (Profile profile : kAllProfiles) {
        const std::string name(text::InfoOf(profile).name);
        const BookOutcome outcome = Run(book, profile, false);
        ASSERT_TRUE(outcome.IsConverted()) << name << ": " << outcome.reason;
        const std::string output = Unpacked(OutputOf(book), name);
        EXPECT_EQ(BrokenReferences(output), std::vector<std::string>{}) << name;
        EXPECT_EQ(ReadArchive(OutputOf(book)).size(), LinkedBook().size()) << name;
        // Files and folders renamed, resources unchanged.
        EXPECT_TRUE(std::filesystem::exists(output + "/OEBPS/章節/後記.xhtml")) << name;
        const std::string image =
            output + "/" + ConverterOf(profile)->Convert("OEBPS/图像/封面.png");
        EXPECT_EQ(ReadFileBytes(image), BinaryBytes(1)) << name;
        // Every name that is not ASCII carries the UTF-8 flag, in both headers.
        for (const auto& [entry, flags] : EntryFlags(OutputOf(book))) {
            const bool ascii =
                std::all_of(entry.begin(), entry.end(), [](char c) { return (c & 0x80) == 0; });
            EXPECT_EQ(flags.first & 0x800, ascii ? 0 : 0x800) << name << " " << entry;
            EXPECT_EQ(flags.second & 0x800, ascii ? 0 : 0x800) << name << " " << entry;
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
        EXPECT_NE(outcome.reason.find("转换后同名，无法处理"), std::string::npos)
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
    EXPECT_NE(all.find(GetParam().traditional), std::string::npos);
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
        EXPECT_NE(report.find("(RSC-008)"), std::string::npos) << report;
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
