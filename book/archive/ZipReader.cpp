#include "book/archive/ZipReader.hpp"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <numeric>

namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::uint64_t kZip64Marker = 0xFFFFFFFF;
constexpr std::uint64_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kDescriptorFlag = 1u << 3;
constexpr std::uint8_t kMadeOnUnix = 3;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kSmallestChunk = 4 * 1024;  // enough for a stream's tables and first bytes

// The Zip64 extra field's value for each of the header's full fields, in the order the field
// keeps them (uncompressed size, compressed size, local header offset); false when it lacks one.
bool ReadZip64Fields(std::string_view header, std::size_t extraAt, std::size_t extraLength,
                     std::initializer_list<std::uint64_t*> fields) {
    for (std::size_t at = extraAt; at + 4 <= extraAt + extraLength;) {
        const std::size_t length = ReadField(header, at + 2, 2);
        if (ReadField(header, at, 2) != kZip64ExtraId) {
            at += 4 + length;
            continue;
        }
        std::size_t next = at + 4;
        for (std::uint64_t* field : fields) {
            if (*field != kZip64Marker) {
                continue;
            }
            if (next + 8 > at + 4 + length || next + 8 > extraAt + extraLength) {
                return false;
            }
            *field = ReadField(header, next, 8);
            next += 8;
        }
        return true;
    }
    return std::none_of(fields.begin(), fields.end(),
                        [](const std::uint64_t* field) { return *field == kZip64Marker; });
}

// The entry of the central header at `at` of the directory, its local header not yet read.
std::optional<ZipEntry> FromCentralHeader(const std::string& directory,
                                          const DirectoryEntry& listed) {
    const std::size_t nameLength = listed.name.size();
    const std::size_t extraLength = ReadField(directory, listed.at + 30, 2);
    const std::size_t headerSize =
        kCentralHeaderSize + nameLength + extraLength + ReadField(directory, listed.at + 32, 2);
    ZipEntry entry;
    entry.central = directory.substr(listed.at, headerSize);
    const std::string_view header = entry.central;
    entry.name = listed.name;
    entry.unicodePath = listed.unicodePath;
    entry.host = listed.host;
    entry.utf8Name = listed.utf8Name;
    entry.flags = static_cast<std::uint16_t>(ReadField(header, 8, 2));
    entry.method = static_cast<std::uint16_t>(ReadField(header, 10, 2));
    entry.crc = static_cast<std::uint32_t>(ReadField(header, 16, 4));
    entry.size = ReadField(header, 24, 4);
    entry.compressedSize = ReadField(header, 20, 4);
    entry.localAt = ReadField(header, 42, 4);
    entry.zip64 = entry.size == kZip64Marker || entry.compressedSize == kZip64Marker ||
                  entry.localAt == kZip64Marker;
    const auto mode = static_cast<std::uint32_t>(ReadField(header, 38, 4) >> 16);
    entry.symbolicLink = listed.host == kMadeOnUnix && S_ISLNK(mode);
    if (!ReadZip64Fields(header, kCentralHeaderSize + nameLength, extraLength,
                         {&entry.size, &entry.compressedSize, &entry.localAt})) {
        return std::nullopt;
    }
    return entry;
}

// Reads count bytes at offset of book into out; false when they are not all there.
bool ReadExactly(const platform::File& book, std::uint64_t offset, std::size_t count,
                 std::string& out) {
    out.resize(count);
    const std::optional<std::size_t> got = book.ReadAt(offset, out.data(), count);
    return got && *got == count;
}

// Finds the entry's data behind its local header and the data descriptor after it; the reason
// when the header is not the entry's.
std::optional<std::string> PlaceData(const platform::File& book, std::uint64_t directoryAt,
                                     ZipEntry& entry) {
    std::string local;
    if (entry.localAt > directoryAt ||
        !ReadExactly(book, entry.localAt, kLocalHeaderSize + entry.name.size(), local) ||
        local.compare(0, 4, "PK\3\4") != 0 || ReadField(local, 26, 2) != entry.name.size() ||
        local.compare(kLocalHeaderSize, entry.name.size(), entry.name) != 0) {
        return DamagedEntry(entry.name, "找不到它的本地文件头");
    }
    entry.dataAt = entry.localAt + kLocalHeaderSize + entry.name.size() + ReadField(local, 28, 2);
    entry.end = entry.dataAt + entry.compressedSize;
    if ((entry.flags & kDescriptorFlag) != 0) {
        std::string signature;
        const bool marked = ReadExactly(book, entry.end, 4, signature) && signature == "PK\7\10";
        entry.end += (marked ? 4 : 0) + (entry.zip64 ? 20 : 12);
    }
    if (entry.dataAt < entry.localAt || entry.end < entry.dataAt || entry.end > directoryAt) {
        return DamagedEntry(entry.name, "数据越出了条目的范围");
    }
    if (entry.method != kStored && entry.method != kDeflated) {
        return "书中有条目的压缩方式无法处理（方法 " + std::to_string(entry.method) + "）：" +
               entry.name;
    }
    if (entry.method == kStored && entry.size != entry.compressedSize) {
        return DamagedEntry(entry.name, "未压缩的条目大小前后不一");
    }
    return std::nullopt;
}

// The reason when two entries' bytes overlap: an archive whose entries share data is a bomb.
std::optional<std::string> FindOverlap(const std::vector<ZipEntry>& entries) {
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&entries](std::size_t a, std::size_t b) {
        return entries[a].localAt < entries[b].localAt;
    });
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (entries[order[i - 1]].end > entries[order[i]].localAt) {
            return "书中有条目的数据互相重叠，无法处理：" + entries[order[i]].name;
        }
    }
    return std::nullopt;
}

// Inflates the entry's deflated data into out[0, out.size()); how many bytes it gave, or the
// reason. ended tells whether the stream came to its end.
std::optional<std::string> RunInflate(const platform::File& book, const ZipEntry& entry,
                                      std::string& out, std::size_t& given, bool& ended) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return "内存不足，无法解压 " + entry.name;
    }
    std::string chunk;
    std::uint64_t read = 0;
    int status = Z_OK;
    // A few bytes wanted need no more than a few compressed ones.
    const std::size_t most = std::clamp(out.size() * 4, kSmallestChunk, kChunk);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    while (status == Z_OK && stream.avail_out > 0) {
        if (stream.avail_in == 0) {
            const std::size_t count = std::min<std::uint64_t>(most, entry.compressedSize - read);
            if (count == 0 || !ReadExactly(book, entry.dataAt + read, count, chunk)) {
                break;
            }
            read += count;
            stream.next_in = reinterpret_cast<Bytef*>(chunk.data());
            stream.avail_in = static_cast<uInt>(count);
        }
        status = inflate(&stream, Z_NO_FLUSH);
    }
    given = out.size() - stream.avail_out;
    ended = status == Z_STREAM_END;
    inflateEnd(&stream);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
        return DamagedEntry(entry.name, "数据无法解压");
    }
    return std::nullopt;
}

}  // namespace

DirectoryEntry ZipEntry::AsDirectoryEntry() const {
    return {0, name, size, false, host, utf8Name, unicodePath};
}

std::string DamagedEntry(const std::string& name, const std::string& why) {
    return "书中的条目已损坏（" + why + "），无法处理：" + name;
}

std::optional<std::string> ReadZipEntries(const platform::File& book,
                                          const CentralDirectory& directory,
                                          std::vector<ZipEntry>& entries) {
    std::optional<std::string> failure;
    const bool whole = ForEachEntry(directory.bytes, [&](const DirectoryEntry& listed) {
        if (failure) {
            return;
        }
        std::optional<ZipEntry> entry = FromCentralHeader(directory.bytes, listed);
        failure = entry ? PlaceData(book, directory.offset, *entry)
                        : DamagedEntry(std::string(listed.name), "Zip64 字段不全");
        if (!failure) {
            entries.push_back(std::move(*entry));
        }
    });
    if (!whole) {
        return "书不是 ZIP 文件或已损坏（读不出它的条目目录）";
    }
    return failure ? failure : FindOverlap(entries);
}

std::optional<std::string> InflateHead(const platform::File& book, const ZipEntry& entry,
                                       std::size_t count, std::string& out) {
    out.assign(static_cast<std::size_t>(std::min<std::uint64_t>(count, entry.size)), '\0');
    if (entry.method == kStored) {
        return ReadExactly(book, entry.dataAt, out.size(), out)
                   ? std::nullopt
                   : std::optional(DamagedEntry(entry.name, "数据读不全"));
    }
    std::size_t given = 0;
    bool ended = false;
    std::optional<std::string> failure = RunInflate(book, entry, out, given, ended);
    out.resize(given);
    return failure;
}

std::optional<std::string> InflateWhole(const platform::File& book, const ZipEntry& entry,
                                        std::string& out) {
    if (entry.method == kStored) {
        if (!ReadExactly(book, entry.dataAt, entry.size, out)) {
            return DamagedEntry(entry.name, "数据读不全");
        }
    } else {
        // One byte more than declared tells a stream that would go on.
        out.assign(entry.size + 1, '\0');
        std::size_t given = 0;
        bool ended = false;
        if (std::optional<std::string> failure = RunInflate(book, entry, out, given, ended)) {
            return failure;
        }
        if (given != entry.size || !ended) {
            return DamagedEntry(entry.name, "解压后的大小与声明的不符");
        }
        out.resize(given);
    }
    if (ZipCrc32(out) != entry.crc) {
        return DamagedEntry(entry.name, "CRC 校验不符");
    }
    return std::nullopt;
}
