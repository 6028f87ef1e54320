#include "book/archive/CentralDirectory.hpp"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::size_t kEntryHeaderSize = 46;
constexpr std::uint64_t kZip64Marker = 0xFFFFFFFF;
constexpr std::uint64_t kZip64ExtraId = 0x0001;
constexpr std::uint64_t kEncryptedFlag = 1;
constexpr std::uint64_t kUtf8NameFlag = 1u << 11;
constexpr std::uint64_t kUnicodePathId = 0x7075;

std::optional<std::string> ReadRange(platform::File& file, std::uint64_t offset,
                                     std::uint64_t count) {
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
    std::uint64_t size;
    std::uint64_t entries = 0;
    bool readsOneWay = true;
};

// Where the Zip64 end record lies, told by the locator just before the end record at endAt.
std::optional<std::uint64_t> FindZip64Record(platform::File& file, std::uint64_t endAt) {
    if (endAt < kZip64LocatorSize) {
        return std::nullopt;
    }
    const std::optional<std::string> locator =
        ReadRange(file, endAt - kZip64LocatorSize, kZip64LocatorSize);
    if (!locator || locator->compare(0, 4, "PK\6\7") != 0) {
        return std::nullopt;
    }
    const std::uint64_t recordAt = ReadField(*locator, 8, 8);
    return recordAt < endAt ? std::optional(recordAt) : std::nullopt;
}

// The place that the Zip64 end record gives, for an end record at endAt whose fields are full.
std::optional<DirectoryPlace> FindZip64Directory(platform::File& file, std::uint64_t endAt) {
    const std::optional<std::uint64_t> recordAt = FindZip64Record(file, endAt);
    const std::optional<std::string> record =
        recordAt ? ReadRange(file, *recordAt, kZip64EndRecordSize) : std::nullopt;
    if (!record || record->compare(0, 4, "PK\6\6") != 0) {
        return std::nullopt;
    }
    const DirectoryPlace place{ReadField(*record, 48, 8), ReadField(*record, 40, 8),
                               ReadField(*record, 32, 8)};
    if (place.offset > *recordAt || place.size > *recordAt - place.offset) {
        return std::nullopt;
    }
    return DirectoryPlace{place.offset, place.size, place.entries,
                          place.offset + place.size == *recordAt};
}

// True when an end record starts at `at` of tail and its comment reaches the end of tail.
bool EndsTail(const std::string& tail, std::size_t at) {
    return tail.compare(at, 4, "PK\5\6") == 0 &&
           at + kEndRecordSize + ReadField(tail, at + 20, 2) == tail.size();
}

// True when no other reader can take another end record than the one at `at`: a reader that
// takes the last signature of the file, or the first whose comment reaches its end.
bool SoleEndRecord(const std::string& tail, std::size_t at) {
    if (tail.find("PK\5\6", at + 1) != std::string::npos) {
        return false;
    }
    for (std::size_t other = at; other-- > 0;) {
        if (EndsTail(tail, other)) {
            return false;
        }
    }
    return true;
}

// Where the central directory lies, told by the end record whose comment ends the file.
std::optional<DirectoryPlace> FindDirectory(platform::File& file, std::uint64_t fileSize) {
    const std::size_t tailSize =
        std::min<std::uint64_t>(fileSize, kEndRecordSize + kLongestComment);
    const std::uint64_t tailStart = fileSize - tailSize;
    const std::optional<std::string> tail = ReadRange(file, tailStart, tailSize);
    if (!tail || tailSize < kEndRecordSize) {
        return std::nullopt;
    }
    for (std::size_t at = tailSize - kEndRecordSize + 1; at-- > 0;) {
        if (!EndsTail(*tail, at)) {
            continue;
        }
        const bool sole = SoleEndRecord(*tail, at);
        const std::uint64_t endAt = tailStart + at;
        DirectoryPlace place{ReadField(*tail, at + 16, 4), ReadField(*tail, at + 12, 4),
                             ReadField(*tail, at + 10, 2)};
        if (place.offset == kZip64Marker || place.size == kZip64Marker) {
            std::optional<DirectoryPlace> zip64 = FindZip64Directory(file, endAt);
            if (zip64) {
                zip64->readsOneWay = zip64->readsOneWay && sole;
            }
            return zip64;
        }
        if (place.offset + place.size > endAt) {
            return std::nullopt;
        }
        // A Zip64 end record may stand between the directory and the end record.
        const std::uint64_t end = place.offset + place.size;
        place.readsOneWay = sole && (end == endAt || FindZip64Record(file, endAt) == end);
        return place;
    }
    return std::nullopt;
}

// The uncompressed size of the entry at `at`, from its Zip64 extra field when the header's own
// field is full (that size comes first in the extra field).
std::optional<std::uint64_t> UncompressedSize(std::string_view header, std::size_t extraAt,
                                              std::size_t extraLength) {
    const std::uint64_t size = ReadField(header, 24, 4);
    if (size != kZip64Marker) {
        return size;
    }
    for (std::size_t at = extraAt; at + 4 <= extraAt + extraLength;) {
        const std::uint64_t length = ReadField(header, at + 2, 2);
        if (ReadField(header, at, 2) == kZip64ExtraId) {
            return length >= 8 && at + 4 + 8 <= extraAt + extraLength
                       ? std::optional(ReadField(header, at + 4, 8))
                       : std::nullopt;
        }
        at += 4 + length;
    }
    return std::nullopt;
}

// The UTF-8 name of the header's Unicode Path extra field (version 1, made for this very name,
// as unzip takes it); empty when it has none.
std::string_view UnicodePath(std::string_view header, std::string_view name, std::size_t extraAt,
                             std::size_t extraLength) {
    for (std::size_t at = extraAt; at + 4 <= extraAt + extraLength;) {
        const std::uint64_t length = ReadField(header, at + 2, 2);
        if (at + 4 + length > extraAt + extraLength) {
            break;
        }
        if (ReadField(header, at, 2) == kUnicodePathId && length >= 5 && header[at + 4] == 1 &&
            ReadField(header, at + 5, 4) == ZipCrc32(name)) {
            return header.substr(at + 9, length - 5);
        }
        at += 4 + length;
    }
    return {};
}

}  // namespace

std::uint64_t ReadField(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

std::optional<CentralDirectory> ReadCentralDirectory(platform::File& archive) {
    const std::optional<std::uint64_t> size = archive.Size();
    const std::optional<DirectoryPlace> place = size ? FindDirectory(archive, *size) : std::nullopt;
    std::optional<std::string> bytes =
        place ? ReadRange(archive, place->offset, place->size) : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    return CentralDirectory{place->offset, std::move(*bytes), place->entries, place->readsOneWay};
}

bool ForEachEntry(const std::string& directory,
                  const std::function<void(const DirectoryEntry&)>& visit) {
    std::size_t at = 0;
    while (at < directory.size()) {
        if (at + kEntryHeaderSize > directory.size() || directory.compare(at, 4, "PK\1\2") != 0) {
            return false;
        }
        const std::size_t nameLength = ReadField(directory, at + 28, 2);
        const std::size_t extraLength = ReadField(directory, at + 30, 2);
        const std::size_t next =
            at + kEntryHeaderSize + nameLength + extraLength + ReadField(directory, at + 32, 2);
        if (next > directory.size()) {
            return false;
        }
        const std::string_view header(directory.data() + at, next - at);
        const std::optional<std::uint64_t> size =
            UncompressedSize(header, kEntryHeaderSize + nameLength, extraLength);
        if (!size) {
            return false;
        }
        const std::uint64_t flags = ReadField(header, 8, 2);
        const std::string_view name = header.substr(kEntryHeaderSize, nameLength);
        visit({at, name, *size, (flags & kEncryptedFlag) != 0, static_cast<std::uint8_t>(header[5]),
               (flags & kUtf8NameFlag) != 0,
               UnicodePath(header, name, kEntryHeaderSize + nameLength, extraLength)});
        at = next;
    }
    return true;
}

std::optional<std::vector<ArchiveEntry>> ListArchive(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    const std::optional<CentralDirectory> directory =
        file ? ReadCentralDirectory(*file) : std::nullopt;
    if (!directory) {
        return std::nullopt;
    }
    std::vector<ArchiveEntry> entries;
    const bool whole = ForEachEntry(directory->bytes, [&entries](const DirectoryEntry& entry) {
        entries.push_back({std::string(entry.name), entry.uncompressedSize, entry.encrypted});
    });
    if (!whole) {
        return std::nullopt;
    }
    return entries;
}

std::uint32_t ZipCrc32(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}
