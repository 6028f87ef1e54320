#include "text/FileBuffers.hpp"

#include <cstring>
#include <limits>

namespace text {

std::optional<std::size_t> FileSize(const platform::File& file) {
    const std::optional<std::uint64_t> size = file.Size();
    if (!size || *size > std::numeric_limits<std::size_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*size);
}

bool ReadExactly(platform::File& file, unsigned char* bytes, std::size_t size) {
    const std::optional<std::size_t> got = file.Read(bytes, size);
    return got && *got == size;
}

std::string_view TextBeforeZero(const unsigned char* bytes, std::size_t size) {
    const void* zero = std::memchr(bytes, 0, size);
    const std::size_t length =
        zero == nullptr ? size
                        : static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - bytes);
    return {reinterpret_cast<const char*>(bytes), length};
}

}  // namespace text
