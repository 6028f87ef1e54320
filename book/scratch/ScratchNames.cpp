#include "book/scratch/ScratchNames.hpp"

#include "book/scratch/FreshNames.hpp"
#include "platform/FileSystem.hpp"

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The file name without its extension (a "." after its first character), or whole.
std::string Stem(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The reason when the last component of path, a name of what, is longer than its folder's file
// system takes.
std::optional<std::string> Exceeds(const std::string& path, const char* what) {
    const std::string name = BaseName(path);
    const std::size_t most = platform::LongestName(FolderOf(path));
    if (name.size() <= most) {
        return std::nullopt;
    }
    return std::string("名称太长，无法处理：") + what + " " + name + " 有 " +
           std::to_string(name.size()) + " 字节，超过 " + FolderOf(path) +
           " 所在的文件系统允许的 " + std::to_string(most) + " 字节";
}

}  // namespace

std::string ChooseScratchFolder(const std::string& given, const std::string& book,
                                const std::string& output) {
    if (!given.empty()) {
        return given;
    }
    return platform::CanCreateIn(FolderOf(book)) ? FolderOf(book) : FolderOf(output);
}

ScratchNames PlanScratchNames(const std::string& book, const std::string& output,
                              const std::string& folder) {
    const std::string stem = folder + "/" + Stem(BaseName(book));
    return {folder, stem + ".zip", stem, output + ".partial"};
}

std::optional<std::string> OutputNameTooLong(const std::string& output) {
    return Exceeds(output, "输出文件名");
}

std::optional<std::string> NameTooLong(const ScratchNames& names, const std::string& output) {
    if (std::optional<std::string> reason = OutputNameTooLong(output)) {
        return reason;
    }
    for (const auto& [wanted, beforeExtension] : {std::pair{names.archive, true},
                                                  {names.unpackFolder, false},
                                                  {names.partialFolder, false}}) {
        const std::string longest = FreshCandidate(wanted, kMostVariants - 1, beforeExtension);
        if (std::optional<std::string> reason = Exceeds(longest, "处理时要建立的名称")) {
            return reason;
        }
    }
    return std::nullopt;
}
