#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// New bytes for a ZIP archive's central directory, to be written at offset.
struct CentralDirectoryPatch {
    std::uint64_t offset = 0;
    std::string bytes;
};

// unzip 6.0 recodes the name of every entry made on DOS or Windows from the OEM code page, even
// when the entry's flag says that the name is UTF-8: Chinese file names come out garbled (UTF-8
// or GBK alike, beyond any decoding), and two of them can fall together. Returns the archive's
// central directory with each such entry that has a non-ASCII name relabelled as made on Unix
// (mode 0644, folders 0755), whose names unzip writes byte for byte (GiveDecodedNames then
// gives GBK names their UTF-8 form); nullopt when no entry needs it or the directory cannot be read
// (the unpack then goes on with the archive as it is, and unzip judges it).
std::optional<CentralDirectoryPatch> RelabelUtf8Names(const std::string& archivePath);

// Relabels the central header that starts at `at` of directory, naming name, as made on Unix
// when unzip would garble its name; true when it did.
bool RelabelEntry(std::string& directory, std::size_t at, std::string_view name);

// Writes patch into the existing file at path; false when that fails.
bool ApplyCentralDirectoryPatch(const std::string& path, const CentralDirectoryPatch& patch);
