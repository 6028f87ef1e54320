#include "platform/Wildcard.hpp"

#include <algorithm>

#include "platform/FileSystem.hpp"

namespace platform {

namespace {

std::string AsArgument(const std::string& name) {
    return name.starts_with('-') ? "./" + name : name;
}

}  // namespace

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        // A star in the pattern is always a wildcard, even facing a "*" in the name.
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string::npos) {
            // Let the last star swallow one more character and try again.
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<std::string> ExpandWildcard(const std::string& pattern, const std::string& folder) {
    std::vector<std::string> names;
    if (std::optional<std::vector<FolderEntry>> entries = ListFolder(folder)) {
        for (const FolderEntry& entry : *entries) {
            if (MatchesWildcard(pattern, entry.name)) {
                names.push_back(entry.name);
            }
        }
    }
    if (names.empty()) {
        return {pattern};
    }
    std::sort(names.begin(), names.end());
    std::transform(names.begin(), names.end(), names.begin(), AsArgument);
    return names;
}

}  // namespace platform
