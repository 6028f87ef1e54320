#include <gtest/gtest.h>

#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookReferences.hpp"

// The profiles to Simplified through the whole job: a Traditional book comes out Simplified, its
// files and folders renamed with every reference following, its Traditional language tags the
// profile's, and the font rule as in the other profiles.
namespace {

using namespace testing_support;
using text::Profile;

std::vector<ZipEntryPlan> TraditionalBook() {
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html xml:lang=\"zh-TW\" "
        "lang=\"zh_hant\"><head><link href=\"../樣式/主要.css\"/></head>";
    return {
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path=\"OEBPS/內容.opf\"/></rootfiles></container>"},
        {"OEBPS/內容.opf",
         "<package><metadata><dc:language>zh-HK</dc:language></metadata><manifest>"
         "<item id=\"c1\" href=\"章節/第一章.xhtml\"/><item id=\"c2\" href=\"章節/後記.xhtml\"/>"
         "<item id=\"css\" href=\"樣式/主要.css\"/><item id=\"img\" href=\"圖像/封面.png\"/>"
         "</manifest><spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/></spine></package>"},
        {"OEBPS/章節/第一章.xhtml",
         head + "<body><p lang=\"en\">這是軟體的後記。</p><img src=\"../圖像/封面.png\"/>"
                "<a href=\"後記.xhtml#後記開始\">後記</a></body></html>"},
        {"OEBPS/章節/後記.xhtml",
         head + "<body><h1 id=\"後記開始\" lang=\"zh-CN\">後記</h1></body></html>"},
        {"OEBPS/樣式/主要.css",
         "@font-face{font-family:書體;src:url(../圖像/封面.png);}\nbody{font-family:書體}\n"},
        {"OEBPS/圖像/封面.png", BinaryBytes(1)},
    };
}

TEST_F(BookJobTest, ATraditionalBookComesOutSimplifiedWithNamesReferencesAndTags) {
    const std::string book = books + "/traditional.epub";
    WriteZip(book, TraditionalBook());
    const struct {
        Profile profile;
        std::string tag;
        std::string text;
    } cases[] = {
        {Profile::T2s, "zh-Hans", "这是软体的后记。"},
        {Profile::Tw2s, "zh-CN", "这是软体的后记。"},
        {Profile::Tw2sp, "zh-CN", "这是软件的后记。"},
        {Profile::Hk2s, "zh-CN", "这是软体的后记。"},
    };
    for (const auto& c : cases) {
        const std::string name(text::InfoOf(c.profile).name);
        const BookOutcome outcome = Run(book, c.profile, false);
        ASSERT_TRUE(outcome.IsConverted()) << name << ": " << outcome.reason;
        const std::string output = Unpacked(OutputOf(book), name);
        EXPECT_EQ(BrokenReferences(output), std::vector<std::string>{}) << name;
        std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
        EXPECT_EQ(files.size(), TraditionalBook().size()) << name;
        EXPECT_EQ(files["OEBPS/图像/封面.png"], BinaryBytes(1)) << name;
        const std::string chapter = files["OEBPS/章节/第一章.xhtml"];
        EXPECT_NE(chapter.find("xml:lang=\"" + c.tag + "\" lang=\"" + c.tag + "\""),
                  std::string::npos)
            << name << " " << chapter;
        EXPECT_NE(chapter.find("<p lang=\"en\">" + c.text + "</p>"), std::string::npos)
            << name << " " << chapter;
        EXPECT_NE(chapter.find("<a href=\"后记.xhtml#后记开始\">后记</a>"), std::string::npos)
            << name << " " << chapter;
        EXPECT_NE(files["OEBPS/章节/后记.xhtml"].find("<h1 id=\"后记开始\" lang=\"zh-CN\">"),
                  std::string::npos)
            << name;
        EXPECT_NE(files["OEBPS/内容.opf"].find("<dc:language>" + c.tag + "</dc:language>"),
                  std::string::npos)
            << name;
        // The book's own font name stays.
        EXPECT_NE(files["OEBPS/样式/主要.css"].find("body{font-family:書體}"), std::string::npos)
            << name;
    }
    EXPECT_EQ(messages, Messages{});
}

// As in the other phrase profiles, the font rule goes in when asked for, and a book without a
// stylesheet goes on without it.
TEST_F(BookJobTest, TheFontRuleTowardsSimplifiedAsInTheOtherPhraseProfiles) {
    const std::string book = books + "/traditional.epub";
    WriteZip(book, TraditionalBook());
    const std::string noStylesheet = SampleBook("trees/css-epub-writing-mode");
    for (const Profile profile : {Profile::T2s, Profile::Hk2s}) {
        const std::string name(text::InfoOf(profile).name);
        for (const bool fontRule : {false, true}) {
            ASSERT_TRUE(Run(book, profile, fontRule).IsConverted()) << name;
            const std::string css = ReadArchive(OutputOf(book))["OEBPS/样式/主要.css"];
            EXPECT_EQ(css.find("res:///opt/sony/ebook/FONT/zw.ttf") != std::string::npos, fontRule)
                << name << " " << css;
        }
        EXPECT_EQ(Run(noStylesheet, profile).reason, "") << name;
    }
}

}  // namespace
