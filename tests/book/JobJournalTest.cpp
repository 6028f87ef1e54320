#include "book/scratch/JobJournal.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "book/scratch/FreshNames.hpp"
#include "book/scratch/JobScratch.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;
using Names = std::set<std::string>;

class JobJournalTest : public testing::Test {
  protected:
    JobJournalTest() {
        std::filesystem::create_directory(books);
        ::setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
        WriteFileBytes(books + "/novel.epub", "the book");
        WriteFileBytes(books + "/solo.epub", "a book the user then moves away");
    }
    ~JobJournalTest() override { ::unsetenv("XDG_STATE_HOME"); }

    // Runs job in a child process that is killed once job has returned, or that waits for
    // Release() first when it must stay alive.
    pid_t RunJob(const std::function<void(JobScratch&)>& job, bool stayAlive = false) {
        ::pipe(release_);
        const pid_t child = ::fork();
        if (child == 0) {
            JobScratch scratch;
            job(scratch);
            WriteFileBytes(temp / "ready", "");
            char byte;
            if (stayAlive && ::read(release_[0], &byte, 1) >= 0) {
                ::_exit(0);  // leaves through no destructor: a kill could do no less
            }
            ::raise(SIGKILL);
        }
        while (!stayAlive && ::waitpid(child, nullptr, 0) < 0) {
        }
        for (int i = 0; stayAlive && i < 1000 && !std::filesystem::exists(temp / "ready"); ++i) {
            ::usleep(10000);
        }
        return child;
    }
    void Release(pid_t child) {
        ::write(release_[1], "x", 1);
        ::waitpid(child, nullptr, 0);
    }
    Names Journals() const { return NamesIn(temp / "state/corvela/jobs"); }

    TempFolder temp;
    const std::string books = temp / "books";
    int release_[2] = {-1, -1};
};

TEST_F(JobJournalTest, TheNextJobRemovesWhatAKilledJobMadeAndNothingElse) {
    std::filesystem::create_directory(books + "/novel");  // the user's own
    WriteFileBytes(books + "/novel/notes.txt", "mine");
    RunJob([&](JobScratch& job) {
        ASSERT_EQ(job.MakeSecondName(books + "/novel.epub", books + "/novel.zip", false),
                  books + "/novel.zip");
        ASSERT_EQ(job.MakeSecondName(books + "/solo.epub", books + "/solo.zip", false),
                  books + "/solo.zip");
        ASSERT_EQ(job.MakeFolder(books + "/novel"), books + "/novel~1");
        WriteFileBytes(books + "/novel~1/chapter.xhtml", "unpacked");
        ASSERT_EQ(job.MakeFolder(books + "/out.partial"), books + "/out.partial");
        ASSERT_EQ(job.MakeSecondName(books + "/novel.epub", books + "/copy.zip", true),
                  books + "/copy.zip");
    });
    EXPECT_EQ(Journals().size(), 1u);
    // The user deletes one book and puts a folder of their own where scratch was.
    std::filesystem::remove(books + "/solo.epub");
    std::filesystem::remove_all(books + "/out.partial");
    std::filesystem::create_directory(books + "/out.partial");
    { JobScratch nextJob; }
    EXPECT_EQ(NamesIn(books),
              (Names{"novel.epub", "novel", "solo.zip", "out.partial"}));  // solo.zip: only name
    EXPECT_EQ(ReadFileBytes(books + "/novel/notes.txt"), "mine");
    EXPECT_EQ(ReadFileBytes(books + "/novel.epub"), "the book");
    EXPECT_EQ(Journals(), Names{});
}

TEST_F(JobJournalTest, ALiveJobsScratchIsNeverTaken) {
    const pid_t live = RunJob(
        [&](JobScratch& job) {
            job.MakeFolder(books + "/novel");
            job.MakeSecondName(books + "/novel.epub", books + "/novel.zip", false);
        },
        true);
    JobJournal::RemoveAbandoned();
    { JobScratch another; }
    EXPECT_EQ(NamesIn(books), (Names{"novel.epub", "solo.epub", "novel", "novel.zip"}));
    Release(live);
    JobJournal::RemoveAbandoned();
    EXPECT_EQ(NamesIn(books), (Names{"novel.epub", "solo.epub"}));
    EXPECT_EQ(Journals(), Names{});
}

// A taken name gets its variant number before the extension of a file, after a folder's name.
TEST(FreshCandidateTest, PutsTheNumberBeforeTheExtensionOnlyWhenAskedAndThereIsOne) {
    const std::tuple<std::string, bool, std::string> cases[] = {
        {"/b/novel.zip", true, "/b/novel~2.zip"},
        {"/b/novel.zip", false, "/b/novel.zip~2"},
        {"/my.b/novel", true, "/my.b/novel~2"},
        {"/b/.zip", true, "/b/.zip~2"},
    };
    for (const auto& [wanted, beforeExtension, second] : cases) {
        EXPECT_EQ(FreshCandidate(wanted, 0, beforeExtension), wanted);
        EXPECT_EQ(FreshCandidate(wanted, 2, beforeExtension), second) << wanted;
    }
}

}  // namespace
