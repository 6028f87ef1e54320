#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "text/phrase/UserPhraseConverter.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

using text::PhraseLineProblem;
using text::Profile;

std::shared_ptr<const text::UserPhrases> PhrasesOf(const std::string& file) {
    text::Dictionary entries;
    EXPECT_EQ(text::ParsePhraseText(file, entries), std::nullopt) << file;
    return std::make_shared<const text::UserPhrases>(entries);
}

TEST(UserPhrasesTest, UserEntriesWinOverEveryProfileAndAreWrittenAsGiven) {
    const std::tuple<const char*, Profile, const char*, std::string, std::string> cases[] = {
        {"over a profile phrase", Profile::S2twp, "鼠标\t鼠標", "鼠标和软件", "鼠標和軟體"},
        {"inside a longer profile phrase", Profile::S2t, "发\t發", "理发和头发", "理發和頭發"},
        {"longest key", Profile::S2t, "皇\t帝\n皇后\t王后\n皇后娘\t娘", "皇后来", "王后來"},
        {"identity entry", Profile::Char, "后\t后", "后来的皇后", "后來的皇后"},
        {"value not converted again", Profile::Char, "面\t后", "面条", "后條"},
        {"side by side, both ends", Profile::S2twp, "鼠标\t鼠標", "鼠标鼠标 软件鼠标",
         "鼠標鼠標 軟體鼠標"},
        {"to Simplified", Profile::T2s, "軟體\t软件", "軟體與頭髮", "软件与头发"},
        {"outside the BMP", Profile::Char, "𠮷\t吉", "𠮷发", "吉發"},
    };
    for (const auto& [name, profile, phrases, in, want] : cases) {
        const text::LoadedConverter loaded = text::LoadConverter(profile, PhrasesOf(phrases));
        ASSERT_TRUE(loaded.converter) << loaded.error;
        EXPECT_EQ(loaded.converter->Convert(in), want) << name;
    }
    // Without entries the profile's own converter runs, at its own speed.
    const auto plain = text::LoadConverter(Profile::S2t, PhrasesOf("# a comment\n")).converter;
    EXPECT_EQ(dynamic_cast<const text::UserPhraseConverter*>(plain.get()), nullptr);
}

TEST(UserPhrasesTest, LinesAreReadAsKeyTabValueAndTheFirstBadOneIsNamed) {
    using P = PhraseLineProblem;
    const std::tuple<const char*, std::string, std::size_t, P, std::size_t> cases[] = {
        {"comments, blanks, CR LF, mark",
         "\xEF\xBB\xBF# a\n\n \t \r\n # b\n软件\tx\r\n鼠标\t鼠標 滑鼠", 0, P::NoTab, 2},
        {"no tab", "鼠标\t鼠標\n鼠标 鼠標\n", 2, P::NoTab, 1},
        {"empty key", "\t鼠標", 1, P::EmptyKey, 0},
        {"key of blanks", "  \t鼠標", 1, P::EmptyKey, 0},
        {"empty value", "# x\n鼠标\t\n", 2, P::EmptyValue, 0},
        {"invalid byte", "鼠\t\xe5\x90\x8e\n鼠标\t\xff\n", 2, P::InvalidUtf8, 1},
        {"ASCII key", "C语言\tC語言\np\tq\n", 2, P::AsciiKey, 1},
        {"tag in a key", "鼠标<\t鼠標", 1, P::Markup, 0},
        {"entity in a value", "鼠标\t鼠&amp;標", 1, P::Markup, 0},
    };
    for (const auto& [name, file, line, problem, count] : cases) {
        text::Dictionary entries;
        const std::optional<text::PhraseLineError> error = text::ParsePhraseText(file, entries);
        EXPECT_EQ(error ? error->line : 0, line) << name;
        EXPECT_EQ(error ? error->problem : P::NoTab, problem) << name;
        EXPECT_EQ(entries.size(), count) << name;
        EXPECT_TRUE(entries.empty() || entries.back().value.find(' ') == std::string::npos);
    }
}

}  // namespace
