#include <gtest/gtest.h>

#include <string>

#include "tests/support/Converters.hpp"
#include "text/content/ReferenceConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

using testing_support::ConverterOf;
using text::Profile;

TEST(ConvertReference, RewritesEachNameInTheStyleItWasWritten) {
    const std::tuple<Profile, std::string, std::string> cases[] = {
        // The book's own case: a fragment naming an id whose 启 becomes 啓.
        {Profile::Char, "#%E5%90%AF%E7%A8%8B", "#%E5%95%93%E7%A8%8B"},
        {Profile::Char, "#%e5%90%af%e7%a8%8b", "#%e5%95%93%e7%a8%8b"},
        {Profile::Char, "Text/后记.xhtml#启程", "Text/後記.xhtml#啓程"},
        // Unchanged escapes stay as written, changed ones take their neighbours' form.
        {Profile::Char, "%E5%90%8E记%20%e4%b8%ad.xhtml", "%E5%BE%8C記%20%e4%b8%ad.xhtml"},
        {Profile::S2t, "%E5%A4%B4%E5%8F%91.xhtml", "%E9%A0%AD%E9%AB%AE.xhtml"},
        // A phrase that changes the number of characters: the changed middle stays encoded.
        {Profile::S2twp, "a%E6%96%B9%E4%BE%BF%E9%9D%A2b.png", "a%E6%B3%A1%E9%BA%B5b.png"},
        {Profile::S2twp, "x-%e5%86%85%e5%ad%98.png", "x-%e8%a8%98%e6%86%b6%e9%ab%94.png"},
        {Profile::S2twp, "%E6%96%B9%E4%BE%BF%E9%9D%A2中%e4%b8%ad", "%E6%B3%A1%E9%BA%B5中%e4%b8%ad"},
        // Character references, as markup writes them: hex or decimal, digits in their case.
        {Profile::Char, "&#x540E;&#x8BB0;.xhtml", "&#x5F8C;&#x8A18;.xhtml"},
        {Profile::Char, "&#x540e;", "&#x5f8c;"},
        {Profile::Char, "&#21518;记.xhtml#&#x542f;&#x4e2d;", "&#24460;記.xhtml#&#x5553;&#x4e2d;"},
        {Profile::Char, "a&amp;b&#x0;&#xD800;&#x110000;&#;&#x;后",
         "a&amp;b&#x0;&#xD800;&#x110000;&#;&#x;後"},
        // The query is not a name; escapes that are not UTF-8 stay.
        {Profile::Char, "后记.xhtml?q=后", "後記.xhtml?q=后"},
        {Profile::Char, "%FF%E5%90%8E%zz%", "%FF%E5%BE%8C%zz%"},
        // References that lead outside the book stay.
        {Profile::Char, "https://例子.cn/后记", "https://例子.cn/后记"},
        {Profile::Char, "mailto:后记@例子.cn", "mailto:后记@例子.cn"},
        {Profile::Char, "//例子.cn/后记", "//例子.cn/后记"},
    };
    for (const auto& [profile, reference, want] : cases) {
        EXPECT_EQ(
            text::ConvertReference(reference, text::ReferenceSyntax::Markup, *ConverterOf(profile)),
            want)
            << reference;
    }
}

}  // namespace
