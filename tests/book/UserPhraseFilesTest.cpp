#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "book/BatchRunner.hpp"
#include "book/UserPhraseFiles.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;
using UserPhraseFilesTest = BookJobTest;

TEST_F(UserPhraseFilesTest, LaterFilesWinAndTheFirstBadFileIsNamedWithItsLine) {
    const auto write = [&](const char* name, const char* bytes) {
        WriteFileBytes(temp / name, bytes);
        return temp / name;
    };
    const std::string a = write("a.txt", "鼠标\t鼠標\n软件\t软件\n");
    const std::string b = write("b.txt", "# mine\n鼠标\t老鼠\n");
    const std::string bad = write("bad.txt", "鼠标\t鼠標\n\n鼠标\t\n");
    const std::string missing = temp / "missing.txt";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{a, b}, "老鼠软件頭發"},
        {{a, bad, missing}, "自定义词语文件 " + bad + " 第 3 行：制表符后的转换结果是空的"},
        {{a, missing, bad}, "无法读取自定义词语文件 " + missing + "：" + std::strerror(ENOENT)},
    };
    for (const auto& [files, want] : cases) {
        const UserPhrasesRead read = ReadUserPhrases(files);
        EXPECT_EQ(read.error ? DescribePhraseFileError(*read.error)
                             : text::LoadConverter(text::Profile::Char, read.phrases)
                                   .converter->Convert("鼠标软件头发"),
                  want);
    }
}

// The phrases reach text, names and references alike, whether the batch loads the converter
// once or the job loads its own.
TEST_F(UserPhraseFilesTest, ABookConvertsWithThePhrasesInTextNamesAndReferences) {
    WriteFileBytes(temp / "p.txt", "鼠标\t鼠標\n");
    BatchOptions options;
    options.job.profile = text::Profile::S2twp;  // by itself: 滑鼠
    options.job.userPhrases = ReadUserPhrases({temp / "p.txt"}).phrases;
    for (const std::string name : {"batch.epub", "alone.epub"}) {
        const std::string book = books + "/" + name;
        WriteZip(book, {{"mimetype", "application/epub+zip"},
                        {"OEBPS/内容.opf", "<item href=\"鼠标.xhtml\"/>"},
                        {"OEBPS/鼠标.xhtml", "<p id=\"鼠标\"><a href=\"#鼠标\">鼠标</a>软件</p>"}});
        CBookConverter job;
        const BookOutcome outcome = name == "batch.epub"
                                        ? CBatchRunner(job, options).Run({book}, {}, {}).at(0)
                                        : job.ConvertBook(options.job, book, OutputOf(book));
        ASSERT_TRUE(outcome.IsConverted()) << outcome.reason;
        const std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
        EXPECT_EQ(files.at("OEBPS/內容.opf"), "<item href=\"鼠標.xhtml\"/>");
        EXPECT_EQ(files.at("OEBPS/鼠標.xhtml"),
                  "<p id=\"鼠標\"><a href=\"#鼠標\">鼠標</a>軟體</p>");
    }
}

}  // namespace
