#include <gtest/gtest.h>

#include <map>

#include "book/BatchRunner.hpp"
#include "book/UserPhraseFiles.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;
using UserPhraseFilesTest = BookJobTest;

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
