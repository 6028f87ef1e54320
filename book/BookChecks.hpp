#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "book/archive/CentralDirectory.hpp"

// Checks of a book before it is unpacked and of its output once it is packed. Each returns the
// reason that refuses the book, or nullopt when it may go on.

// Reads the book's central directory: a book that is not a ZIP archive, could be read as more
// than one (a second end record, entries of one name, a name with a control character), holds
// an encrypted entry, or would not fit unpacked (with its output and a margin) into the free space
// of folder is refused before anything is written.
std::optional<std::string> CheckBeforeUnpack(const std::string& bookPath,
                                             const std::string& folder);

// The checks of CheckBeforeUnpack on the central directory read from the book at bookPath
// (nullopt when it could not be read), all but the free space; unpacked gets the sum of the
// entries' declared sizes.
std::optional<std::string> CheckDirectory(const std::string& bookPath,
                                          const std::optional<CentralDirectory>& directory,
                                          std::uint64_t& unpacked);

// The reason when folder has less than needed bytes free for the task ("解包", "写出").
std::optional<std::string> CheckFreeSpace(const std::string& folder, std::uint64_t needed,
                                          const std::string& task);

// Every file under folder must be an entry of the archive packed: the archiver may have dropped
// one (a name it took for a pattern or an option, a path too long for it).
std::optional<std::string> CheckEverythingPacked(const std::string& packed,
                                                 const std::string& folder);

// The bytes of space to keep free beyond what a book needs: 1 MiB and 5% of it.
std::uint64_t SpaceMargin(std::uint64_t needed);
