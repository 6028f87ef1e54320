#include <gtest/gtest.h>

#include <cstdio>
#include <span>
#include <string>

#include "tests/support/TempFolder.hpp"
#include "tests/text/FileSizeLimit.hpp"
#include "text/ScriptConversion.hpp"
#include "text/ScriptMapping.hpp"

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

std::string SizeLine(std::size_t size) {
    char line[64];
    std::snprintf(line, sizeof line, "hFile size: %10d\n", static_cast<int>(size));
    return line;
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

struct Outcome {
    int result = -1;
    std::string output;   // what was printed on standard output
    std::string content;  // the file afterwards
};

// Writes content to a fresh file, converts it and reads it back.
Outcome ConvertContent(const std::string& content,
                       const text::ScriptMapping& mapping = text::SimplifiedToTraditional()) {
    TempFolder folder;
    const std::string path = folder / "chapter.xhtml";
    WriteFileBytes(path, content);
    Outcome outcome;
    testing::internal::CaptureStdout();
    outcome.result = ConvertTextFile(path, mapping);
    outcome.output = testing::internal::GetCapturedStdout();
    outcome.content = ReadFileBytes(path);
    return outcome;
}

// Maps one unit to another and leaves the rest, to make the text shorter or longer.
class OneUnitMapping final : public text::ScriptMapping {
  public:
    OneUnitMapping(char16_t from, char16_t to) : from_(from), to_(to) {}

  private:
    int MapUnits(std::span<const char16_t> source, std::span<char16_t> destination,
                 int&) const override {
        for (std::size_t i = 0; i < source.size(); ++i) {
            destination[i] = source[i] == from_ ? to_ : source[i];
        }
        return 1;
    }
    char16_t from_;
    char16_t to_;
};

class RefusingMapping final : public text::ScriptMapping {
    int MapUnits(std::span<const char16_t>, std::span<char16_t>, int& errorNumber) const override {
        errorNumber = 1234;
        return 0;
    }
};

struct ConversionCase {
    const char* name;
    std::string before;
    std::string after;
};

class ConvertedFiles : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConvertedFiles, AreRewrittenWithTraditionalCharactersAndEveryOtherByteKept) {
    const ConversionCase& c = GetParam();
    const Outcome outcome = ConvertContent(c.before);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.output, SizeLine(c.before.size()));
    EXPECT_EQ(outcome.content, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertedFiles,
    testing::Values(
        ConversionCase{"SimplifiedMarkup", "<p>简体中文，头发。</p>\n",
                       "<p>簡體中文，頭發。</p>\n"},
        ConversionCase{"AsciiOnly", "<html><body>plain</body></html>\r\n",
                       "<html><body>plain</body></html>\r\n"},
        ConversionCase{"ByteOrderMarkKept", "\xEF\xBB\xBF简体", "\xEF\xBB\xBF簡體"},
        // Admitted by its marker, ill-formed bytes and all; those bytes must come back as they
        // were.
        ConversionCase{
            "MarkerAdmitsIllFormedBytes",
            "<?xml encoding=\"utf-8\"?>简\xD6\xD0\x80\xFF\xC0\xAF\xED\xA0\x80\xE4\xB8体",
            "<?xml encoding=\"utf-8\"?>簡\xD6\xD0\x80\xFF\xC0\xAF\xED\xA0\x80\xE4\xB8體"},
        ConversionCase{"UpperCaseMarker", "charset=UTF-8 \xFE头", "charset=UTF-8 \xFE頭"},
        ConversionCase{"EarlyAcceptThenIllFormedBytes", Repeat("头", 301) + "\xC0\xAF\x80发",
                       Repeat("頭", 301) + "\xC0\xAF\x80發"},
        // Characters outside the Basic Multilingual Plane do not end the conversion.
        ConversionCase{"SupplementaryCharacters", "简\xF0\x9F\x98\x80体\xF0\xA0\x80\x80发",
                       "簡\xF0\x9F\x98\x80體\xF0\xA0\x80\x80發"},
        // The part from the first zero byte on is not text: it stays exactly as it was.
        ConversionCase{"ZeroByteEndsTheText", std::string("utf-8 简体\0简体\xFF", 20),
                       std::string("utf-8 簡體\0简体\xFF", 20)}),
    [](const auto& info) { return std::string(info.param.name); });

struct UntouchedCase {
    const char* name;
    std::string bytes;
};

class UntouchedFiles : public testing::TestWithParam<UntouchedCase> {};

TEST_P(UntouchedFiles, AreNotTakenForUtf8TextAndStayByteForByte) {
    const UntouchedCase& c = GetParam();
    const Outcome outcome = ConvertContent(c.bytes);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.output, SizeLine(c.bytes.size()));
    EXPECT_EQ(outcome.content, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UntouchedFiles,
    testing::Values(
        UntouchedCase{"Gbk", "<p>\xD6\xD0\xCE\xC4\xBC\xF2\xCC\xE5</p>"},
        UntouchedCase{"Utf16WithByteOrderMark", std::string("\xFF\xFE\x80\x7B\x53\x4F\x2D\x4E", 8)},
        UntouchedCase{"PngHeader", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 20)},
        UntouchedCase{"JpegHeader", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01", 13)},
        UntouchedCase{"MarkerInOtherCase", "encoding=\"Utf-8\" \xD6\xD0"},
        UntouchedCase{"MarkerAfterZeroByte", std::string("\xD6\xD0\0utf-8", 9)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertTextFile, RefusesAnEmptyTextAndLeavesTheFileAsItWas) {
    for (const std::string& content : {std::string(), std::string("\0简体", 7)}) {
        const Outcome outcome = ConvertContent(content);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.output, SizeLine(content.size()) + "LCMapString failed with Error# = 87");
        EXPECT_EQ(outcome.content, content);
    }
}

TEST(ConvertTextFile, ReportsARefusingMappingWithItsNumber) {
    const Outcome refused = ConvertContent("简体", RefusingMapping());
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.output, SizeLine(6) + "LCMapString failed with Error# = 1234");
    EXPECT_EQ(refused.content, "简体");

    const Outcome noDictionary =
        ConvertContent("简体", text::CharacterTableMapping("/nonexistent/STCharacters.ocd2"));
    EXPECT_EQ(noDictionary.result, 0);
    EXPECT_EQ(noDictionary.output, SizeLine(6) + "LCMapString failed with Error# = 2");
    EXPECT_EQ(noDictionary.content, "简体");
}

TEST(ConvertTextFile, RefusesAMappingThatProducesAZeroUnitRatherThanLoseText) {
    const Outcome outcome = ConvertContent("a中b", OneUnitMapping(u'中', u'\0'));
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.output, SizeLine(5) + "LCMapString failed with Error# = 13");
    EXPECT_EQ(outcome.content, "a中b");
}

// The file is whole afterwards whether the text got shorter or longer.
TEST(ConvertTextFile, CutsAShorterTextAndKeepsWhatFollowsTheZeroByte) {
    const std::string tail("\0tail\xFF", 6);
    const Outcome shorter = ConvertContent("utf-8 中x中" + tail, OneUnitMapping(u'中', u'é'));
    EXPECT_EQ(shorter.result, 1);
    EXPECT_EQ(shorter.content, "utf-8 éxé" + tail);

    const Outcome longer = ConvertContent("utf-8 éxé" + tail, OneUnitMapping(u'é', u'中'));
    EXPECT_EQ(longer.result, 1);
    EXPECT_EQ(longer.content, "utf-8 中x中" + tail);
}

TEST(ConvertTextFile, ReportsAFileThatCannotBeOpened) {
    TempFolder folder;
    for (const std::string& path : {folder / "missing.xhtml", folder.path()}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(ConvertTextFile(path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Terminal failure: unable to open file \"" + path + "\" .\n");
    }
}

TEST(ConvertTextFile, ReportsAFailedWriteAsAFailure) {
    TempFolder folder;
    const std::string path = folder / "chapter.xhtml";
    const std::string content = Repeat("简体", 100);
    WriteFileBytes(path, content);
    int result = -1;
    testing::internal::CaptureStdout();
    {
        const text_testing::FileSizeLimit limit(200);
        result = ConvertTextFile(path);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              SizeLine(content.size()) + "Terminal failure: Unable to write to file.\n");
}

}  // namespace
