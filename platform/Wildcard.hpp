#pragma once

#include <string>
#include <vector>

namespace platform {

// Returns true when name matches pattern: "*" any run of characters, "?" any one, every
// other character itself (no classes, no escapes).
bool MatchesWildcard(const std::string& pattern, const std::string& name);

// The names in folder that match pattern ("*" any run, "?" one character; names beginning with
// a dot included, "." and ".." never), sorted by name in byte order. A name that begins with "-"
// comes back as "./name" so that a tool can never read it as an option. Returns the pattern
// itself when nothing matches or the folder cannot be read, as the Windows runtime does.
std::vector<std::string> ExpandWildcard(const std::string& pattern, const std::string& folder);

}  // namespace platform
