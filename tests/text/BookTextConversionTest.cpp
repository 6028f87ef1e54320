#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "tests/support/BookFiles.hpp"
#include "tests/support/Converters.hpp"
#include "tests/support/OpenccConverter.hpp"
#include "tests/support/TempFolder.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

using testing_support::ConverterOf;
using text::BookTextKind;
using text::Profile;

std::string Convert(const std::string& content, BookTextKind kind,
                    Profile profile = Profile::Char) {
    return text::ConvertBookText(content, kind, *ConverterOf(profile), profile);
}

struct Case {
    BookTextKind kind;
    std::string content;
    std::string want;
};

void ExpectConversions(const std::vector<Case>& cases, Profile profile = Profile::Char) {
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(c.content, c.kind, profile), c.want) << c.content;
    }
}

constexpr BookTextKind kMarkup = BookTextKind::Markup;
constexpr BookTextKind kCss = BookTextKind::Stylesheet;

TEST(ConvertBookText, ReferencesFollowRenamedFilesAndIds) {
    ExpectConversions({
        // Package document: manifest, spine, guide; container.
        {kMarkup, R"(<item id="后记" href="Text/后记.xhtml"/><itemref idref="后记"/>)",
         R"(<item id="後記" href="Text/後記.xhtml"/><itemref idref="後記"/>)"},
        {kMarkup, R"(<reference title="后记" href="%E5%90%8E%E8%AE%B0.xhtml"/>)",
         R"(<reference title="後記" href="%E5%BE%8C%E8%A8%98.xhtml"/>)"},
        {kMarkup, R"(<rootfile full-path="书/内容.opf"/>)",
         R"(<rootfile full-path="書/內容.opf"/>)"},
        {kMarkup, R"(<dc:creator id="译者">译</dc:creator><meta refines="#%E8%AF%91%E8%80%85"/>)",
         R"(<dc:creator id="譯者">譯</dc:creator><meta refines="#%E8%AD%AF%E8%80%85"/>)"},
        // Navigation and NCX.
        {kMarkup, R"(<content src="后记.xhtml#%E5%90%AF"/><li><a href="后记.xhtml">后记</a></li>)",
         R"(<content src="後記.xhtml#%E5%95%93"/><li><a href="後記.xhtml">後記</a></li>)"},
        // The book's own case: the fragment and its id agree again.
        {kMarkup, R"(<a href="#%E5%90%AF%E7%A8%8B">启程</a><h2 id="启程">启程</h2>)",
         R"(<a href="#%E5%95%93%E7%A8%8B">啓程</a><h2 id="啓程">啓程</h2>)"},
        {kMarkup, R"(<a name='启程'/><a href=#启程>)", R"(<a name='啓程'/><a href=#啓程>)"},
        // XHTML and SVG media.
        {kMarkup,
         R"(<img src="图片/图.png" srcset="https://x.cn/图1.png 1x,图2.png, 图3.png 2x"/><video poster="%E5%9B%BE.jpg"/>)",
         R"(<img src="圖片/圖.png" srcset="https://x.cn/图1.png 1x,圖2.png, 圖3.png 2x"/><video poster="%E5%9C%96.jpg"/>)"},
        {kMarkup,
         R"(<object data="%E5%9B%BE.svg"/><svg:image xlink:href="%E5%9B%BE.png"/><use href="#图"/>)",
         R"(<object data="%E5%9C%96.svg"/><svg:image xlink:href="%E5%9C%96.png"/><use href="#圖"/>)"},
        {kMarkup,
         R"(<?xml-stylesheet type="text/css" href="%E6%A0%B7.css"?><?pi href="%E6%A0%B7"?>)",
         R"(<?xml-stylesheet type="text/css" href="%E6%A8%A3.css"?><?pi href="%E6%A0%B7"?>)"},
        {kMarkup, "<svg:style>i{background:url(%E5%9B%BE.png)}</SVG:STYLE><i>图</i>",
         "<svg:style>i{background:url(%E5%9C%96.png)}</SVG:STYLE><i>圖</i>"},
        // Markup may write characters as references; a stylesheet file cannot.
        {kMarkup, R"(<a href="#&#x542F;程">启</a><h2 id="&#x542F;程"/><p id="&#21518;"/>)",
         R"(<a href="#&#x5553;程">啓</a><h2 id="&#x5553;程"/><p id="&#24460;"/>)"},
        {kCss, "s{background:url(&#x540E;.png)}", "s{background:url(&#x540E;.png)}"},
        // Script text is not markup: a link written in it stays as it is.
        {kMarkup, "<script>s='<a href=\"%E5%90%8E\">后'</script><a href=\"%E5%90%8E\">",
         "<script>s='<a href=\"%E5%90%8E\">後'</script><a href=\"%E5%BE%8C\">"},
        // A scheme leads outside the book.
        {kMarkup, R"(<a href="https://例子.cn/后记">后记</a><a href="mailto:后@例.cn">)",
         R"(<a href="https://例子.cn/后记">後記</a><a href="mailto:后@例.cn">)"},
        // url() in a stylesheet, a <style> block and a style="" attribute.
        {kCss,
         R"(p{background:url("图/图.png")} q{background:url( %E5%9B%BE.png )} @import '图.css';)",
         R"(p{background:url("圖/圖.png")} q{background:url( %E5%9C%96.png )} @import '圖.css';)"},
        {kCss, "s{background:url(%E5%9B%BE.png)}", "s{background:url(%E5%9C%96.png)}"},
        {kCss, "s{background:url(res:///后.png)}", "s{background:url(res:///后.png)}"},
        {kMarkup,
         R"x(<style>p{background:url('图.png')}</style><p style="background:url(图.png)">)x",
         R"x(<style>p{background:url('圖.png')}</style><p style="background:url(圖.png)">)x"},
    });
}

TEST(ConvertBookText, FontNamesStayAsTheBookWroteThem) {
    const std::string fontFace =
        R"(@font-face { font-family: "方正大标宋简体"; src: local("微软雅黑"), url(字体/宋体.ttf); })";
    const std::string fontFaceWant =
        R"(@font-face { font-family: "方正大标宋简体"; src: local("微软雅黑"), url(字體/宋體.ttf); })";
    ExpectConversions({
        {kCss, fontFace, fontFaceWant},
        {kCss,
         "body{font-family:\"宋体\",'黑体' , 楷体;content:\"简体\"}\nh1 { FONT: bold 1em/2 "
         "宋体 }",
         "body{font-family:\"宋体\",'黑体' , 楷体;content:\"簡體\"}\nh1 { FONT: bold 1em/2 "
         "宋体 }"},
        // Not declarations: a class named font, a string, a comment.
        {kCss, ".font:hover{content:\"font-family:宋体\"} /* font: 宋体 */",
         ".font:hover{content:\"font-family:宋體\"} /* font: 宋體 */"},
        {kMarkup, "<style type=\"text/css\">\n" + fontFace + "\n</style><p>宋体</p>",
         "<style type=\"text/css\">\n" + fontFaceWant + "\n</style><p>宋體</p>"},
        {kMarkup, R"(<p style="color:red;font-family:'宋体'">宋体</p><p style='font:12px "黑体"'>)",
         R"(<p style="color:red;font-family:'宋体'">宋體</p><p style='font:12px "黑体"'>)"},
        {kMarkup, R"(<p style="font-family:&quot;宋体&quot;;content:'体'">)",
         R"(<p style="font-family:&quot;宋体&quot;;content:'體'">)"},
        {kMarkup, R"(<font face="宋体">宋体</font><svg:text font-family="黑体">黑体</svg:text>)",
         R"(<font face="宋体">宋體</font><svg:text font-family="黑体">黑體</svg:text>)"},
    });
}

// Chinese tags of the script a profile converts from become its tag, in the package, the root
// and below; other tags and text that merely looks like a tag stay.
TEST(ConvertBookText, TagsOfTheScriptConvertedFromBecomeTheProfilesTag) {
    const struct {
        std::string tag;
        bool toTraditional;  // rewritten by the profiles towards Traditional
        bool toSimplified;
    } cases[] = {
        {"zh-CN", true, false},   {"ZH_hans-cn", true, false}, {"zh-SG", true, false},
        {"zh", true, false},      {"zh-Hans", true, false},    {"zh-TW", false, true},
        {"zh-hk", false, true},   {"zh-MO", false, true},      {"zh_TW", false, true},
        {"zh-Hant", false, true}, {"ZH-hant-tw", false, true}, {"zh-Hant-MO", false, true},
        {"en", false, false},     {"ja", false, false},        {"zh-cmn", false, false},
        {"TW", false, false},     {"zh-TW-x", false, false},
    };
    const std::pair<Profile, std::string> profiles[] = {
        {Profile::Char, "zh-Hant"}, {Profile::S2tw, "zh-TW"}, {Profile::S2hk, "zh-HK"},
        {Profile::T2s, "zh-Hans"},  {Profile::Tw2s, "zh-CN"}, {Profile::Hk2s, "zh-CN"}};
    const auto markup = [](const std::string& tag) {
        return "<dc:language> " + tag + " </dc:language><html xml:lang=\"" + tag + "\"><p lang='" +
               tag + "'>";
    };
    for (const auto& [profile, target] : profiles) {
        const bool toTraditional =
            text::DirectionOf(profile) == text::ScriptDirection::ToTraditional;
        for (const auto& c : cases) {
            const bool rewritten = toTraditional ? c.toTraditional : c.toSimplified;
            EXPECT_EQ(Convert(markup(c.tag), kMarkup, profile), markup(rewritten ? target : c.tag))
                << text::InfoOf(profile).name << ": " << c.tag;
        }
    }
    EXPECT_EQ(Convert("<title>zh-CN</title>", kMarkup), "<title>zh-CN</title>");
    EXPECT_EQ(Convert("lang=\"zh-CN\" 后", BookTextKind::PlainText), "lang=\"zh-CN\" 後");
}

// Every profile gives, for the sample books' files (Simplified and Traditional), what its
// reference gives for the whole file at once (libopencc itself for the phrase profiles), but for
// the language tags: cutting the text around the carve-outs must not change how phrases are
// found.
TEST(ConvertBookText, MatchesWholeFileLibopenccOnTheSampleBooks) {
    std::map<std::string, std::string> files;
    for (const char* book : {"simpleEpub.epub", "template.epub"}) {
        for (const auto& [name, bytes] :
             testing_support::ReadArchive(std::string(CORVELA_CORPUS_DIR "/packed/") + book)) {
            if (!name.ends_with(".jpg") && name != "mimetype") {
                files[book + ("/" + name)] = bytes;
            }
        }
    }
    const std::string kusamakura =
        CORVELA_CORPUS_DIR "/trees/kusamakura-japanese-vertical-writing/OPS/";
    for (const char* name : {"package.opf", "xhtml/目次.xhtml", "xhtml/一.xhtml", "xhtml/二.xhtml",
                             "css/vertical.css", "css/horizontal.css"}) {
        files[name] = testing_support::ReadFileBytes(kusamakura + name);
    }
    // Traditional Chinese, tagged zh-TW, for the profiles to Simplified.
    const std::string rashomon = CORVELA_CORPUS_DIR "/texts/rashomon/";
    for (const char* name : {"standard.opf", "navigation-documents.xhtml", "xhtml/p-002.xhtml",
                             "xhtml/p-003.xhtml", "xhtml/p-toc.xhtml", "style/book-style.css"}) {
        files[std::string("rashomon/") + name] = testing_support::ReadFileBytes(rashomon + name);
    }
    ASSERT_EQ(files.size(), 26u);
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        // The samples' tags of the script the profile converts from.
        const std::string source =
            info.direction == text::ScriptDirection::ToTraditional ? "zh-CN" : "zh-TW";
        std::shared_ptr<const text::TextConverter> reference =
            text::LoadConverter(info.profile).converter;
        if (text::IsPhraseProfile(info.profile)) {
            reference = std::make_shared<testing_support::OpenccConverter>(
                text::OpenccDataFolder() + "/" + std::string(info.name) + ".json");
        }
        for (const auto& [name, bytes] : files) {
            std::string want = reference->Convert(bytes);
            for (const std::string& around : {"=\"" + source + "\"", ">" + source + "<"}) {
                for (std::size_t at; (at = want.find(around)) != std::string::npos;) {
                    want.replace(at + around.size() - 6, 5, info.languageTag);
                }
            }
            const BookTextKind kind = name.ends_with(".css") ? kCss : kMarkup;
            EXPECT_EQ(Convert(bytes, kind, info.profile), want) << info.name << " " << name;
        }
    }
}

TEST(BookTextKindOf, ReadsTheExtension) {
    const std::pair<const char*, BookTextKind> cases[] = {
        {"A.HTML", kMarkup},
        {"content.opf", kMarkup},
        {"1.smil", kMarkup},
        {"s.CSS", kCss},
        {"第一章 新的开始", BookTextKind::PlainText},
    };
    for (const auto& [name, kind] : cases) {
        EXPECT_EQ(text::BookTextKindOf(name), kind) << name;
    }
}

}  // namespace
