#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/content/BookConventions.hpp"
#include "text/profile/ConversionProfile.hpp"

// How much the command line says beside its status lines.
enum class Verbosity { Quiet, Normal, Verbose };

// What the command line asks for.
struct CliOptions {
    std::string archiverPath;  // empty: zip and unzip
    bool builtinZip = false;   // the built-in archive path instead of an archiver
    text::Profile profile = text::Profile::Char;
    bool fontRule = true;
    bool report = false;                // --report: a proofreading report beside each output
    text::BookConventions conventions;  // --quotes, --layout
    unsigned jobs = 1;                  // books at a time
    std::string outputDir;              // empty: each output beside its book
    Verbosity verbosity = Verbosity::Normal;
    std::vector<std::string> phraseFiles;  // --phrases, in the order given
    bool perUserPhrases = true;            // false: --no-user-phrases
    std::vector<std::string> books;
    bool help = false;
};

// The options, or the one-line reason of a usage error.
struct ParsedCli {
    std::optional<CliOptions> options;
    std::string error;
};

// Reads the arguments after the program name ("--" ends the options; "--name=value" is taken
// too). defaultJobs is what --jobs is when it is not given. Checks that an output folder is a
// folder this process can write into.
ParsedCli ParseCliOptions(const std::vector<std::string>& arguments, unsigned defaultJobs);

// The phrase files to read, in order: the per-user file (perUserFile) when it is asked for and
// exists, then the --phrases files, so that a file named on the command line wins.
std::vector<std::string> PhraseFilesOf(const CliOptions& options, const std::string& perUserFile);

// The usage text, ending in a line feed.
std::string CliUsage();
// Its first line alone, for a usage error.
std::string CliUsageLine();
