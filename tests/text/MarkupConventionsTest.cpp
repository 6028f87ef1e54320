#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Converters.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/content/MarkupRewrite.hpp"

namespace {

using text::BookConventions;
using text::ScriptDirection;

// The markup rewritten by the character table with the conventions, in direction.
std::string Rewrite(const std::string& content, ScriptDirection direction,
                    BookConventions conventions) {
    std::string out;
    text::TextRewriter rewriter(content, text::ReferenceSyntax::Markup,
                                *testing_support::ConverterOf(text::Profile::Char), out);
    text::RewriteMarkup(rewriter, "zh-Hant", direction, conventions);
    rewriter.Finish();
    return out;
}

struct Case {
    const char* name;
    std::string content;
    std::string want;
};

void Expect(const std::vector<Case>& cases, ScriptDirection direction, BookConventions with) {
    for (const Case& c : cases) {
        EXPECT_EQ(Rewrite(c.content, direction, with), c.want) << c.name;
    }
}

constexpr BookConventions kQuotes{true, text::PageLayout::AsBook};

TEST(QuoteConventions, PairsWithinAParagraphTowardTraditional) {
    Expect({{"nested", "<p>“甲‘乙’丙”</p>", "<p>「甲『乙』丙」</p>"},
            {"across inline tags", "<p>“<em>甲</em><br/>乙”</p>", "<p>「<em>甲</em><br/>乙」</p>"},
            {"reference inside the pair", "<p>“<a href=\"书.xhtml\">甲</a>”</p>",
             "<p>「<a href=\"書.xhtml\">甲</a>」</p>"},
            {"partners in two paragraphs", "<p>“甲</p><div>乙”</div>", "<p>“甲</p><div>乙”</div>"},
            {"unpaired opening", "<p>“甲“乙”</p>", "<p>“甲「乙」</p>"},
            {"crossing pairs", "<p>“a ‘b” c’</p>", "<p>「a ‘b」 c’</p>"},
            {"apostrophes in English", "<p>‘don’t’, it’s 90’s, ‘Café’s’</p>",
             "<p>『don’t』, it’s 90’s, 『Café’s』</p>"},
            {"quote after a word", "<p>‘the students’</p>", "<p>『the students』</p>"},
            {"straight quotes", "<p>\"a\" 'b'</p>", "<p>\"a\" 'b'</p>"},
            {"attribute, style and script",
             "<p title=\"“甲”\">“<span class=\"”\">乙</span>”</p><style>p{content:\"“”\"}</style>"
             "<script>s=\"“”\"</script>",
             "<p title=\"“甲”\">「<span class=\"”\">乙</span>」</p><style>p{content:\"“”\"}</style>"
             "<script>s=\"“”\"</script>"},
            {"language left alone", "<body><p lang=\"ja\">“国”</p></body>",
             "<body><p lang=\"ja\">“国”</p></body>"}},
           ScriptDirection::ToTraditional, kQuotes);
}

TEST(QuoteConventions, TowardSimplifiedAndOffByDefault) {
    Expect({{"nested", "<p>「a『b』c」 「d</p>", "<p>“a‘b’c” 「d</p>"},
            {"curly marks stay", "<p>“a”</p>", "<p>“a”</p>"}},
           ScriptDirection::ToSimplified, kQuotes);
    Expect({{"off", "<p>“a”</p>", "<p>“a”</p>"}}, ScriptDirection::ToTraditional, {});
}

TEST(LanguageConventions, MarkedTextBelowTheBodyStays) {
    Expect({{"Japanese and Taiwanese kept, English converted",
             "<body><p lang=\"ja\">国</p><p>国<span xml:lang=\"zh_tw\">国</span>"
             "<span lang=\"EN\">国</span></p></body>",
             "<body><p lang=\"ja\">国</p><p>國<span xml:lang=\"zh_tw\">国</span>"
             "<span lang=\"EN\">國</span></p></body>"},
            {"nearest mark wins",
             "<body><div lang=\"ja-JP\"><p lang=\"zh-CN\">国</p>国</div>国</body>",
             "<body><div lang=\"ja-JP\"><p lang=\"zh-Hant\">國</p>国</div>國</body>"},
            {"root and body marks not obeyed",
             "<html lang=\"ja\"><body lang=\"ZH-HANT-HK\"><p>国</p></body></html>",
             "<html lang=\"ja\"><body lang=\"ZH-HANT-HK\"><p>國</p></body></html>"},
            {"names still follow",
             "<body><p lang=\"ja\"><a href=\"国.xhtml\">国</a><br>国</p>国</body>",
             "<body><p lang=\"ja\"><a href=\"國.xhtml\">国</a><br>国</p>國</body>"},
            {"not Japanese", "<body><p lang=\"jam\">国</p></body>",
             "<body><p lang=\"jam\">國</p></body>"}},
           ScriptDirection::ToTraditional, {});
    // Toward Simplified (the language tags themselves are the profile's business).
    const std::string simplified =
        Rewrite("<body><p lang=\"zh-SG\">国</p><p lang=\"zh-TW\">国</p></body>",
                ScriptDirection::ToSimplified, {});
    EXPECT_THAT(simplified, testing::HasSubstr(">国</p><p"));
    EXPECT_THAT(simplified, testing::HasSubstr(">國</p></body>"));
}

}  // namespace
