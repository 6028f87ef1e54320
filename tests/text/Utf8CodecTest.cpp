#include "text/unicode/Utf8Codec.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::string_literals;

// Decodes into at most maxUnits units, reading from a heap block of exactly the bytes' size so
// that a read past it shows under AddressSanitizer.
std::u16string Decode(const std::string& bytes, std::size_t maxUnits = 99) {
    const std::vector<unsigned char> exact(bytes.begin(), bytes.end());
    std::u16string units(maxUnits, u'x');
    const text::DecodeResult decoded =
        text::DecodeUtf8(units.data(), maxUnits, exact.data(), exact.size());
    units.resize(decoded.units);
    return units;
}

// Encodes into capacity bytes (room for all when 0), expecting used units to be encoded.
std::string Encode(const std::u16string& units, std::size_t capacity = 0, std::size_t used = 0) {
    std::string bytes(capacity == 0 ? 3 * units.size() + 1 : capacity, '\xAA');
    const text::EncodeResult encoded = text::EncodeUtf8(
        reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), units.c_str());
    EXPECT_EQ(encoded.units, capacity == 0 ? units.size() : used);
    EXPECT_EQ(bytes[encoded.bytes], '\0');
    return bytes.substr(0, encoded.bytes);
}

std::string BeforeZero(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

struct CodecCase {
    const char* name;
    std::string bytes;
    std::u16string units;  // bytes that start no well-formed sequence come out as U+DC00 + byte
};

TEST(Utf8CodecTest, DecodesAsExpectedAndEncodesBackToTheSameBytes) {
    const CodecCase cases[] = {
        {"each length's bounds",
         "~\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
         u"~\x7F\x0080\x07FF\x0800\xD7FF\xE000\xFFFF"},
        {"byte order mark", "\xEF\xBB\xBF简体中文", u"\xFEFF简体中文"},
        {"supplementary", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
         u"\xD800\xDC00\xD83D\xDE00\xDBFF\xDFFF"},
        {"zero byte ends", "ab\0\xE4\xB8\xAD"s, u"ab"},
        {"stray and overlong", "\x80z\xBF\xC0\x80\xC1\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF",
         u"\xDC80z\xDCBF\xDCC0\xDC80\xDCC1\xDCBF\xDCE0\xDC9F\xDCBF\xDCF0\xDC8F\xDCBF\xDCBF"},
        {"surrogates and above U+10FFFF", "\xED\xA0\x80\xED\xB2\x80\xF4\x90\x80\x80\xF5\xFE\xFF",
         u"\xDCED\xDCA0\xDC80\xDCED\xDCB2\xDC80\xDCF4\xDC90\xDC80\xDC80\xDCF5\xDCFE\xDCFF"},
        {"cut sequences", "\xE4\xB8z\xC3(\xE4z\xAD", u"\xDCE4\xDCB8z\xDCC3(\xDCE4z\xDCAD"},
        {"cut at the end", "a\xC3", u"a\xDCC3"},
        {"cut ideograph", "\xE4\xB8", u"\xDCE4\xDCB8"},
        {"cut pair", "\xF0\x9F\x98", u"\xDCF0\xDC9F\xDC98"},
        {"cut by a zero byte", "\xE4\xB8\0\xAD"s, u"\xDCE4\xDCB8"},
    };
    for (const CodecCase& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.units) << c.name;
        EXPECT_EQ(Encode(c.units), BeforeZero(c.bytes)) << c.name;
    }
}

TEST(Utf8CodecTest, DecodesAtMostTheUnitsAskedAndNeverSplitsAPair) {
    const std::string text = "ab\xF0\x9F\x98\x80z";
    EXPECT_EQ(Decode(text, 0) + Decode(text, 1) + Decode(text, 2) + Decode(text, 3), u"aabab");
    EXPECT_EQ(Decode(text, 4), u"ab\xD83D\xDE00");
    EXPECT_EQ(Decode(text), u"ab\xD83D\xDE00z");
}

TEST(Utf8CodecTest, EncodingKeepsOneByteForTheZeroAndStopsBeforeAUnitThatDoesNotFit) {
    const std::u16string text = u"a中\xD83D\xDE00";
    EXPECT_EQ(Encode(text, 1, 0) + Encode(text, 2, 1) + Encode(text, 4, 1), "aa");
    EXPECT_EQ(Encode(text, 5, 2) + Encode(text, 8, 2), "a中a中");
    EXPECT_EQ(Encode(text, 9, 4), "a中\xF0\x9F\x98\x80");
    EXPECT_EQ(Encode(std::u16string(70, u'a') + u"\x80", 66, 65), std::string(65, 'a'));
    unsigned char untouched = 0xAA;
    EXPECT_EQ(text::EncodeUtf8(&untouched, 0, text.c_str()).units + untouched, 0xAAu);
    // Lone surrogates outside the escape range are written as three bytes.
    EXPECT_EQ(Encode(u"\xD800z\xDC7F\xDD00\xDC80\xDCFF"),
              "\xED\xA0\x80z\xED\xB1\xBF\xED\xB4\x80\x80\xFF");
}

}  // namespace
