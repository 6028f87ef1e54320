#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.hpp"

// Reading a ZIP archive's central directory: the list of entries at its end, which tells every
// entry's name, size and flags without unpacking anything.

// The central directory's bytes and where they lie in the archive.
struct CentralDirectory {
    std::uint64_t offset = 0;
    std::string bytes;
    // The count of entries that the end record claims.
    std::uint64_t declaredEntries = 0;
    // False when another reader could take another directory: a second end record whose comment
    // also reaches the end of the file, an end-record signature inside the comment, or bytes
    // between the directory and its end record (unzip then looks elsewhere for it).
    bool readsOneWay = true;
};

// One entry header of a central directory.
struct DirectoryEntry {
    std::size_t at = 0;  // where its header starts in the directory's bytes
    std::string_view name;
    std::uint64_t uncompressedSize = 0;
    bool encrypted = false;
    std::uint8_t host = 0;  // the system it was made on: the high byte of "version made by"
    bool utf8Name = false;  // general-purpose bit 11: the name is UTF-8
    // The UTF-8 name of an Info-ZIP Unicode Path extra field that belongs to this name (unzip
    // writes it in place of the name); empty when there is none.
    std::string_view unicodePath;
};

// The central directory of the open archive (Zip64 included); nullopt when the file is not a
// ZIP archive or its end record or directory is damaged.
std::optional<CentralDirectory> ReadCentralDirectory(platform::File& archive);

// Calls visit for every entry header in order; false when a header is damaged (visit has then
// seen the entries before it).
bool ForEachEntry(const std::string& directory,
                  const std::function<void(const DirectoryEntry&)>& visit);

// An entry of an archive, as the central directory lists it.
struct ArchiveEntry {
    std::string name;
    std::uint64_t uncompressedSize = 0;
    bool encrypted = false;
};

// The entries of the archive at path; nullopt when it cannot be read or is not a ZIP archive.
std::optional<std::vector<ArchiveEntry>> ListArchive(const std::string& path);

// The little-endian field of width bytes at `at` in bytes.
std::uint64_t ReadField(std::string_view bytes, std::size_t at, int width);

// The CRC-32 of bytes, as ZIP headers hold it.
std::uint32_t ZipCrc32(std::string_view bytes);
