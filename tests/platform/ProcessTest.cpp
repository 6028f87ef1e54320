#include "platform/Process.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/FileSystem.hpp"
#include "tests/support/TempFolder.hpp"
#include "tests/support/TestProcesses.hpp"

namespace {

using platform::RunTool;
using platform::ToolOutcome;
using platform::ToolResult;
using testing_support::ReadFileBytes;
using testing_support::ScopedEnvironmentVariable;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using testing_support::WriteScript;

// Records its working directory and arguments, one a line in brackets, beside itself.
constexpr const char* kRecorder =
    "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > \"$0.args\"\n"
    "cat > \"$0.stdin\"\n"
    "exit 7\n";

class RunToolTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(platform::CreateFolder(folder / "my tools"));
        ASSERT_TRUE(platform::CreateFolder(folder / "work"));
        WriteScript(recorder, kRecorder);
    }

    std::string Recorded() const { return ReadFileBytes(recorder + ".args"); }

    TempFolder folder;
    const std::string recorder = folder / "my tools/record";
    const std::string work = folder / "work";
};

TEST_F(RunToolTest, PassesQuotedArgumentsWithoutAShellAndReportsTheExitStatus) {
    const ToolResult result = RunTool("\"" + recorder + "\" x \"a b\" $HOME ';' \"|\" `id`", work);
    EXPECT_EQ(result.outcome, ToolOutcome::Completed);
    EXPECT_EQ(result.exitStatus, 7);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(Recorded(), work + "\n[x]\n[a b]\n[$HOME]\n[';']\n[|]\n[`id`]\n");
    EXPECT_EQ(ReadFileBytes(recorder + ".stdin"), "");
}

TEST_F(RunToolTest, ResolvesAnUnquotedProgramPathWithBlanks) {
    const ToolResult result = RunTool(recorder + " x \"/b/n.zip\" \"/b/n\"/", work);
    EXPECT_EQ(result.outcome, ToolOutcome::Completed);
    EXPECT_EQ(Recorded(), work + "\n[x]\n[/b/n.zip]\n[/b/n/]\n");
}

TEST_F(RunToolTest, TakesTheShortestHeadThatNamesAFile) {
    // "my" exists as a program too: the platform takes the first token that names a file.
    WriteScript(folder / "my", kRecorder);
    RunTool(folder / "my tools/record arg", work);
    EXPECT_EQ(ReadFileBytes(folder / "my.args"), work + "\n[tools/record]\n[arg]\n");
}

TEST_F(RunToolTest, FindsABareNameOnPath) {
    ScopedEnvironmentVariable path("PATH", folder / "my tools");
    const ToolResult result = RunTool("record -o \"x\"", work);
    EXPECT_EQ(result.outcome, ToolOutcome::Completed);
    EXPECT_EQ(Recorded(), work + "\n[-o]\n[x]\n");
}

TEST_F(RunToolTest, KeepsOurOwnCurrentDirectory) {
    const std::string before = platform::CurrentDirectory();
    RunTool("\"" + recorder + "\"", work);
    EXPECT_EQ(platform::CurrentDirectory(), before);
    RunTool("\"" + recorder + "\"", "");
    EXPECT_EQ(Recorded(), before + "\n");
}

TEST_F(RunToolTest, ExpandsUnquotedWildcardsInTheToolsWorkingDirectory) {
    for (const char* name : {"b", ".hidden", "-h", "a.css", "a.txt"}) {
        WriteFileBytes(work + "/" + name, "x");
    }
    ASSERT_TRUE(platform::CreateFolder(work + "/dir"));
    RunTool("\"" + recorder + "\" * \"*\" *.css n?ne", work);
    EXPECT_EQ(Recorded(), work +
                              "\n[./-h]\n[.hidden]\n[a.css]\n[a.txt]\n[b]\n[dir]\n"
                              "[*]\n[a.css]\n[n?ne]\n");
}

struct NotStartedCase {
    std::string name;
    std::string commandLine;
    std::string workingDirectory;
};

class RunToolNotStartedTest : public testing::TestWithParam<NotStartedCase> {};

TEST_P(RunToolNotStartedTest, ReportsNotStarted) {
    TempFolder folder;
    WriteFileBytes(folder / "plain", "not a program");
    ScopedEnvironmentVariable path("PATH", folder.path());
    std::string line = GetParam().commandLine;
    for (std::size_t at; (at = line.find("{T}")) != std::string::npos;) {
        line.replace(at, 3, folder.path());
    }
    const ToolResult result =
        RunTool(line, GetParam().workingDirectory.empty() ? "" : folder / "missing");
    EXPECT_EQ(result.outcome, ToolOutcome::NotStarted);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RunToolNotStartedTest,
    testing::Values(NotStartedCase{"Empty", "", ""}, NotStartedCase{"Blank", "   ", ""},
                    NotStartedCase{"MissingOnPath", "zip -r x", ""},
                    NotStartedCase{"MissingPath", "{T}/nothing x", ""},
                    NotStartedCase{"Folder", "{T} x", ""},
                    NotStartedCase{"NotExecutable", "{T}/plain", ""},
                    NotStartedCase{"MissingWorkingDirectory", "/bin/true", "missing"}),
    [](const auto& info) { return info.param.name; });

// True while the process exists and is not a zombie.
bool IsRunning(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// Waits for path to be written by a tool; the deadline only guards against a hang.
pid_t WaitForPid(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        pid_t pid = 0;
        if (in >> pid) {
            return pid;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

struct StopCase {
    std::string name;
    std::string script;
};

class RunToolStopTest : public testing::TestWithParam<StopCase> {};

TEST_P(RunToolStopTest, AStopRequestEndsTheToolAndItsHelpers) {
    TempFolder folder;
    const std::string tool = folder / "tool";
    WriteScript(tool, GetParam().script);
    std::stop_source stop;
    ToolResult result;
    std::jthread runner(
        [&] { result = RunTool("\"" + tool + "\"", folder.path(), stop.get_token()); });
    const pid_t helper = WaitForPid(tool + ".helper");
    const pid_t pid = WaitForPid(tool + ".pid");
    ASSERT_NE(pid, 0);
    ASSERT_NE(helper, 0);
    stop.request_stop();
    runner.join();
    EXPECT_EQ(result.outcome, ToolOutcome::Completed);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(IsRunning(pid));
    // The helper was signalled with the tool's group; give init a moment to reap it.
    for (int i = 0; i < 200 && IsRunning(helper); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(IsRunning(helper));
}

INSTANTIATE_TEST_SUITE_P(Tools, RunToolStopTest,
                         testing::Values(StopCase{"Waiting",
                                                  "sleep 60 & echo $! > \"$0.helper\"\n"
                                                  "echo $$ > \"$0.pid\"\nwait\n"},
                                         StopCase{"IgnoringTerm",
                                                  "trap '' TERM\n"
                                                  "sleep 60 & echo $! > \"$0.helper\"\n"
                                                  "echo $$ > \"$0.pid\"\n"
                                                  "while :; do sleep 1; done\n"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
