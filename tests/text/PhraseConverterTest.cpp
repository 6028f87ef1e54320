#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/BookFiles.hpp"
#include "tests/support/OpenccConverter.hpp"
#include "text/phrase/PhraseConverter.hpp"
#include "text/profile/ConversionProfile.hpp"

// libopencc 1.1.6 leaks the header it read from a dictionary whose header is foreign (the case
// below); the leak checker of the sanitized build is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:opencc::MarisaDict::NewFromFile\n";
}

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

constexpr text::Profile kPhraseProfiles[] = {
    text::Profile::S2t, text::Profile::S2tw, text::Profile::S2twp, text::Profile::S2hk,
    text::Profile::T2s, text::Profile::Tw2s, text::Profile::Tw2sp, text::Profile::Hk2s};

std::string ConfigOf(text::Profile profile) {
    return text::OpenccDataFolder() + "/" + std::string(text::InfoOf(profile).name) + ".json";
}

// Converts every text with both converters; the first text where they differ, or "".
std::string FirstDifference(const text::TextConverter& ours, const text::TextConverter& reference,
                            const std::vector<std::string>& texts) {
    for (const std::string& input : texts) {
        const std::string want = reference.Convert(input);
        const std::string got = ours.Convert(input);
        if (got != want) {
            return "[" + input + "]: libopencc [" + want + "], ours [" + got + "]";
        }
    }
    return "";
}

// OpenCC's own test inputs for the profiles to Traditional, and Traditional sentences with
// phrases, Taiwan's and Hong Kong's variants and vocabulary for those to Simplified; every
// profile converts them all (the sample books are compared through the book-text conversion).
TEST(PhraseConverterTest, OpenccsOwnCasesComeOutAsLibopenccMakesThem) {
    const std::vector<std::string> texts{
        "夸夸其谈 "
        "夸父逐日\n我干什么不干你事。\n太后的头发很干燥。\n燕燕于飞，差池其羽。之子于"
        "归，远送于野。",
        "曾经有一份真诚的爱情放在我面前，我没有珍惜，等我失去的时候我才后悔莫及。",
        "新的理论被发现了。\n鲶鱼和鲇鱼是一种生物。\n金胄不是金色的甲胄。",
        "鼠标里面的硅二极管坏了，导致光标分辨率降低。\n我们在老挝的服务器的硬盘需要使"
        "用互联网算法软件解决异步的问题。",
        "为什么你在床里面睡着？\n海内存知己\n摩尔线程\n字节跳动",
        "虚伪叹息\n潮湿灶台\n赞叹沙河涌汹涌的波浪\n为了核实这说法\n高剂量的苦瓜素还会"
        "抑制胚胎发育",
        "着装污染虚伪发泄棱柱群众里面",
        "頭髮乾燥的皇后在後面梳頭，著名的著作擺在桌上；他瞭解了以後，乾脆不幹了。",
        "這個軟體的資料庫放在網際網路上，滑鼠的游標壞了，計程車司機說咖哩飯的價效比很高。",
        "我們為群眾著想，他口吃，灶台上的香皂很髒，巨著與大凶之兆。",
        "香港的戶口裏，他纔抬頭看見綫上的衞生間；免冑奇巖小巖洞，悅耳的慍色。",
        "「臺灣」『台灣』，記憶體與硬碟，纖維與鬱鬱蔥蔥，𠮶𨋢\n乾隆皇帝的後宮，幹部的乾杯。",
    };
    for (const text::Profile profile : kPhraseProfiles) {
        const text::LoadedConverter loaded = text::LoadConverter(profile);
        ASSERT_NE(loaded.converter, nullptr) << loaded.error;
        const testing_support::OpenccConverter reference(ConfigOf(profile));
        EXPECT_EQ(FirstDifference(*loaded.converter, reference, texts), "")
            << text::InfoOf(profile).name;
    }
}

// Every string of up to five letters over the alphabet.
std::vector<std::string> AllStrings(const std::string& alphabet) {
    std::vector<std::string> texts{""};
    for (std::size_t from = 0; texts[from].size() < 5; ++from) {
        for (const char letter : alphabet) {
            texts.push_back(texts[from] + letter);
        }
    }
    return texts;
}

// Pieces of an OpenCC configuration over text dictionaries.
std::string Dict(const std::string& file) {
    return "{\"type\": \"text\", \"file\": \"" + file + "\"}";
}
std::string Group(const std::string& a, const std::string& b) {
    return "{\"type\": \"group\", \"dicts\": [" + a + ", " + b + "]}";
}
std::string Config(const std::string& segmentation, const std::vector<std::string>& chain) {
    std::string json = "{\"segmentation\": {\"type\": \"mmseg\", \"dict\": " + segmentation +
                       "}, \"conversion_chain\": [";
    for (std::size_t i = 0; i < chain.size(); ++i) {
        json += (i > 0 ? ", " : "") + std::string("{\"dict\": ") + chain[i] + "}";
    }
    return json + "]}";
}

// Writes each configuration into folder and compares both converters on every short string.
void ExpectEveryShortStringAsLibopencc(const TempFolder& folder,
                                       const std::vector<std::string>& configurations) {
    for (std::size_t i = 0; i < configurations.size(); ++i) {
        const std::string path = folder / ("config" + std::to_string(i) + ".json");
        WriteFileBytes(path, configurations[i]);
        const text::PhraseConverter ours(path);
        const testing_support::OpenccConverter reference(path);
        EXPECT_EQ(FirstDifference(ours, reference, AllStrings("abcdeBZ")), "") << configurations[i];
    }
}

// Small configurations of OpenCC's text dictionaries, where every rule shows on short strings:
// a group's first dictionary with any match wins over a longer key of a later one; steps that
// join across what earlier steps made; segments that no key of a later step may cross.
TEST(PhraseConverterTest, EveryShortStringComesOutAsLibopenccMakesItInSmallConfigurations) {
    const TempFolder folder;
    WriteFileBytes(folder / "S.txt", "ab\tAB\nbca\tBCA\n");
    WriteFileBytes(folder / "C.txt", "a\tb\nc\tdd\ne\ta\nB\tbe\n");
    WriteFileBytes(folder / "P.txt", "bd\tX\nddd\tY\nb\tZ\nadb\tW\nbeb\tV\n");
    WriteFileBytes(folder / "V.txt", "X\tx\nd\te\n");
    WriteFileBytes(folder / "Q.txt", "ee\tF\nZe\tG\nxZ\tH\n");
    WriteFileBytes(folder / "A.txt", "ab\tX\n");
    WriteFileBytes(folder / "B.txt", "abc\tY\nb\tZ\nbcd\tU\n");
    WriteFileBytes(folder / "H.txt", "ab\tc\nd\tB\nc\tde\n");
    WriteFileBytes(folder / "K.txt", "eB\tZ\neZ\tY\ncB\tW\n");
    WriteFileBytes(folder / "N.txt", "xx\ty\n");
    ExpectEveryShortStringAsLibopencc(
        folder, {
                    // One joining step after one that maps characters to several.
                    Config(Dict("S.txt"),
                           {Group(Dict("S.txt"), Dict("C.txt")), Dict("P.txt"), Dict("V.txt")}),
                    // Two joining steps, the second over what the first made.
                    Config(Dict("S.txt"), {Group(Dict("S.txt"), Dict("C.txt")), Dict("P.txt"),
                                           Dict("V.txt"), Dict("Q.txt")}),
                    // Two joining steps, the second's keys going on into what the first made of
                    // the next character, or starting inside what it made of one.
                    Config(Dict("N.txt"), {Dict("H.txt"), Dict("K.txt")}),
                    // First match in a group, in runs and in matched segments.
                    Config(Dict("A.txt"), {Group(Dict("A.txt"), Dict("B.txt"))}),
                    Config(Dict("B.txt"), {Group(Dict("A.txt"), Dict("B.txt")), Dict("Q.txt")}),
                });
}

// Groups of a step that the segmentation does not know, as newer OpenCC data has them: a later
// dictionary holds the same keys as an earlier one, with other values, and one-character keys
// for the first characters of the earlier one's phrases. The earlier dictionary wins wherever
// it has a key.
TEST(PhraseConverterTest, AnEarlierDictionaryOfAGroupWinsOverALaterOneAsInLibopencc) {
    const TempFolder folder;
    WriteFileBytes(folder / "E.txt", "ab\tE\nc\tF\ndeB\tG\n");
    WriteFileBytes(folder / "L.txt", "a\tL\nab\tM\nc\tN\nd\tO\nde\tP\n");
    WriteFileBytes(folder / "Z.txt", "ZZ\tz\n");
    ExpectEveryShortStringAsLibopencc(
        folder, {
                    Config(Dict("Z.txt"), {Group(Dict("E.txt"), Dict("L.txt"))}),
                    Config(Dict("Z.txt"), {Dict("Z.txt"), Group(Dict("E.txt"), Dict("L.txt"))}),
                });
}

TEST(PhraseConverterTest, AMissingOrDamagedConfigurationIsAReadableReason) {
    const TempFolder folder;
    const std::string phrases = ReadFileBytes(text::OpenccDataFolder() + "/STPhrases.ocd2");
    WriteFileBytes(folder / "STCharacters.ocd2",
                   ReadFileBytes(text::OpenccDataFolder() + "/STCharacters.ocd2"));
    std::string config = ReadFileBytes(ConfigOf(text::Profile::S2t));
    WriteFileBytes(folder / "s2t.json", config);
    // OpenCC looks for a dictionary beside the configuration, then in its own folder.
    config.replace(config.find("STPhrases"), 9, "NoPhrases");
    WriteFileBytes(folder / "missing.json", config);
    const struct {
        const char* what;
        std::string file;
        std::string bytes;
        std::string config;
    } cases[] = {
        {"no configuration", "", "", folder / "absent.json"},
        {"not JSON", "bad.json", "{\"segmentation\": ", folder / "bad.json"},
        {"no dictionary", "", "", folder / "missing.json"},
        {"cut dictionary", "STPhrases.ocd2", phrases.substr(0, phrases.size() / 3),
         folder / "s2t.json"},
        {"header alone", "STPhrases.ocd2", phrases.substr(0, 20), folder / "s2t.json"},
        {"foreign bytes", "STPhrases.ocd2", std::string(4096, '\x5a'), folder / "s2t.json"},
    };
    for (const auto& item : cases) {
        if (!item.file.empty()) {
            WriteFileBytes(folder / item.file, item.bytes);
        }
        try {
            const text::PhraseConverter converter(item.config);
            ADD_FAILURE() << item.what << ": loaded";
        } catch (const std::runtime_error& error) {
            EXPECT_THAT(std::string(error.what()), testing::HasSubstr(item.config))
                << item.what << ": " << error.what();
        }
    }
}

}  // namespace
