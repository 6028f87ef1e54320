#include "platform/Process.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <thread>

#include "platform/FileSystem.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using platform::RunTool;
using platform::ToolOutcome;
using platform::ToolResult;
using namespace testing_support;

// Records its working directory, its arguments in brackets and its standard input beside itself.
constexpr const char* kRecorder =
    "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; cat; } > \"$0.args\"\nexit 7\n";

class RunToolTest : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder / "my tools");
        std::filesystem::create_directories(work + "/dir");
        WriteScript(recorder, kRecorder);
    }
    std::string Recorded(const std::string& tool) const { return ReadFileBytes(tool + ".args"); }

    TempFolder folder;
    const std::string recorder = folder / "my tools/record";
    const std::string work = folder / "work";
};

TEST_F(RunToolTest, SplitsWithoutAShellAndExpandsWildcardsInTheToolsFolderAlone) {
    for (const char* name : {"b", ".hidden", "-h", "a.css", "*.xhtml", "[x]"}) {
        WriteFileBytes(work + "/" + name, "x");
    }
    // Our standard input holds an answer that the tool must never get.
    int answer[2];
    ASSERT_EQ(::pipe(answer), 0);
    ASSERT_EQ(::write(answer[1], "y\n", 2), 2);
    ::close(answer[1]);
    const int ourInput = ::dup(0);
    ::dup2(answer[0], 0);
    const std::string before = platform::CurrentDirectory();
    const ToolResult result =
        RunTool("\"" + recorder + "\" \"a b\"  $HOME ';' \"|\" * \"*\" *.css n?ne \"/b/n\"/", work);
    ::dup2(ourInput, 0);
    ::close(ourInput);
    ::close(answer[0]);
    EXPECT_EQ(result.outcome, ToolOutcome::Completed);
    EXPECT_EQ(result.exitStatus, 7);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(platform::CurrentDirectory(), before);
    EXPECT_EQ(Recorded(recorder), work +
                                      "\n[a b]\n[$HOME]\n[';']\n[|]\n[*.xhtml]\n[./-h]\n"
                                      "[.hidden]\n[[x]]\n[a.css]\n[b]\n[dir]\n[*]\n[a.css]\n"
                                      "[n?ne]\n[/b/n/]\n");
    RunTool("\"" + recorder + "\"", "");
    EXPECT_EQ(Recorded(recorder), before + "\n");
}

TEST_F(RunToolTest, FindsAnUnquotedPathWithBlanksOrABareNameOnPathOrSaysItCannotStart) {
    RunTool(recorder + " x \"/b/n.zip\"", work);
    EXPECT_EQ(Recorded(recorder), work + "\n[x]\n[/b/n.zip]\n");
    // With "my" a program too, the first blank-separated head that names a file wins.
    WriteScript(folder / "my", kRecorder);
    RunTool(recorder + " arg", work);
    EXPECT_EQ(Recorded(folder / "my"), work + "\n[tools/record]\n[arg]\n");
    ScopedPath path(folder / "my tools" + ":" + std::getenv("PATH"));
    EXPECT_EQ(RunTool("record -o", work).exitStatus, 7);
    EXPECT_EQ(Recorded(recorder), work + "\n[-o]\n");
    WriteFileBytes(folder / "plain", "not a program");
    ScopedPath other(folder.path());
    for (const std::string& line : std::vector<std::string>{
             "", "   ", "zip -r x", folder / "nothing x", folder.path() + " x", folder / "plain"}) {
        EXPECT_EQ(RunTool(line, "").outcome, ToolOutcome::NotStarted) << line;
    }
    EXPECT_EQ(RunTool("/bin/true", folder / "missing").outcome, ToolOutcome::NotStarted);
}

// A tool whose own process tells on its session, terminal and standard input, then ends as asked.
TEST_F(RunToolTest, RunsWithoutATerminalInASessionOfItsOwnAndSaysHowItEnded) {
    const std::string teller = folder / "teller";
    WriteScript(teller,
                "{ [ \"$(cut -d' ' -f6 /proc/$$/stat)\" = $$ ] && echo leader; "
                "(exec 3</dev/tty) 2>/dev/null && echo tty; cat; } > \"$0.out\"\n"
                "case \"$1\" in kill) kill -9 $$;; long) exit 3;; esac\n");
    WriteFileBytes(folder / "input", "from a file\n");
    const ToolResult fed = RunTool("\"" + teller + "\"", "", {}, folder / "input");
    EXPECT_EQ(ReadFileBytes(teller + ".out"), "leader\nfrom a file\n");
    EXPECT_EQ(fed.exitStatus, 0);
    const ToolResult killed = RunTool("\"" + teller + "\" kill", "");
    EXPECT_EQ(killed.outcome, ToolOutcome::Completed);
    EXPECT_EQ(killed.exitStatus, -1);
    EXPECT_EQ(killed.signal, SIGKILL);
    const ToolResult tooLong = RunTool("\"" + teller + "\" " + std::string(3 << 20, 'x'), "");
    EXPECT_EQ(tooLong.outcome, ToolOutcome::NotStarted);
    EXPECT_EQ(tooLong.startError, E2BIG);
}

// True until the process is gone or a zombie waiting for the system to reap it, for ten
// seconds at most.
bool OutlivesItsEnd(pid_t process) {
    auto alive = [process] {
        const std::string stat = "/proc/" + std::to_string(process) + "/stat";
        if (platform::TypeOf(stat) == platform::EntryType::Missing) {
            return false;
        }
        const std::string text = ReadFileBytes(stat);
        return text.substr(text.rfind(')') + 2, 1) != "Z";
    };
    for (int i = 0; i < 1000 && alive(); ++i) {
        ::usleep(10000);
    }
    return alive();
}

void AwaitFile(const std::string& path) {
    for (int i = 0; i < 1000 && platform::TypeOf(path) == platform::EntryType::Missing; ++i) {
        ::usleep(10000);
    }
}

// The job's process is killed outright while its tool runs: the tool must not outlive it.
TEST_F(RunToolTest, AToolDiesWithTheJobThatStartedIt) {
    const std::string sleeper = folder / "sleeper";
    WriteScript(sleeper, "echo $$ > \"$0.pid.new\"; mv \"$0.pid.new\" \"$0.pid\"; exec sleep 60\n");
    const pid_t job = ::fork();
    ASSERT_GE(job, 0);
    if (job == 0) {
        RunTool("\"" + sleeper + "\"", "");
        ::_exit(0);
    }
    AwaitFile(sleeper + ".pid");
    const pid_t tool = std::stoi(ReadFileBytes(sleeper + ".pid"));
    ::kill(job, SIGKILL);
    ::waitpid(job, nullptr, 0);
    EXPECT_FALSE(OutlivesItsEnd(tool));
}

// A stop asks the tool and every helper it started to end, then kills what is left: a tool
// that ends on TERM or is deaf to it, with one helper that ends on TERM and one deaf to it. Each
// tells when it is ready, the tool once it is deaf; they write their marks with the shell alone,
// since a process started on a loaded machine might not run within the grace.
TEST_F(RunToolTest, AStopEndsTheToolAndEveryHelperItStarted) {
    for (const std::string toolOnTerm : {"trap '' TERM", ":"}) {
        const std::string tool = folder / ("tool" + std::to_string(toolOnTerm.size()));
        WriteScript(
            tool,
            // A helper left behind must not hold the test's standard error open.
            "exec 2>/dev/null\n"
            "( trap ': > \"$0.ended\"; exit' TERM; sleep 60 & : > \"$0.listening\"; wait ) &\n"
            "( trap '' TERM; : > \"$0.deaf\"; exec sleep 60 ) &\n"
            "deaf=$!; " +
                toolOnTerm + "; echo $deaf > \"$0.pid.new\"; mv \"$0.pid.new\" \"$0.pid\"\nwait\n");
        std::stop_source stop;
        ToolResult result;
        std::thread run([&] { result = RunTool("\"" + tool + "\"", "", stop.get_token()); });
        for (const char* ready : {".listening", ".deaf", ".pid"}) {
            AwaitFile(tool + ready);
        }
        stop.request_stop();
        run.join();
        EXPECT_TRUE(result.stopped) << toolOnTerm;
        EXPECT_EQ(platform::TypeOf(tool + ".ended"), platform::EntryType::File) << toolOnTerm;
        EXPECT_FALSE(OutlivesItsEnd(std::stoi(ReadFileBytes(tool + ".pid")))) << toolOnTerm;
    }
}

}  // namespace
