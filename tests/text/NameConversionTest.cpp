#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/BookReferences.hpp"
#include "tests/support/Converters.hpp"
#include "text/content/NameConversion.hpp"
#include "text/content/ReferenceConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

using testing_support::ConverterOf;
using text::Profile;

// What a reading system looks for: the reference with every escape decoded (the character
// references here are of the Basic Multilingual Plane).
std::string Decoded(std::string reference) {
    static const std::regex characterReference("&#x([0-9A-Fa-f]+);");
    for (std::smatch match; std::regex_search(reference, match, characterReference);) {
        const auto c = std::stoul(match[1], nullptr, 16);
        const char utf8[] = {static_cast<char>(0xE0 | c >> 12),
                             static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                             static_cast<char>(0x80 | (c & 0x3F)), 0};
        reference.replace(match.position(), match.length(), utf8);
    }
    return testing_support::PercentDecoded(reference);
}

// Each three-byte character of name written as a hex character reference.
std::string CharacterReferencesOf(const std::string& name) {
    std::string written;
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(name[k]); };
        if (byte(i) >= 0xE0 && byte(i) < 0xF0 && i + 2 < name.size() &&
            (byte(i + 1) & 0xC0) == 0x80 && (byte(i + 2) & 0xC0) == 0x80) {
            char reference[16];
            std::snprintf(
                reference, sizeof reference, "&#x%X;",
                ((byte(i) & 0xF) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F));
            written += reference;
            i += 3;
        } else {
            written += name[i++];
        }
    }
    return written;
}

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

// The job renames files with ConvertFileName; every reference to them must follow, however it
// is written and in every profile.
TEST(ConvertReference, DecodesToTheConvertedFileName) {
    const std::string names[] = {"后记.xhtml",      "头发与烟斗",   "方便面 内存.png",
                                 "第一章 新的开始", "\xFF后\x80记", "ü启"};
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        const text::TextConverter& converter = *ConverterOf(info.profile);
        for (const std::string& name : names) {
            const std::string renamed = text::ConvertFileName(name, converter);
            std::string upper, lower, half;
            for (std::size_t i = 0; i < name.size(); ++i) {
                char escape[4];
                std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(name[i]));
                upper += escape;
                std::snprintf(escape, sizeof escape, "%%%02x", static_cast<unsigned char>(name[i]));
                lower += escape;
                half += i < name.size() / 2 ? std::string(escape) : name.substr(i, 1);
            }
            for (const std::string& reference :
                 {name, upper, lower, half, CharacterReferencesOf(name)}) {
                EXPECT_EQ(Decoded(text::ConvertReference(reference, text::ReferenceSyntax::Markup,
                                                         converter)),
                          renamed)
                    << info.name << " " << reference;
            }
            EXPECT_EQ(text::ConvertReference(name, text::ReferenceSyntax::Markup, converter),
                      renamed);
        }
    }
}

}  // namespace
