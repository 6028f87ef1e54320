#include "platform/CommandLine.hpp"

#include <utility>

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<CommandArgument> SplitCommandLine(const std::string& commandLine) {
    std::vector<CommandArgument> arguments;
    std::size_t at = 0;
    while (at < commandLine.size()) {
        while (at < commandLine.size() && IsBlank(commandLine[at])) {
            ++at;
        }
        if (at == commandLine.size()) {
            break;
        }
        CommandArgument argument;
        bool insideQuotes = false;
        for (; at < commandLine.size(); ++at) {
            const char c = commandLine[at];
            if (c == '"') {
                insideQuotes = !insideQuotes;
                argument.quoted = true;
            } else if (IsBlank(c) && !insideQuotes) {
                break;
            } else {
                argument.text += c;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

bool HasWildcard(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

}  // namespace platform
