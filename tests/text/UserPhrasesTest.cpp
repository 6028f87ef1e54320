#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "text/phrase/UserPhraseConverter.hpp"
#include "text/phrase/UserPhrases.hpp"
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
    struct Case {
        const char* name;
        Profile profile;
        const char* phrases;
        const char* in;
        const char* want;
    };
    const Case cases[] = {
        {"over a profile phrase", Profile::S2twp, "鼠标\t鼠標", "鼠标和软件", "鼠標和軟體"},
        {"shorter key inside a longer profile phrase", Profile::S2t, "发\t發", "理发和头发",
         "理發和頭發"},
        {"longest key where several start", Profile::S2t, "皇\t帝\n皇后\t王后\n皇后娘\t娘",
         "皇后来", "王后來"},
        {"identity entry keeps a word", Profile::Char, "后\t后", "后来的皇后", "后來的皇后"},
        {"value not converted again", Profile::Char, "面\t后", "面条", "后條"},
        {"keys side by side, at both ends", Profile::S2twp, "鼠标\t鼠標", "鼠标鼠标 软件鼠标",
         "鼠標鼠標 軟體鼠標"},
        {"to Simplified", Profile::T2s, "軟體\t软件", "軟體與頭髮", "软件与头发"},
        {"to Simplified with vocabulary", Profile::Tw2sp, "滑鼠\t滑鼠", "滑鼠與軟體", "滑鼠与软件"},
        {"outside the BMP", Profile::Char, "𠮷\t吉", "𠮷发", "吉發"},
        {"malformed bytes around keys", Profile::S2t, "鼠标\t鼠標", "\xff鼠标\x80发",
         "\xff鼠標\x80發"},
        {"later entry of one key wins", Profile::Char, "后\t后\n后\t後", "后", "後"},
        {"no key in the text", Profile::S2twp, "鼠标\t鼠標", "软件ABC", "軟體ABC"},
    };
    for (const Case& c : cases) {
        const text::LoadedConverter loaded = text::LoadConverter(c.profile, PhrasesOf(c.phrases));
        ASSERT_TRUE(loaded.converter) << loaded.error;
        EXPECT_EQ(loaded.converter->Convert(c.in), c.want) << c.name;
    }
    // A zero byte splits the text, so neither half holds the key.
    const auto s2t = text::LoadConverter(Profile::S2t, PhrasesOf("鼠标\t鼠標")).converter;
    EXPECT_EQ(s2t->Convert(std::string("鼠\0标", 7)), std::string("鼠\0標", 7));
}

TEST(UserPhrasesTest, WithoutEntriesTheProfilesOwnConverterIsUsed) {
    for (const std::shared_ptr<const text::UserPhrases>& none :
         {std::shared_ptr<const text::UserPhrases>(), PhrasesOf("# nothing but a comment\n")}) {
        const auto converter = text::LoadConverter(Profile::S2t, none).converter;
        EXPECT_EQ(dynamic_cast<const text::UserPhraseConverter*>(converter.get()), nullptr);
    }
}

TEST(UserPhrasesTest, LinesAreReadAsKeyTabValueAndTheFirstBadOneIsNamed) {
    struct Case {
        const char* name;
        std::string file;
        std::size_t badLine;  // 0: none
        PhraseLineProblem problem;
        std::size_t entries;
    };
    const Case cases[] = {
        {"comments, blanks, CR LF, mark, several values",
         "\xEF\xBB\xBF# note\n\n  \t \r\n  # indented note\n鼠标\t鼠標 滑鼠\r\n软件\t軟件",
         0,
         {},
         2},
        {"no tab", "鼠标\t鼠標\n鼠标 鼠標\n", 2, PhraseLineProblem::NoTab, 1},
        {"empty key", "\t鼠標", 1, PhraseLineProblem::EmptyKey, 0},
        {"key of blanks", "  \t鼠標", 1, PhraseLineProblem::EmptyKey, 0},
        {"empty value", "# x\n鼠标\t\n", 2, PhraseLineProblem::EmptyValue, 0},
        {"value of blanks", "鼠标\t  \r\n", 1, PhraseLineProblem::EmptyValue, 0},
        {"invalid byte", "a\tb\nc\td\n鼠标\t\xff\n", 3, PhraseLineProblem::InvalidUtf8, 2},
        {"overlong form", "\xc0\xaf\tb", 1, PhraseLineProblem::InvalidUtf8, 0},
        {"zero byte", std::string("a\tb\0", 4), 1, PhraseLineProblem::InvalidUtf8, 0},
        {"cut-off character in a comment", "# \xe9\xbc\n", 1, PhraseLineProblem::InvalidUtf8, 0},
        {"ASCII key", "C语言\tC語言\np\tq\n", 2, PhraseLineProblem::AsciiKey, 1},
        {"tag in a key", "鼠标<\t鼠標", 1, PhraseLineProblem::Markup, 0},
        {"entity in a value", "鼠标\t鼠&amp;標", 1, PhraseLineProblem::Markup, 0},
        {"quote in a value", "鼠标\t\"鼠標\"", 1, PhraseLineProblem::Markup, 0},
        {"apostrophe in a key", "鼠'标\t鼠標", 1, PhraseLineProblem::Markup, 0},
    };
    for (const Case& c : cases) {
        text::Dictionary entries;
        const std::optional<text::PhraseLineError> error = text::ParsePhraseText(c.file, entries);
        EXPECT_EQ(error ? error->line : 0, c.badLine) << c.name;
        if (error) {
            EXPECT_EQ(error->problem, c.problem) << c.name;
        }
        EXPECT_EQ(entries.size(), c.entries) << c.name;
    }
    text::Dictionary entries;
    text::ParsePhraseText("鼠标\t鼠標 滑鼠\r\n", entries);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].key + "|" + entries[0].value, "鼠标|鼠標");
}

}  // namespace
