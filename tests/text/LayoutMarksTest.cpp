#include <gtest/gtest.h>

#include <string>

#include "tests/support/Converters.hpp"
#include "text/content/BookTextConversion.hpp"

namespace {

using text::PageLayout;

std::string Laid(const std::string& content, PageLayout layout, bool quotes = false) {
    return text::ConvertBookText(content, text::BookTextKind::Markup,
                                 *testing_support::ConverterOf(text::Profile::Char),
                                 text::Profile::Char, {quotes, layout});
}

const std::string kVertical =
    "-epub-writing-mode:vertical-rl!important;-webkit-writing-mode:vertical-rl!important;"
    "writing-mode:vertical-rl!important";

TEST(LayoutMarks, ContentDocumentsWinOverTheBooksRules) {
    const std::string page =
        "<html><head><style>body{writing-mode:horizontal-tb!important}</style></head>"
        "<body class=\"c\"><p>“书”</p></body></html>";
    const std::string vertical =
        "<html><head><style>body{writing-mode:horizontal-tb!important}"
        "</style><style type=\"text/css\">html,body{" +
        kVertical + "}</style></head><body class=\"c\" style=\"" + kVertical +
        "\"><p>「書」</p></body></html>";
    EXPECT_EQ(Laid(page, PageLayout::Vertical, true), vertical);
    EXPECT_EQ(
        Laid("<html><body style='color:红'/>", PageLayout::Horizontal),
        "<html><body style='color:紅;-epub-writing-mode:horizontal-tb!important;"
        "-webkit-writing-mode:horizontal-tb!important;writing-mode:horizontal-tb!important'/>");
    EXPECT_EQ(Laid(page, PageLayout::AsBook),
              "<html><head><style>body{writing-mode:horizontal-tb!"
              "important}</style></head><body class=\"c\"><p>“書”"
              "</p></body></html>");
}

TEST(LayoutMarks, PackageTurnsItsPagesAndNamesItsWritingMode) {
    const std::string package =
        "<package version=\"3.0\"><opf:metadata><dc:title>书</dc:title></opf:metadata>"
        "<spine toc=\"ncx\">";
    EXPECT_EQ(Laid(package, PageLayout::Vertical),
              "<package version=\"3.0\"><opf:metadata><dc:title>書</dc:title><opf:meta "
              "name=\"primary-writing-mode\" content=\"vertical-rl\"/></opf:metadata><spine "
              "toc=\"ncx\" page-progression-direction=\"rtl\">");
    const std::string marked =
        "<package version=\"3.0\"><metadata><meta name=\"primary-writing-mode\" "
        "content=\"horizontal-lr\"></meta>\n<meta name=\"x\"/></metadata><spine "
        "page-progression-direction=\"rtl\">";
    EXPECT_EQ(Laid(marked, PageLayout::Horizontal),
              "<package version=\"3.0\"><metadata>\n<meta name=\"x\"/></metadata><spine "
              "page-progression-direction=\"ltr\">");
    EXPECT_EQ(Laid(marked, PageLayout::Vertical),
              "<package version=\"3.0\"><metadata><meta name=\"primary-writing-mode\" "
              "content=\"vertical-rl\"></meta>\n<meta name=\"x\"/></metadata><spine "
              "page-progression-direction=\"rtl\">");
    // Navigation and media overlays have a head and a body but no layout; an EPUB 2 package
    // has no page-progression-direction.
    const std::string overlay = "<smil><head></head><body><par/></body></smil>";
    EXPECT_EQ(Laid(overlay, PageLayout::Vertical), overlay);
    EXPECT_EQ(Laid("<package version=\"2.0\"><spine toc=\"ncx\">", PageLayout::Vertical),
              "<package version=\"2.0\"><spine toc=\"ncx\">");
}

}  // namespace
