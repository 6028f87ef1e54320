#pragma once

#include <optional>
#include <stop_token>
#include <string>

#include "book/BookOutcome.hpp"
#include "book/JobOptions.hpp"

// The per-book job and its routines. Holds no state, so one object serves every book. The job
// never prints: what it has to tell is in the outcome it returns, and the options' diagnostics.
class CBookConverter {
  public:
    virtual ~CBookConverter() = default;

    // Converts the book at bookPath into outputPath with the batch's options; the outcome says
    // how the job ended and why a book was not converted. A stop request ends the running tool
    // and leaves the book as it was.
    BookOutcome ConvertBook(const JobOptions& options, const std::string& bookPath,
                            const std::string& outputPath, std::stop_token stop = {});

    // Returns 1 when path is an existing file that can be opened for reading, else 0.
    int FileExists(const std::string& path);
    // Writes into out the part of path before its last "." followed by tail; returns 1.
    int ReplaceExtension(std::string& out, const std::string& path, const std::string& tail);

    // FindStylesheetUnder (book/FontRuleStep): the stylesheet under folder (the first text file
    // named *.css, else named like one) into out; the reason when the tree cannot be read.
    std::optional<std::string> FindStylesheet(const std::string& folder, std::string& out);
};
