#include "platform/Process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "platform/CommandLine.hpp"
#include "platform/FileSystem.hpp"
#include "platform/Wildcard.hpp"

extern char** environ;

namespace platform {

namespace {

// How long a wait sleeps at most before it looks at the stop request again.
constexpr std::chrono::milliseconds kLongestPollPause{50};
constexpr std::chrono::seconds kTerminationGrace{2};

struct ProgramAndArguments {
    std::string program;
    std::vector<std::string> arguments;  // argument 0 included
};

bool IsExecutableFile(const std::string& path) {
    return TypeOf(path) != EntryType::Folder && ::access(path.c_str(), X_OK) == 0;
}

bool NamesFile(const std::string& path) {
    const EntryType type = TypeOf(path);
    return type == EntryType::File || type == EntryType::SymbolicLink;
}

// The length of the unquoted head of commandLine that names the program: the shortest run of
// blank-separated tokens after which a file exists, else the first token alone.
std::size_t UnquotedProgramLength(const std::string& commandLine) {
    const std::size_t quoteAt = commandLine.find('"');
    const std::string head = commandLine.substr(0, quoteAt);
    std::size_t firstEnd = head.find_first_of(" \t");
    if (firstEnd == std::string::npos) {
        return head.size();
    }
    for (std::size_t end = firstEnd; end != std::string::npos;
         end = head.find_first_of(" \t", end + 1)) {
        const std::string candidate = head.substr(0, end);
        if (candidate.find('/') != std::string::npos && NamesFile(candidate)) {
            return end;
        }
    }
    if (quoteAt == std::string::npos && head.find('/') != std::string::npos && NamesFile(head)) {
        return head.size();
    }
    return firstEnd;
}

std::vector<std::string> ExpandArguments(const std::vector<CommandArgument>& split,
                                         const std::string& folder) {
    std::vector<std::string> arguments;
    for (const CommandArgument& argument : split) {
        if (!argument.quoted && HasWildcard(argument.text)) {
            for (std::string& name : ExpandWildcard(argument.text, folder)) {
                arguments.push_back(std::move(name));
            }
        } else {
            arguments.push_back(argument.text);
        }
    }
    return arguments;
}

std::optional<ProgramAndArguments> Resolve(const std::string& commandLine,
                                           const std::string& folder) {
    std::size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return std::nullopt;
    }
    const std::string line = commandLine.substr(start);
    std::string programText;
    std::string rest;
    if (line.starts_with('"')) {
        std::vector<CommandArgument> split = SplitCommandLine(line);
        programText = split.front().text;
        const std::size_t closing = line.find('"', 1);
        rest = closing == std::string::npos ? std::string() : line.substr(closing + 1);
    } else {
        const std::size_t length = UnquotedProgramLength(line);
        programText = line.substr(0, length);
        rest = line.substr(length);
    }
    std::string program = FindProgram(programText);
    if (program.empty()) {
        return std::nullopt;
    }
    ProgramAndArguments resolved{AbsolutePath(program), {programText}};
    for (std::string& argument : ExpandArguments(SplitCommandLine(rest), folder)) {
        resolved.arguments.push_back(std::move(argument));
    }
    return resolved;
}

// What the child needs, prepared before the fork: after it only async-signal-safe calls run.
struct ChildPlan {
    const char* program;
    char* const* argv;
    const char* workingDirectory;  // null: ours
    const char* standardInput;
    pid_t parent;
    int report;  // where the child writes the errno of a failed start
};

[[noreturn]] void FailChild(const ChildPlan& plan) {
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(plan.report, &error, sizeof error);
    ::_exit(127);
}

[[noreturn]] void RunChild(const ChildPlan& plan) {
    // A session of its own: no controlling terminal, so no tool can ask the user anything and
    // hang, and a process group of its own, so a stop reaches the helpers it starts.
    ::setsid();
    // The tool dies with the thread that started it, even when the job is killed outright.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != plan.parent) {
        ::_exit(127);  // the job died before the line above took effect
    }
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        ::sigaction(number, &defaults, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int input = ::open(plan.standardInput, O_RDONLY);
    const int output = ::open("/dev/null", O_WRONLY);
    if (input < 0 || output < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0) {
        FailChild(plan);
    }
    if (plan.workingDirectory != nullptr && ::chdir(plan.workingDirectory) != 0) {
        FailChild(plan);
    }
    ::execve(plan.program, plan.argv, environ);
    FailChild(plan);
}

// Closes a descriptor when it goes away.
class Descriptor {
  public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    int Get() const { return descriptor_; }
    void Close() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }

  private:
    int descriptor_;
};

struct Started {
    pid_t child = -1;
    int error = 0;  // the errno of a failed start
};

// The errno that the child reported before it could run the tool, or 0 when the tool runs.
int StartError(int reportDescriptor) {
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(reportDescriptor, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

Started Start(const ProgramAndArguments& resolved, const std::string& workingDirectory,
              const std::string& standardInput) {
    std::vector<char*> argv;
    for (const std::string& argument : resolved.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return {-1, errno};
    }
    Descriptor reading(report[0]);
    Descriptor writing(report[1]);
    const ChildPlan plan{resolved.program.c_str(),
                         argv.data(),
                         workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                         standardInput.empty() ? "/dev/null" : standardInput.c_str(),
                         ::getpid(),
                         writing.Get()};
    const pid_t child = ::fork();
    if (child < 0) {
        return {-1, errno};
    }
    if (child == 0) {
        RunChild(plan);
    }
    writing.Close();
    if (const int error = StartError(reading.Get())) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return {-1, error};
    }
    return {child, 0};
}

enum class Poll { Running, Ended, Failed };

Poll PollChild(pid_t child, int& status) {
    for (;;) {
        const pid_t got = ::waitpid(child, &status, WNOHANG);
        if (got == child) {
            return Poll::Ended;
        }
        if (got == 0) {
            return Poll::Running;
        }
        if (errno != EINTR) {
            return Poll::Failed;
        }
    }
}

// A descriptor that becomes readable when the child ends, so the wait wakes at once; -1 where
// the kernel has none (the wait then polls with short sleeps).
class ChildDescriptor {
  public:
    explicit ChildDescriptor(pid_t child)
        : descriptor_(static_cast<int>(::syscall(SYS_pidfd_open, child, 0))) {}
    ChildDescriptor(const ChildDescriptor&) = delete;
    ChildDescriptor& operator=(const ChildDescriptor&) = delete;
    ~ChildDescriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }

    // Sleeps until the child ends or pause has passed.
    void Sleep(std::chrono::milliseconds pause) const {
        if (descriptor_ < 0) {
            std::this_thread::sleep_for(pause);
            return;
        }
        pollfd ended{descriptor_, POLLIN, 0};
        ::poll(&ended, 1, static_cast<int>(pause.count()));
    }

  private:
    int descriptor_;
};

// Waits until the child ends, the deadline passes or a stop is requested; Running when the
// child is still there.
Poll WaitUntil(pid_t child, int& status, std::chrono::steady_clock::time_point deadline,
               const std::stop_token& stop) {
    const ChildDescriptor descriptor(child);
    std::chrono::milliseconds pause{1};
    for (;;) {
        const Poll state = PollChild(child, status);
        if (state != Poll::Running || std::chrono::steady_clock::now() >= deadline ||
            stop.stop_requested()) {
            return state;
        }
        descriptor.Sleep(pause);
        pause = std::min(pause * 2, kLongestPollPause);
    }
}

void KillAndReap(pid_t child) {
    ::kill(-child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

ToolResult Finished(int status) {
    ToolResult result{ToolOutcome::Completed, -1, false};
    if (WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

ToolResult Terminate(pid_t child) {
    ::kill(-child, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kTerminationGrace;
    const Poll state = WaitUntil(child, status, deadline, std::stop_token{});
    if (state != Poll::Ended) {
        KillAndReap(child);
        return ToolResult{ToolOutcome::Completed, -1, true};
    }
    // The tool ended in time; its helpers get the rest of the grace, and those deaf to TERM
    // are killed after it. The group keeps its id while any of them lives.
    while (::kill(-child, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-child, SIGKILL);
    return ToolResult{ToolOutcome::Completed, -1, true};
}

}  // namespace

std::string FindProgram(const std::string& program) {
    if (program.empty()) {
        return {};
    }
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* searchPath = std::getenv("PATH");
    std::string folders = searchPath ? searchPath : "/usr/bin:/bin";
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = folders.find(':', begin);
        std::string folder = folders.substr(begin, end - begin);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        if (end == std::string::npos) {
            return {};
        }
        begin = end + 1;
    }
}

ToolResult RunTool(const std::string& commandLine, const std::string& workingDirectory,
                   std::stop_token stop, const std::string& standardInput) {
    const std::string folder = workingDirectory.empty() ? CurrentDirectory() : workingDirectory;
    std::optional<ProgramAndArguments> resolved = Resolve(commandLine, folder);
    if (!resolved) {
        return {};
    }
    const Started started = Start(*resolved, workingDirectory, standardInput);
    if (started.child < 0) {
        ToolResult notStarted;
        notStarted.startError = started.error;
        return notStarted;
    }
    int status = 0;
    const Poll state =
        WaitUntil(started.child, status, std::chrono::steady_clock::time_point::max(), stop);
    if (state == Poll::Ended) {
        return Finished(status);
    }
    if (state == Poll::Failed) {
        KillAndReap(started.child);
        return ToolResult{ToolOutcome::WaitFailed, -1, false};
    }
    return Terminate(started.child);
}

}  // namespace platform
