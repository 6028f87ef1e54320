#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asks for.
struct CliOptions {
    std::string archiverPath;  // empty: zip and unzip
    std::vector<std::string> books;
    bool help = false;
};

// Reads the arguments after the program name: [--archiver PATH] BOOK..., or --help; "--" ends
// the options. Returns nullopt for a usage error (unknown option, missing value, no book).
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments);

// The usage text, ending in a line feed.
std::string CliUsage();
