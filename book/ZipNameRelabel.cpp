#include "book/ZipNameRelabel.hpp"

#include <algorithm>
#include <string_view>

#include "platform/File.hpp"

namespace {

constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::size_t kEntryHeaderSize = 46;
constexpr std::uint32_t kUtf8NameFlag = 1u << 11;
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;
constexpr std::uint32_t kDosFolderAttribute = 0x10;
constexpr std::uint32_t kUnixFileMode = 0100644;
constexpr std::uint32_t kUnixFolderMode = 040755;
constexpr char kMadeOnUnix = 3;

// The hosts whose names unzip recodes: DOS and Windows (FAT), OS/2 (HPFS), Windows NT (NTFS).
bool IsRecodedHost(char host) {
    return host == 0 || host == 6 || host == 11;
}

std::uint32_t ReadField(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void WriteField(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

std::optional<std::string> ReadRange(platform::File& file, std::uint64_t offset,
                                     std::size_t count) {
    std::string bytes(count, '\0');
    if (!file.SeekTo(offset)) {
        return std::nullopt;
    }
    const std::optional<std::size_t> got = file.Read(bytes.data(), count);
    if (!got || *got != count) {
        return std::nullopt;
    }
    return bytes;
}

struct DirectoryPlace {
    std::uint64_t offset;
    std::uint32_t size;
};

// Where the central directory lies, told by the end record whose comment ends the file; nullopt
// for a damaged archive, or a Zip64 one (which this leaves alone).
std::optional<DirectoryPlace> FindCentralDirectory(platform::File& file, std::uint64_t fileSize) {
    const std::size_t tailSize =
        std::min<std::uint64_t>(fileSize, kEndRecordSize + kLongestComment);
    const std::uint64_t tailStart = fileSize - tailSize;
    const std::optional<std::string> tail = ReadRange(file, tailStart, tailSize);
    if (!tail || tailSize < kEndRecordSize) {
        return std::nullopt;
    }
    for (std::size_t at = tailSize - kEndRecordSize + 1; at-- > 0;) {
        if (tail->compare(at, 4, "PK\5\6") != 0 ||
            at + kEndRecordSize + ReadField(*tail, at + 20, 2) != tailSize) {
            continue;
        }
        const DirectoryPlace place{ReadField(*tail, at + 16, 4), ReadField(*tail, at + 12, 4)};
        if (place.offset == kZip64Marker || place.size == kZip64Marker ||
            place.offset + place.size > tailStart + at) {
            return std::nullopt;
        }
        return place;
    }
    return std::nullopt;
}

bool HoldsNonAscii(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
}

// Relabels the entry whose header starts at `at` when unzip would garble its name; true when it
// did.
bool RelabelEntry(std::string& directory, std::size_t at, std::string_view name) {
    if (!(ReadField(directory, at + 8, 2) & kUtf8NameFlag) || !IsRecodedHost(directory[at + 5]) ||
        !HoldsNonAscii(name)) {
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
    const std::optional<std::uint64_t> size = file ? file->Size() : std::nullopt;
    const std::optional<DirectoryPlace> place =
        size ? FindCentralDirectory(*file, *size) : std::nullopt;
    std::optional<std::string> directory =
        place ? ReadRange(*file, place->offset, place->size) : std::nullopt;
    if (!directory) {
        return std::nullopt;
    }
    bool relabelled = false;
    std::size_t at = 0;
    while (at + kEntryHeaderSize <= directory->size() && directory->compare(at, 4, "PK\1\2") == 0) {
        const std::size_t nameLength = ReadField(*directory, at + 28, 2);
        const std::size_t next = at + kEntryHeaderSize + nameLength +
                                 ReadField(*directory, at + 30, 2) +
                                 ReadField(*directory, at + 32, 2);
        if (next > directory->size()) {
            return std::nullopt;
        }
        const std::string_view name(directory->data() + at + kEntryHeaderSize, nameLength);
        relabelled = RelabelEntry(*directory, at, name) || relabelled;
        at = next;
    }
    if (!relabelled) {
        return std::nullopt;
    }
    return CentralDirectoryPatch{place->offset, std::move(*directory)};
}

bool ApplyCentralDirectoryPatch(const std::string& path, const CentralDirectoryPatch& patch) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    return file && file->SeekTo(patch.offset) &&
           file->Write(patch.bytes.data(), patch.bytes.size()) == patch.bytes.size();
}
