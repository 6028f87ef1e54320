#pragma once

#include <stop_token>
#include <string>

namespace platform {

// How a run of an outside tool went.
enum class ToolOutcome { NotStarted, Completed, WaitFailed };

struct ToolResult {
    ToolOutcome outcome = ToolOutcome::NotStarted;
    // The tool's exit status when it ended by itself, else -1.
    int exitStatus = -1;
    // True when a stop request ended the tool.
    bool stopped = false;
    // The signal that ended the tool, else 0.
    int signal = 0;
    // Why a tool was NotStarted (an errno value; E2BIG: its arguments are too long), else 0.
    int startError = 0;
};

// Starts commandLine (split as SplitCommandLine does, no shell) with standard input from the
// file standardInput (empty: /dev/null) and standard output discarded, in workingDirectory
// (empty: ours), and waits for it. The tool runs in a session of its own (no controlling
// terminal) and is killed when the thread that started it ends.
// A bare program name is looked up on PATH; an unquoted program path holding blanks is taken
// up to the first blank after which a file exists. Unquoted "*" and "?" arguments are expanded
// in the working directory. A stop request ends the tool (SIGTERM, then SIGKILL after a short
// grace). Returns NotStarted when no process could be started.
ToolResult RunTool(const std::string& commandLine, const std::string& workingDirectory,
                   std::stop_token stop = {}, const std::string& standardInput = {});

// The full path of program: itself when it holds a "/", else the first executable file of that
// name in the folders of PATH; empty when there is none.
std::string FindProgram(const std::string& program);

}  // namespace platform
