#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.hpp"

// Reading a ZIP archive's central directory, for the patches the job makes to archives.
namespace zip {

inline constexpr std::size_t kEntryHeaderSize = 46;  // a central directory entry's fixed part
inline constexpr std::uint32_t kUtf8NameFlag = 1u << 11;
inline constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;

// True when name holds a byte outside ASCII.
bool HoldsNonAscii(std::string_view name);

// The little-endian field of width bytes at bytes[at].
std::uint32_t ReadField(std::string_view bytes, std::size_t at, int width);
// Writes value as a little-endian field of width bytes at bytes[at].
void WriteField(std::string& bytes, std::size_t at, std::uint32_t value, int width);
// The count bytes at offset, or nullopt when they cannot all be read.
std::optional<std::string> ReadRange(platform::File& file, std::uint64_t offset, std::size_t count);

struct CentralDirectory {
    std::uint64_t offset = 0;  // where it starts in the archive
    std::string bytes;
};

// The central directory, told by the end record whose comment ends the file; nullopt for a
// damaged archive, or a Zip64 one (which the job leaves alone).
std::optional<CentralDirectory> ReadCentralDirectory(platform::File& file);

// One entry of a central directory: where its header starts in the directory, and its name.
struct DirectoryEntry {
    std::size_t at = 0;
    std::string_view name;
};

// The entries of the directory up to the first that is not an entry header; nullopt when one
// runs past the directory's end.
std::optional<std::vector<DirectoryEntry>> EntriesOf(std::string_view directory);

}  // namespace zip
