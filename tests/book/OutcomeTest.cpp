#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "book/BatchRunner.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Lines = std::vector<std::string>;

// One book of a batch and how its job must end.
struct KindCase {
    std::string name;
    std::string book;           // its name in the folder "books"
    std::string archiver;       // a file of that name beside "books" is the archiver; empty: zip
    bool stopped = false;       // the batch is stopped before it begins
    bool lockedFolder = false;  // "books" cannot be read or entered (not for root)
    OutcomeKind kind;
    std::string reason;  // how the reason begins
    std::string alert;
    Lines notes = {};  // the job's diagnostics
};

class OutcomeKinds : public testing::TestWithParam<KindCase> {};

TEST_P(OutcomeKinds, TellHowTheJobEndedAndWhatTheUserMustSeeAtOnce) {
    const KindCase& c = GetParam();
    if (c.lockedFolder && ::geteuid() == 0) {
        GTEST_SKIP() << "root enters every folder";
    }
    TempFolder temp;
    const std::string books = temp / "books";
    std::filesystem::create_directory(books);
    WriteSampleBook(books + "/" + c.book);
    BatchOptions options;
    if (!c.archiver.empty()) {
        WriteFileBytes(temp / c.archiver, "not a program");
        options.job.archiverPath = temp / c.archiver;
    }
    Lines notes;
    BatchCallbacks callbacks;
    callbacks.bookStarting = [&notes](std::size_t, JobOptions& job) {
        job.diagnostic = [&notes](std::string_view line) { notes.emplace_back(line); };
        return true;
    };
    std::stop_source stop;
    if (c.stopped) {
        stop.request_stop();
    }
    std::filesystem::permissions(books, std::filesystem::perms(c.lockedFolder ? 0 : 0755));
    CBookConverter job;
    const std::vector<BookOutcome> outcomes =
        CBatchRunner(job, options).Run({books + "/" + c.book}, callbacks, stop.get_token());
    std::filesystem::permissions(books, std::filesystem::perms(0755));
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, c.kind);
    EXPECT_TRUE(outcomes[0].reason.starts_with(c.reason)) << outcomes[0].reason;
    EXPECT_EQ(outcomes[0].reason.empty(), c.kind == OutcomeKind::Converted) << outcomes[0].reason;
    EXPECT_EQ(outcomes[0].alert, c.alert);
    EXPECT_EQ(notes, c.notes);
    EXPECT_EQ(NamesIn(books).size(), c.kind == OutcomeKind::Converted ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    OneCasePerKind, OutcomeKinds,
    testing::Values(
        KindCase{"Converted", "novel.epub", "", false, false, OutcomeKind::Converted, "", "",
                 Lines{"字型规则写入 OEBPS/style.css"}},
        KindCase{"Stopped", "novel.epub", "", true, false, OutcomeKind::Stopped, "已停止", ""},
        KindCase{"RefusedWithoutExtension", "novel", "", false, false, OutcomeKind::Refused,
                 "文件没有扩展名，无法处理", "文件没有扩展名，无法处理"},
        KindCase{"FailedInAnUnreadableFolder", "novel.epub", "", false, true, OutcomeKind::Failed,
                 "无法打开书文件：Permission denied", ""},
        // The user sees the step's message; the reason adds the system's.
        KindCase{"FailedWithAnArchiverThatCannotStart", "novel.epub", "WinRAR.exe", false, false,
                 OutcomeKind::Failed, "调用 WinRAR 失败：Permission denied", "调用 WinRAR 失败"}),
    [](const auto& info) { return info.param.name; });

TEST(StylesheetSearch, AFolderThatCannotBeReadIsAReasonNotAMissingStylesheet) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every folder";
    }
    TempFolder root;
    std::filesystem::create_directory(root / "a");
    WriteFileBytes(root / "b.css", "p {}");
    std::filesystem::permissions(root / "a", std::filesystem::perms::none);
    std::string found = "untouched";
    const std::optional<std::string> reason = CBookConverter().FindStylesheet(root.path(), found);
    std::filesystem::permissions(root / "a", std::filesystem::perms::owner_all);
    EXPECT_EQ(reason, "查找样式表时无法读取文件夹 a：Permission denied");
    EXPECT_EQ(found, "untouched");
}

// Books that cannot be opened end at once: the batch's choice of workers is all that counts.
TEST(ThreadBudget, EachBookGetsItsShareAndTheBatchStaysWithinTheBudgetOrTheJobs) {
    struct Case {
        unsigned budget, jobs;
        std::size_t books;
        unsigned workers;
    };
    for (const Case& c : {Case{4, 2, 3, 2}, Case{4, 8, 3, 1}, Case{3, 2, 5, 1}, Case{8, 1, 2, 8},
                          Case{2, 4, 4, 1}}) {
        BatchOptions options;
        options.threadBudget = c.budget;
        options.jobs = c.jobs;
        std::vector<unsigned> given;
        BatchCallbacks callbacks;
        callbacks.bookStarting = [&given](std::size_t, JobOptions& job) {
            given.push_back(job.workers);
            return true;
        };
        CBookConverter job;
        CBatchRunner(job, options)
            .Run(std::vector<std::string>(c.books, "/missing/book.epub"), callbacks, {});
        const std::string where =
            std::to_string(c.budget) + " " + std::to_string(c.jobs) + " " + std::to_string(c.books);
        EXPECT_EQ(given, std::vector<unsigned>(c.books, c.workers)) << where;
        const std::size_t atATime = std::min<std::size_t>(c.jobs, c.books);
        EXPECT_LE(atATime * c.workers, std::max(c.budget, c.jobs)) << where;
    }
}

}  // namespace
