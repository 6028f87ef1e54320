#include "cli/CliOptions.hpp"

namespace {

constexpr const char* kArchiverOption = "--archiver";
constexpr const char* kArchiverPrefix = "--archiver=";

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with("--")) {
            options.books.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            options.help = true;
        } else if (argument == kArchiverOption && i + 1 < arguments.size()) {
            options.archiverPath = arguments[++i];
        } else if (argument.starts_with(kArchiverPrefix)) {
            options.archiverPath = argument.substr(std::string(kArchiverPrefix).size());
        } else {
            return std::nullopt;
        }
    }
    if (!options.help && options.books.empty()) {
        return std::nullopt;
    }
    return options;
}

std::string CliUsage() {
    return "usage: corvela-cli [--archiver PATH] BOOK...\n"
           "Converts each EPUB book from Simplified to Traditional Chinese script into a new\n"
           "book beside it, named with \"_corvela.epub\" in place of its extension.\n"
           "Prints one line per book: \"处理完毕\" (converted) or \"未处理\" (not converted),\n"
           "a tab and the book's path; messages go to standard error.\n"
           "\n"
           "  --archiver PATH  unpack and pack with the WinRAR program at PATH\n"
           "                   (default: unzip and zip from PATH)\n"
           "  --help           print this text and exit\n"
           "\n"
           "Exit status: 0 every book converted, 1 some book not converted, 2 usage error.\n";
}
