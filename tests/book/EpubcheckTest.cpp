#include <gtest/gtest.h>

#include <regex>

#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/TestProcesses.hpp"

namespace {

using testing_support::RunShellCommand;
using testing_support::ShellQuoted;

// The message codes of every error, fatal error and warning epubcheck reports for book.
std::multiset<std::string> EpubcheckFindings(const std::string& book) {
    const std::string report =
        RunShellCommand("java -jar /usr/bin/epubcheck " + ShellQuoted(book) + " 2>&1")
            .standardOutput;
    std::multiset<std::string> codes;
    const std::regex finding(R"((?:^|\n)(?:ERROR|FATAL|WARNING)\(([A-Z]+-[0-9]+)\))");
    for (std::sregex_iterator it(report.begin(), report.end(), finding), end; it != end; ++it) {
        codes.insert((*it)[1]);
    }
    return codes;
}

class EpubcheckTest : public book_testing::BookJobTest,
                      public testing::WithParamInterface<std::string> {};

TEST_P(EpubcheckTest, FindsNothingButWhatTheFontRuleBrings) {
    const std::string book = books + "/book.epub";
    testing_support::PackTree(std::string(CORVELA_CORPUS_DIR "/trees/") + GetParam(), book);
    ASSERT_EQ(Convert(book), 1);
    const std::multiset<std::string> findings = EpubcheckFindings(OutputOf(book));
    // The rule's res:/// sources, its missing fonts/zw.ttf and the remote-resources property.
    const std::set<std::string> byDesign{"RSC-008", "RSC-007", "OPF-014"};
    for (const std::string& code : findings) {
        EXPECT_TRUE(byDesign.count(code)) << code;
    }
    EXPECT_GT(findings.count("RSC-008"), 0u) << "the font rule is missing";
}

INSTANTIATE_TEST_SUITE_P(ValidBooks, EpubcheckTest,
                         testing::Values("02_Reflow_Text_Vertical", "wasteland-woff-obf"));

}  // namespace
