#include "platform/ErrorReason.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr const char* kEllipsis = "…";

bool StartsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// text with each control character (C0 and DEL) written as "\xHH".
std::string WithoutControls(const std::string& text) {
    std::string shown;
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        if (code >= 0x20 && code != 0x7F) {
            shown += byte;
            continue;
        }
        std::array<char, 5> escaped{};
        std::snprintf(escaped.data(), escaped.size(), "\\x%02X", code);
        shown += escaped.data();
    }
    return shown;
}

}  // namespace

std::string OneLineReason(const std::string& reason, std::size_t most) {
    const std::string line = WithoutControls(reason);
    std::vector<std::size_t> starts;  // where each character begins
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (StartsCharacter(line[i])) {
            starts.push_back(i);
        }
    }
    if (starts.size() <= most || most < 3) {
        return line;
    }
    // Half of what is kept before the cut, the rest after it, with one character for "…".
    const std::size_t head = (most - 1) / 2;
    const std::size_t tail = most - 1 - head;
    return line.substr(0, starts[head]) + kEllipsis + line.substr(starts[starts.size() - tail]);
}

std::string ReasonOf(const std::string& what, int error) {
    std::array<char, 256> buffer{};
    // The GNU variant: it returns the text, in buffer or a static string of its own.
    const std::string why = std::string("：") + ::strerror_r(error, buffer.data(), buffer.size());
    std::size_t whyCharacters = 0;
    for (const char byte : why) {
        whyCharacters += StartsCharacter(byte) ? 1 : 0;
    }
    const std::size_t room =
        kMostReasonCharacters > whyCharacters ? kMostReasonCharacters - whyCharacters : 0;
    return OneLineReason(what, room) + why;
}

}  // namespace platform
