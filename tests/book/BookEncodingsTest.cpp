#include <gtest/gtest.h>

#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;
using namespace std::string_literals;

// UTF-16 of ASCII text, little-endian.
std::string Utf16Le(std::string_view ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += std::string{c, '\0'};
    }
    return bytes;
}

// A chapter in GB2312, a stylesheet in UTF-16 that takes the font rule, a chapter in UTF-16
// whose text needs no conversion, and one that says GBK but is not: the first three come out in
// UTF-8 (converted), the last as it was, and the notes name what was done.
TEST_F(BookJobTest, TextInOtherEncodingsComesOutConvertedInUtf8) {
    const std::string bad = "<?xml version=\"1.0\" encoding=\"gbk\"?><p>\xED\xA0\x80简体</p>";
    const std::string book = MakeBook(
        "encodings.epub",
        {{"OEBPS/a.css", "\xFF\xFE" + Utf16Le("@charset \"UTF-16\";p:after{content:\"") +
                             "\x80\x7b\x53\x4f" + Utf16Le("\"}")},
         {"OEBPS/bad.xhtml", bad},
         {"OEBPS/gb.xhtml", "<?xml version=\"1.0\" encoding=\"gb2312\"?><p>\xBC\xF2\xCC\xE5</p>"},
         {"OEBPS/wide.xhtml",
          "\xFF\xFE" + Utf16Le("<?xml version=\"1.0\"?><p>") + "\x41\x7e" + Utf16Le("</p>")}});
    JobOptions options;
    Messages notes;
    options.diagnostic = [&notes](std::string_view line) { notes.emplace_back(line); };
    ASSERT_TRUE(Convert(options, book, OutputOf(book)).IsConverted());
    const auto files = ReadArchive(OutputOf(book));
    EXPECT_EQ(files.at("OEBPS/gb.xhtml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p>簡體</p>");
    EXPECT_EQ(files.at("OEBPS/wide.xhtml"), "<?xml version=\"1.0\"?><p>繁</p>");
    EXPECT_EQ(files.at("OEBPS/bad.xhtml"), bad);
    const std::string& css = files.at("OEBPS/a.css");
    EXPECT_TRUE(css.starts_with("@charset \"UTF-8\";@font-face")) << css;
    EXPECT_TRUE(css.ends_with("p:after{content:\"簡體\"}")) << css;
    EXPECT_EQ(notes, (Messages{"OEBPS/a.css 由 UTF-16 编码转为 UTF-8", "字型规则写入 OEBPS/a.css",
                               "OEBPS/bad.xhtml 的内容与它声明的编码 gbk 不符，保持原样",
                               "OEBPS/gb.xhtml 由 gb2312 编码转为 UTF-8",
                               "OEBPS/wide.xhtml 由 UTF-16LE 编码转为 UTF-8"}));
    // A stylesheet that is not what it says takes no rule, and the notes say why.
    std::vector<ZipEntryPlan> entries = SampleBookEntries();
    entries[3].bytes = "@charset \"gbk\";p{}\xED\xA0\x80";
    WriteZip(books + "/wrong.epub", entries);
    notes.clear();
    ASSERT_TRUE(
        Convert(options, books + "/wrong.epub", OutputOf(books + "/wrong.epub")).IsConverted());
    EXPECT_EQ(notes, (Messages{"OEBPS/style.css 的内容与它声明的编码 gbk 不符，保持原样",
                               "样式表 OEBPS/style.css 的编码与内容不符，字型规则没有写入",
                               "OEBPS/style.css 的内容与它声明的编码 gbk 不符，保持原样"}));
}

}  // namespace
