#include "book/archive/ZipNameRelabel.hpp"

#include <algorithm>
#include <string_view>

#include "book/archive/CentralDirectory.hpp"
#include "platform/File.hpp"

namespace {

constexpr std::uint32_t kDosFolderAttribute = 0x10;
constexpr std::uint32_t kUnixFileMode = 0100644;
constexpr std::uint32_t kUnixFolderMode = 040755;
constexpr char kMadeOnUnix = 3;

// The hosts whose names unzip may recode: DOS and Windows (FAT), OS/2 (HPFS), Windows NT (NTFS,
// 11 as Info-ZIP numbers it, 10 as the ZIP notes do), VFAT.
bool IsRecodedHost(char host) {
    return host == 0 || host == 6 || host == 10 || host == 11 || host == 14;
}

void WriteField(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

bool HoldsNonAscii(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
}

}  // namespace

bool RelabelEntry(std::string& directory, std::size_t at, std::string_view name) {
    if (!IsRecodedHost(directory[at + 5]) || !HoldsNonAscii(name)) {
        return false;
    }
    const std::uint32_t attributes = ReadField(directory, at + 38, 4);
    const bool folder = name.ends_with('/') || (attributes & kDosFolderAttribute) != 0;
    directory[at + 5] = kMadeOnUnix;
    WriteField(directory, at + 38,
               (folder ? kUnixFolderMode : kUnixFileMode) << 16 | (attributes & 0xFFFF), 4);
    return true;
}

std::optional<CentralDirectoryPatch> RelabelUtf8Names(const std::string& archivePath) {
    std::optional<platform::File> file = platform::File::OpenForReading(archivePath);
    std::optional<CentralDirectory> directory = file ? ReadCentralDirectory(*file) : std::nullopt;
    if (!directory) {
        return std::nullopt;
    }
    bool relabelled = false;
    const bool whole = ForEachEntry(directory->bytes, [&](const DirectoryEntry& entry) {
        relabelled = RelabelEntry(directory->bytes, entry.at, entry.name) || relabelled;
    });
    if (!whole || !relabelled) {
        return std::nullopt;
    }
    return CentralDirectoryPatch{directory->offset, std::move(directory->bytes)};
}

bool ApplyCentralDirectoryPatch(const std::string& path, const CentralDirectoryPatch& patch) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    return file && file->SeekTo(patch.offset) &&
           file->Write(patch.bytes.data(), patch.bytes.size()) == patch.bytes.size();
}
