#include "cli/CliOptions.hpp"

#include <charconv>
#include <string_view>

#include "platform/FileSystem.hpp"

namespace {

constexpr unsigned kMostJobs = 1024;

// The profile names as a list: "char, s2t, s2tw, ...".
std::string ProfileNames() {
    std::string names;
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        names += (names.empty() ? "" : ", ") + std::string(info.name);
    }
    return names;
}

std::optional<unsigned> JobCount(std::string_view text) {
    unsigned count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count < 1 ||
        count > kMostJobs) {
        return std::nullopt;
    }
    return count;
}

// Sets the option name to value; returns the reason when value does not suit it.
std::optional<std::string> SetValue(CliOptions& options, std::string_view name,
                                    const std::string& value) {
    if (name == "--archiver") {
        options.archiverPath = value;
    } else if (name == "--profile") {
        const std::optional<text::Profile> profile = text::ProfileNamed(value);
        if (!profile) {
            return "unknown profile '" + value + "' (profiles: " + ProfileNames() + ")";
        }
        options.profile = *profile;
    } else if (name == "--layout") {
        if (value != "vertical" && value != "horizontal") {
            return "--layout wants vertical or horizontal, not '" + value + "'";
        }
        options.conventions.layout =
            value == "vertical" ? text::PageLayout::Vertical : text::PageLayout::Horizontal;
    } else if (name == "--jobs") {
        const std::optional<unsigned> jobs = JobCount(value);
        if (!jobs) {
            return "--jobs wants a whole number from 1 to " + std::to_string(kMostJobs) +
                   ", not '" + value + "'";
        }
        options.jobs = *jobs;
    } else if (name == "--phrases") {
        options.phraseFiles.push_back(value);
    } else {
        if (!platform::CanCreateIn(value)) {
            return "--output-dir '" + value + "' is not a folder this user can write into";
        }
        options.outputDir = value;
    }
    return std::nullopt;
}

bool TakesValue(std::string_view name) {
    return name == "--archiver" || name == "--profile" || name == "--jobs" ||
           name == "--output-dir" || name == "--layout" || name == "--phrases";
}

// Sets a flag option; false when name is none.
bool SetFlag(CliOptions& options, std::string_view name, bool& quietSeen, bool& verboseSeen) {
    if (name == "--help") {
        options.help = true;
    } else if (name == "--builtin-zip") {
        options.builtinZip = true;
    } else if (name == "--no-font-rule") {
        options.fontRule = false;
    } else if (name == "--report") {
        options.report = true;
    } else if (name == "--quotes") {
        options.conventions.quotes = true;
    } else if (name == "--no-user-phrases") {
        options.perUserPhrases = false;
    } else if (name == "--quiet") {
        quietSeen = true;
        options.verbosity = Verbosity::Quiet;
    } else if (name == "--verbose") {
        verboseSeen = true;
        options.verbosity = Verbosity::Verbose;
    } else {
        return false;
    }
    return true;
}

ParsedCli Refused(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

}  // namespace

ParsedCli ParseCliOptions(const std::vector<std::string>& arguments, unsigned defaultJobs) {
    CliOptions options;
    options.jobs = defaultJobs < 1 ? 1 : defaultJobs;
    bool optionsEnded = false;
    bool quietSeen = false;
    bool verboseSeen = false;
    bool archiverSeen = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with('-') || argument == "-") {
            options.books.push_back(argument);
            continue;
        }
        // No short options: "-q" is a mistyped option, never a book ("./-q" or "--" names one).
        if (!argument.starts_with("--")) {
            return Refused("unknown option " + argument + " (a book of this name: ./" + argument +
                           ")");
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (TakesValue(name)) {
            if (equals == std::string::npos && i + 1 >= arguments.size()) {
                return Refused("option " + name + " needs a value");
            }
            const std::string value =
                equals == std::string::npos ? arguments[++i] : argument.substr(equals + 1);
            if (std::optional<std::string> reason = SetValue(options, name, value)) {
                return Refused(*reason);
            }
            archiverSeen = archiverSeen || name == "--archiver";
        } else if (equals != std::string::npos || !SetFlag(options, name, quietSeen, verboseSeen)) {
            return Refused("unknown option " + argument);
        }
    }
    if (quietSeen && verboseSeen) {
        return Refused("--quiet and --verbose exclude each other");
    }
    if (options.builtinZip && archiverSeen) {
        return Refused("--builtin-zip and --archiver exclude each other");
    }
    if (!options.help && options.books.empty()) {
        return Refused("no book given");
    }
    return {std::move(options), ""};
}

std::vector<std::string> PhraseFilesOf(const CliOptions& options, const std::string& perUserFile) {
    std::vector<std::string> files;
    if (options.perUserPhrases && !perUserFile.empty() &&
        platform::TypeOf(perUserFile) != platform::EntryType::Missing) {
        files.push_back(perUserFile);
    }
    files.insert(files.end(), options.phraseFiles.begin(), options.phraseFiles.end());
    return files;
}

std::string CliUsageLine() {
    return "usage: corvela-cli [OPTION]... BOOK...\n";
}

std::string CliUsage() {
    std::string profiles;
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        profiles += "      " + std::string(info.name) +
                    std::string(info.name.size() < 7 ? 7 - info.name.size() : 1, ' ') +
                    std::string(info.description) + "\n";
    }
    return CliUsageLine() +
           "Converts each EPUB book from Simplified to Traditional Chinese script (or back,\n"
           "with the profiles t2s, tw2s, tw2sp and hk2s) into a new book beside it, named\n"
           "with \"_corvela.epub\" in place of its extension.\n"
           "Prints one line per book, in the order given: \"处理完毕\" (converted) or \"未处理\"\n"
           "(not converted), a tab and the book's path. Standard error tells why a book was\n"
           "not converted, shows the progress on a terminal, and sums up at the end.\n"
           "\n"
           "  --archiver PATH    unpack and pack with the WinRAR program at PATH\n"
           "                     (default: unzip and zip from PATH)\n"
           "  --builtin-zip      read and write the books in place, without unzip and zip\n"
           "  --profile NAME     how to convert (default: char):\n" +
           profiles +
           "  --no-font-rule     leave the stylesheet's rules as the book has them\n"
           "  --quotes           write quotation marks as the target script has them:\n"
           "                     \u201C\u201D \u2018\u2019 become \u300C\u300D \u300E\u300F in the "
           "text\n"
           "  --layout MODE      set every page vertical (right to left) or horizontal\n"
           "                     (default: as the book has it)\n"
           "  --jobs N           convert N books at a time (default: the number of cores);\n"
           "                     the books share the cores: max(cores, N) threads at most\n"
           "  --output-dir DIR   write the outputs into DIR under the books' own file names\n"
           "  --phrases FILE     your own phrases, a \"KEY<tab>VALUE\" line each, ahead of the\n"
           "                     profile's; may be given again (a later file wins for a key)\n"
           "  --no-user-phrases  skip the per-user phrase file\n"
           "                     ($XDG_CONFIG_HOME or ~/.config, then Corvela/phrases.txt)\n"
           "  --report           write NAME_corvela.report.html beside each output: the\n"
           "                     uncertain conversions and the glyphs the fonts lack\n"
           "  --verbose          also print the job's notes on each book's files\n"
           "                     (with --report, each book's counts)\n"
           "  --quiet            print nothing but the status lines\n"
           "  --help             print this text and exit\n"
           "\n"
           "Exit status: 0 every book converted, 1 some book not converted or a report not\n"
           "written, 2 usage error or an unusable phrase file (no book is touched then).\n";
}
