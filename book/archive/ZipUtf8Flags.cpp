#include "book/archive/ZipUtf8Flags.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

#include "book/archive/CentralDirectory.hpp"
#include "book/archive/EntryNames.hpp"
#include "platform/File.hpp"

namespace {

constexpr std::uint64_t kUtf8NameFlag = 1u << 11;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint64_t kZip64Offset = 0xFFFFFFFF;
constexpr const char* kCannotRead = "无法读取输出文件的条目目录";
constexpr const char* kCannotMark = "无法在输出文件中标明 UTF-8 条目名称";

bool NeedsFlag(std::string_view directory, const DirectoryEntry& entry) {
    return !(ReadField(directory, entry.at + 8, 2) & kUtf8NameFlag) && WantsUtf8Flag(entry.name);
}

// The two flag bytes of a header with the UTF-8 flag set.
std::string WithFlag(std::string_view flags) {
    std::string marked(flags);
    marked[1] = static_cast<char>(marked[1] | kUtf8NameFlag >> 8);
    return marked;
}

bool ReadExactly(platform::File& file, std::uint64_t offset, std::string& bytes) {
    const std::optional<std::size_t> got =
        file.SeekTo(offset) ? file.Read(bytes.data(), bytes.size()) : std::nullopt;
    return got && *got == bytes.size();
}

bool WriteAt(platform::File& file, std::uint64_t offset, std::string_view bytes) {
    return file.SeekTo(offset) && file.Write(bytes.data(), bytes.size()) == bytes.size();
}

// Sets the flag in the local header of the entry, which must bear the same name; false when it
// cannot be read, does not match, or cannot be written.
bool MarkLocalHeader(platform::File& file, std::string_view directory,
                     const DirectoryEntry& entry) {
    const std::uint64_t offset = ReadField(directory, entry.at + 42, 4);
    std::string header(kLocalHeaderSize + entry.name.size(), '\0');
    if (!ReadExactly(file, offset, header) || header.compare(0, 4, "PK\3\4") != 0 ||
        ReadField(header, 26, 2) != entry.name.size() ||
        std::string_view(header).substr(kLocalHeaderSize) != entry.name) {
        return false;
    }
    return WriteAt(file, offset + 6, WithFlag(header.substr(6, 2)));
}

}  // namespace

std::optional<std::string> MarkUtf8Names(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    std::optional<CentralDirectory> directory = file ? ReadCentralDirectory(*file) : std::nullopt;
    if (!directory) {
        return kCannotRead;
    }
    std::string& bytes = directory->bytes;
    std::vector<DirectoryEntry> unmarked;
    if (!ForEachEntry(bytes, [&](const DirectoryEntry& entry) {
            if (NeedsFlag(bytes, entry)) {
                unmarked.push_back(entry);
            }
        })) {
        return kCannotRead;
    }
    for (const DirectoryEntry& entry : unmarked) {
        // An entry past 4 GiB keeps its name unmarked: its offset lies in a Zip64 field.
        if (ReadField(bytes, entry.at + 42, 4) == kZip64Offset) {
            continue;
        }
        if (!MarkLocalHeader(*file, bytes, entry)) {
            return kCannotMark;
        }
        bytes.replace(entry.at + 8, 2, WithFlag(std::string_view(bytes).substr(entry.at + 8, 2)));
    }
    if (!unmarked.empty() && !WriteAt(*file, directory->offset, bytes)) {
        return kCannotMark;
    }
    return std::nullopt;
}

bool WantsUtf8Flag(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; }) &&
           IsWellFormedUtf8(name);
}
