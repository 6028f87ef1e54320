#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/ScriptConversion.hpp"

namespace {

// Decodes bytes held in a heap block of exactly their size (no zero byte after them), so that
// a read past the end shows under the address sanitizer.
std::u16string Decode(const std::string& bytes) {
    std::vector<unsigned char> exact(bytes.begin(), bytes.end());
    std::u16string units(bytes.size() + 1, u'\xFFFF');
    const std::size_t n = Utf8ToUtf16(units.data(), 2 * bytes.size(), exact.data(), exact.size());
    if (!bytes.empty()) {
        EXPECT_EQ(units[n], u'\0') << "terminator missing";
    }
    units.resize(n);
    return units;
}

std::string Encode(const std::u16string& units) {
    std::string bytes(3 * units.size() + 1, '\xAA');
    const std::size_t k =
        Utf16ToUtf8(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), units.c_str());
    EXPECT_EQ(k, units.size());
    bytes.resize(std::strlen(bytes.c_str()));
    return bytes;
}

std::string Prefix(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

struct CodecCase {
    const char* name;
    std::string bytes;
    std::u16string units;
};

class CodecRoundTrip : public testing::TestWithParam<CodecCase> {};

TEST_P(CodecRoundTrip, DecodesAsExpectedAndEncodesBackToTheSameBytes) {
    const CodecCase& c = GetParam();
    EXPECT_EQ(Decode(c.bytes), c.units);
    EXPECT_EQ(Encode(Decode(c.bytes)), Prefix(c.bytes));
}

INSTANTIATE_TEST_SUITE_P(
    WellFormedBoundaries, CodecRoundTrip,
    testing::Values(CodecCase{"Ascii", "Az~", u"Az~"}, CodecCase{"LastAscii", "\x7F", u"\x7F"},
                    CodecCase{"FirstTwoByte", "\xC2\x80", u"\x0080"},
                    CodecCase{"LastTwoByte", "\xDF\xBF", u"\x07FF"},
                    CodecCase{"FirstThreeByte", "\xE0\xA0\x80", u"\x0800"},
                    CodecCase{"BeforeSurrogates", "\xED\x9F\xBF", u"\xD7FF"},
                    CodecCase{"AfterSurrogates", "\xEE\x80\x80", u"\xE000"},
                    CodecCase{"LastBmp", "\xEF\xBF\xBF", u"\xFFFF"},
                    CodecCase{"ByteOrderMark",
                              "\xEF\xBB\xBF"
                              "a",
                              u"\xFEFF"
                              u"a"},
                    CodecCase{"Ideographs", "简体中文", u"简体中文"},
                    CodecCase{"FirstSupplementary", "\xF0\x90\x80\x80", u"\xD800\xDC00"},
                    CodecCase{"Emoji", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
                    CodecCase{"LastCodePoint", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
                    CodecCase{"StopsAtZeroByte", std::string("ab\0\xE4\xB8\xAD", 5), u"ab"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every byte that does not start a well-formed sequence comes out as U+DC00 + byte.
INSTANTIATE_TEST_SUITE_P(
    IllFormedBytesAreEscaped, CodecRoundTrip,
    testing::Values(
        CodecCase{"StrayContinuation",
                  "\x80"
                  "a\xBF",
                  u"\xDC80"
                  u"a\xDCBF"},
        CodecCase{"OverlongTwoByte", "\xC0\x80\xC1\xBF", u"\xDCC0\xDC80\xDCC1\xDCBF"},
        CodecCase{"OverlongThreeByte", "\xE0\x9F\xBF", u"\xDCE0\xDC9F\xDCBF"},
        CodecCase{"OverlongFourByte", "\xF0\x8F\xBF\xBF", u"\xDCF0\xDC8F\xDCBF\xDCBF"},
        CodecCase{"EncodedHighSurrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        CodecCase{"EncodedLowSurrogate", "\xED\xBF\xBF", u"\xDCED\xDCBF\xDCBF"},
        CodecCase{"EncodedEscapeUnit", "\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},
        CodecCase{"AboveLastCodePoint", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
        CodecCase{"LeadF5", "\xF5\x80\x80\x80", u"\xDCF5\xDC80\xDC80\xDC80"},
        CodecCase{"LeadsFEAndFF", "\xFE\xFF", u"\xDCFE\xDCFF"},
        CodecCase{"BadContinuation",
                  "\xE4\xB8"
                  "A\xC3(",
                  u"\xDCE4\xDCB8"
                  u"A\xDCC3("},
        CodecCase{"GbkBytes", "\xD6\xD0\xCE\xC4", u"\xDCD6\xDCD0\xDCCE\xDCC4"},
        CodecCase{"CutTwoByteAtEnd", "a\xC3", u"a\xDCC3"},
        CodecCase{"CutThreeByteAtEnd", "\xE4\xB8", u"\xDCE4\xDCB8"},
        CodecCase{"CutFourByteAtEnd", "\xF0\x9F\x98", u"\xDCF0\xDC9F\xDC98"},
        CodecCase{"CutBeforeZeroByte", std::string("\xE4\xB8\0\xAD", 4), u"\xDCE4\xDCB8"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8ToUtf16, CapacityBelowTwoWritesNothing) {
    const unsigned char bytes[] = {'a', 'b'};
    for (std::size_t capacity : {0u, 1u}) {
        char16_t units[2] = {u'x', u'x'};
        EXPECT_EQ(Utf8ToUtf16(units, capacity, bytes, 2), 0u);
        EXPECT_EQ(units[0], u'x');
    }
}

TEST(Utf8ToUtf16, WritesAtMostHalfTheCapacityInUnitsAndNeverSplitsAPair) {
    const std::string text =
        "ab\xF0\x9F\x98\x80"
        "c";
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    struct Limit {
        std::size_t capacity;
        std::u16string units;
    };
    for (const Limit& limit :
         {Limit{2, u"a"}, Limit{5, u"ab"}, Limit{6, u"ab"}, Limit{8, u"ab\xD83D\xDE00"},
          Limit{100,
                u"ab\xD83D\xDE00"
                u"c"}}) {
        std::u16string units(limit.capacity / 2 + 1, u'x');
        const std::size_t n = Utf8ToUtf16(units.data(), limit.capacity, bytes, text.size());
        EXPECT_EQ(units.substr(0, n), limit.units) << "capacity " << limit.capacity;
        EXPECT_EQ(units[n], u'\0');
    }
}

TEST(Utf8ToUtf16, ReadsNoFurtherThanLength) {
    const unsigned char bytes[] = {'a', 0xE4, 0xB8, 0xAD};
    char16_t units[8];
    ASSERT_EQ(Utf8ToUtf16(units, 16, bytes, 3), 3u);
    EXPECT_EQ(std::u16string(units, 3), u"a\xDCE4\xDCB8");
}

TEST(Utf16ToUtf8, KeepsOneByteForTheZeroAndStopsBeforeAUnitThatDoesNotFit) {
    struct Limit {
        std::size_t capacity;
        std::size_t units;
        std::string bytes;
    };
    const std::u16string text = u"a中\xD83D\xDE00";
    for (const Limit& limit :
         {Limit{1, 0, ""}, Limit{2, 1, "a"}, Limit{4, 1, "a"}, Limit{5, 2, "a中"},
          Limit{8, 2, "a中"}, Limit{9, 4, "a中\xF0\x9F\x98\x80"}}) {
        std::string bytes(limit.capacity, '\xAA');
        const std::size_t k = Utf16ToUtf8(reinterpret_cast<unsigned char*>(bytes.data()),
                                          limit.capacity, text.c_str());
        EXPECT_EQ(k, limit.units) << "capacity " << limit.capacity;
        EXPECT_EQ(bytes.substr(0, bytes.find('\0')), limit.bytes) << "capacity " << limit.capacity;
    }
    unsigned char untouched = 0xAA;
    EXPECT_EQ(Utf16ToUtf8(&untouched, 0, text.c_str()), 0u);
    EXPECT_EQ(untouched, 0xAA);
}

TEST(Utf16ToUtf8, WritesLoneSurrogatesOutsideTheEscapeRangeAsThreeBytes) {
    EXPECT_EQ(Encode(u"\xD800"
                     u"a"),
              "\xED\xA0\x80"
              "a");
    EXPECT_EQ(Encode(u"\xDC7F\xDD00"), "\xED\xB1\xBF\xED\xB4\x80");
    EXPECT_EQ(Encode(u"\xDC80\xDCFF"), "\x80\xFF");
}

// Any bytes come back unchanged: random bytes mixed with pieces of well-formed and cut
// sequences, which is where a codec would be tempted to decode too much.
TEST(Utf8Codec, EncodingTheDecodingOfAnyBytesGivesThemBack) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> piece(0, 3);
    std::uniform_int_distribution<char32_t> codePoint(0x80, 0x10FFFF);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        const int pieces = static_cast<int>(random() % 24);
        for (int p = 0; p < pieces; ++p) {
            if (piece(random) == 0) {
                bytes += static_cast<char>(anyByte(random));
                continue;
            }
            const char32_t c = codePoint(random);
            std::u16string units;
            if (c >= 0x10000) {
                units = {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                         static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
            } else {
                units = {static_cast<char16_t>(c)};
            }
            std::string encoded = Encode(units);
            encoded.resize(encoded.size() - random() % 2);  // now and then cut
            bytes += encoded;
        }
        ASSERT_EQ(Encode(Decode(bytes)), Prefix(bytes)) << "round " << round;
    }
}

// Well-formed text decodes to the standard UTF-16 form of its code points.
TEST(Utf8Codec, DecodesWellFormedTextToItsCodePoints) {
    std::mt19937 random(7);
    std::uniform_int_distribution<char32_t> codePoint(1, 0x10FFFF);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        std::u16string expected;
        for (int i = 0; i < 16; ++i) {
            char32_t c = codePoint(random);
            if (c >= 0xD800 && c <= 0xDFFF) {
                continue;
            }
            if (c < 0x80) {
                bytes += static_cast<char>(c);
            } else if (c < 0x800) {
                bytes += static_cast<char>(0xC0 | (c >> 6));
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                bytes += static_cast<char>(0xE0 | (c >> 12));
                bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                bytes += static_cast<char>(0xF0 | (c >> 18));
                bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                bytes += static_cast<char>(0x80 | (c & 0x3F));
            }
            if (c >= 0x10000) {
                expected += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                expected += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                expected += static_cast<char16_t>(c);
            }
        }
        ASSERT_EQ(Decode(bytes), expected) << "round " << round;
    }
}

struct WellFormednessCase {
    const char* name;
    std::string bytes;
    int expected;
};

class IsUtf8TextCases : public testing::TestWithParam<WellFormednessCase> {};

TEST_P(IsUtf8TextCases, MatchesTheLenientTest) {
    const WellFormednessCase& c = GetParam();
    std::vector<unsigned char> exact(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(IsUtf8Text(exact.data(), exact.size()), c.expected);
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsUtf8TextCases,
    testing::Values(
        WellFormednessCase{"Empty", "", 1}, WellFormednessCase{"Ascii", "plain text\n", 1},
        WellFormednessCase{"ZeroBytesCount", std::string("a\0b", 3), 1},
        WellFormednessCase{"Ideographs", "简体中文", 1},
        WellFormednessCase{"Gbk", "\xD6\xD0\xCE\xC4", 0},
        WellFormednessCase{"Utf16WithByteOrderMark", std::string("\xFF\xFE-N\x87\x65", 6), 0},
        WellFormednessCase{"StrayContinuation", "a\x80", 0},
        WellFormednessCase{"AsciiInsideSequence",
                           "\xE4\xB8"
                           "a",
                           0},
        WellFormednessCase{"CutAtEnd", "\xE4\xB8", 0},
        WellFormednessCase{"OverlongAccepted", "\xC0\x80", 1},
        WellFormednessCase{"EncodedSurrogateAccepted", "\xED\xA0\x80", 1},
        WellFormednessCase{"FiveByteLeadAccepted", "\xF8\x88\x80\x80\x80", 1},
        WellFormednessCase{"LeadFFExpectsSevenBytes", "\xFF\x80\x80\x80\x80\x80\x80\x80", 1},
        WellFormednessCase{"ThreeHundredSequencesAreAllTested", Repeat("中", 300) + "\x80", 0},
        WellFormednessCase{"AcceptsAtTheThreeHundredFirstSequence", Repeat("中", 301) + "\x80", 1},
        WellFormednessCase{"EarlyAcceptSkipsACutEnd", Repeat("é", 301) + "\xE4", 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
