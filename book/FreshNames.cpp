#include "book/FreshNames.hpp"

#include <cerrno>
#include <functional>

#include "platform/FileSystem.hpp"

namespace {

constexpr int kMostVariants = 100;

std::optional<std::string> CreateFirstFree(const std::string& wanted, bool beforeExtension,
                                           const std::function<bool(const std::string&)>& create) {
    for (int n = 0; n < kMostVariants; ++n) {
        std::string candidate = FreshCandidate(wanted, n, beforeExtension);
        if (create(candidate)) {
            return candidate;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool LinkOrCopy(const std::string& file, const std::string& name) {
    if (platform::LinkNoReplace(file, name)) {
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    // File systems without hard links (FAT, some network shares) get a copy.
    return platform::CopyNoReplace(file, name);
}

}  // namespace

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

std::optional<std::string> CreateFreshFolder(const std::string& wanted) {
    return CreateFirstFree(wanted, false, platform::CreateFolder);
}

std::optional<std::string> LinkUnderFreshName(const std::string& file, const std::string& wanted) {
    return CreateFirstFree(wanted, true,
                           [&file](const std::string& name) { return LinkOrCopy(file, name); });
}

std::optional<std::string> CopyUnderFreshName(const std::string& file, const std::string& wanted) {
    return CreateFirstFree(wanted, true, [&file](const std::string& name) {
        return platform::CopyNoReplace(file, name);
    });
}
