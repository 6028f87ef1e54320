#pragma once

#include <cstddef>
#include <string>

namespace text {
class ScriptMapping;
}

// Converts the file at path in place from Simplified to Traditional script when it is taken
// for UTF-8 text. Returns 1 when the file was converted and written back, 0 otherwise (not
// openable, not UTF-8 text, mapping refused, write failed); failures print one diagnostic line
// on standard output.
int ConvertTextFile(const std::string& path);

// As above with the given mapping in place of the process-wide Simplified-to-Traditional one.
int ConvertTextFile(const std::string& path, const text::ScriptMapping& mapping);

// Returns 1 when bytes[0..length) pass the well-formedness test, 0 otherwise.
int IsUtf8Text(const unsigned char* bytes, std::size_t length);

// Decodes bytes into units; capacity is the room in bytes (two per unit), not counting the
// terminating zero unit. Returns the units written, terminator not counted.
std::size_t Utf8ToUtf16(char16_t* units, std::size_t capacity, const unsigned char* bytes,
                        std::size_t length);

// Encodes the zero-terminated units into bytes; capacity counts bytes with the final zero.
// Returns the units encoded.
std::size_t Utf16ToUtf8(unsigned char* bytes, std::size_t capacity, const char16_t* units);
