#include "book/TextFileRewrite.hpp"

#include <cerrno>
#include <new>

#include "book/ContentConversion.hpp"
#include "book/FreshNames.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "text/ScriptConversion.hpp"

namespace {

constexpr int kMostTemporaryNames = 100;

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

// Writes bytes to a new file beside path, with its permissions, and moves it over path.
bool ReplaceWhole(const std::string& path, const std::string& bytes) {
    // A short name, so that it fits wherever the file's own name does.
    const std::string wanted = path.substr(0, path.rfind('/') + 1) + ".corvela";
    for (int n = 0; n < kMostTemporaryNames; ++n) {
        const std::string temporary = FreshCandidate(wanted, n, false);
        std::optional<platform::File> file = platform::File::CreateNewLike(temporary, path);
        if (!file) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        const bool written = file->Write(bytes.data(), bytes.size()) == bytes.size();
        if (!written || !platform::MoveReplacing(temporary, path)) {
            platform::RemoveFile(temporary);
            return false;
        }
        return true;
    }
    return false;
}

}  // namespace

bool IsTakenForText(std::string_view bytes) {
    const std::string_view beforeZero = bytes.substr(0, bytes.find('\0'));
    return beforeZero.find("utf-8") != std::string_view::npos ||
           beforeZero.find("UTF-8") != std::string_view::npos ||
           IsUtf8Text(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 1;
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
        const std::string converted = ConvertContent(*bytes, KindOfFile(FileNameOf(path)),
                                                     conversion.converter, conversion.profile);
        if (converted != *bytes && !ReplaceWhole(path, converted)) {
            return "无法写回 " + shownName;
        }
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return "内存不足，无法转换 " + shownName;
    }
}
