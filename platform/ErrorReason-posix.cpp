#include "platform/ErrorReason.hpp"

#include <array>
#include <cstring>

namespace platform {

std::string ReasonOf(const std::string& what, int error) {
    std::array<char, 256> buffer{};
    // The GNU variant: it returns the text, in buffer or a static string of its own.
    return what + "：" + ::strerror_r(error, buffer.data(), buffer.size());
}

}  // namespace platform
