#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The lossless UTF-8 codec of the text layer. Well-formed UTF-8 decodes to UTF-16 (four-byte
// sequences to surrogate pairs); every byte that does not start a well-formed sequence decodes
// to the lone unit U+DC00 + byte (U+DC80..U+DCFF), which the encoder writes back as that one
// byte. So encoding the decoding of any bytes before a zero byte gives them back unchanged.
namespace text {

// First unit of the range that carries undecodable bytes 0x80..0xFF.
inline constexpr char16_t kEscapedByteBase = 0xDC00;

struct DecodeResult {
    std::size_t units = 0;      // units written
    std::size_t bytesRead = 0;  // bytes those units came from
};

// Decodes bytes[0..length) into at most maxUnits units, stopping before the first zero byte
// and never splitting a surrogate pair. Writes no terminator. Reads nothing past length.
DecodeResult DecodeUtf8(char16_t* units, std::size_t maxUnits, const unsigned char* bytes,
                        std::size_t length);

struct EncodeResult {
    std::size_t units = 0;  // units encoded
    std::size_t bytes = 0;  // bytes written, terminator not counted
};

// Encodes the zero-terminated units into bytes, keeping one byte of capacity for the final
// zero byte it always writes (nothing at all when capacity is 0). Stops before a unit whose
// bytes would not fit.
EncodeResult EncodeUtf8(unsigned char* bytes, std::size_t capacity, const char16_t* units);

// The length (1..4) of the well-formed UTF-8 character other than a zero byte at bytes[0..
// available), or 0 when bytes does not start with one.
std::size_t WellFormedCharacterLength(const unsigned char* bytes, std::size_t available);
// True when text is well-formed UTF-8 throughout, with no zero byte.
bool IsWellFormedUtf8(std::string_view text);

// The number of characters of well-formed UTF-8.
inline std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }
    return count;
}

// Appends the UTF-8 form of codepoint, a Unicode scalar value, to out.
void AppendUtf8(char32_t codepoint, std::string& out);

}  // namespace text
