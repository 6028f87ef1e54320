#include "text/unicode/BinarySignature.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct SignatureCase {
    std::string head;
    const char* format;  // nullptr: not binary
};

// The first bytes of real files of the kinds told by more than fixed bytes, and texts that start
// like one of them.
TEST(BinarySignature, NamesEachFormatByItsFirstBytesAndNoText) {
    const SignatureCase cases[] = {
        {"\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, "PNG"},
        {"\xFF\xD8\xFF\xE0\0\x10JFIF"s, "JPEG"},
        {"GIF89a\x01\0\x01\0\x80\0\0"s, "GIF"},
        {"RIFF\x24\0\0\0WEBPVP8 "s, "WebP"},
        {"BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0"s, "BMP"},
        {"\0\0\x01\0\x01\0\x10\x10"s, "ICO"},
        {"\0\x01\0\0\0\x0F\0\x80"s, "TrueType"},
        {"wOF2OTTO"s, "WOFF2"},
        {"ID3\x04\0\0\0\0\x0F\x76"s, "MP3"},
        {"\xFF\xFB\x90\x64"s, "MP3"},
        {"\0\0\0\x20"
         "ftypisom"s,
         "MP4"},
        {"%PDF-1.7\n"s, "PDF"},
        {"PK\x03\x04\x14\0\0\0"s, "ZIP"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>"s, nullptr},
        {"BMW and BMX bikes"s, nullptr},
        {"BM\0\0\0\0\0\0\0\0\0\0\0\0\x07\0\0\0"s, nullptr},
        {"true story"s, nullptr},
        {"OggS is a word"s, nullptr},
        {"RIFF riffs WAVE"s, nullptr},
        {"ID3 tags"s, nullptr},
        {"My ftyp"s, nullptr},
        {"\xEF\xBB\xBF简体"s, nullptr},
        {"\xFF\xFB\xF0\x64"s, nullptr},  // a bit rate no frame has
        {"\0\0\x01\0\0\0"s, nullptr},    // an icon of no image
        {"PK"s, nullptr},
        {""s, nullptr},
    };
    for (const auto& [head, format] : cases) {
        const std::optional<std::string_view> found = text::BinaryFormatOf(head);
        EXPECT_EQ(found.value_or("text"), format ? format : "text") << head;
        EXPECT_EQ(text::HasBinarySignature(head), format != nullptr) << head;
    }
}

struct TextCase {
    const char* name;
    std::string bytes;
    bool taken;
};

// Which files a book converts: the signature first, then the marker or the lenient test.
TEST(IsTakenForUtf8Text, TakesMarkedOrLenientlyWellFormedBytesWithoutASignature) {
    std::string chinese, accented;
    for (int i = 0; i < 300; ++i) {
        chinese += "中";
        accented += "é";
    }
    const TextCase cases[] = {
        {"empty", "", true},
        {"zero byte", "a\0b"s, true},
        {"chinese", "简体中文", true},
        {"gbk", "\xD6\xD0\xCE\xC4", false},
        {"utf-16", "\xFF\xFE-N\x87\x65"s, false},
        {"stray continuation", "a\x80", false},
        {"cut sequence", "\xE4\xB8z", false},
        {"cut at the end", "\xE4\xB8", false},
        {"overlong and surrogate pass", "\xC0\x80\xED\xA0\x80", true},
        {"any lead byte passes", "\xFF\x80\x80\x80\x80\x80\x80\x80", true},
        {"300 sequences, then a stray byte", chinese + "\x80", false},
        {"accepted at the 301st sequence", accented + "é\xE4", true},
        {"marker admits ill-formed", "utf-8简\xD6\xD0\x80\xC0", true},
        {"upper-case marker", "charset=UTF-8 \xFE", true},
        {"marker in other case", "encoding=\"Utf-8\" \xD6\xD0", false},
        {"marker after zero byte", "\xD6\xD0\0utf-8"s, false},
        {"image with a marker", "GIF89a\x01\0\x01\0\x80\0\0!\xFE charset=utf-8 简"s, false},
        {"font with a marker", "wOFFOTTO utf-8 简", false},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(text::IsTakenForUtf8Text(c.bytes), c.taken) << c.name;
    }
}

}  // namespace
