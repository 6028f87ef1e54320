#pragma once

#include <stop_token>
#include <string>

#include "book/BookOutcome.hpp"
#include "book/JobOptions.hpp"

// The per-book job and its routines. Holds no state, so one object serves every book; a front
// end derives from it to show ShowError's messages its own way.
class CBookConverter {
  public:
    virtual ~CBookConverter() = default;

    // Converts the book at bookPath into outputPath with the batch's options; the outcome says
    // why a book was not converted. A stop request ends the running tool and leaves the book as
    // it was.
    BookOutcome ConvertBook(const JobOptions& options, const std::string& bookPath,
                            const std::string& outputPath, std::stop_token stop = {});

    // Returns 1 when path is an existing file that can be opened for reading, else 0.
    int FileExists(const std::string& path);
    // Writes into out the part of path before its last "." followed by tail; returns 1.
    int ReplaceExtension(std::string& out, const std::string& path, const std::string& tail);
    // Cuts buffer at its last "."; returns 1, or 0 with buffer unchanged when it is refused.
    int StripExtension(std::string& buffer);
    // Tells the user text; blocks the calling thread until the user has seen it.
    virtual void ShowError(const std::string& text);

    // Returns 1 and writes into out the full path of the first file under folder (depth first,
    // names in byte order) whose name contains ".css"; 0 with out unchanged when there is none
    // or folder cannot be read.
    int FindStylesheet(const std::string& folder, std::string& out);
};
