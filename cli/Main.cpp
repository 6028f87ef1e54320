#include <cstdio>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "book/BookConverter.hpp"
#include "cli/CliBatch.hpp"
#include "cli/CliOptions.hpp"
#include "platform/InterruptWatch.hpp"
#include "platform/StandardOutputDiversion.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::optional<CliOptions> options = ParseCliOptions(arguments);
    if (!options) {
        std::fputs(CliUsage().c_str(), stderr);
        return 2;
    }
    if (options->help) {
        std::fputs(CliUsage().c_str(), stdout);
        return 0;
    }
    std::stop_source stop;
    platform::InterruptWatch interrupts(stop);
    platform::StandardOutputDiversion output;
    CBookConverter converter;
    return RunCliBatch(
        converter, *options, [&output](const std::string& line) { output.WriteLine(line); },
        stop.get_token());
}
