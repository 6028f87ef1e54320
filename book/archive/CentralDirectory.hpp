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
};

// One entry header of a central directory.
struct DirectoryEntry {
    std::size_t at = 0;  // where its header starts in the directory's bytes
    std::string_view name;
    std::uint64_t uncompressedSize = 0;
    bool encrypted = false;
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
