#include "book/ZipDirectory.hpp"

#include <algorithm>

namespace zip {
namespace {

constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kLongestComment = 0xFFFF;

}  // namespace

bool HoldsNonAscii(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
}

std::uint32_t ReadField(std::string_view bytes, std::size_t at, int width) {
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

std::optional<CentralDirectory> ReadCentralDirectory(platform::File& file) {
    const std::optional<std::uint64_t> fileSize = file.Size();
    if (!fileSize) {
        return std::nullopt;
    }
    const std::size_t tailSize =
        std::min<std::uint64_t>(*fileSize, kEndRecordSize + kLongestComment);
    const std::uint64_t tailStart = *fileSize - tailSize;
    const std::optional<std::string> tail = ReadRange(file, tailStart, tailSize);
    if (!tail || tailSize < kEndRecordSize) {
        return std::nullopt;
    }
    for (std::size_t at = tailSize - kEndRecordSize + 1; at-- > 0;) {
        if (tail->compare(at, 4, "PK\5\6") != 0 ||
            at + kEndRecordSize + ReadField(*tail, at + 20, 2) != tailSize) {
            continue;
        }
        const std::uint64_t offset = ReadField(*tail, at + 16, 4);
        const std::uint32_t size = ReadField(*tail, at + 12, 4);
        if (offset == kZip64Marker || size == kZip64Marker || offset + size > tailStart + at) {
            return std::nullopt;
        }
        std::optional<std::string> bytes = ReadRange(file, offset, size);
        if (!bytes) {
            return std::nullopt;
        }
        return CentralDirectory{offset, std::move(*bytes)};
    }
    return std::nullopt;
}

std::optional<std::vector<DirectoryEntry>> EntriesOf(std::string_view directory) {
    std::vector<DirectoryEntry> entries;
    std::size_t at = 0;
    while (at + kEntryHeaderSize <= directory.size() && directory.substr(at, 4) == "PK\1\2") {
        const std::size_t nameLength = ReadField(directory, at + 28, 2);
        const std::size_t next = at + kEntryHeaderSize + nameLength +
                                 ReadField(directory, at + 30, 2) +
                                 ReadField(directory, at + 32, 2);
        if (next > directory.size()) {
            return std::nullopt;
        }
        entries.push_back({at, directory.substr(at + kEntryHeaderSize, nameLength)});
        at = next;
    }
    return entries;
}

}  // namespace zip
