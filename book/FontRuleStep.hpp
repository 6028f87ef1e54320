#pragma once

#include <functional>
#include <optional>
#include <string>

#include "book/BookOutcome.hpp"
#include "book/JobOptions.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "book/tree/UnpackedTree.hpp"

// A book's files as the font rule's step reads and rewrites them: on disk, or held in memory.
struct BookFileAccess {
    FolderLister list;
    // The first text::kSignatureLength bytes of the file at path (all of a shorter one);
    // nullopt with errno set when it cannot be read.
    std::function<std::optional<std::string>(const std::string& path)> head;
    // Rewrites the file at path as ReplaceFileContents does.
    std::function<std::optional<std::string>(const std::string& path, const std::string& shownName,
                                             const ContentTransform& transform,
                                             const FileNote& note)>
        rewrite;
};

// The files of a book unpacked on disk.
BookFileAccess FilesOnDisk();

// Writes into out the full path of the book's stylesheet under root: of the files met depth
// first, names in byte order, and not starting with a binary format's signature, the first whose
// name ends in ".css" (any case); failing that, the first whose name contains ".css". A file
// hidden itself or under a hidden folder (a name starting with ".") comes after all the others
// of its kind. out stays unchanged when there is none. Returns the reason, with the system's,
// when a folder or file on the way cannot be read (it might hold a better stylesheet); nullopt
// otherwise.
std::optional<std::string> FindStylesheetUnder(const std::string& root, std::string& out);

// The font rule's step of the job on the book unpacked at root: adds the e-reader font locations
// to its stylesheet when the options ask for them. A book without a stylesheet is refused but in
// the phrase profiles, which convert it as it is. How the step ended the job; nullopt when the
// job goes on. The book's files are read and written through files.
std::optional<BookOutcome> AddFontRule(const JobOptions& options, const std::string& root,
                                       const BookFileAccess& files = FilesOnDisk());
