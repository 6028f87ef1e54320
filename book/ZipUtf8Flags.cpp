#include "book/ZipUtf8Flags.hpp"

#include <vector>

#include "book/ZipDirectory.hpp"
#include "platform/File.hpp"
#include "text/Utf8Codec.hpp"

namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr const char* kCannotRead = "无法读取输出文件的条目目录";
constexpr const char* kCannotMark = "无法在输出文件中标明 UTF-8 条目名称";

bool IsWellFormedUtf8(std::string_view name) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = text::WellFormedCharacterLength(bytes + at, name.size() - at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

bool NeedsFlag(std::string_view directory, const zip::DirectoryEntry& entry) {
    return !(zip::ReadField(directory, entry.at + 8, 2) & zip::kUtf8NameFlag) &&
           zip::HoldsNonAscii(entry.name) && IsWellFormedUtf8(entry.name);
}

// Sets the flag in the local header of the entry, which must bear the same name; false when it
// cannot be read, does not match, or cannot be written.
bool MarkLocalHeader(platform::File& file, std::string_view directory,
                     const zip::DirectoryEntry& entry) {
    const std::uint32_t offset = zip::ReadField(directory, entry.at + 42, 4);
    if (offset == zip::kZip64Marker) {
        return false;
    }
    std::optional<std::string> header =
        zip::ReadRange(file, offset, kLocalHeaderSize + entry.name.size());
    if (!header || header->compare(0, 4, "PK\3\4") != 0 ||
        zip::ReadField(*header, 26, 2) != entry.name.size() ||
        std::string_view(*header).substr(kLocalHeaderSize) != entry.name) {
        return false;
    }
    std::string flags = header->substr(6, 2);
    zip::WriteField(flags, 0, zip::ReadField(flags, 0, 2) | zip::kUtf8NameFlag, 2);
    return file.SeekTo(offset + 6) && file.Write(flags.data(), 2) == 2;
}

}  // namespace

std::optional<std::string> MarkUtf8Names(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    std::optional<zip::CentralDirectory> directory =
        file ? zip::ReadCentralDirectory(*file) : std::nullopt;
    const std::optional<std::vector<zip::DirectoryEntry>> entries =
        directory ? zip::EntriesOf(directory->bytes) : std::nullopt;
    if (!entries) {
        return kCannotRead;
    }
    std::string& bytes = directory->bytes;
    bool marked = false;
    for (const zip::DirectoryEntry& entry : *entries) {
        if (!NeedsFlag(bytes, entry)) {
            continue;
        }
        if (!MarkLocalHeader(*file, bytes, entry)) {
            return kCannotMark;
        }
        zip::WriteField(bytes, entry.at + 8,
                        zip::ReadField(bytes, entry.at + 8, 2) | zip::kUtf8NameFlag, 2);
        marked = true;
    }
    if (marked && !(file->SeekTo(directory->offset) &&
                    file->Write(bytes.data(), bytes.size()) == bytes.size())) {
        return kCannotMark;
    }
    return std::nullopt;
}
