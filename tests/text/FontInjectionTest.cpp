#include "text/content/FontInjection.hpp"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

const std::string kRule(text::FontFaceRule), kWithBody(text::FontFaceWithBodyRule);
const std::string kExtra(text::ExtraFontSources), kLine(text::BodyFontLine);

TEST(FontInjectionTest, TheTextsItWritesAreBuiltFromTheOneSourceList) {
    const std::string sources(text::FontSourceList);
    EXPECT_EQ(kRule, "@font-face {\nfont-family:\"zw\";\nsrc:" + sources + ";\n}\n");
    EXPECT_EQ(kWithBody, kRule + "body { font-family: 'zw', serif; }\n");
    EXPECT_EQ(kExtra + kLine, "," + sources + "\n font-family: 'zw', serif;");
}

struct InjectionCase {
    const char* name;
    std::string before;
    std::optional<std::string> after;  // nullopt: nothing to add
};

std::string WithBothRules(const std::string& css) {
    return kWithBody + css;
}

TEST(FontInjectionTest, AddsTheFontsWhereEachCaseSays) {
    std::string twice = WithBothRules("p{margin:0em}");
    twice.insert(kRule.rfind(';'), kExtra);
    const InjectionCase cases[] = {
        // The first "@font-face" rule gets the sources before the first ";" after its "src:".
        {"font-face", "@font-face{src:url(a.ttf);}", "@font-face{src:url(a.ttf)" + kExtra + ";}"},
        {"first font-face only", "@font-face{src:a;}@font-face{src:b;}",
         "@font-face{src:a" + kExtra + ";}@font-face{src:b;}"},
        {"semicolon in url", "@font-face{src:url(data:x;b) f;}",
         "@font-face{src:url(data:x" + kExtra + ";b) f;}"},
        {"font-face never closed", "@font-face{src:url(a.ttf);", std::nullopt},
        {"first font-face without src", "@font-face{font-family:a;}\n@font-face{src:b;}",
         std::nullopt},
        {"src without semicolon", "@font-face{font-family:a;src:url(a)}\np{x:y;}", std::nullopt},
        {"second run", WithBothRules("p{margin:0em}"), twice},
        // Without one, a usable "body" (first, at the start or after whitespace) gets the family.
        {"body first", "body{margin:0}", kRule + "body{" + kLine + "margin:0}"},
        {"body after space", "p{} body {x}", kRule + "p{} body {" + kLine + "x}"},
        {"body after tab", "p{}\tbody {x}", kRule + "p{}\tbody {" + kLine + "x}"},
        {"body after line feed", "p{}\nbody {x}", kRule + "p{}\nbody {" + kLine + "x}"},
        {"body after vertical tab", "p{}\vbody {x}", kRule + "p{}\vbody {" + kLine + "x}"},
        {"body after form feed", "p{}\fbody {x}", kRule + "p{}\fbody {" + kLine + "x}"},
        {"body after return", "p{}\rbody {x}", kRule + "p{}\rbody {" + kLine + "x}"},
        {"body as a word's start", "h1{}\nbodytext{y}", kRule + "h1{}\nbodytext{" + kLine + "y}"},
        {"zero byte after body", "body{a}\0z"s, kRule + "body{" + kLine + "a}\0z"s},
        // Otherwise, and for a usable "body" without a "{" after it, both rules go in front.
        // Matching is case-sensitive and stops at a zero byte.
        {"no body", "p{margin:0em}", WithBothRules("p{margin:0em}")},
        {"empty", "", kWithBody},
        {"tbody first", "table tbody{x:y}\nbody{a:b}",
         WithBothRules("table tbody{x:y}\nbody{a:b}")},
        {"class first", ".body{x} body{y}", WithBothRules(".body{x} body{y}")},
        {"upper case", "@FONT-FACE{src:a;}\nBODY{x}", WithBothRules("@FONT-FACE{src:a;}\nBODY{x}")},
        {"body after zero byte", "p{x}\0 body{y}"s, WithBothRules("p{x}\0 body{y}"s)},
        {"body without brace", "p{x:y}\n/* body */", WithBothRules("p{x:y}\n/* body */")},
    };
    for (const InjectionCase& c : cases) {
        EXPECT_EQ(text::InjectFontStylesheet(c.before), c.after) << c.name;
    }
}

// Where a new rule goes: after a UTF-8 byte order mark and the leading statements CSS would drop
// behind another rule, each with the rest of its line; comments alone never move it.
TEST(FontInjectionTest, ANewRuleGoesAfterTheByteOrderMarkAndTheLeadingStatements) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string all = bom +
                            "@charset \"utf-8\";\r\n/* a; */ @import url(\"a;b.css\") /* ; */;"
                            "\t\r\n@NAMESPACE svg url(http://x/svg);\r\n";
    const std::string layered = "@layer a, b;\n@import url(a;b.css);\n@import 'a\\';b' layer(a);\n";
    const InjectionCase cases[] = {
        {"mark, body", bom + "body{x}", bom + kRule + "body{" + kLine + "x}"},
        {"mark, font-face", bom + "@font-face{src:a;}", bom + "@font-face{src:a" + kExtra + ";}"},
        {"charset", "@charset \"a\";\nbody{x}",
         "@charset \"a\";\n" + kRule + "body{" + kLine + "x}"},
        {"all three, comments, crlf", all + "p{}", all + kWithBody + "p{}"},
        {"layer, unquoted url, quote", layered + "p{}", layered + kWithBody + "p{}"},
        {"rest of line", "@import \"a.css\"; p{}", "@import \"a.css\";" + kWithBody + " p{}"},
        // A brace in a comment before the statements still gets the family, in its place.
        {"body in a leading comment", "/* body{ */@import \"a.css\";",
         "/* body{" + kLine + " */@import \"a.css\";" + kRule},
        // Anything else is no leading statement: the rule goes first, as without one.
        {"comment alone", "/* c */\np{}", kWithBody + "/* c */\np{}"},
        {"layer block", "@layer a { p{x:y;} }", kWithBody + "@layer a { p{x:y;} }"},
        // UTF-16, either way round, is never written into.
        {"utf-16le", "\xFF\xFE@\0f\0"s, std::nullopt},
        {"utf-16be", "\xFE\xFF\0b\0o\0d\0y"s, std::nullopt},
    };
    for (const InjectionCase& c : cases) {
        EXPECT_EQ(text::InjectFontStylesheet(c.before), c.after) << c.name;
    }
}

}  // namespace
