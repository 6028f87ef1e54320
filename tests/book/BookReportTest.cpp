#include <gtest/gtest.h>

#include "book/report/ReportHtml.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

std::string DataFile(const std::string& name) {
    return ReadFileBytes(CORVELA_CORPUS_DIR "/fonts/" + name);
}

// A title set in a subset font of the title's Simplified characters, a note in a WOFF subset
// of its own limited by a unicode-range, and body text in no embedded font; an alternate
// stylesheet and a rule by pseudo-class that must not count.
std::vector<ZipEntryPlan> FontBook() {
    return {{"OEBPS/fonts/title.ttf", DataFile("title-subset.ttf")},
            {"OEBPS/fonts/note.woff", DataFile("note-subset.woff")},
            {"OEBPS/Styles/book.css",
             "@font-face{font-family:\"Title Font\";src:url(../fonts/title.ttf)}\n"
             "@font-face{font-family:Note;src:url('../fonts/note.woff') format('woff');"
             "unicode-range:U+4E00-7FFF}\n"
             "h1.title{font-family:'Title Font',serif}\nh1{font-family:Note}\n"
             "p:lang(en){font-family:'Title Font'}\n"},
            {"OEBPS/Styles/alt.css", "h1.title{font-family:Note}\n"},
            {"OEBPS/Text/title.xhtml",
             "<html><head><link rel=\"stylesheet\" href=\"../Styles/book.css\"/>"
             "<link rel=\"alternate stylesheet\" href=\"../Styles/alt.css\"/></head><body>"
             "<h1 class=\"title\">简体书名</h1><p>他说\"发\"&lt;i&gt;</p>"
             "<div style=\"font-family: Note, serif\"><p>后记发现</p></div><p>面</p><p>面</p>"
             "</body></html>"}};
}

class BookReportTest : public BookJobTest {
  protected:
    BookOutcome Report(const std::string& book, bool builtin, text::Profile profile) {
        JobOptions options;
        options.profile = profile;
        options.converter = ConverterOf(profile);
        options.builtinZip = builtin;
        options.report = true;
        return Convert(options, book, OutputOf(book));
    }
};

// Both archive paths write the report beside the output: the uncertain place, the glyphs each
// subset font lacks in the converted text set in it, and the book's text escaped.
TEST_F(BookReportTest, FindsUncertainPlacesAndMissingGlyphsOnBothPaths) {
    const std::string book = MakeBook("fonts.epub", FontBook());
    const std::string report = books + "/fonts_corvela.report.html";
    for (const bool builtin : {false, true}) {
        const std::string name = builtin ? "built-in" : "tools";
        std::filesystem::remove(report);
        const BookOutcome outcome = Report(book, builtin, text::Profile::S2twp);
        ASSERT_TRUE(outcome.IsConverted()) << name << ": " << outcome.reason;
        EXPECT_EQ(outcome.reportPath, report) << name;
        EXPECT_EQ(outcome.reportProblem, "") << name;
        EXPECT_EQ(outcome.uncertain, 3u) << name;      // the lone 发, and 面 twice
        EXPECT_EQ(outcome.missingGlyphs, 6u) << name;  // 簡體書, and 後發現 (記 is out of range)
        const std::string html = ReadFileBytes(report);
        for (const std::string_view expected :
             {"<code>发\t髮</code>", "<td>簡</td><td>U+7C21</td><td>1</td>",
              "<td>體</td><td>U+9AD4</td>", "<td>書</td><td>U+66F8</td>",
              "<td>後</td><td>U+5F8C</td>", "<td>現</td><td>U+73FE</td>",
              "<th>改變的字元</th><td>13</td>",  // 簡體書, 說發, 後記發現, and 這簡體書
              "他说&quot;<mark>发</mark>&quot;&amp;lt;i&amp;gt;"}) {
            EXPECT_NE(html.find(expected), std::string::npos) << name << ": " << expected;
        }
        EXPECT_LT(html.find("<td>面</td>"), html.find("<td>发</td>")) << name << ": most first";
        EXPECT_EQ(html.find("<td>名</td>"), std::string::npos) << name << ": 名 is in the font";
        EXPECT_EQ(html.find("<script"), std::string::npos) << name;
    }
}

// A report that cannot be written is a reason the user reads; the book is converted all the
// same, on both paths.
TEST_F(BookReportTest, TellsWhyAReportCouldNotBeWritten) {
    const std::string book = MakeBook("blocked.epub");
    std::filesystem::create_directory(books + "/blocked_corvela.report.html");
    for (const bool builtin : {false, true}) {
        const BookOutcome outcome = Report(book, builtin, text::Profile::Char);
        EXPECT_TRUE(outcome.IsConverted()) << builtin << ": " << outcome.reason;
        EXPECT_EQ(outcome.reportPath, "") << builtin;
        EXPECT_NE(outcome.reportProblem.find("blocked_corvela.report.html"), std::string::npos)
            << builtin << ": " << outcome.reportProblem;
        EXPECT_TRUE(std::filesystem::exists(books + "/blocked_corvela.epub")) << builtin;
    }
}

TEST(ReportHtml, EscapesEveryMarkupCharacterAndBadBytes) {
    EXPECT_EQ(EscapedHtml("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(EscapedHtml("发\xff"), "发\xEF\xBF\xBD");
}

}  // namespace
