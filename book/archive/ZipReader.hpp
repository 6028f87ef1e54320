#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "book/archive/CentralDirectory.hpp"
#include "platform/File.hpp"

// Reading a book's entries without unpacking it: where each one's data lies, its first bytes or
// its whole content inflated, never past the size its header declares.

// One entry of the book as its central directory and local header tell it.
struct ZipEntry {
    std::string name;         // as the central directory stores it
    std::string unicodePath;  // the Unicode Path field's name for it, empty when none
    std::string central;      // its central directory header, whole
    std::uint8_t host = 0;
    bool utf8Name = false;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;  // 0 stored, 8 deflated
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t localAt = 0;  // where its local header starts
    std::uint64_t dataAt = 0;   // where its compressed data starts
    std::uint64_t end = 0;      // where its data and data descriptor end
    bool zip64 = false;         // its central header keeps a size or offset in a Zip64 field
    bool symbolicLink = false;  // made on Unix as a symbolic link

    // The entry as the name list of CentralDirectory sees it.
    DirectoryEntry AsDirectoryEntry() const;
};

inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kDeflated = 8;

// The entries of the book open in book, whose central directory is directory, in its order;
// the reason, naming the entry, when one is damaged: a local header that is missing or names
// another entry, a method other than stored or deflated, data that reaches into the directory
// or into another entry's.
std::optional<std::string> ReadZipEntries(const platform::File& book,
                                          const CentralDirectory& directory,
                                          std::vector<ZipEntry>& entries);

// Inflates the first bytes of the entry, at most count of them, into out; the reason when its
// data cannot be read or inflated.
std::optional<std::string> InflateHead(const platform::File& book, const ZipEntry& entry,
                                       std::size_t count, std::string& out);

// Inflates the whole entry into out, which never grows past the size the entry declares; the
// reason when its data is damaged, holds more or less than that size, or fails its CRC.
std::optional<std::string> InflateWhole(const platform::File& book, const ZipEntry& entry,
                                        std::string& out);

// The reason that refuses an entry's data as damaged, naming it.
std::string DamagedEntry(const std::string& name, const std::string& why);
