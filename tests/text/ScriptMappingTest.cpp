#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TempFolder.hpp"
#include "text/ScriptMapping.hpp"

// OpenCC leaks a few bytes of what it has read when it rejects a damaged dictionary. The leak is
// the library's, and only the damaged-dictionary test reaches it; the leak check stays on for
// everything else.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:opencc::MarisaDict::NewFromFile\n";
}

namespace {

using text::CharacterTableMapping;
using text::ScriptMapping;

std::u16string MapText(const ScriptMapping& mapping, const std::u16string& source) {
    std::u16string mapped(source.size(), u'\0');
    int errorNumber = 0;
    EXPECT_EQ(mapping.Map(source, mapped, errorNumber), 1);
    return mapped;
}

int RefusalNumber(const ScriptMapping& mapping, const std::u16string& source,
                  std::size_t destinationSize) {
    std::u16string mapped(destinationSize, u'\0');
    int errorNumber = 0;
    EXPECT_EQ(mapping.Map(source, mapped, errorNumber), 0);
    return errorNumber;
}

TEST(SimplifiedToTraditional, MapsEachCharacterToItsFirstTraditionalForm) {
    const ScriptMapping& mapping = text::SimplifiedToTraditional();
    EXPECT_EQ(MapText(mapping, u"简体中文"), u"簡體中文");
    // Character by character, without phrases: 发 takes its first form even where 髮 is meant.
    EXPECT_EQ(MapText(mapping, u"头发"), u"頭發");
    EXPECT_EQ(MapText(mapping, u"<p class=\"a\">x</p>"), u"<p class=\"a\">x</p>");
}

TEST(SimplifiedToTraditional, MapsInPlace) {
    std::u16string units = u"头发简体";
    int errorNumber = 0;
    ASSERT_EQ(text::SimplifiedToTraditional().Map(units, units, errorNumber), 1);
    EXPECT_EQ(units, u"頭發簡體");
}

TEST(SimplifiedToTraditional, RefusesAnEmptyTextAndAShortDestination) {
    const ScriptMapping& mapping = text::SimplifiedToTraditional();
    EXPECT_EQ(RefusalNumber(mapping, u"", 4), text::kErrorInvalidParameter);
    EXPECT_EQ(RefusalNumber(mapping, u"简体", 1), text::kErrorInvalidParameter);
}

// Surrogates carry supplementary characters and escaped bytes: the table must neither change
// them nor produce them, and never produce a zero unit, which would end the text.
TEST(SimplifiedToTraditional, LeavesTheSurrogateRangeAloneAndNeverMapsIntoIt) {
    std::u16string every;
    for (char32_t unit = 1; unit <= 0xFFFF; ++unit) {
        every += static_cast<char16_t>(unit);
    }
    const std::u16string mapped = MapText(text::SimplifiedToTraditional(), every);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < every.size(); ++i) {
        const bool sourceIsSurrogate = every[i] >= 0xD800 && every[i] <= 0xDFFF;
        const bool mappedIsSurrogate = mapped[i] >= 0xD800 && mapped[i] <= 0xDFFF;
        ASSERT_EQ(sourceIsSurrogate, mappedIsSurrogate) << std::hex << unsigned{every[i]};
        if (sourceIsSurrogate) {
            ASSERT_EQ(mapped[i], every[i]);
        }
        ASSERT_NE(mapped[i], u'\0');
        changed += mapped[i] != every[i] ? 1 : 0;
    }
    // The character dictionary has a few thousand single-character entries.
    EXPECT_GT(changed, 2000u);
}

TEST(CharacterTableMapping, AMissingDictionaryRefusesEveryTextWithoutFailingHard) {
    const CharacterTableMapping mapping("/nonexistent/STCharacters.ocd2");
    EXPECT_EQ(mapping.LoadError(), text::kErrorFileNotFound);
    EXPECT_EQ(RefusalNumber(mapping, u"简体", 2), text::kErrorFileNotFound);
}

TEST(CharacterTableMapping, ADamagedDictionaryRefusesEveryTextWithoutFailingHard) {
    testing_support::TempFolder folder;
    const std::string real = testing_support::ReadFileBytes(text::DefaultCharacterDictionaryPath());
    std::mt19937 random(3);
    std::string noise(4096, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(random());
    }
    const std::vector<std::string> damaged = {"", noise, real.substr(0, real.size() / 2),
                                              real.substr(0, 40), real.substr(0, 8) + noise};
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const std::string path = folder / ("damaged" + std::to_string(i) + ".ocd2");
        testing_support::WriteFileBytes(path, damaged[i]);
        const CharacterTableMapping mapping(path);
        EXPECT_EQ(mapping.LoadError(), text::kErrorInvalidData) << "dictionary " << i;
        EXPECT_EQ(RefusalNumber(mapping, u"简体", 2), text::kErrorInvalidData);
    }
}

TEST(CharacterTableMapping, ALoadedDictionaryMapsLikeTheProcessWideInstance) {
    const CharacterTableMapping mapping(text::DefaultCharacterDictionaryPath());
    ASSERT_EQ(mapping.LoadError(), 0);
    EXPECT_EQ(MapText(mapping, u"简体中文头发"), u"簡體中文頭發");
}

}  // namespace
