#pragma once

#include <string>
#include <vector>

namespace platform {

// One argument of a command line, with whether any part of it stood inside quotation marks
// (a quoted argument is never taken as a wildcard pattern).
struct CommandArgument {
    std::string text;
    bool quoted = false;
};

// Splits a command line as the Windows runtime does for our paths: blanks and tabs separate
// arguments, double quotes group and are removed, a backslash is an ordinary character (it is a
// name character on POSIX). Never fails; an unclosed quote runs to the end of the line.
std::vector<CommandArgument> SplitCommandLine(const std::string& commandLine);

// Returns true when text holds a wildcard character ("*" or "?").
bool HasWildcard(const std::string& text);

}  // namespace platform
