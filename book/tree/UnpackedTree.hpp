#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.hpp"

// Helpers over an unpacked book: a plain tree of folders and files whose symbolic links are
// never followed.

// The entries of folder sorted by name in byte order, so every walk meets them in the same
// order on every machine; nullopt when the folder cannot be read.
std::optional<std::vector<platform::FolderEntry>> SortedEntries(const std::string& folder);

// What a walk over a book's folders reads them with: SortedEntries on disk, or a book's folders
// held in memory (in the same order); nullopt with errno set when a folder cannot be read.
using FolderLister =
    std::function<std::optional<std::vector<platform::FolderEntry>>(const std::string& folder)>;

// Removes every symbolic link and special file under folder and gives every file with hard
// links a content of its own, so that nothing outside the book is converted, searched or
// packed, and lets the owner write every file and folder left. The reason when a hard link
// cannot be broken, else nullopt.
std::optional<std::string> PrepareUnpackedTree(const std::string& folder);

// Removes folder with everything under it; a symbolic link is removed itself, never what it
// points at. Returns true when folder itself is gone.
bool DeleteTree(const std::string& folder);
