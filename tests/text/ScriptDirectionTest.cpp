#include <gtest/gtest.h>

#include <string>

#include "tests/support/Converters.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/content/ReferenceConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

// The profiles to Simplified: a book's Traditional tags become the profile's, its Simplified or
// unmarked ones stay, and its names and references convert the other way as in the profiles to
// Traditional.
namespace {

using testing_support::ConverterOf;
using text::Profile;

std::string ConvertMarkup(const std::string& content, Profile profile) {
    return text::ConvertBookText(content, text::BookTextKind::Markup, *ConverterOf(profile),
                                 profile);
}

TEST(ScriptDirection, TraditionalTagsBecomeTheProfilesTagTowardsSimplified) {
    const struct {
        const char* name;
        std::string tag;
        bool rewritten;
    } cases[] = {
        {"Hant", "zh-Hant", true},       {"TW", "zh-TW", true},
        {"HK lower", "zh-hk", true},     {"MO", "zh-MO", true},
        {"underscore", "zh_TW", true},   {"script and region", "ZH-hant-tw", true},
        {"Hant HK", "zh-Hant-HK", true}, {"Hant MO", "zh-Hant-MO", true},
        {"CN stays", "zh-CN", false},    {"Hans stays", "zh-Hans", false},
        {"bare zh stays", "zh", false},  {"Japanese stays", "ja", false},
        {"TW alone", "TW", false},       {"longer", "zh-TW-x", false},
    };
    const std::pair<Profile, std::string> profiles[] = {{Profile::T2s, "zh-Hans"},
                                                        {Profile::Tw2s, "zh-CN"},
                                                        {Profile::Tw2sp, "zh-CN"},
                                                        {Profile::Hk2s, "zh-CN"}};
    for (const auto& [profile, target] : profiles) {
        for (const auto& c : cases) {
            const std::string tag = c.rewritten ? target : c.tag;
            EXPECT_EQ(ConvertMarkup("<dc:language> " + c.tag + " </dc:language><p xml:lang=\"" +
                                        c.tag + "\" lang='" + c.tag + "'>後</p>",
                                    profile),
                      "<dc:language> " + tag + " </dc:language><p xml:lang=\"" + tag + "\" lang='" +
                          tag + "'>后</p>")
                << text::InfoOf(profile).name << ": " << c.name;
        }
    }
    // Towards Traditional a Traditional tag stays.
    EXPECT_EQ(ConvertMarkup("<p lang=\"zh-TW\">后</p>", Profile::S2t), "<p lang=\"zh-TW\">後</p>");
}

TEST(ScriptDirection, NamesAndReferencesConvertTowardsSimplified) {
    const std::tuple<Profile, std::string, std::string> cases[] = {
        {Profile::T2s, "Text/後記.xhtml#啓程", "Text/后记.xhtml#启程"},
        {Profile::Tw2s, "%E5%BE%8C%E8%A8%98.xhtml", "%E5%90%8E%E8%AE%B0.xhtml"},
        {Profile::Tw2sp, "&#x8EDF;&#x9AD4;/a.png", "&#x8F6F;&#x4EF6;/a.png"},
        {Profile::Hk2s, "../裏面.xhtml#綫", "../里面.xhtml#线"},
        {Profile::T2s, "https://例子.tw/後記", "https://例子.tw/後記"},
    };
    for (const auto& [profile, reference, want] : cases) {
        EXPECT_EQ(
            text::ConvertReference(reference, text::ReferenceSyntax::Markup, *ConverterOf(profile)),
            want)
            << text::InfoOf(profile).name << " " << reference;
    }
}

}  // namespace
