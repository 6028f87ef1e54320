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

}  // namespace
