#include "text/unicode/Utf8Codec.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace text {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool IsEscapedByte(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// The length (2..4) of the well-formed multi-byte sequence at bytes, or 0 when the lead byte
// does not start one within the available bytes. Strict: no overlong forms, no encoded
// surrogates, nothing above U+10FFFF.
std::size_t WellFormedLength(const unsigned char* bytes, std::size_t available) {
    const unsigned char lead = bytes[0];
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (!IsContinuation(bytes[k])) {
            return 0;
        }
    }
    return length;
}

char32_t CodePointOf(const unsigned char* bytes, std::size_t length) {
    switch (length) {
        case 2:
            return (char32_t{bytes[0] & 0x1Fu} << 6) | (bytes[1] & 0x3Fu);
        case 3:
            return (char32_t{bytes[0] & 0x0Fu} << 12) | (char32_t{bytes[1] & 0x3Fu} << 6) |
                   (bytes[2] & 0x3Fu);
        default:
            return (char32_t{bytes[0] & 0x07u} << 18) | (char32_t{bytes[1] & 0x3Fu} << 12) |
                   (char32_t{bytes[2] & 0x3Fu} << 6) | (bytes[3] & 0x3Fu);
    }
}

// The number of non-zero ASCII bytes at the start of bytes[0..limit), at least 1 when the
// first is one. Markup is mostly ASCII, so whole words of it are taken at once.
std::size_t AsciiRunLength(const unsigned char* bytes, std::size_t limit) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    constexpr std::uint64_t kLowBits = 0x0101010101010101u;
    std::size_t run = 0;
    while (limit - run >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + run, 8);
        const bool hasZeroByte = ((word - kLowBits) & ~word & kHighBits) != 0;
        if ((word & kHighBits) != 0 || hasZeroByte) {
            break;
        }
        run += 8;
    }
    while (run < limit && bytes[run] != 0 && bytes[run] < 0x80) {
        ++run;
    }
    return run;
}

// The number of bytes unit takes in UTF-8, given the unit after it (for surrogate pairs).
std::size_t EncodedLength(char16_t unit, char16_t next) {
    if (unit < 0x80 || IsEscapedByte(unit)) {
        return 1;
    }
    if (unit < 0x800) {
        return 2;
    }
    if (IsHighSurrogate(unit) && IsLowSurrogate(next)) {
        return 4;
    }
    return 3;
}

void WriteEncoded(unsigned char* out, std::size_t length, char16_t unit, char16_t next) {
    if (length == 1) {
        *out = static_cast<unsigned char>(unit < 0x80 ? unit : unit - kEscapedByteBase);
        return;
    }
    if (length == 2) {
        out[0] = static_cast<unsigned char>(0xC0 | (unit >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        return;
    }
    if (length == 3) {
        out[0] = static_cast<unsigned char>(0xE0 | (unit >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        return;
    }
    const char32_t codePoint = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (next - 0xDC00);
    out[0] = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
}

}  // namespace

DecodeResult DecodeUtf8(char16_t* units, std::size_t maxUnits, const unsigned char* bytes,
                        std::size_t length) {
    std::size_t i = 0;
    std::size_t n = 0;
    while (n < maxUnits && i < length && bytes[i] != 0) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            const std::size_t run = AsciiRunLength(bytes + i, std::min(length - i, maxUnits - n));
            for (std::size_t k = 0; k < run; ++k) {
                units[n + k] = bytes[i + k];
            }
            n += run;
            i += run;
            continue;
        }
        if (lead >= 0xE1 && lead <= 0xEC && length - i >= 3 && IsContinuation(bytes[i + 1]) &&
            IsContinuation(bytes[i + 2])) {
            // U+1000..U+CFFF, the ideographs among them: every continuation byte is valid here.
            units[n++] = static_cast<char16_t>(
                ((lead & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F));
            i += 3;
            continue;
        }
        const std::size_t sequence = WellFormedLength(bytes + i, length - i);
        if (sequence == 0) {
            units[n++] = static_cast<char16_t>(kEscapedByteBase + lead);
            ++i;
            continue;
        }
        const char32_t codePoint = CodePointOf(bytes + i, sequence);
        if (codePoint < 0x10000) {
            units[n++] = static_cast<char16_t>(codePoint);
        } else if (maxUnits - n >= 2) {
            units[n++] = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            units[n++] = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            break;
        }
        i += sequence;
    }
    return {n, i};
}

EncodeResult EncodeUtf8(unsigned char* bytes, std::size_t capacity, const char16_t* units) {
    if (capacity < 1) {
        return {};
    }
    const std::size_t room = capacity - 1;
    std::size_t j = 0;
    std::size_t k = 0;
    while (units[k] != 0) {
        if (units[k] < 0x80) {
            // Markup is mostly ASCII: copy such runs without the general case below.
            const std::size_t end = std::min(room, j + 64);
            while (j < end && units[k] != 0 && units[k] < 0x80) {
                bytes[j++] = static_cast<unsigned char>(units[k++]);
            }
            if (j == room && units[k] != 0 && units[k] < 0x80) {
                break;
            }
            continue;
        }
        const char16_t next = units[k + 1];
        const std::size_t length = EncodedLength(units[k], next);
        if (room - j < length) {
            break;
        }
        WriteEncoded(bytes + j, length, units[k], next);
        j += length;
        k += length == 4 ? 2 : 1;
    }
    bytes[j] = 0;
    return {k, j};
}

std::size_t WellFormedCharacterLength(const unsigned char* bytes, std::size_t available) {
    if (available == 0 || bytes[0] == 0) {
        return 0;
    }
    return bytes[0] < 0x80 ? 1 : WellFormedLength(bytes, available);
}

bool IsWellFormedUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = WellFormedCharacterLength(bytes + at, text.size() - at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace text
