#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <tuple>
#include <vector>

#include "tests/support/TempFolder.hpp"
#include "text/content/FontInjection.hpp"
#include "text/convert/ScriptConversion.hpp"
#include "text/convert/ScriptMapping.hpp"
#include "text/unicode/Utf8Codec.hpp"

// OpenCC leaks what it has read when it rejects a damaged dictionary; only one test gets there.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:opencc::MarisaDict::NewFromFile\n";
}

namespace {

// Works on a heap block of exactly the bytes' size, so a read past it shows under ASan.
std::vector<unsigned char> Exact(const std::string& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string BeforeZero(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

std::u16string Decode(const std::string& bytes) {
    std::u16string units(bytes.size() + 1, u'x');
    units.resize(
        Utf8ToUtf16(units.data(), 2 * bytes.size() + 2, Exact(bytes).data(), bytes.size()));
    return units;
}

// Encodes into capacity bytes (enough for all when 0), expecting used units to be encoded.
std::string Encode(const std::u16string& units, std::size_t capacity = 0, std::size_t used = 0) {
    std::string bytes(capacity == 0 ? 3 * units.size() + 1 : capacity, '\xAA');
    const std::size_t k =
        Utf16ToUtf8(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), units.c_str());
    EXPECT_EQ(k, capacity == 0 ? units.size() : used);
    return BeforeZero(bytes);
}

// Bytes that do not start a well-formed sequence come out as U+DC00 + byte.
TEST(Utf8Codec, DecodesAsExpectedAndEncodesBackToTheSameBytes) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"~\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
         u"~\x7F\x0080\x07FF\x0800\xD7FF\xE000\xFFFF"},
        {"\xEF\xBB\xBF简体中文", u"\xFEFF简体中文"},
        {"\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
         u"\xD800\xDC00\xD83D\xDE00\xDBFF\xDFFF"},
        {std::string("ab\0\xE4\xB8\xAD", 6), u"ab"},
        {"\x80z\xBF\xC0\x80\xC1\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF",  // stray and overlong
         u"\xDC80z\xDCBF\xDCC0\xDC80\xDCC1\xDCBF\xDCE0\xDC9F\xDCBF\xDCF0\xDC8F\xDCBF\xDCBF"},
        {"\xED\xA0\x80\xED\xB2\x80\xF4\x90\x80\x80\xF5\xFE\xFF",  // surrogates, above U+10FFFF
         u"\xDCED\xDCA0\xDC80\xDCED\xDCB2\xDC80\xDCF4\xDC90\xDC80\xDC80\xDCF5\xDCFE\xDCFF"},
        {"\xE4\xB8z\xC3(\xE4z\xAD", u"\xDCE4\xDCB8z\xDCC3(\xDCE4z\xDCAD"},
        {"a\xC3", u"a\xDCC3"},
        {"\xE4\xB8", u"\xDCE4\xDCB8"},
        {"\xF0\x9F\x98", u"\xDCF0\xDC9F\xDC98"},
        {std::string("\xE4\xB8\0\xAD", 4), u"\xDCE4\xDCB8"}};
    for (const auto& [bytes, units] : cases) {
        EXPECT_EQ(Decode(bytes), units);
        EXPECT_EQ(Encode(units), BeforeZero(bytes));
    }
}

TEST(Utf8ToUtf16, WritesAtMostHalfTheCapacityInUnitsAndNeverSplitsAPair) {
    const std::vector<unsigned char> text = Exact("ab\xF0\x9F\x98\x80z");
    const auto decode = [&](std::size_t capacity) {
        std::u16string units(capacity / 2 + 1, u'x');
        const std::size_t n = Utf8ToUtf16(units.data(), capacity, text.data(), text.size());
        EXPECT_EQ(units[n], capacity < 2 ? u'x' : u'\0') << "capacity " << capacity;
        return units.substr(0, n);
    };
    EXPECT_EQ(decode(0) + decode(1) + decode(2) + decode(5) + decode(6), u"aabab");
    EXPECT_EQ(decode(8), u"ab\xD83D\xDE00");
    EXPECT_EQ(decode(99), u"ab\xD83D\xDE00z");
}

TEST(Utf16ToUtf8, KeepsOneByteForTheZeroAndStopsBeforeAUnitThatDoesNotFit) {
    const std::u16string text = u"a中\xD83D\xDE00";
    EXPECT_EQ(Encode(text, 1, 0) + Encode(text, 2, 1) + Encode(text, 4, 1), "aa");
    EXPECT_EQ(Encode(text, 5, 2) + Encode(text, 8, 2), "a中a中");
    EXPECT_EQ(Encode(text, 9, 4), "a中\xF0\x9F\x98\x80");
    EXPECT_EQ(Encode(std::u16string(70, u'a') + u"\x80", 66, 65), std::string(65, 'a'));
    unsigned char untouched = 0xAA;
    EXPECT_EQ(Utf16ToUtf8(&untouched, 0, text.c_str()) + untouched, 0xAAu);
    // Lone surrogates outside the escape range are written as three bytes.
    EXPECT_EQ(Encode(u"\xD800z\xDC7F\xDD00\xDC80\xDCFF"),
              "\xED\xA0\x80z\xED\xB1\xBF\xED\xB4\x80\x80\xFF");
}

// Random bytes mixed with pieces of well-formed text, cut anywhere, all come back unchanged.
TEST(Utf8Codec, EncodingTheDecodingOfAnyBytesGivesThemBack) {
    const std::string text =
        "a\xC2\x80\xE0\xA0\x80中\xED\x9F\xBF\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    std::mt19937 random(20261206);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        for (int count = static_cast<int>(random() % 24); count > 0; --count) {
            bytes += random() % 4 == 0 ? std::string(1, static_cast<char>(random()))
                                       : text.substr(random() % text.size(), random() % 6);
        }
        ASSERT_EQ(Encode(Decode(bytes)), BeforeZero(bytes)) << "round " << round;
    }
}

TEST(IsUtf8Text, KeepsTheLenientTestWithItsEarlyAccept) {
    const auto IsUtf8 = [](const std::string& bytes) {
        return IsUtf8Text(Exact(bytes).data(), bytes.size());
    };
    EXPECT_EQ(IsUtf8("") + IsUtf8(std::string("a\0b", 3)) + IsUtf8("简体中文"), 3);
    EXPECT_EQ(IsUtf8("\xD6\xD0\xCE\xC4") + IsUtf8(std::string("\xFF\xFE-N\x87\x65", 6)), 0);
    EXPECT_EQ(IsUtf8("a\x80") + IsUtf8("\xE4\xB8z") + IsUtf8("\xE4\xB8"), 0);
    EXPECT_EQ(IsUtf8("\xC0\x80\xED\xA0\x80") + IsUtf8("\xFF\x80\x80\x80\x80\x80\x80\x80"), 2);
    EXPECT_EQ(IsUtf8(Encode(std::u16string(300, u'中')) + "\x80"), 0);
    EXPECT_EQ(IsUtf8(Encode(std::u16string(301, u'é')) + "\xE4"), 1);
}

struct RestoreLimit {
    void operator()(const rlimit* saved) const { ::setrlimit(RLIMIT_FSIZE, saved); }
};

// Runs routine on a fresh file holding bytes and returns its result, what it printed and
// the file afterwards. Writes (the captured output too) fail past limit bytes, even for root.
using Routine = std::function<int(const std::string&)>;
using Outcome = std::tuple<int, std::string, std::string>;
Outcome RunOnFile(const std::string& bytes, const Routine& routine, rlim_t limit = RLIM_INFINITY) {
    const testing_support::TempFolder folder;
    testing_support::WriteFileBytes(folder / "file", bytes);
    testing::internal::CaptureStdout();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit lowered{limit, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const std::unique_ptr<const rlimit, RestoreLimit> restore(&saved);
    const int result = routine(folder / "file");
    return {result, testing::internal::GetCapturedStdout(),
            testing_support::ReadFileBytes(folder / "file")};
}

const auto kCaseName = [](const auto& info) { return std::string(info.param.name); };
const Routine kConvert = [](const std::string& path) { return ConvertTextFile(path); };

// Maps one unit to another, to make the text shorter or longer.
struct OneUnitMapping final : text::ScriptMapping {
    OneUnitMapping(char16_t from, char16_t to) : from_(from), to_(to) {}
    int MapUnits(std::span<const char16_t> source, std::span<char16_t> destination,
                 int&) const override {
        for (std::size_t i = 0; i < source.size(); ++i) {
            destination[i] = source[i] == from_ ? to_ : source[i];
        }
        return 1;
    }
    char16_t from_, to_;
};

const std::string kTail("\0tail\xFF", 6);
const std::string kIllFormed = "\xD6\xD0\x80\xC0\xAF\xED\xA0\x80\xE4\xB8";
const OneUnitMapping kShorter(u'中', u'é'), kLonger(u'é', u'中'), kToZero(u'中', 0);
const text::CharacterTableMapping kNoDictionary("/nonexistent/STCharacters.ocd2");
const text::CharacterTableMapping kDamagedDictionary(__FILE__);

struct ConversionCase {
    const char* name;
    std::string before;
    std::string after = {};  // empty: the file stays as it was and the result is 0
    int errorNumber = 0;     // of the mapping's diagnostic line, 0 for none
    const text::ScriptMapping* mapping = nullptr;  // the process-wide one when null
};

class ConvertTextFileCases : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConvertTextFileCases, LeaveTheExpectedFileAndOutput) {
    const ConversionCase& c = GetParam();
    const auto& mapping = c.mapping ? *c.mapping : text::SimplifiedToTraditional();
    const auto [result, output, content] = RunOnFile(
        c.before, [&](const std::string& path) { return ConvertTextFile(path, mapping); });
    EXPECT_EQ(result, c.after.empty() ? 0 : 1);
    EXPECT_EQ(content, c.after.empty() ? c.before : c.after);
    const std::string refusal = "LCMapString failed with Error# = " + std::to_string(c.errorNumber);
    EXPECT_EQ(output, c.errorNumber ? refusal : "");
}

INSTANTIATE_TEST_SUITE_P(
    Converted, ConvertTextFileCases,
    testing::Values(
        ConversionCase{"Markup", "<p>简体中文，头发。</p>\n", "<p>簡體中文，頭發。</p>\n"},
        ConversionCase{"ByteOrderMarkKept", "\xEF\xBB\xBF简体", "\xEF\xBB\xBF簡體"},
        ConversionCase{"MarkerAdmitsIllFormed", "utf-8简" + kIllFormed, "utf-8簡" + kIllFormed},
        ConversionCase{"UpperCaseMarker", "charset=UTF-8 \xFE头", "charset=UTF-8 \xFE頭"},
        ConversionCase{"Supplementary", "简\xF0\x9F\x98\x80体\xF0\xA0\x80\x80发",
                       "簡\xF0\x9F\x98\x80體\xF0\xA0\x80\x80發"},
        ConversionCase{"ZeroByteEndsTheText", "utf-8 简体" + kTail + "简",
                       "utf-8 簡體" + kTail + "简"},
        ConversionCase{"ShorterIsCut", "utf-8 中x中" + kTail, "utf-8 éxé" + kTail, 0, &kShorter},
        ConversionCase{"LongerIsWhole", "utf-8 éxé" + kTail, "utf-8 中x中" + kTail, 0, &kLonger}),
    kCaseName);

INSTANTIATE_TEST_SUITE_P(
    Untouched, ConvertTextFileCases,
    testing::Values(ConversionCase{"Gbk", "<p>\xD6\xD0\xCE\xC4\xBC\xF2\xCC\xE5</p>"},
                    ConversionCase{"Utf16", std::string("\xFF\xFE\x80\x7B\x53\x4F\x2D\x4E", 8)},
                    ConversionCase{"Png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)},
                    ConversionCase{"Jpeg", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01", 13)},
                    ConversionCase{"MarkerInOtherCase", "encoding=\"Utf-8\" \xD6\xD0"},
                    ConversionCase{"MarkerAfterZeroByte", std::string("\xD6\xD0\0utf-8", 9)},
                    ConversionCase{"Empty", "", "", 87},
                    ConversionCase{"ZeroByteFirst", std::string("\0简体", 7), "", 87},
                    ConversionCase{"DamagedDictionary", "简体", "", 13, &kDamagedDictionary},
                    ConversionCase{"NoDictionary", "简体", "", 2, &kNoDictionary},
                    ConversionCase{"MappedToZero", "a中b", "", 13, &kToZero}),
    kCaseName);

const std::string kRule(text::FontFaceRule), kWithBody(text::FontFaceWithBodyRule);
const std::string kExtra(text::ExtraFontSources), kLine(text::BodyFontLine);

TEST(InjectFontStylesheet, WritesTheTemplatesAsEachCaseSays) {
    const std::string sources(text::FontSourceList);
    EXPECT_EQ(sources.size() + kRule.size() + kWithBody.size() + kExtra.size() + kLine.size(),
              456u + 495 + 530 + 457 + 27);
    EXPECT_EQ(kRule, "@font-face {\nfont-family:\"zw\";\nsrc:" + sources + ";\n}\n");
    EXPECT_EQ(kWithBody, kRule + "body { font-family: 'zw', serif; }\n");
    EXPECT_EQ(kExtra + kLine, "," + sources + "\n font-family: 'zw', serif;");
    const auto inject = [](const std::string& before) {
        const auto [result, output, content] = RunOnFile(before, InjectFontStylesheet);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(output, "");
        return content;
    };
    EXPECT_EQ(inject("@font-face{src:url(a.ttf);}").size() + inject("body{margin:0}").size() +
                  inject("p{margin:0em}").size(),
              484u + 536 + 543);
    // The first "@font-face" rule gets the sources before the first ";" after its "src:".
    EXPECT_EQ(inject("@font-face{src:url(a.ttf);}"), "@font-face{src:url(a.ttf)" + kExtra + ";}");
    EXPECT_EQ(inject("@font-face{src:a;}@font-face{src:b;}"),
              "@font-face{src:a" + kExtra + ";}@font-face{src:b;}");
    EXPECT_EQ(inject("@font-face{src:url(data:x;b) f;}"),
              "@font-face{src:url(data:x" + kExtra + ";b) f;}");
    for (const char* css :
         {"@font-face{src:url(a.ttf);", "@font-face{font-family:a;}\n@font-face{src:b;}",
          "@font-face{font-family:a;src:url(a)}\np{x:y;}"}) {
        EXPECT_EQ(inject(css), css);
    }
    // Without one, a usable "body" (first, at the start or after whitespace) gets the family.
    EXPECT_EQ(inject("body{margin:0}"), kRule + "body{" + kLine + "margin:0}");
    for (const char* space : {" ", "\t", "\n", "\x0B", "\x0C", "\r"}) {
        EXPECT_EQ(inject("p{}" + (space + std::string("body {x}"))),
                  kRule + "p{}" + space + "body {" + kLine + "x}");
    }
    EXPECT_EQ(inject("h1{}\nbodytext{y}"), kRule + "h1{}\nbodytext{" + kLine + "y}");
    EXPECT_EQ(inject(std::string("body{a}\0z", 9)),
              kRule + "body{" + kLine + std::string("a}\0z", 4));
    // Otherwise, and (as chosen here) for a usable "body" without a "{" after it, both rules go
    // in front. Matching is case-sensitive and stops at a zero byte.
    for (const std::string& css :
         {std::string("p{margin:0em}"), std::string(), std::string("table tbody{x:y}\nbody{a:b}"),
          std::string(".body{x} body{y}"), std::string("@FONT-FACE{src:a;}\nBODY{x}"),
          std::string("p{x}\0 body{y}", 13), std::string("p{x:y}\n/* body */")}) {
        EXPECT_EQ(inject(css), kWithBody + css);
    }
    // A second call extends the rule the first one added.
    const auto [result, output, content] = RunOnFile("p{margin:0em}", [](const std::string& path) {
        return InjectFontStylesheet(path) + InjectFontStylesheet(path);
    });
    EXPECT_EQ(output, "");
    std::string expected = kWithBody + "p{margin:0em}";
    EXPECT_EQ(content, expected.insert(kRule.rfind(';'), kExtra));
}

TEST(TextFileRoutines, ReportAFileThatCannotBeOpenedOrWritten) {
    const testing_support::TempFolder folder;
    for (const Routine& routine : {kConvert, Routine(InjectFontStylesheet)}) {
        for (const std::string& path : {folder / "missing", folder.path()}) {
            testing::internal::CaptureStdout();
            EXPECT_EQ(routine(path), 0);
            EXPECT_EQ(testing::internal::GetCapturedStdout(),
                      "Terminal failure: unable to open file \"" + path + "\" .\n");
        }
    }
    const std::string failed = "Terminal failure: Unable to write to file.\n";
    const std::string markup = "utf-8 " + std::string(300, '.') + "简体";
    EXPECT_EQ(RunOnFile(markup, kConvert, 200), std::tuple(0, failed, markup));
    EXPECT_EQ(RunOnFile("p{margin:0em}", InjectFontStylesheet, 200),
              std::tuple(0, failed, "p{margin:0em}"));
}

}  // namespace
