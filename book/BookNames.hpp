#pragma once

#include <optional>
#include <string>

// Checks of the names a book's entries will have once unpacked, made on its central directory
// before anything is written. Each returns the reason that refuses the book, or nullopt.

// An entry that is a file while other entries lie in a folder of the same name ("a" and
// "a/b.css") cannot be unpacked: whichever comes second fails, and the unpacking tool tells it
// as something else (a full disk). Names the first such entry.
std::optional<std::string> FileAndFolderOfOneName(const std::string& bookPath);
