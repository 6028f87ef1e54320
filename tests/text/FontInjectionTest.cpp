#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/TempFolder.hpp"
#include "tests/text/FileSizeLimit.hpp"
#include "text/FontInjection.hpp"

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

const std::string kFontFaceRule(text::FontFaceRule);
const std::string kWithBody(text::FontFaceWithBodyRule);
const std::string kExtra(text::ExtraFontSources);
const std::string kBodyLine(text::BodyFontLine);

std::string SizeLine(std::size_t size) {
    char line[64];
    std::snprintf(line, sizeof line, "hFile size: %10d\n", static_cast<int>(size));
    return line;
}

struct Outcome {
    int result = -1;
    std::string output;
    std::string content;
};

Outcome Inject(const std::string& content, int calls = 1) {
    TempFolder folder;
    const std::string path = folder / "style.css";
    WriteFileBytes(path, content);
    Outcome outcome;
    testing::internal::CaptureStdout();
    for (int call = 0; call < calls; ++call) {
        outcome.result = InjectFontStylesheet(path);
    }
    outcome.output = testing::internal::GetCapturedStdout();
    outcome.content = ReadFileBytes(path);
    return outcome;
}

TEST(FontTemplates, HaveTheirExactBytes) {
    EXPECT_EQ(text::FontSourceList.size(), 456u);
    EXPECT_EQ(text::FontFaceRule.size(), 495u);
    EXPECT_EQ(text::FontFaceWithBodyRule.size(), 530u);
    EXPECT_EQ(text::ExtraFontSources.size(), 457u);
    EXPECT_EQ(text::BodyFontLine.size(), 27u);
    EXPECT_EQ(
        kFontFaceRule,
        "@font-face {\nfont-family:\"zw\";\nsrc:url(res:///opt/sony/ebook/FONT/zw.ttf),\n\turl("
        "res:///Data/FONT/zw.ttf),\n\turl(res:///opt/sony/ebook/FONT/tt0011m_.ttf),\n\turl(res:///"
        "fonts/ttf/zw.ttf),\n\turl(res:///../../media/mmcblk0p1/fonts/zw.ttf),\n\turl(res:///"
        "DK_System/system/font/zw.ttf),\n\turl(res:///abook/fonts/zw.ttf),\n\turl(res:///system/"
        "fonts/zw.ttf),\n\turl(res:///system/media/sdcard/fonts/zw.ttf),\n\turl(res:///sdcard/"
        "fonts/zw.ttf),\n\turl(res:///system/fonts/DroidSansFallback.ttf),\n\turl(fonts/"
        "zw.ttf);\n}\n");
    EXPECT_EQ(kExtra,
              ",url(res:///opt/sony/ebook/FONT/zw.ttf),\n\turl(res:///Data/FONT/zw.ttf),\n\turl("
              "res:///opt/sony/ebook/FONT/tt0011m_.ttf),\n\turl(res:///fonts/ttf/zw.ttf),\n\turl("
              "res:///../../media/mmcblk0p1/fonts/zw.ttf),\n\turl(res:///DK_System/system/font/"
              "zw.ttf),\n\turl(res:///abook/fonts/zw.ttf),\n\turl(res:///system/fonts/"
              "zw.ttf),\n\turl(res:///system/media/sdcard/fonts/zw.ttf),\n\turl(res:///sdcard/"
              "fonts/zw.ttf),\n\turl(res:///system/fonts/DroidSansFallback.ttf),\n\turl(fonts/"
              "zw.ttf)");
    EXPECT_EQ(kWithBody, kFontFaceRule + "body { font-family: 'zw', serif; }\n");
    EXPECT_EQ(kBodyLine, "\n font-family: 'zw', serif;");
}

struct InjectionCase {
    const char* name;
    std::string before;
    std::string after;
};

class Injection : public testing::TestWithParam<InjectionCase> {};

TEST_P(Injection, RewritesTheStylesheetAsExpected) {
    const InjectionCase& c = GetParam();
    const Outcome outcome = Inject(c.before);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.output, SizeLine(c.before.size()));
    EXPECT_EQ(outcome.content, c.after);
}

std::string InsertSources(const std::string& before, std::size_t semicolon) {
    return before.substr(0, semicolon) + kExtra + before.substr(semicolon);
}

const std::string kDataUrlRule = "@font-face{src:url(data:font/ttf;base64,AA) format(\"ttf\");}";

INSTANTIATE_TEST_SUITE_P(
    FontRuleCases, Injection,
    testing::Values(
        InjectionCase{"WorkedExample", "@font-face{src:url(a.ttf);}",
                      "@font-face{src:url(a.ttf)" + kExtra + ";}"},
        InjectionCase{"FirstRuleOnly", "@font-face{src:a;}@font-face{src:b;}",
                      "@font-face{src:a" + kExtra + ";}@font-face{src:b;}"},
        InjectionCase{"SemicolonInsideDataUrl", kDataUrlRule,
                      InsertSources(kDataUrlRule, kDataUrlRule.find(";base64"))},
        InjectionCase{"NoClosingBrace", "@font-face{src:url(a.ttf);", "@font-face{src:url(a.ttf);"},
        InjectionCase{"FirstRuleWithoutSrc", "@font-face{font-family:a;}\n@font-face{src:b;}",
                      "@font-face{font-family:a;}\n@font-face{src:b;}"},
        InjectionCase{"SrcWithoutSemicolon", "@font-face{font-family:a;src:url(a)}\np{x:y;}",
                      "@font-face{font-family:a;src:url(a)}\np{x:y;}"},
        InjectionCase{"SpaceBeforeColon", "@font-face{src :url(a);}", "@font-face{src :url(a);}"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BodyCases, Injection,
    testing::Values(InjectionCase{"WorkedExample", "body{margin:0}",
                                  kFontFaceRule + "body{" + kBodyLine + "margin:0}"},
                    InjectionCase{"AfterTab", "p{}\tbody {x}",
                                  kFontFaceRule + "p{}\tbody {" + kBodyLine + "x}"},
                    InjectionCase{"AfterCarriageReturn", "p{}\r\nbody{x}",
                                  kFontFaceRule + "p{}\r\nbody{" + kBodyLine + "x}"},
                    InjectionCase{"AfterVerticalTabAndFormFeed",
                                  "\x0B\x0C"
                                  "body{x}",
                                  kFontFaceRule +
                                      "\x0B\x0C"
                                      "body{" +
                                      kBodyLine + "x}"},
                    InjectionCase{"WordStartingWithBody", "h1{x:y}\nbodytext{color:red}",
                                  kFontFaceRule + "h1{x:y}\nbodytext{" + kBodyLine + "color:red}"},
                    InjectionCase{"BodyInAComment", "/* body */\np{x:y}",
                                  kFontFaceRule + "/* body */\np{" + kBodyLine + "x:y}"},
                    InjectionCase{"ZeroByteAfterTheBrace", std::string("body{a}\0z", 9),
                                  kFontFaceRule + "body{" + kBodyLine + std::string("a}\0z", 4)}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    NoUsableBodyCases, Injection,
    testing::Values(InjectionCase{"WorkedExample", "p{margin:0em}", kWithBody + "p{margin:0em}"},
                    InjectionCase{"Empty", "", kWithBody},
                    InjectionCase{"ShortText", "bod", kWithBody + "bod"},
                    InjectionCase{"Tbody", "table tbody{x:y}\nbody{a:b}",
                                  kWithBody + "table tbody{x:y}\nbody{a:b}"},
                    InjectionCase{"ClassBody", ".body{x} body{y}", kWithBody + ".body{x} body{y}"},
                    InjectionCase{"ListedBody", "div,body{x}", kWithBody + "div,body{x}"},
                    InjectionCase{"NonBreakingSpaceBefore",
                                  "p{}\xC2\xA0"
                                  "body{x}",
                                  kWithBody + "p{}\xC2\xA0"
                                              "body{x}"},
                    InjectionCase{"OtherLetterCase", "@FONT-FACE{src:a;}\nBODY{x} Body{y}",
                                  kWithBody + "@FONT-FACE{src:a;}\nBODY{x} Body{y}"},
                    InjectionCase{"BodyAfterZeroByte", std::string("p{x}\0 body{y}", 13),
                                  kWithBody + std::string("p{x}\0 body{y}", 13)},
                    InjectionCase{"Utf16Stylesheet",
                                  std::string("\xFF\xFE"
                                              "b\0o\0d\0y\0{\0}\0",
                                              14),
                                  kWithBody + std::string("\xFF\xFE"
                                                          "b\0o\0d\0y\0{\0}\0",
                                                          14)},
                    // A usable "body" with no "{" after it: the rule and a body rule go in front.
                    InjectionCase{"UsableBodyWithoutBrace", "p{x:y}\n/* body */",
                                  kWithBody + "p{x:y}\n/* body */"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InjectFontStylesheet, WorkedExamplesHaveTheirLengths) {
    EXPECT_EQ(Inject("@font-face{src:url(a.ttf);}").content.size(), 484u);
    EXPECT_EQ(Inject("body{margin:0}").content.size(), 536u);
    EXPECT_EQ(Inject("p{margin:0em}").content.size(), 543u);
}

TEST(InjectFontStylesheet, ASecondCallAddsTheSourcesToTheRuleOfTheFirst) {
    const Outcome outcome = Inject("p{margin:0em}", 2);
    const std::size_t semicolon = kFontFaceRule.rfind(';');
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.content, InsertSources(kWithBody + "p{margin:0em}", semicolon));
    EXPECT_EQ(outcome.output, SizeLine(13) + SizeLine(543));
}

TEST(InjectFontStylesheet, ReportsAFileThatCannotBeOpened) {
    TempFolder folder;
    for (const std::string& path : {folder / "missing.css", folder.path()}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(InjectFontStylesheet(path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Terminal failure: unable to open file \"" + path + "\" .\n");
    }
}

TEST(InjectFontStylesheet, ReportsAFailedWriteAsAFailure) {
    TempFolder folder;
    const std::string path = folder / "style.css";
    WriteFileBytes(path, "p{margin:0em}");
    int result = -1;
    testing::internal::CaptureStdout();
    {
        const text_testing::FileSizeLimit limit(200);
        result = InjectFontStylesheet(path);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              SizeLine(13) + "Terminal failure: Unable to write to file.\n");
}

}  // namespace
