#include "book/ZipNameRelabel.hpp"

#include <string_view>

#include "book/ZipDirectory.hpp"
#include "platform/File.hpp"

namespace {

constexpr std::uint32_t kDosFolderAttribute = 0x10;
constexpr std::uint32_t kUnixFileMode = 0100644;
constexpr std::uint32_t kUnixFolderMode = 040755;
constexpr char kMadeOnUnix = 3;

using zip::ReadField;
using zip::WriteField;

// The hosts whose names unzip recodes: DOS and Windows (FAT), OS/2 (HPFS), Windows NT (NTFS).
bool IsRecodedHost(char host) {
    return host == 0 || host == 6 || host == 11;
}

// Relabels the entry whose header starts at `at` when unzip would garble its name; true when it
// did.
bool RelabelEntry(std::string& directory, std::size_t at, std::string_view name) {
    if (!(ReadField(directory, at + 8, 2) & zip::kUtf8NameFlag) ||
        !IsRecodedHost(directory[at + 5]) || !zip::HoldsNonAscii(name)) {
        return false;
    }
    const std::uint32_t attributes = ReadField(directory, at + 38, 4);
    const bool folder = name.ends_with('/') || (attributes & kDosFolderAttribute) != 0;
    directory[at + 5] = kMadeOnUnix;
    WriteField(directory, at + 38,
               (folder ? kUnixFolderMode : kUnixFileMode) << 16 | (attributes & 0xFFFF), 4);
    return true;
}

}  // namespace

std::optional<CentralDirectoryPatch> RelabelUtf8Names(const std::string& archivePath) {
    std::optional<platform::File> file = platform::File::OpenForReading(archivePath);
    std::optional<zip::CentralDirectory> directory =
        file ? zip::ReadCentralDirectory(*file) : std::nullopt;
    const std::optional<std::vector<zip::DirectoryEntry>> entries =
        directory ? zip::EntriesOf(directory->bytes) : std::nullopt;
    if (!entries) {
        return std::nullopt;
    }
    bool relabelled = false;
    for (const zip::DirectoryEntry& entry : *entries) {
        relabelled = RelabelEntry(directory->bytes, entry.at, entry.name) || relabelled;
    }
    if (!relabelled) {
        return std::nullopt;
    }
    return CentralDirectoryPatch{directory->offset, std::move(directory->bytes)};
}

bool ApplyCentralDirectoryPatch(const std::string& path, const CentralDirectoryPatch& patch) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    return file && file->SeekTo(patch.offset) &&
           file->Write(patch.bytes.data(), patch.bytes.size()) == patch.bytes.size();
}
