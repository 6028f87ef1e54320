#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

// A book that insists on horizontal text, with quotations, English and Japanese in it.
std::vector<ZipEntryPlan> InsistingBook() {
    return {{"OEBPS/content.opf",
             "<package version=\"3.0\"><metadata><dc:title>“书”</dc:title></metadata>"
             "<spine toc=\"ncx\"><itemref idref=\"c\"/></spine></package>"},
            {"OEBPS/text.xhtml",
             "<html><head><link href=\"insist.css\"/></head><body><p title=\"“书”\">他说：“it’s "
             "‘书’。”</p><p lang=\"ja\">“国”</p></body></html>"},
            {"OEBPS/insist.css", "body { writing-mode: horizontal-tb !important; }\n"}};
}

class BookJobConventions : public BookJobTest {};

TEST_F(BookJobConventions, QuotesLanguageAndLayoutReachTheConvertedBook) {
    const std::string book = MakeBook("book.epub", InsistingBook());
    JobOptions options;
    options.fontRule = false;
    options.conventions = {true, text::PageLayout::Vertical};
    ASSERT_TRUE(Convert(options, book, OutputOf(book)).IsConverted());
    std::map<std::string, std::string> out = ReadArchive(OutputOf(book));
    const std::string& page = out["OEBPS/text.xhtml"];
    EXPECT_THAT(page, testing::HasSubstr(
                          "title=\"“書”\">他說：「it’s 『書』。」</p><p lang=\"ja\">“国”</p>"));
    EXPECT_THAT(page,
                testing::HasSubstr("<body style=\"-epub-writing-mode:vertical-rl!important;"));
    EXPECT_THAT(out["OEBPS/content.opf"], testing::HasSubstr("「書」"));
    EXPECT_THAT(out["OEBPS/content.opf"], testing::HasSubstr("page-progression-direction=\"rtl\""));
    // The book's own stylesheet stays as it is.
    EXPECT_EQ(out["OEBPS/insist.css"], "body { writing-mode: horizontal-tb !important; }\n");

    // By default the marks and the layout stay; the Japanese text still does.
    ASSERT_TRUE(Run(book, text::Profile::Char, false).IsConverted());
    out = ReadArchive(OutputOf(book));
    EXPECT_THAT(out["OEBPS/text.xhtml"],
                testing::HasSubstr("<body><p title=\"“書”\">他說：“it’s ‘書’。”</p><p "
                                   "lang=\"ja\">“国”</p>"));
}

}  // namespace
