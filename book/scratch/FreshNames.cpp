#include "book/scratch/FreshNames.hpp"

#include <cerrno>

#include "platform/FileSystem.hpp"

std::string FreshCandidate(const std::string& wanted, int n, bool beforeExtension) {
    if (n == 0) {
        return wanted;
    }
    std::string suffix = "~";
    suffix += std::to_string(n);
    const std::size_t nameStart =
        wanted.rfind('/') == std::string::npos ? 0 : wanted.rfind('/') + 1;
    const std::size_t dot = wanted.rfind('.');
    if (!beforeExtension || dot == std::string::npos || dot <= nameStart) {
        return wanted + suffix;
    }
    return wanted.substr(0, dot) + suffix + wanted.substr(dot);
}

std::optional<std::string> MoveUnderFreshName(
    const std::string& temporary, const std::string& wanted, bool beforeExtension,
    const std::function<bool(const std::string&)>& announce) {
    for (int n = 0; n < kMostVariants; ++n) {
        std::string candidate = FreshCandidate(wanted, n, beforeExtension);
        if (!announce(candidate)) {
            return std::nullopt;
        }
        if (platform::MoveNoReplace(temporary, candidate)) {
            return candidate;
        }
        if (errno != EEXIST && errno != ENOTEMPTY) {
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}
