// The command-line splitter on any line: arguments never hold a blank outside quotes, a quote
// character, or more bytes than the line, and joining them back quoted splits the same way.
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.hpp"
#include "platform/CommandLine.hpp"

using fuzz_support::Check;
using platform::CommandArgument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(fuzz_support::AsText(data, size));
    const std::vector<CommandArgument> arguments = platform::SplitCommandLine(line);
    std::size_t total = 0;
    std::string rejoined;
    for (const CommandArgument& argument : arguments) {
        Check(argument.text.find('"') == std::string::npos, "quotes are removed");
        Check(argument.quoted || !argument.text.empty(), "only a quoted argument is empty");
        Check(argument.quoted || argument.text.find_first_of(" \t") == std::string::npos,
              "blanks separate unquoted arguments");
        Check(platform::HasWildcard(argument.text) ==
                  (argument.text.find_first_of("*?") != std::string::npos),
              "a wildcard is a star or a question mark");
        total += argument.text.size();
        rejoined += " \"" + argument.text + "\"";
    }
    Check(total <= size, "no argument byte comes from nowhere");
    const std::vector<CommandArgument> again = platform::SplitCommandLine(rejoined);
    Check(again.size() == arguments.size(), "quoted arguments split the same way");
    for (std::size_t i = 0; i < again.size(); ++i) {
        Check(again[i].text == arguments[i].text && again[i].quoted, "and keep their text");
    }
    return 0;
}
