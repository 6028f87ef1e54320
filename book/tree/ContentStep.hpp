#pragma once

#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "book/tree/TextFileRewrite.hpp"
#include "book/tree/TreeRenames.hpp"

// The conversion step of the job on an unpacked book at root: converts every text file on
// workers threads, then gives each file and folder its converted name. Refuses the book, before
// anything changes, when two names would become one. Fails with the reason when the book cannot be
// converted whole (the tree is then part converted and must not be packed); nullopt when it was
// converted or a stop request ended the step early (the caller asks the stop token). The notes
// on the book's files go to note, on the calling thread.
std::optional<TreeFailure> ConvertTree(const std::string& root, const TextConversion& conversion,
                                       std::stop_token stop, unsigned workers,
                                       const FileNote& note = {});

// Every file under root, depth first and in byte order of the names.
std::vector<std::string> FilesUnder(const std::string& root);
