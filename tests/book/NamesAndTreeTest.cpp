#include <gtest/gtest.h>
#include <unistd.h>

#include "book/BookConverter.hpp"
#include "book/archive/ArchiverCommands.hpp"
#include "book/archive/ZipNameRelabel.hpp"
#include "book/tree/ContentStep.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/FileSystem.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using testing_support::WriteZip;
using testing_support::ZipEntryPlan;

TEST(DerivedNamesTest, FollowTheLastDotOfThePath) {
    // book, ArchiveName, UnpackFolder, output
    const std::vector<std::array<std::string, 4>> cases{
        {"/b/novel.epub", "/b/novel.zip", "/b/novel", "/b/novel_corvela.epub"},
        {"/my.b/novel.epub", "/my.b/novel.zip", "/my.b/novel", "/my.b/novel_corvela.epub"},
        {"/b/novel.tar.epub", "/b/novel.tar.zip", "/b/novel.tar", "/b/novel.tar_corvela.epub"},
        {"/b/novel.zip", "/b/novel.zip", "/b/novel", "/b/novel_corvela.epub"}};
    CBookConverter converter;
    for (const auto& [book, archiveName, folder, output] : cases) {
        std::string derived[3] = {"", "", book};
        converter.ReplaceExtension(derived[0], book, ".zip");
        converter.ReplaceExtension(derived[1], book, "_corvela.epub");
        converter.StripExtension(derived[2]);
        EXPECT_EQ(derived[0] + "|" + derived[1] + "|" + derived[2],
                  archiveName + "|" + output + "|" + folder);
    }
    std::string noDot = "/b/novel";
    EXPECT_EQ(converter.StripExtension(noDot), 0);
    EXPECT_EQ(noDot, "/b/novel");
}

TEST(CommandLinesTest, AreExactlyTheTemplates) {
    EXPECT_EQ(BuildWinRarExtractCommandLine("/Program Files/WinRAR.exe", "/b/n.zip", "/b/n"),
              "/Program Files/WinRAR.exe x \"/b/n.zip\" \"/b/n\"/");
    EXPECT_EQ(BuildUnzipExtractCommand("/b/n.zip", "/my b/n"),
              "unzip -o \"/b/n.zip\" -d \"/my b/n\"");
    EXPECT_EQ(BuildWinRarPackCommand("/P F/WinRAR.exe", "/b/n_corvela.epub", "/b/n"),
              "/P F/WinRAR.exe a -r -ep1 -afzip \"/b/n_corvela.epub\" \"/b/n/./\"");
    EXPECT_EQ(BuildZipPackCommand("/b/n_corvela.epub"), "zip -r  \"/b/n_corvela.epub\"   *");
    EXPECT_EQ(BuildZipMimetypeCommand("/b/n_corvela.epub"),
              "zip -X0 \"/b/n_corvela.epub\" mimetype");
    EXPECT_STREQ(kZipExcludeMimetype, " -x mimetype");
}

TEST(FindStylesheetTest, TakesTheFirstFileNamedCssDepthFirstInByteOrder) {
    // files of the tree, the one found (empty: none)
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"a.xhtml", "STYLE.CSS", "x.css/readme"}, ""},
        {{"b.css", "a/x.css"}, "a/x.css"},  // the subfolder sorts first, so it wins
        {{"a.css", "b/x.css"}, "a.css"},
        {{"b/x.css", "B/y.css"}, "B/y.css"},
        {{"x.cssz", "y.css.bak"}, "x.cssz"},
        {{"x.css/real.css"}, "x.css/real.css"}};
    CBookConverter converter;
    for (const auto& [files, expected] : cases) {
        TempFolder root;
        for (const std::string& file : files) {
            std::filesystem::create_directories(std::filesystem::path(root / file).parent_path());
            WriteFileBytes(root / file, "p {}");
        }
        std::string found = "untouched";
        EXPECT_EQ(converter.FindStylesheet(root.path(), found), std::nullopt);
        EXPECT_EQ(found, expected.empty() ? "untouched" : root / expected);
    }
}

// The walks over a tree that links to a file and a folder of the user's outside it.
TEST(LinkedTreeTest, ConvertsAndDeletesButNeverTakesOrFollowsALink) {
    TempFolder outside, parent;
    const std::string root = parent / "book";
    std::filesystem::create_directories(outside / "dir");
    std::filesystem::create_directories(root + "/a/ro");
    for (const std::string& file : {outside / "dir/user.css", root + "/a/deep", root + "/a/ro/f"}) {
        WriteFileBytes(file, "简体书\n");
    }
    ASSERT_EQ(::symlink((outside / "dir/user.css").c_str(), (root + "/a.css").c_str()) +
                  ::symlink((outside / "dir").c_str(), (root + "/b").c_str()),
              0);
    CBookConverter converter;
    std::string found;
    EXPECT_EQ(converter.FindStylesheet(root, found), std::nullopt);
    EXPECT_EQ(found, "");
    std::stop_source stopped;
    stopped.request_stop();
    const auto table = text::LoadConverter(text::Profile::Char).converter;
    const TextConversion conversion{*table, text::Profile::Char};
    EXPECT_EQ(ConvertTree(root, conversion, stopped.get_token(), 2), std::nullopt);
    EXPECT_EQ(ReadFileBytes(root + "/a/deep"), "简体书\n");
    EXPECT_EQ(ConvertTree(root, conversion, {}, 2), std::nullopt);
    EXPECT_EQ(ReadFileBytes(root + "/a/deep"), "簡體書\n");
    ASSERT_EQ(::chmod((root + "/a/ro/f").c_str(), 0444) + ::chmod((root + "/a/ro").c_str(), 0555),
              0);
    EXPECT_TRUE(DeleteTree(root));
    EXPECT_EQ(platform::TypeOf(root), platform::EntryType::Missing);
    EXPECT_EQ(ReadFileBytes(outside / "dir/user.css"), "简体书\n");
    EXPECT_FALSE(DeleteTree(root));
}

TEST(ZipNameRelabelTest, RelabelsOnlyTheUtf8NamesOfDosEntriesThatUnzipWouldRecode) {
    using testing_support::kMadeOnDos;
    TempFolder folder;
    const std::string archive = folder / "book.zip";
    const ZipEntryPlan ascii{"ascii.txt", "a", S_IFREG | 0644, kMadeOnDos};
    WriteZip(archive, {ascii, {"unix/名字", "b"}});
    EXPECT_FALSE(RelabelUtf8Names(archive));
    WriteZip(archive,
             {ascii, {"目录/", "", S_IFDIR, kMadeOnDos}, {"目录/名字", "c", 0, kMadeOnDos}});
    std::string bytes = ReadFileBytes(archive);
    bytes[bytes.size() - 2] = 6;  // the end record's comment, which must end the file
    WriteFileBytes(archive, bytes + "备注");
    const std::optional<CentralDirectoryPatch> patch = RelabelUtf8Names(archive);
    ASSERT_TRUE(patch);
    ASSERT_TRUE(ApplyCentralDirectoryPatch(archive, *patch));
    testing_support::RunShellCommand("unzip -qq " + archive + " -d " + folder / "out");
    EXPECT_EQ(ReadFileBytes(folder / "out/目录/名字"), "c");
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(folder / "out/目录/名字").permissions(), perms(0644));
    EXPECT_EQ(std::filesystem::status(folder / "out/目录").permissions(), perms(0755));
    // A cut or a mislaid end record leaves the archive to unzip as it is.
    for (const std::string& damaged : {bytes.substr(0, bytes.size() - 1), bytes.substr(0, 30),
                                       bytes + "备注!", std::string("PK\5\6")}) {
        WriteFileBytes(archive, damaged);
        EXPECT_FALSE(RelabelUtf8Names(archive)) << damaged.size();
    }
}

}  // namespace
