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

    // Converts the book at bookPath into outputPath with the archiver at archiverPath (empty:
    // zip and unzip). Returns 1 when the book was converted, 0 when not. A stop request ends the
    // running tool and leaves the book as it was.
    int ConvertBook(const std::string& archiverPath, const std::string& bookPath,
                    const std::string& outputPath, std::stop_token stop = {});
    // As ConvertBook with the batch's options; the outcome says how the job ended and why a book
    // was not converted.
    BookOutcome Convert(const JobOptions& options, const std::string& bookPath,
                        const std::string& outputPath, std::stop_token stop = {});

    // Returns 1 when path is an existing file that can be opened for reading, else 0.
    int FileExists(const std::string& path);
    // Writes into out the part of path before its last "." followed by tail; returns 1.
    int ReplaceExtension(std::string& out, const std::string& path, const std::string& tail);
    // Cuts buffer at its last "."; returns 1, or 0 with buffer unchanged when it is refused.
    int StripExtension(std::string& buffer);

    // Writes into out the WinRAR command that unpacks archiveName into unpackFolder.
    void BuildWinRarExtractCommand(const std::string& archiverPath, const std::string& archiveName,
                                   const std::string& unpackFolder, std::string& out);
    // FindStylesheetUnder (book/FontRuleStep): the first file under folder whose name contains
    // ".css" into out; the reason when a folder on the way cannot be read.
    std::optional<std::string> FindStylesheet(const std::string& folder, std::string& out);
    // Hands every file under folder to the script conversion, which converts the text files in
    // place; stops early on a stop request. Returns 1.
    int ConvertTree(const std::string& folder, std::stop_token stop = {});
    // Removes folder with everything under it, symbolic links themselves. Returns 1 when folder
    // itself is gone, 0 when it is not.
    int DeleteTree(const std::string& folder);
    // Adds the e-reader font locations to the stylesheet at path. Returns 1 when it was read and
    // rewritten as needed, 0 when it cannot be opened or read.
    int InjectFontStylesheet(const std::string& path);
};
