#include <gtest/gtest.h>

#include <algorithm>

#include "book/BatchRunner.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;

constexpr const char* kSameOutput = "输出文件与前一本书相同，无法处理";
constexpr const char* kStopped = "已停止";

// What the callbacks saw: "start 1", "end 1 ok", "order 0 no", ...
struct Seen {
    std::vector<std::string> events;
    std::vector<std::size_t> inOrder;
};

// Books in "books" of a temporary folder, run through the batch runner with the callbacks
// recorded.
class BatchRunnerTest : public testing::Test {
  protected:
    BatchRunnerTest() { std::filesystem::create_directories(books); }

    // The sample book, its chapter saying text.
    std::string MakeBook(const std::string& name, const std::string& text = "这是一本简体书") {
        std::vector<ZipEntryPlan> entries = SampleBookEntries();
        entries[2].bytes = "<p>" + text + "</p>\n";
        WriteZip(books + "/" + name, entries);
        return books + "/" + name;
    }
    std::vector<BookOutcome> Run(const std::vector<std::string>& paths, BatchOptions options,
                                 std::stop_source stop = {}, std::size_t stopAfter = 99) {
        BatchCallbacks callbacks;
        callbacks.bookStarting = [this](std::size_t book, JobOptions&) {
            seen.events.push_back("start " + std::to_string(book));
            return true;
        };
        callbacks.bookFinished = [&, this](std::size_t book, const BookOutcome& outcome) {
            seen.events.push_back("end " + std::to_string(book) +
                                  (outcome.IsConverted() ? " ok" : " no"));
            if (book == stopAfter) {
                stop.request_stop();
            }
        };
        callbacks.resultInOrder = [this](std::size_t book, const BookOutcome&) {
            seen.inOrder.push_back(book);
        };
        return CBatchRunner(job, std::move(options)).Run(paths, callbacks, stop.get_token());
    }
    static std::vector<bool> Converted(const std::vector<BookOutcome>& outcomes) {
        std::vector<bool> converted;
        for (const BookOutcome& outcome : outcomes) {
            converted.push_back(outcome.IsConverted());
        }
        return converted;
    }
    std::string Chapter(const std::string& output) {
        return ReadArchive(output)["OEBPS/chapter.xhtml"];
    }

    TempFolder temp;
    const std::string books = temp / "books";
    const std::string out = temp / "out";
    CBookConverter job;
    Seen seen;
};

TEST_F(BatchRunnerTest, ReportsEveryBookInTheGivenOrderBesideTheBooksOrInAnOutputFolder) {
    const std::vector<std::string> paths = {MakeBook("a.epub"), books + "/missing.epub",
                                            MakeBook("b.epub", "简体"), MakeBook("c.epub")};
    for (const unsigned jobs : {1u, 3u}) {
        for (const bool intoFolder : {false, true}) {
            const std::string where = std::to_string(jobs) + (intoFolder ? " into out" : "");
            std::filesystem::remove_all(out);
            std::filesystem::create_directory(out);
            seen = {};
            BatchOptions options;
            options.jobs = jobs;
            options.outputFolder = intoFolder ? out : "";
            const std::vector<BookOutcome> outcomes = Run(paths, options);
            EXPECT_EQ(Converted(outcomes), (std::vector<bool>{true, false, true, true})) << where;
            EXPECT_TRUE(outcomes[1].reason.starts_with("无法打开书文件：")) << where;
            EXPECT_EQ(seen.inOrder, (std::vector<std::size_t>{0, 1, 2, 3})) << where;
            EXPECT_EQ(seen.events.size(), 8u) << where;
            const std::string b = intoFolder ? out + "/b.epub" : books + "/b_corvela.epub";
            EXPECT_EQ(Chapter(b), "<p>簡體</p>\n") << where;
            EXPECT_EQ(NamesIn(books), intoFolder
                                          ? (Names{"a.epub", "b.epub", "c.epub"})
                                          : (Names{"a.epub", "a_corvela.epub", "b.epub",
                                                   "b_corvela.epub", "c.epub", "c_corvela.epub"}))
                << where;
            EXPECT_EQ(NamesIn(out), intoFolder ? (Names{"a.epub", "b.epub", "c.epub"}) : (Names{}))
                << where;
            std::filesystem::remove(books + "/a_corvela.epub");
            std::filesystem::remove(books + "/b_corvela.epub");
            std::filesystem::remove(books + "/c_corvela.epub");
        }
    }
}

TEST_F(BatchRunnerTest, RefusesABookWhoseOutputAnEarlierBookWritesAndKeepsThatOutput) {
    std::filesystem::create_directory(temp / "elsewhere");
    std::filesystem::create_directory_symlink(books, temp / "elsewhere/link");
    const std::vector<std::string> paths = {
        MakeBook("a.epub", "第一本"),      MakeBook("a.zip", "第二本"),
        MakeBook("a.EPUB", "第三本"),      temp / "elsewhere/link/a.epub",
        temp / "elsewhere/../books/./a.x", MakeBook("b.epub")};
    std::filesystem::copy_file(paths[0], books + "/a.x");
    const std::vector<BookOutcome> outcomes = Run(paths, BatchOptions{});
    EXPECT_EQ(Converted(outcomes), (std::vector<bool>{true, false, false, false, false, true}));
    for (std::size_t i = 1; i <= 4; ++i) {
        EXPECT_EQ(outcomes[i].reason, kSameOutput) << paths[i];
        EXPECT_EQ(outcomes[i].kind, OutcomeKind::Refused) << paths[i];
    }
    EXPECT_EQ(Chapter(books + "/a_corvela.epub"), "<p>第一本</p>\n");
    // In an output folder the same file name is the same output.
    std::filesystem::create_directory(out);
    std::filesystem::create_directory(temp / "other");
    std::filesystem::copy_file(paths[2], temp / "other/b.epub");
    BatchOptions options;
    options.outputFolder = out;
    options.jobs = 2;
    EXPECT_EQ(Converted(Run({temp / "other/b.epub", paths[5]}, options)),
              (std::vector<bool>{true, false}));
    EXPECT_EQ(Chapter(out + "/b.epub"), "<p>第三本</p>\n");
}

TEST_F(BatchRunnerTest, AStopEndsTheBatchAndLeavesTheBooksNotStartedUntouched) {
    const std::vector<std::string> paths = {MakeBook("a.epub"), MakeBook("b.epub"),
                                            MakeBook("c.epub")};
    const std::vector<BookOutcome> outcomes = Run(paths, BatchOptions{}, std::stop_source(), 0);
    EXPECT_EQ(Converted(outcomes), (std::vector<bool>{true, false, false}));
    for (const BookOutcome& stopped : {outcomes[1], outcomes[2]}) {
        EXPECT_EQ(stopped.kind, OutcomeKind::Stopped);
        EXPECT_EQ(stopped.reason, kStopped);
    }
    EXPECT_EQ(seen.events,
              (std::vector<std::string>{"start 0", "end 0 ok", "end 1 no", "end 2 no"}));
    EXPECT_EQ(seen.inOrder, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(NamesIn(books), (Names{"a.epub", "a_corvela.epub", "b.epub", "c.epub"}));
}

// The archiver stand-in marks each unpack and waits for a second mark (a minute at most), so a
// book that was alone in unpacking says so.
TEST_F(BatchRunnerTest, ConvertsSeveralBooksAtATime) {
    const std::string tools = temp / "tools";
    std::filesystem::create_directories(tools + "/marks");
    std::filesystem::copy_file(CORVELA_TEST_DATA_DIR "/winrar-standin.sh", tools + "/standin");
    WriteScript(tools + "/WinRAR.exe",
                "cd '" + tools +
                    "' || exit 9\n"
                    "if [ \"$1\" = x ]; then\n"
                    "  touch marks/$$; n=0\n"
                    "  while [ $(ls marks | wc -l) -lt 2 ] && [ $n -lt 600 ]; do\n"
                    "    sleep 0.1; n=$((n+1)); done\n"
                    "  [ $(ls marks | wc -l) -ge 2 ] && echo together >> log || echo alone >> log\n"
                    "fi\n"
                    "exec ./standin \"$@\"\n");
    BatchOptions options;
    options.jobs = 2;
    options.job.archiverPath = tools + "/WinRAR.exe";
    const std::vector<BookOutcome> outcomes =
        Run({MakeBook("a.epub"), MakeBook("b.epub")}, options);
    EXPECT_EQ(Converted(outcomes), (std::vector<bool>{true, true}));
    EXPECT_EQ(ReadFileBytes(tools + "/log"), "together\ntogether\n");
}

// The first book's unpack is slowed down, so a second book that did not wait would read the
// stale output that lies there before the batch.
TEST_F(BatchRunnerTest, ABookThatReadsAnEarlierBooksOutputWaitsForItWhenBooksRunAtATime) {
    const std::string tools = temp / "tools";
    std::filesystem::create_directories(tools);
    std::filesystem::copy_file(CORVELA_TEST_DATA_DIR "/winrar-standin.sh", tools + "/standin");
    WriteScript(tools + "/WinRAR.exe",
                "[ \"$1 ${2##*/}\" = \"x a.zip\" ] && sleep 1\n"
                "exec '" +
                    tools + "/standin' \"$@\"\n");
    const std::string first = MakeBook("a.epub", "第一本");
    const std::string stale = MakeBook("a_corvela.epub", "旧的");
    BatchOptions options;
    options.jobs = 2;
    options.job.archiverPath = tools + "/WinRAR.exe";
    EXPECT_EQ(Converted(Run({first, stale}, options)), (std::vector<bool>{true, true}));
    EXPECT_EQ(Chapter(books + "/a_corvela_corvela.epub"), "<p>第一本</p>\n");
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
