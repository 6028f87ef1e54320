#include "platform/Process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
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

// Owns the spawn attributes and file actions for one start.
class SpawnSettings {
  public:
    explicit SpawnSettings(const std::string& workingDirectory) {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
        ::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
        if (!workingDirectory.empty()) {
            ::posix_spawn_file_actions_addchdir_np(&actions_, workingDirectory.c_str());
        }
        // The tool gets a process group of its own, so a stop reaches the helpers it starts.
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGPIPE);
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
        ::posix_spawnattr_setpgroup(&attributes_, 0);
        ::posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    ~SpawnSettings() {
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
};

std::optional<pid_t> Start(const ProgramAndArguments& resolved,
                           const std::string& workingDirectory) {
    std::vector<char*> argv;
    for (const std::string& argument : resolved.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    SpawnSettings settings(workingDirectory);
    pid_t child = 0;
    if (::posix_spawn(&child, resolved.program.c_str(), settings.Actions(), settings.Attributes(),
                      argv.data(), environ) != 0) {
        return std::nullopt;
    }
    return child;
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
    }
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
                   std::stop_token stop) {
    const std::string folder = workingDirectory.empty() ? CurrentDirectory() : workingDirectory;
    std::optional<ProgramAndArguments> resolved = Resolve(commandLine, folder);
    if (!resolved) {
        return {};
    }
    std::optional<pid_t> child = Start(*resolved, workingDirectory);
    if (!child) {
        return {};
    }
    int status = 0;
    const Poll state =
        WaitUntil(*child, status, std::chrono::steady_clock::time_point::max(), stop);
    if (state == Poll::Ended) {
        return Finished(status);
    }
    if (state == Poll::Failed) {
        KillAndReap(*child);
        return ToolResult{ToolOutcome::WaitFailed, -1, false};
    }
    return Terminate(*child);
}

}  // namespace platform
