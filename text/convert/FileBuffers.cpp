#include "text/convert/FileBuffers.hpp"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "text/convert/Diagnostics.hpp"
#include "text/convert/FileRewrite.hpp"

namespace text {

std::optional<std::size_t> FileSize(const platform::File& file) {
    const std::optional<std::uint64_t> size = file.Size();
    if (!size || *size > std::numeric_limits<std::size_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*size);
}

bool ReadExactly(platform::File& file, unsigned char* bytes, std::size_t size) {
    errno = 0;
    const std::optional<std::size_t> got = file.Read(bytes, size);
    return got && *got == size;
}

std::optional<WholeFile> OpenAndReadWhole(const std::string& path, std::string& failure) {
    std::optional<platform::File> file = platform::File::OpenForReadWrite(path);
    if (!file) {
        failure = SystemFailure("打开文件失败", errno);
        PrintDiagnostic("Terminal failure: unable to open file \"%s\" .\n", path.c_str());
        return std::nullopt;
    }
    const std::optional<std::size_t> size = FileSize(*file);
    if (!size) {
        failure = SystemFailure("读取文件失败", errno);
        PrintDiagnostic("Terminal failure: Unable to read from file.\n");
        return std::nullopt;
    }
    auto bytes = TryAllocate<unsigned char>(*size + 1);
    if (!bytes) {
        failure = kOutOfMemory;
        PrintDiagnostic("Failed to allocate on heap.\n");
        return std::nullopt;
    }
    if (!ReadExactly(*file, bytes.get(), *size)) {
        failure =
            errno != 0 ? SystemFailure("读取文件失败", errno) : "读取文件失败：文件在读取时变短";
        PrintDiagnostic("Terminal failure: Unable to read from file.\n");
        return std::nullopt;
    }
    bytes[*size] = 0;
    return WholeFile{std::move(bytes), *size};
}

std::string_view TextBeforeZero(const unsigned char* bytes, std::size_t size) {
    const void* zero = std::memchr(bytes, 0, size);
    const std::size_t length =
        zero == nullptr ? size
                        : static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - bytes);
    return {reinterpret_cast<const char*>(bytes), length};
}

}  // namespace text
