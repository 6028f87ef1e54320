#include <gtest/gtest.h>

#include <string>

#include "text/profile/ConversionProfile.hpp"

namespace {

using text::LoadConverter;

TEST(ConversionProfileTest, PhraseProfilesPickWordsTheTableCannot) {
    // 头发 (hair) and 烟斗 (pipe): the table gives 發 and 鬥; phrases give 髮 and 斗.
    const std::string text = "头发和烟斗，软件";
    EXPECT_EQ(LoadConverter(text::Profile::Char).converter->Convert(text), "頭發和煙鬥，軟件");
    EXPECT_EQ(LoadConverter(text::Profile::S2t).converter->Convert(text), "頭髮和菸斗，軟件");
    EXPECT_EQ(LoadConverter(text::Profile::S2twp).converter->Convert(text), "頭髮和菸斗，軟體");
}

TEST(TextConverterTest, MalformedBytesAndZerosPassThroughAndSplitStretches) {
    const std::string cases[][2] = {
        {"", ""},
        {"\xff头\x80发", "\xff頭\x80發"},
        {std::string("头\0发", 7), std::string("頭\0發", 7)},
        {"\xe5\xa4", "\xe5\xa4"},                      // a cut-off character at the end
        {"\xf0\x9f\x98\x80发", "\xf0\x9f\x98\x80發"},  // outside the BMP
        {"\xe0\x80\x80头", "\xe0\x80\x80頭"},          // an overlong zero is no character
    };
    for (const text::Profile profile : {text::Profile::Char, text::Profile::S2t}) {
        const auto converter = LoadConverter(profile).converter;
        for (const auto& [in, want] : cases) {
            EXPECT_EQ(converter->Convert(in), want) << text::InfoOf(profile).name << " " << in;
        }
    }
}

}  // namespace
