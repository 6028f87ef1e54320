#pragma once

#include <string_view>

namespace text {

inline char LoweredAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when a and b are equal but for the case of their ASCII letters.
inline bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LoweredAscii(a[i]) != LoweredAscii(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace text
