#pragma once

#include <optional>
#include <string>
#include <string_view>

// zip and WinRAR store UTF-8 entry names without saying so, and a reader that follows the ZIP
// rules then reads them as code page 437. Sets the UTF-8 flag (general-purpose bit 11) of each
// entry of the archive at path whose name is well-formed UTF-8 and not ASCII, in its local
// header and in the central directory. Returns the reason when the archive cannot be read or
// patched; nullopt when every such entry carries the flag.
std::optional<std::string> MarkUtf8Names(const std::string& path);

// True when name is well-formed UTF-8 and not ASCII: the names that carry the UTF-8 flag.
bool WantsUtf8Flag(std::string_view name);
