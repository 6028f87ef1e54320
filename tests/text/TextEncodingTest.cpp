#include "text/unicode/TextEncoding.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;
using text::DeclarationSyntax;
using text::Reading;

// The bytes of text in UTF-16 of the byte order given, without a byte-order mark.
std::string Utf16(std::u16string_view text, bool littleEndian) {
    std::string bytes;
    for (char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

const std::string kGbSimplified = "\xBC\xF2\xCC\xE5";  // 简体 in GBK
const DeclarationSyntax kMarkup = DeclarationSyntax::Markup;
const DeclarationSyntax kCss = DeclarationSyntax::Stylesheet;

struct EncodingCase {
    const char* name;
    DeclarationSyntax syntax;
    std::string bytes;
    Reading reading;
    std::string text;  // Decoded: the UTF-8 text; otherwise the declared name
};

TEST(TextEncoding, DecodesWhatAgreesWithItsDeclarationAndLeavesTheRest) {
    const EncodingCase cases[] = {
        {"UTF-16LE with its mark", kMarkup,
         "\xFF\xFE" + Utf16(u"<?xml version='1.0' encoding='utf-16'?><p>简体</p>", true),
         Reading::Decoded, "<?xml version='1.0' encoding='UTF-8'?><p>简体</p>"},
        {"UTF-16BE with its mark", kCss, "\xFE\xFF" + Utf16(u"@charset \"UTF-16\";p{}", false),
         Reading::Decoded, "@charset \"UTF-8\";p{}"},
        {"UTF-16LE mark before an at sign", kCss, "\xFF\xFE" + Utf16(u"@import 'a.css';简", true),
         Reading::Decoded, "@import 'a.css';简"},
        {"UTF-16BE declaration without a mark", kMarkup,
         Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><p>简</p>", false), Reading::Decoded,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p>简</p>"},
        {"GBK in the XML declaration", kMarkup,
         "<?xml version=\"1.0\" encoding=\"GBK\" ?>\n<p>" + kGbSimplified + "</p>",
         Reading::Decoded, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<p>简体</p>"},
        {"GB2312 in meta charset", kMarkup,
         "<html><head><META Charset=gb2312 /></head><p>" + kGbSimplified + "<meta charset='x'>",
         Reading::Decoded,
         "<html><head><META Charset=UTF-8 /></head><p>简体<meta charset='UTF-8'>"},
        {"GB18030 in http-equiv", kMarkup,
         "<?xml version=\"1.0\"?><metadata/><meta http-equiv=\"Content-Type\" "
         "content=\"text/html; charset=GB18030\"/>" +
             kGbSimplified,
         Reading::Decoded,
         "<?xml version=\"1.0\"?><metadata/><meta http-equiv=\"Content-Type\" "
         "content=\"text/html; charset=UTF-8\"/>简体"},
        {"GBK in @charset", kCss, "@charset \"gbk\";\nb{font-family:\"" + kGbSimplified + "\"}",
         Reading::Decoded, "@charset \"UTF-8\";\nb{font-family:\"简体\"}"},
        {"declared GBK, not GBK", kMarkup, "<?xml encoding=\"gbk\"?><p>\x80\xFF</p>",
         Reading::Mismatch, "gbk"},
        {"UTF-16 declaring UTF-8", kMarkup,
         "\xFF\xFE" + Utf16(u"<?xml version='1.0' encoding='utf-8'?>", true), Reading::Mismatch,
         "utf-8"},
        {"a mark and no UTF-16", kMarkup, "\xFF\xFE<\0\0\xD8"s, Reading::Mismatch, ""},
        {"8-bit bytes declaring UTF-16", kMarkup, "<?xml encoding='UTF-16'?><p/>",
         Reading::Mismatch, "UTF-16"},
        {"declared GBK, well-formed UTF-8", kMarkup, "<meta charset=\"gbk\">简体",
         Reading::Utf8DespiteDeclaration, "gbk"},
        {"UTF-8 mark wins", kMarkup, "\xEF\xBB\xBF<meta charset='gbk'>" + kGbSimplified,
         Reading::AsItIs, ""},
        {"meta beyond the first KiB", kMarkup,
         std::string(1024, ' ') + "<meta charset=gbk>" + kGbSimplified, Reading::AsItIs, ""},
        {"a binary signature", kMarkup, "GIF89a<meta charset=gbk>" + kGbSimplified, Reading::AsItIs,
         ""},
        {"another encoding", kCss, "@charset \"big5\";\xA4\xA4", Reading::AsItIs, ""},
    };
    for (const EncodingCase& c : cases) {
        const text::Utf8Reading read = text::ReadAsUtf8(c.bytes, c.syntax);
        EXPECT_EQ(read.reading, c.reading) << c.name;
        EXPECT_EQ(c.reading == Reading::Decoded ? read.text : read.declared, c.text) << c.name;
    }
}

}  // namespace
