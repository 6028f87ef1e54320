#include "book/tree/TextFileRewrite.hpp"

#include <new>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/ReplacementFile.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/convert/ScriptConversion.hpp"

namespace {

std::string FileNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The whole file, or nullopt when it cannot be opened or read in full.
std::optional<std::string> ReadWhole(const std::string& path) {
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    const std::optional<std::uint64_t> size = file ? file->Size() : std::nullopt;
    if (!size || *size > std::string().max_size()) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    const std::optional<std::size_t> got = file->Read(bytes.data(), bytes.size());
    if (!got || *got != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

// Writes bytes to a new file beside path, with its permissions, and moves it over path; the
// error number (errno) when that fails, else 0.
int ReplaceWhole(const std::string& path, const std::string& bytes) {
    platform::ReplacementFile replacement(path);
    if (replacement.Opened() && replacement.Write(bytes.data(), bytes.size()) &&
        replacement.Commit()) {
        return 0;
    }
    return replacement.Error();
}

}  // namespace

bool IsTakenForText(std::string_view bytes) {
    return text::IsTakenForUtf8Text(reinterpret_cast<const unsigned char*>(bytes.data()),
                                    bytes.size());
}

std::optional<std::string> ConvertTextFileOfBook(const std::string& path,
                                                 const std::string& shownName,
                                                 const TextConversion& conversion) {
    try {
        const std::optional<std::string> bytes = ReadWhole(path);
        if (!bytes) {
            return "无法读取 " + shownName;
        }
        if (!IsTakenForText(*bytes)) {
            return std::nullopt;
        }
        const std::string converted =
            text::ConvertBookText(*bytes, text::BookTextKindOf(FileNameOf(path)),
                                  conversion.converter, conversion.profile);
        if (converted == *bytes) {
            return std::nullopt;
        }
        if (const int error = ReplaceWhole(path, converted)) {
            return platform::ReasonOf("无法写回 " + shownName, error);
        }
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return "内存不足，无法转换 " + shownName;
    }
}
