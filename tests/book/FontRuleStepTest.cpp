#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "book/FontRuleStep.hpp"
#include "tests/book/BookJobFixture.hpp"
#include "text/content/FontInjection.hpp"

namespace {

using namespace testing_support;

struct SearchCase {
    const char* name;
    std::map<std::string, std::string> files;  // path under the root, content
    std::string found;                         // empty: none
};

TEST(FindStylesheetTest, TakesTheFirstTextFileNamedCssBeforeHiddenOnesAndLookalikes) {
    const std::string png = BinaryBytes(1), text = "p {}";
    const SearchCase cases[] = {
        {"image named like a stylesheet",
         {{"Images/bg.css.png", png}, {"Styles/main.css", text}},
         "Styles/main.css"},
        {"binary .css skipped", {{"a.css", png}, {"b/c.css", text}}, "b/c.css"},
        {"capitals after a lookalike", {{"A.css.txt", text}, {"STYLE.CSS", text}}, "STYLE.CSS"},
        {"mixed case", {{"a/Main.Css", text}, {"b.css", text}}, "a/Main.Css"},
        {"hidden file", {{".hidden.css", text}, {"style.css", text}}, "style.css"},
        {"hidden folder", {{".git/a/x.css", text}, {"z/y.css", text}}, "z/y.css"},
        {"only hidden", {{"._style.css", text}, {"style.css.bak", text}}, "._style.css"},
        {"lookalike when no .css", {{"a.css.bak", png}, {"b.css.bak", text}}, "b.css.bak"},
        {"lookalikes in order", {{"x.cssz", text}, {"y.css.bak", text}}, "x.cssz"},
        {"hidden lookalike last", {{".a.css.bak", text}, {"b.css.txt", text}}, "b.css.txt"},
        {"hidden lookalike alone", {{".a/b.css.bak", text}}, ".a/b.css.bak"},
        {"only an image", {{"bg.css.png", png}, {"a.xhtml", text}}, ""},
        {"empty stylesheet", {{"a.css", ""}}, "a.css"},
    };
    for (const SearchCase& c : cases) {
        TempFolder root;
        for (const auto& [path, bytes] : c.files) {
            std::filesystem::create_directories(std::filesystem::path(root / path).parent_path());
            WriteFileBytes(root / path, bytes);
        }
        std::string found = "untouched";
        EXPECT_EQ(FindStylesheetUnder(root.path(), found), std::nullopt) << c.name;
        EXPECT_EQ(found, c.found.empty() ? "untouched" : root / c.found) << c.name;
    }
}

TEST(FindStylesheetTest, AStylesheetThatCannotBeReadIsAReason) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempFolder root;
    WriteFileBytes(root / "a.css.txt", "p {}");
    WriteFileBytes(root / "b.css", "p {}");
    std::filesystem::permissions(root / "b.css", std::filesystem::perms::none);
    std::string found = "untouched";
    EXPECT_EQ(FindStylesheetUnder(root.path(), found),
              "查找样式表时无法读取 b.css：Permission denied");
    EXPECT_EQ(found, "untouched");
}

// Books whose stylesheet the old search missed or took wrongly, through the whole job.
TEST_F(BookJobTest, TheFontRuleGoesIntoTheStylesheetOnlyWhereItKeepsItsMeaning) {
    const std::string head = "\xEF\xBB\xBF@charset \"utf-8\";\n@import url(\"a;b.css\");\n";
    std::vector<ZipEntryPlan> entries = SampleBookEntries();
    std::erase_if(entries, [](const ZipEntryPlan& entry) { return entry.name.ends_with(".css"); });
    entries.push_back({"OEBPS/Images/bg.css.png", BinaryBytes(3)});
    entries.push_back({"OEBPS/Styles/MAIN.CSS", head + "p{margin:0}\n"});
    const std::string book = books + "/novel.epub";
    WriteZip(book, entries);
    ASSERT_TRUE(Run(book).IsConverted());
    std::map<std::string, std::string> output = ReadArchive(OutputOf(book));
    EXPECT_EQ(output["OEBPS/Images/bg.css.png"], BinaryBytes(3));
    EXPECT_EQ(output["OEBPS/Styles/MAIN.CSS"],
              head + std::string(text::FontFaceWithBodyRule) + "p{margin:0}\n");
}

}  // namespace
