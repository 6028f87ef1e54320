// The wildcard on any pattern and name (split at the first zero byte): a name matches itself and
// "*", agrees with a plain recursive matcher, and expansion in a folder gives only names that
// match, or the pattern itself.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.hpp"
#include "platform/CommandLine.hpp"
#include "platform/Wildcard.hpp"

using fuzz_support::Check;

namespace {

// The definition, one character at a time; memoised so that stars cannot make it slow.
bool Matches(const std::string& pattern, const std::string& name) {
    std::vector<std::vector<char>> known(pattern.size() + 1,
                                         std::vector<char>(name.size() + 1, -1));
    std::function<bool(std::size_t, std::size_t)> match = [&](std::size_t p, std::size_t n) {
        char& answer = known[p][n];
        if (answer < 0) {
            if (p == pattern.size()) {
                answer = n == name.size();
            } else if (pattern[p] == '*') {
                answer = match(p + 1, n) || (n < name.size() && match(p, n + 1));
            } else {
                answer = n < name.size() && (pattern[p] == '?' || pattern[p] == name[n]) &&
                         match(p + 1, n + 1);
            }
        }
        return answer == 1;
    };
    return match(0, 0);
}

// A folder with names of every kind the expansion treats apart.
const std::string& FolderOfNames() {
    static const fuzz_support::ScratchFolder folder;
    static const bool filled = [] {
        for (const char* name : {"a.css", "-h", ".hidden", "..x", "b?", "c*d", "ab", "toc.ncx"}) {
            fuzz_support::WriteFile(folder / name, "");
        }
        return true;
    }();
    static_cast<void>(filled);
    return folder.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz_support::AsText(data, std::min<std::size_t>(size, 256));
    const std::size_t zero = std::min(input.find('\0'), input.size());
    const std::string pattern(input.substr(0, zero));
    const std::string name(zero < input.size() ? input.substr(zero + 1) : std::string_view());
    Check(platform::MatchesWildcard("*", name), "a star matches every name");
    Check(platform::HasWildcard(name) || platform::MatchesWildcard(name, name),
          "a name matches itself");
    Check(platform::MatchesWildcard(pattern, name) == Matches(pattern, name),
          "the matcher agrees with the definition");
    if (pattern.find('/') == std::string::npos) {
        for (const std::string& found : platform::ExpandWildcard(pattern, FolderOfNames())) {
            const std::string bare = found.starts_with("./") ? found.substr(2) : found;
            Check(found == pattern || platform::MatchesWildcard(pattern, bare),
                  "expansion gives matching names or the pattern");
        }
    }
    return 0;
}
