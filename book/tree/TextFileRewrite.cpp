#include "book/tree/TextFileRewrite.hpp"

#include <cerrno>
#include <new>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "platform/ReplacementFile.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/unicode/BinarySignature.hpp"

namespace {

std::string FileNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The whole file; nullopt with errno set when it cannot be opened or read in full.
std::optional<std::string> ReadWhole(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    const std::optional<std::uint64_t> size = file ? file->Size() : std::nullopt;
    if (!size) {
        return std::nullopt;
    }
    if (*size > std::string().max_size()) {
        errno = EFBIG;
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    const std::optional<std::size_t> got = file->Read(bytes.data(), bytes.size());
    if (!got || *got != bytes.size()) {
        errno = got ? EIO : errno;  // a short read: the file shrank while it was read
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<std::string> ReplaceFileContents(const std::string& path,
                                               const std::string& shownName,
                                               const ContentTransform& transform) {
    try {
        const std::optional<std::string> bytes = ReadWhole(path);
        if (!bytes) {
            const int error = errno;
            return platform::ReasonOf("无法读取 " + shownName, error);
        }
        const std::optional<std::string> replaced = transform(*bytes);
        if (!replaced) {
            return std::nullopt;
        }
        platform::ReplacementFile replacement(path);
        if (replacement.Opened() && replacement.Write(replaced->data(), replaced->size()) &&
            replacement.Commit()) {
            return std::nullopt;
        }
        return platform::ReasonOf("无法写回 " + shownName, replacement.Error());
    } catch (const std::bad_alloc&) {
        return "内存不足，无法转换 " + shownName;
    }
}

std::optional<std::string> ConvertTextFile(const std::string& path, const std::string& shownName,
                                           const TextConversion& conversion) {
    const text::BookTextKind kind = text::BookTextKindOf(FileNameOf(path));
    return ReplaceFileContents(
        path, shownName, [&](std::string_view bytes) -> std::optional<std::string> {
            if (!text::IsTakenForUtf8Text(bytes)) {
                return std::nullopt;
            }
            std::string converted = text::ConvertBookText(
                bytes, kind, conversion.converter, conversion.profile, conversion.conventions);
            if (converted == bytes) {
                return std::nullopt;
            }
            return converted;
        });
}
