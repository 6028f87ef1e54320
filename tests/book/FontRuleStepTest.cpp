#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <tuple>

#include "book/FontRuleStep.hpp"
#include "tests/book/BookJobFixture.hpp"
#include "text/content/FontInjection.hpp"

namespace {

using namespace testing_support;

TEST(FindStylesheetTest, TakesTheFirstTextFileNamedCssBeforeHiddenOnesAndLookalikes) {
    const std::string png = BinaryBytes(1), css = "p {}";
    // name, files (path and content), the one found (empty: none)
    const std::vector<std::tuple<const char*, std::map<std::string, std::string>, std::string>>
        cases{
            {"image", {{"Images/bg.css.png", png}, {"Styles/main.css", css}}, "Styles/main.css"},
            {"depth first", {{"b.css", css}, {"a/x.css", css}}, "a/x.css"},
            {"byte order", {{"b/x.css", css}, {"B/y.css", css}}, "B/y.css"},
            {"capitals", {{"A.css.txt", css}, {"STYLE.CSS", css}}, "STYLE.CSS"},
            {"hidden file", {{".hidden.css", css}, {"style.css", css}}, "style.css"},
            {"hidden folder", {{".git/a/x.css", css}, {"z/y.css", css}}, "z/y.css"},
            {"only hidden", {{"._style.css", css}, {"style.css.bak", css}}, "._style.css"},
            {"lookalikes", {{"a.css.bak", png}, {"b.css.bak", css}, {"c.css.z", css}}, "b.css.bak"},
            {"hidden lookalike", {{".a.css.bak", css}, {"b.css.txt", css}}, "b.css.txt"},
            {"only an image", {{"bg.css.png", png}, {"a.xhtml", css}}, ""}};
    for (const auto& [name, files, expected] : cases) {
        TempFolder root;
        for (const auto& [path, bytes] : files) {
            std::filesystem::create_directories(std::filesystem::path(root / path).parent_path());
            WriteFileBytes(root / path, bytes);
        }
        std::string found = "untouched";
        EXPECT_EQ(FindStylesheetUnder(root.path(), found), std::nullopt) << name;
        EXPECT_EQ(found, expected.empty() ? "untouched" : root / expected) << name;
    }
}

// A folder or a stylesheet that cannot be read is a reason, not a missing stylesheet.
TEST(FindStylesheetTest, WhatCannotBeReadIsAReason) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    for (const auto& [locked, reason] :
         {std::pair{"a", "查找样式表时无法读取文件夹 a：Permission denied"},
          {"b.css", "查找样式表时无法读取 b.css：Permission denied"}}) {
        TempFolder root;
        std::filesystem::create_directory(root / "a");
        WriteFileBytes(root / "b.css", "p {}");
        std::filesystem::permissions(root / locked, std::filesystem::perms::none);
        std::string found = "untouched";
        EXPECT_EQ(FindStylesheetUnder(root.path(), found), reason);
        EXPECT_EQ(found, "untouched");
    }
}

TEST_F(BookJobTest, TheFontRuleGoesIntoTheStylesheetOnlyWhereItKeepsItsMeaning) {
    const std::string head = "\xEF\xBB\xBF@charset \"utf-8\";\n@import url(\"a;b.css\");\n";
    std::vector<ZipEntryPlan> entries = SampleBookEntries();
    std::erase_if(entries, [](const ZipEntryPlan& entry) { return entry.name.ends_with(".css"); });
    entries.push_back({"OEBPS/Images/bg.css.png", BinaryBytes(3)});
    entries.push_back({"OEBPS/Styles/MAIN.CSS", head + "p{margin:0}\n"});
    WriteZip(books + "/novel.epub", entries);
    ASSERT_TRUE(Run(books + "/novel.epub").IsConverted());
    std::map<std::string, std::string> output = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_EQ(output["OEBPS/Images/bg.css.png"], BinaryBytes(3));
    EXPECT_EQ(output["OEBPS/Styles/MAIN.CSS"],
              head + std::string(text::FontFaceWithBodyRule) + "p{margin:0}\n");
}

}  // namespace
