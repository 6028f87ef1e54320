#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "book/BatchRunner.hpp"
#include "book/UserPhraseFiles.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

class UserPhraseFilesTest : public BookJobTest {
  protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        WriteFileBytes(temp / name, bytes);
        return temp / name;
    }
    // The text converted in profile char with the phrases of files, or the error's message.
    static std::string ConvertedWith(const std::vector<std::string>& files,
                                     const std::string& text) {
        const UserPhrasesRead read = ReadUserPhrases(files);
        if (read.error) {
            return DescribePhraseFileError(*read.error);
        }
        return text::LoadConverter(text::Profile::Char, read.phrases).converter->Convert(text);
    }
};

TEST_F(UserPhraseFilesTest, LaterFilesWinAndTheFirstBadFileIsNamedWithItsLine) {
    const std::string a = Write("a.txt", "鼠标\t鼠標\n软件\t软件\n");
    const std::string b = Write("b.txt", "# mine\n鼠标\t老鼠\n");
    const std::string bad = Write("bad.txt", "鼠标\t鼠標\n\n鼠标 鼠標\n");
    const std::string missing = temp / "missing.txt";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{a, b}, "老鼠软件頭發"},
        {{b, a}, "鼠標软件頭發"},
        {{}, "鼠標軟件頭發"},
        {{a, bad, missing},
         "自定义词语文件 " + bad + " 第 3 行：没有制表符（Tab）分开词语和转换结果"},
        {{a, missing, bad}, "无法读取自定义词语文件 " + missing + "：" + std::strerror(ENOENT)},
        {{temp.path()}, "无法读取自定义词语文件 " + temp.path() + "：" + std::strerror(EISDIR)},
    };
    for (const auto& [files, want] : cases) {
        EXPECT_EQ(ConvertedWith(files, "鼠标软件头发"), want) << files.size();
    }
    const PhraseFileError empty{"e.txt", 1, text::PhraseLineProblem::EmptyKey, 0};
    const PhraseFileError invalid{"i.txt", 2, text::PhraseLineProblem::InvalidUtf8, 0};
    EXPECT_EQ(DescribePhraseFileError(empty), "自定义词语文件 e.txt 第 1 行：制表符前的词语是空的");
    EXPECT_EQ(DescribePhraseFileError(invalid),
              "自定义词语文件 i.txt 第 2 行：不是有效的 UTF-8 文本");
}

TEST_F(UserPhraseFilesTest, ThePerUserFileFollowsTheConfigurationFolder) {
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    const std::pair<const char*, std::string> cases[] = {
        {"/cfg", "/cfg/Corvela/phrases.txt"},
        {"relative", home + "/.config/Corvela/phrases.txt"},
        {"", home + "/.config/Corvela/phrases.txt"},
    };
    for (const auto& [configuration, want] : cases) {
        ::setenv("XDG_CONFIG_HOME", configuration, 1);
        EXPECT_EQ(PerUserPhraseFile(), want) << configuration;
    }
    ::unsetenv("XDG_CONFIG_HOME");
}

// The phrases reach text, names and references alike, whether the batch loads the converter
// once or the job loads its own.
TEST_F(UserPhraseFilesTest, ABookConvertsWithThePhrasesInTextNamesAndReferences) {
    const std::vector<ZipEntryPlan> entries = {
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path=\"OEBPS/内容.opf\"/></rootfiles></container>"},
        {"OEBPS/内容.opf", "<package><manifest><item href=\"鼠标.xhtml\"/></manifest></package>"},
        {"OEBPS/鼠标.xhtml", "<p id=\"鼠标\"><a href=\"鼠标.xhtml#鼠标\">鼠标</a>和软件</p>"}};
    const UserPhrasesRead read = ReadUserPhrases({Write("p.txt", "鼠标\t鼠標\n")});
    ASSERT_TRUE(read.phrases);
    for (const bool batch : {true, false}) {
        const std::string book = books + (batch ? "/batch.epub" : "/alone.epub");
        WriteZip(book, entries);
        BatchOptions options;
        options.job.profile = text::Profile::S2twp;
        options.job.userPhrases = read.phrases;
        CBookConverter job;
        const BookOutcome outcome = batch ? CBatchRunner(job, options).Run({book}, {}, {}).at(0)
                                          : job.ConvertBook(options.job, book, OutputOf(book));
        ASSERT_TRUE(outcome.IsConverted()) << outcome.reason;
        const std::map<std::string, std::string> files = ReadArchive(OutputOf(book));
        EXPECT_EQ(files.at("OEBPS/內容.opf"),
                  "<package><manifest><item href=\"鼠標.xhtml\"/></manifest></package>");
        EXPECT_EQ(files.at("OEBPS/鼠標.xhtml"),
                  "<p id=\"鼠標\"><a href=\"鼠標.xhtml#鼠標\">鼠標</a>和軟體</p>");
    }
}

}  // namespace
