#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "book/scratch/JobScratch.hpp"
#include "platform/ErrorReason.hpp"
#include "tests/book/BookJobFixture.hpp"

namespace {

using namespace testing_support;

std::size_t Characters(const std::string& text) {
    std::size_t count = 0;
    for (const char byte : text) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

std::string Repeated(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += part;
    }
    return text;
}

class BookScratchHostileTest : public BookJobTest {
  protected:
    // A book whose chapter "which.xhtml" tells which book it is.
    std::string BookSaying(const std::string& path, const std::string& words) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        return WriteSampleBook(path, {{"OEBPS/which.xhtml", "<p>" + words + "</p>"}});
    }
    // Every symbolic link under the temporary folder.
    std::set<std::string> Links() const {
        std::set<std::string> links;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.path())) {
            if (entry.is_symlink()) {
                links.insert(entry.path().lexically_relative(temp.path()).string());
            }
        }
        return links;
    }
};

// A symbolic link is the book it leads to, wherever the job puts its scratch; nothing the job
// makes is a link, and nothing is left after a run, however many runs.
TEST_F(BookScratchHostileTest, ASymlinkedBookIsTheFileItNames) {
    const std::string out = temp / "out";
    std::filesystem::create_directory(out);
    BookSaying(out + "/novel.epub", "别的书");  // what the link's text names from out/
    BookSaying(temp / "ro/novel.epub", "目标书");
    std::filesystem::create_symlink("novel.epub", temp / "ro/link.epub");
    BookSaying(books + "/real/novel.epub", "目标书");
    std::filesystem::create_symlink("real/novel.epub", books + "/link.epub");
    std::filesystem::permissions(
        temp / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    struct Case {
        const char* name;
        std::string link, scratchFolder, output;
    };
    const Case cases[] = {
        {"read-only folder, output folder", temp / "ro/link.epub", out, out + "/link.epub"},
        {"beside the link", books + "/link.epub", "", books + "/link_corvela.epub"},
    };
    const std::set<std::string> userLinks{"books/link.epub", "ro/link.epub"};
    for (const Case& c : cases) {
        for (int run = 0; run < 2; ++run) {
            JobOptions options;
            options.scratchFolder = c.scratchFolder;
            const BookOutcome outcome = Convert(options, c.link, c.output);
            EXPECT_TRUE(outcome.IsConverted()) << c.name << ": " << outcome.reason;
            EXPECT_EQ(ReadArchive(c.output)["OEBPS/which.xhtml"], "<p>目標書</p>") << c.name;
            EXPECT_EQ(Links(), userLinks) << c.name;
        }
    }
    EXPECT_EQ(NamesIn(out), (Names{"novel.epub", "link.epub"}));
    EXPECT_EQ(NamesIn(temp / "ro"), (Names{"novel.epub", "link.epub"}));
    EXPECT_EQ(Beside(), (Names{"real", "link.epub", "link_corvela.epub"}));
    EXPECT_EQ(NamesIn(books + "/real"), Names{"novel.epub"});
    EXPECT_EQ(ReadArchive(books + "/real/novel.epub")["OEBPS/which.xhtml"], "<p>目标书</p>");

    std::filesystem::create_symlink("missing.epub", books + "/gone.epub");
    const BookOutcome gone = Run(books + "/gone.epub");
    EXPECT_TRUE(gone.reason.starts_with("无法打开书文件：")) << gone.reason;
    // The scratch's own second names are never made of a link either.
    JobScratch scratch;
    EXPECT_EQ(scratch.MakeSecondName(books + "/link.epub", books + "/second.zip", false),
              std::nullopt);
    EXPECT_EQ(scratch.Error(), ELOOP);
}

// Without a usable state folder the journal lies beside the scratch; after a real kill, the
// next job on a book of that folder removes what the dead one made, whatever its state folder.
TEST_F(BookScratchHostileTest, AKilledJobWithoutAStateFolderLeavesNothingForGood) {
    WriteFileBytes(temp / "statefile", "");  // the state folder cannot be made under a file
    const std::string unusable = temp / "statefile/state";
    const std::pair<const char*, std::string> nextStates[] = {{"still unusable", unusable},
                                                              {"usable again", temp / "state"}};
    for (const auto& [name, nextState] : nextStates) {
        const std::string folder = books + "/" + name;
        std::filesystem::create_directory(folder);
        const std::string book = WriteSampleBook(folder + "/novel.epub");
        ::setenv("XDG_STATE_HOME", unusable.c_str(), 1);
        const pid_t child = ::fork();
        if (child == 0) {
            JobScratch scratch({folder});
            scratch.MakeSecondName(book, folder + "/novel.zip", true);
            scratch.MakeFolder(folder + "/novel");
            scratch.MakeFolder(folder + "/novel_corvela.epub.partial");
            ::raise(SIGKILL);
        }
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(NamesIn(folder).size(), 5u) << name;  // the book, three entries, a journal
        ::setenv("XDG_STATE_HOME", nextState.c_str(), 1);
        const std::string other = WriteSampleBook(folder + "/other.epub");
        EXPECT_TRUE(Run(other).IsConverted()) << name;
        EXPECT_EQ(NamesIn(folder), (Names{"novel.epub", "other.epub", "other_corvela.epub"}))
            << name;
    }
}

// What went wrong, said in one line: a name clash as a name clash (a folder before a file of its
// name; the other order is an entry-name case), a name too long before any work.
TEST_F(BookScratchHostileTest, ReasonsSayWhatHappenedInOneShortLine) {
    const std::string deep = Repeated(Repeated("长", 80) + "/", 4) + "a";
    const std::tuple<const char*, std::vector<ZipEntryPlan>, std::string> clashes[] = {
        {"folder first", {{"OEBPS/a/b.css", "body {}"}, {"OEBPS/a", "file"}}, "：OEBPS/a"},
        {"a long name", {{deep + "/b.css", "body {}"}, {deep, "file"}}, "长长/a"},
    };
    for (const auto& [name, entries, named] : clashes) {
        const std::string book = MakeBook("clash.epub", entries);
        const BookOutcome outcome = Run(book);
        EXPECT_EQ(outcome.kind, OutcomeKind::Refused) << name;
        EXPECT_TRUE(outcome.reason.starts_with("书中有同名的文件和文件夹，无法处理：") &&
                    outcome.reason.ends_with(named))
            << name << ": " << outcome.reason;
        EXPECT_LE(Characters(outcome.reason), platform::kMostReasonCharacters) << name;
        EXPECT_EQ(Beside(), Names{"clash.epub"}) << name;
        std::filesystem::remove(book);
    }
    // The longest scratch name is the output's with ".partial" and a variant number.
    for (const auto& [characters, converted] : {std::pair{77, true}, {78, false}}) {
        const std::string book = MakeBook(Repeated("书", characters) + ".epub");
        const BookOutcome outcome = Run(book);
        EXPECT_EQ(outcome.IsConverted(), converted) << characters << ": " << outcome.reason;
        EXPECT_EQ(Beside().size(), converted ? 2u : 1u) << characters;
        EXPECT_TRUE(converted || outcome.reason.starts_with("名称太长，无法处理：")) << characters;
        EXPECT_LE(Characters(outcome.reason), platform::kMostReasonCharacters);
        std::filesystem::remove_all(books);
        std::filesystem::create_directory(books);
    }
}

TEST(OneLineReasonTest, CutsInTheMiddleBetweenCharactersKeepsTheCauseAndShowsControls) {
    const std::string many = Repeated("书", 400);
    const std::string tail = "：" + std::string(std::strerror(ENOENT));
    const std::pair<std::string, std::string> cases[] = {
        {platform::OneLineReason("a\nb\tc\x7f"), "a\\x0Ab\\x09c\\x7F"},
        {platform::OneLineReason("无法打开 " + many + "。"),
         "无法打开 " + Repeated("书", 144) + "…" + Repeated("书", 149) + "。"},
        {platform::ReasonOf("无法读取 " + many, ENOENT),
         platform::OneLineReason("无法读取 " + many, 300 - Characters(tail)) + tail},
    };
    for (const auto& [shown, expected] : cases) {
        EXPECT_EQ(shown, expected);
    }
}

}  // namespace
