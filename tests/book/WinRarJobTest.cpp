#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/TestProcesses.hpp"

namespace {

using testing_support::ReadArchive;
using testing_support::ReadFileBytes;
using testing_support::SampleBookEntries;
using testing_support::WriteFileBytes;
using testing_support::WriteScript;
using Names = std::set<std::string>;

// The job with the WinRAR stand-in, installed under a folder whose name holds a blank so that
// the unquoted archiver path is resolved as the platform does.
class WinRarJobTest : public book_testing::BookJobTest {
  protected:
    void SetUp() override {
        BookJobTest::SetUp();
        std::filesystem::create_directory(tools);
        std::filesystem::copy_file(CORVELA_TEST_DATA_DIR "/winrar-standin.sh", archiver);
    }

    std::string Recorded() const { return ReadFileBytes(archiver + ".args"); }

    const std::string tools = temp / "my tools";
    const std::string archiver = tools + "/WinRAR.exe";
};

TEST_F(WinRarJobTest, UnpacksAndPacksWithTheArchiverItsCommandLinesSay) {
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
    ASSERT_EQ(Convert(book, archiver), 1);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(Recorded(), "x\n" + books + "/novel.zip\n" + books + "/novel/\n\n" +
                              "a\n-r\n-ep1\n-afzip\n" + books +
                              "/novel_corvela.epub.partial/novel_corvela.epub\n" + books +
                              "/novel/./\n\n");
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
    auto files = ReadArchive(books + "/novel_corvela.epub");
    EXPECT_NE(files["OEBPS/chapter.xhtml"].find("簡體書"), std::string::npos);
    EXPECT_EQ(files["OEBPS/images/cover.png"], testing_support::BinaryBytes(1));
}

struct FailingCase {
    std::string name;
    std::string script;   // empty: an archiver file that is not a program
    std::string message;  // empty: none
};

class FailingWinRarTest : public WinRarJobTest, public testing::WithParamInterface<FailingCase> {};

TEST_P(FailingWinRarTest, GivesZeroAndLeavesNothing) {
    const std::string failing = tools + "/Failing.exe";
    if (GetParam().script.empty()) {
        WriteFileBytes(failing, "not a program");
    } else {
        WriteScript(failing, GetParam().script + "exec \"" + archiver + "\" \"$@\"\n");
    }
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    WriteFileBytes(books + "/novel_corvela.epub", "old output");
    EXPECT_EQ(Convert(book, failing), 0);
    EXPECT_EQ(converter.messages, GetParam().message.empty()
                                      ? std::vector<std::string>{}
                                      : std::vector<std::string>{GetParam().message});
    EXPECT_EQ(ReadFileBytes(books + "/novel_corvela.epub"), "old output");
    EXPECT_EQ(Beside(), (Names{"novel.epub", "novel_corvela.epub"}));
}

INSTANTIATE_TEST_SUITE_P(
    Archivers, FailingWinRarTest,
    testing::Values(FailingCase{"NotAProgram", "", "调用 WinRAR 失败"},
                    FailingCase{"UnpackFails", "[ \"$1\" = x ] && exit 3\n", ""},
                    FailingCase{"UnpackFailsAfterWriting",
                                "[ \"$1\" = x ] && { unzip -qq \"$2\" -d \"$3\"; exit 1; }\n", ""},
                    FailingCase{"PackFails",
                                "[ \"$1\" = a ] && { echo partial > \"$5\"; exit 1; }\n", ""}),
    [](const auto& info) { return info.param.name; });

// Waits for the stand-in to say it is running; the deadline only guards against a hang.
bool WaitForFile(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(path)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class StoppedJobTest : public WinRarJobTest, public testing::WithParamInterface<std::string> {};

TEST_P(StoppedJobTest, EndsTheToolAndLeavesTheBookAsItWas) {
    // The stand-in does its work for the step, then says so and hangs until it is ended.
    const std::string hanging = tools + "/Hanging.exe";
    WriteScript(hanging, "\"" + archiver + "\" \"$@\"\n[ \"$1\" = " + GetParam() +
                             " ] && { touch \"$0.running\"; exec sleep 60; }\nexit 0\n");
    const std::string book = MakeBook("novel.epub", SampleBookEntries());
    const std::string original = ReadFileBytes(book);
    std::stop_source stop;
    int result = -1;
    std::jthread job([&] { result = Convert(book, hanging, stop.get_token()); });
    ASSERT_TRUE(WaitForFile(hanging + ".running"));
    stop.request_stop();
    job.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(ReadFileBytes(book), original);
    EXPECT_EQ(Beside(), Names{"novel.epub"});
}

INSTANTIATE_TEST_SUITE_P(Steps, StoppedJobTest, testing::Values("x", "a"),
                         [](const auto& info) { return info.param == "x" ? "Unpack" : "Pack"; });

}  // namespace
