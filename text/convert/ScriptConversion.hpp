#pragma once

#include <cstddef>
#include <string>

#include "text/convert/FileRewrite.hpp"

namespace text {
class ScriptMapping;

// Converts the file at path from Simplified to Traditional script when it is taken for UTF-8
// text (never when it starts with a binary format's signature): the converted content goes to
// a new file that then takes the file's place, keeping its permission bits, so a failure leaves
// the file as it was. Rewritten; Skipped for a file that is not text or holds no text before
// its first zero byte; Failed with the reason (the file cannot be opened or read, memory runs
// out, the mapping refuses the text, the new content cannot be written or put in place).
// Memory: 3 bytes per byte of the file and 64 KiB. Prints the diagnostic lines of
// ConvertTextFile.
RewriteResult ConvertTextFileReporting(const std::string& path);
// As above with the given mapping in place of the process-wide Simplified-to-Traditional one.
RewriteResult ConvertTextFileReporting(const std::string& path, const ScriptMapping& mapping);

// True when a file's bytes are taken for UTF-8 text: no binary format's signature at the start,
// and "utf-8" or "UTF-8" before the first zero byte or the well-formedness test passed.
bool IsTakenForUtf8Text(const unsigned char* bytes, std::size_t size);

}  // namespace text

// ConvertTextFileReporting as a number: 1 when the file was converted and written back, 0
// otherwise (not openable, not UTF-8 text, mapping refused, write failed); failures print one
// diagnostic line on standard output.
int ConvertTextFile(const std::string& path);

// As above with the given mapping in place of the process-wide Simplified-to-Traditional one.
int ConvertTextFile(const std::string& path, const text::ScriptMapping& mapping);
