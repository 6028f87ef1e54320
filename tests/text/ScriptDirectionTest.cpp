#include <gtest/gtest.h>

#include <string>

#include "tests/support/Converters.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

// The profiles to Simplified: a book's Traditional tags become the profile's, its Simplified or
// unmarked ones stay (names and references: the job's test of a Traditional book).
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

}  // namespace
