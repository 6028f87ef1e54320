#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "book/BookConverter.hpp"
#include "book/UnpackedTree.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/TempFolder.hpp"

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

// Writes each file (path relative to root, folders made on the way).
void WriteTree(const std::string& root, const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        const std::string path = root + "/" + file;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFileBytes(path, "body { margin: 0; }\n");
    }
}

struct StylesheetCase {
    std::string name;
    std::vector<std::string> files;
    std::string expected;  // relative path, empty when none is found
};

class FindStylesheetTest : public testing::TestWithParam<StylesheetCase> {};

TEST_P(FindStylesheetTest, TakesTheFirstFileNamedCssDepthFirstInNameOrder) {
    TempFolder root;
    WriteTree(root.path(), GetParam().files);
    CBookConverter converter;
    std::string found = "untouched";
    const int result = converter.FindStylesheet(root.path(), found);
    if (GetParam().expected.empty()) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(found, "untouched");
    } else {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(found, root / GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trees, FindStylesheetTest,
    testing::Values(
        StylesheetCase{"None", {"a.xhtml", "img/c.png"}, ""}, StylesheetCase{"Empty", {}, ""},
        // "a" sorts before "b.css": the subfolder's stylesheet wins though it lies deeper.
        StylesheetCase{"SubfolderFirst", {"b.css", "a/x.css"}, "a/x.css"},
        StylesheetCase{"TopFirst", {"a.css", "b/x.css"}, "a.css"},
        StylesheetCase{"ByteOrder", {"b/x.css", "B/y.css"}, "B/y.css"},
        StylesheetCase{"NameContainsCss", {"a.css.bak", "x.cssz"}, "a.css.bak"},
        StylesheetCase{"CapitalsOnly", {"STYLE.CSS", "text.xhtml"}, ""},
        StylesheetCase{"FolderNamedCss", {"x.css/readme.txt"}, ""},
        StylesheetCase{"InsideFolderNamedCss", {"x.css/real.css"}, "x.css/real.css"}),
    [](const auto& info) { return info.param.name; });

TEST(FindStylesheetLinksTest, NeverTakesOrEntersASymbolicLink) {
    TempFolder outside;
    WriteTree(outside.path(), {"secret.css", "dir/other.css"});
    TempFolder root;
    ASSERT_EQ(::symlink((outside / "secret.css").c_str(), (root / "a.css").c_str()), 0);
    ASSERT_EQ(::symlink((outside / "dir").c_str(), (root / "b").c_str()), 0);
    CBookConverter converter;
    std::string found;
    EXPECT_EQ(converter.FindStylesheet(root.path(), found), 0);
    EXPECT_EQ(converter.FindStylesheet(root / "missing", found), 0);
}

TEST(ConvertTreeTest, ReturnsOneWhateverTheTreeHolds) {
    TempFolder root;
    WriteFileBytes(root / "image.png", testing_support::BinaryBytes(3));
    CBookConverter converter;
    EXPECT_EQ(converter.ConvertTree(root.path()), 1);
    EXPECT_EQ(ReadFileBytes(root / "image.png"), testing_support::BinaryBytes(3));
    EXPECT_EQ(converter.ConvertTree(root / "missing"), 1);
}

TEST(ConvertTreeTest, ConvertsEveryTextFileButNoLinkedFile) {
    TempFolder outside;
    WriteFileBytes(outside / "user.txt", "简体书\n");
    TempFolder root;
    std::filesystem::create_directories(root / "a/b");
    WriteFileBytes(root / "top.xhtml", "简体书\n");
    WriteFileBytes(root / "a/b/deep", "简体书\n");
    ASSERT_EQ(::symlink((outside / "user.txt").c_str(), (root / "link.txt").c_str()), 0);
    CBookConverter converter;
    EXPECT_EQ(converter.ConvertTree(root.path()), 1);
    EXPECT_EQ(ReadFileBytes(root / "top.xhtml"), "簡體書\n");
    EXPECT_EQ(ReadFileBytes(root / "a/b/deep"), "簡體書\n");
    EXPECT_EQ(ReadFileBytes(outside / "user.txt"), "简体书\n");
}

TEST(ConvertTreeTest, StopsOnAStopRequest) {
    TempFolder root;
    WriteFileBytes(root / "a.xhtml", "简体书\n");
    std::stop_source stop;
    stop.request_stop();
    CBookConverter converter;
    EXPECT_EQ(converter.ConvertTree(root.path(), stop.get_token()), 1);
    EXPECT_EQ(ReadFileBytes(root / "a.xhtml"), "简体书\n");
}

TEST(DeleteTreeTest, RemovesEverythingAndLinksThemselves) {
    TempFolder outside;
    WriteFileBytes(outside / "user.txt", "kept");
    std::filesystem::create_directories(outside / "dir");
    WriteFileBytes(outside / "dir/inner", "kept");
    TempFolder parent;
    const std::string root = parent / "book";
    WriteTree(root, {"a/b/c.css", "ro/file", "top"});
    ASSERT_EQ(::symlink((outside / "user.txt").c_str(), (root + "/a/link").c_str()), 0);
    ASSERT_EQ(::symlink((outside / "dir").c_str(), (root + "/dirlink").c_str()), 0);
    ASSERT_EQ(::chmod((root + "/ro/file").c_str(), 0444), 0);
    ASSERT_EQ(::chmod((root + "/ro").c_str(), 0555), 0);
    CBookConverter converter;
    EXPECT_EQ(converter.DeleteTree(root), 1);
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_EQ(ReadFileBytes(outside / "user.txt"), "kept");
    EXPECT_EQ(ReadFileBytes(outside / "dir/inner"), "kept");
    EXPECT_EQ(converter.DeleteTree(root), 0);
}

TEST(PrepareUnpackedTreeTest, RemovesLinksAndSpecialFilesAndMakesTheRestWritable) {
    TempFolder root;
    WriteTree(root.path(), {"sub/file"});
    ASSERT_EQ(::symlink("/etc/passwd", (root / "sub/link").c_str()), 0);
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0644), 0);
    ASSERT_EQ(::chmod((root / "sub/file").c_str(), 0444), 0);
    ASSERT_EQ(::chmod((root / "sub").c_str(), 0555), 0);
    PrepareUnpackedTree(root.path());
    EXPECT_EQ(testing_support::NamesIn(root.path()), std::set<std::string>{"sub"});
    EXPECT_EQ(testing_support::NamesIn(root / "sub"), std::set<std::string>{"file"});
    struct stat status {};
    ASSERT_EQ(::stat((root / "sub/file").c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IWUSR);
    ASSERT_EQ(::stat((root / "sub").c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IWUSR);
}

}  // namespace
