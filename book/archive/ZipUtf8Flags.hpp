#pragma once

#include <optional>
#include <string>

// zip and WinRAR store UTF-8 entry names without saying so, and a reader that follows the ZIP
// rules then reads them as code page 437. Sets the UTF-8 flag (general-purpose bit 11) of each
// entry of the archive at path whose name is well-formed UTF-8 and not ASCII, in its local
// header and in the central directory. Returns the reason when the archive cannot be read or
// patched; nullopt when every such entry carries the flag.
std::optional<std::string> MarkUtf8Names(const std::string& path);
