#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Checks of a book before it is unpacked and of its output once it is packed. Each returns the
// reason that refuses the book, or nullopt when it may go on.

// Reads the book's central directory: a book that is not a ZIP archive, could be read as more
// than one (a second end record, entries of one name, a name with a control character), holds
// an encrypted entry, or would not fit unpacked (with its output and a margin) into the free space
// of folder is refused before anything is written.
std::optional<std::string> CheckBeforeUnpack(const std::string& bookPath,
                                             const std::string& folder);

// Every file under folder must be an entry of the archive packed: the archiver may have dropped
// one (a name it took for a pattern or an option, a path too long for it).
std::optional<std::string> CheckEverythingPacked(const std::string& packed,
                                                 const std::string& folder);

// The bytes of unpacked space to keep free beyond what a book needs: 5% of it, at least 64 MiB.
std::uint64_t SpaceMargin(std::uint64_t needed);
