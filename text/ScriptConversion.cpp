#include "text/ScriptConversion.hpp"

// Placeholder until the converter lands.
int ConvertTextFile(const std::string&) { return 0; }
int IsUtf8Text(const unsigned char*, std::size_t) { return 0; }
std::size_t Utf8ToUtf16(char16_t*, std::size_t, const unsigned char*, std::size_t) { return 0; }
std::size_t Utf16ToUtf8(unsigned char*, std::size_t, const char16_t*) { return 0; }
